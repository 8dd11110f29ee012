// The shader list of a manager panel: which files a folder offers for each output type, their
// order, the file names built from list entries, and where an information file is found.
#include "editor/model/shader_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/shader_file.h"
#include "editor_test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

class ShaderListTest : public ::testing::Test {
  protected:
    // A shader whose categories section is the given text (nothing: no section at all).
    void Shader(const std::string& fileName, const std::string& categories, bool section = true) {
        std::string stream = "XR0000#%%0000#02D%%";
        if (section) stream += "#" + categories;
        ASSERT_TRUE(SaveShaderFile(folder / fileName, stream).ok);
    }
    std::string Folder() const { return folder.string() + "/"; }

    test::ScratchFolder scratch;
    const fs::path& folder = scratch.Path();
};

TEST_F(ShaderListTest, CategoriesDecideTheOutputTypesThatListAShader) {
    Shader("NoColor.xrb", "TTFT");
    Shader("OnlyDisplacement.xrb", "TFFF");
    Shader("Short.xrb", "TF");  // fewer than four flags: meant for all
    Shader("NoSection.xrb", "", false);
    Shader("None.xrb", "FFFF");
    // Output types 0 Displacement, 1 Transparency, 2 Color, 3 Reflectance.
    const std::vector<std::vector<std::string>> expected = {
        {"NoColor", "NoSection", "OnlyDisplacement", "Short"},
        {"NoColor", "NoSection", "Short"},
        {"NoSection", "Short"},
        {"NoColor", "NoSection", "Short"},
    };
    for (int32_t t = 0; t < 4; ++t) EXPECT_EQ(ShaderList(folder, t), expected[t]) << t;
    EXPECT_TRUE(ShaderList(folder, 4).empty());
    EXPECT_TRUE(ShaderList(folder, -1).empty());
}

TEST_F(ShaderListTest, OnlyShaderFilesCountAndNamesSortWithoutRegardToCase) {
    Shader("gamma.xrb", "TTTT");
    Shader("Alpha.XRB", "TTTT");
    Shader("beta.xrb", "TTTT");
    Shader("notes.txt", "TTTT");
    Shader("archive.xrb.bak", "TTTT");
    fs::create_directories(folder / "folder.xrb");
    // A file that fails its checksum reads as the default stream, which is meant for all four.
    std::ofstream(folder / "Damaged.xrb") << "XR0000#%%0000#02D%%#FFFF\n00000000\n";
    EXPECT_EQ(ShaderList(folder, 2),
              (std::vector<std::string>{"Alpha", "beta", "Damaged", "gamma"}));
}

TEST_F(ShaderListTest, AMissingFolderListsNothing) {
    EXPECT_TRUE(ShaderList(folder / "absent", 0).empty());
}

TEST(ShaderFileNames, PathsAndListEntries) {
    EXPECT_EQ(ShaderFilePath("/s/", "Marble"), "/s/Marble.xrb");
    EXPECT_EQ(ShaderFilePath("/s", "Marble"), "/s/Marble.xrb");
    EXPECT_EQ(ShaderFilePath("/s/", ""), "");

    struct Case {
        const char* folder;
        const char* file;
        const char* name;
    };
    const Case cases[] = {
        {"/s/", "/s/Marble.xrb", "Marble"},
        {"/s", "/s/Marble.xrb", "Marble"},
        {"/S/", "/s/marble.XRB", "marble"},
        {"/s/", "/t/Marble.xrb", ""},
        {"/s/", "/s/sub/Marble.xrb", ""},
        {"/s/", "/s/Marble.txt", ""},
        {"/s/", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ShaderNameInFolder(c.folder, c.file), c.name) << c.file;
}

TEST_F(ShaderListTest, InformationFilesAreLookedForBesideTheShader) {
    std::ofstream(folder / "Marble.txt") << "notes";
    const std::string shader = Folder() + "Marble.xrb";
    EXPECT_EQ(InformationFilePath(shader, "Marble.txt"), Folder() + "Marble.txt");
    // Only the stored name's last part counts, whatever folders a stream puts before it.
    EXPECT_EQ(InformationFilePath(shader, "../../etc/Marble.txt"), Folder() + "Marble.txt");
    EXPECT_EQ(InformationFilePath(shader, "C:\\Docs\\Marble.txt"), Folder() + "Marble.txt");
    // Not found anywhere: still beside the shader, where the editor would have put it.
    EXPECT_EQ(InformationFilePath(shader, "Other.txt"), Folder() + "Other.txt");
    EXPECT_EQ(InformationFilePath(shader, ""), "");
    EXPECT_EQ(InformationFilePath(shader, ".."), "");
}

}  // namespace
}  // namespace vandrel

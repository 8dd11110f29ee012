#include "editor/model/editor_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "editor_test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for its lifetime, or removes it.
class TScopedEnv {
  public:
    TScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~TScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class EditorSettingsTest : public ::testing::Test {
  protected:
    EditorSettingsTest() { xdg.emplace("XDG_CONFIG_HOME", config.c_str()); }

    std::string Folder(const std::string& name) {
        fs::create_directories(root / name);
        return (root / name).string() + "/";
    }
    void WriteFile(const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
    void ExpectDefaults(const TEditorSettings& s) {
        const std::string base = plugin.string() + "/";
        for (const std::string& folder : s.ShaderFolders) EXPECT_EQ(folder, base + "Samples/");
        EXPECT_EQ(s.ComponentsFolder, base + "Components/");
        EXPECT_TRUE(s.EditNew);
        for (const std::string& f : s.Search.folders) EXPECT_EQ(f, "");
        for (const uint32_t c : s.Search.counts) EXPECT_EQ(c, 0u);
        EXPECT_EQ(s.LastTexture, "");
    }

    test::ScratchFolder scratch;
    const fs::path root = scratch.Path(), plugin = root / "plugin", config = root / "config";
    const fs::path file = config / "Ferrow Software" / "Vandrel.ini";
    std::optional<TScopedEnv> xdg;
};

TEST_F(EditorSettingsTest, RoundTripThroughTheFile) {
    TEditorSettings s = DefaultEditorSettings(plugin);
    s.ShaderFolders = {Folder("disp"), Folder("trans"), Folder("color"), Folder(" refl \"q\"")};
    s.ComponentsFolder = Folder("comp");
    s.EditNew = false;
    s.Search.folders = {Folder("a"), "", Folder("b"), "/gone/", ""};
    s.Search.counts = {3, 0, 0x01020304u, 7, 0};
    s.LastTexture = Folder("tex");

    ASSERT_EQ(EditorSettingsPath(), file);
    ASSERT_TRUE(WriteEditorSettings(EditorSettingsPath(), s));
    // Written whole: the file and nothing beside it.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(file.parent_path())) {
        ++entries;
        EXPECT_EQ(e.path().filename(), "Vandrel.ini");
    }
    EXPECT_EQ(entries, 1);

    const TEditorSettings back = ReadEditorSettings(file, plugin);
    EXPECT_EQ(back.ShaderFolders, s.ShaderFolders);
    EXPECT_EQ(back.ComponentsFolder, s.ComponentsFolder);
    EXPECT_FALSE(back.EditNew);
    EXPECT_EQ(back.Search.folders, s.Search.folders);
    EXPECT_EQ(back.Search.counts, s.Search.counts);
    EXPECT_EQ(back.LastTexture, s.LastTexture);

    // Rewriting replaces the file whole.
    s.EditNew = true;
    ASSERT_TRUE(WriteEditorSettings(file, s));
    EXPECT_TRUE(ReadEditorSettings(file, plugin).EditNew);
}

// Values, sections and comments of others stay; the file is rewritten only when a value changes.
TEST_F(EditorSettingsTest, WritingKeepsWhatItDoesNotKnow) {
    const std::string text =
        "; by hand\n[Other]\nColor=\"elsewhere\"\n\n[vandrel]\nFuture=1\nEditNew=1\n"
        "# note\n[Last]\nx=2\n";
    WriteFile(text);
    TEditorSettings s = ReadEditorSettings(file, plugin);
    s.EditNew = false;
    s.LastTexture = Folder("tex");
    ASSERT_TRUE(WriteEditorSettings(file, s));
    std::ifstream in(file, std::ios::binary);
    const std::string merged((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    for (const char* kept : {"; by hand\n[Other]\nColor=\"elsewhere\"\n", "[vandrel]\nFuture=1\n",
                             "# note\n", "[Last]\nx=2\n"}) {
        EXPECT_NE(merged.find(kept), std::string::npos) << kept << " in\n" << merged;
    }
    EXPECT_EQ(merged.find("EditNew=1"), std::string::npos) << merged;
    EXPECT_LT(merged.find("EditNew=0"), merged.find("[Last]")) << merged;
    const TEditorSettings back = ReadEditorSettings(file, plugin);
    EXPECT_FALSE(back.EditNew);
    EXPECT_EQ(back.LastTexture, s.LastTexture);

    // The same values again: the file is not touched.
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_TRUE(WriteEditorSettings(file, back));
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(EditorSettingsTest, TheCountsAreTwentyBytesLowByteFirstAndHeldToTheLimit) {
    TEditorSettings s = DefaultEditorSettings(plugin);
    s.Search.counts = {1, 0x01020304u, 0, 0, 0xFFu};
    const std::string text = EditorSettingsText(s);
    EXPECT_NE(text.find("SearchHits=01000000040302010000000000000000FF000000\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("[Vandrel]\n"), std::string::npos);
    EXPECT_NE(text.find("EditNew=1\n"), std::string::npos);

    WriteFile("[Vandrel]\nSearchHits=FFFFFFFF050000000000000000000000FF000000\n");
    const TEditorSettings read = ReadEditorSettings(file, plugin);
    EXPECT_EQ(read.Search.counts[0], kRecentCountLimit);
    EXPECT_EQ(read.Search.counts[1], 5u);
    EXPECT_EQ(read.Search.counts[4], 255u);
}

TEST_F(EditorSettingsTest, MissingOrDamagedValuesGetTheirDefaults) {
    ExpectDefaults(ReadEditorSettings(file, plugin));
    ExpectDefaults(ReadEditorSettings(fs::path(), plugin));
    const std::string good = Folder("good");
    const std::string damaged[] = {
        "",
        std::string("\0\xff\xfe[Vandrel\n=\n", 14),
        "[Other]\nColor=\"" + good + "\"\nEditNew=0\n",
        "[Vandrel]\nEditNew=maybe\nSearchHits=12345\nComponents=\n",
        "[Vandrel]\nSearchHits=ZZ00000000000000000000000000000000000000\n",
        "[Vandrel]\nSearchHits=010000000400000000000000000000000000000000\n",  // 21 bytes
        "[Vandrel]\nColor=\"" + good.substr(0, good.size() - 1) + std::string("\0x", 2) + "\"\n",
        "Color=\"" + good + "\"\n",  // outside any section
    };
    for (const std::string& text : damaged) {
        WriteFile(text);
        ExpectDefaults(ReadEditorSettings(file, plugin));
    }

    // Good values next to damaged ones are kept.
    WriteFile("[Vandrel]\nEditNew=2\nColor=\"" + good + "\"\nSearchHits=garbage\nEditNew=0\n");
    const TEditorSettings mixed = ReadEditorSettings(file, plugin);
    EXPECT_EQ(mixed.ShaderFolders[kColor], good);
    EXPECT_EQ(mixed.ShaderFolders[kDisplacement], plugin.string() + "/Samples/");
    EXPECT_TRUE(mixed.EditNew);  // the first "EditNew" is the one read, and it is damaged
    EXPECT_EQ(mixed.Search.counts[0], 0u);
}

TEST_F(EditorSettingsTest, AFolderThatNoLongerExistsFallsBack) {
    TEditorSettings s = DefaultEditorSettings(plugin);
    s.ShaderFolders[kReflectance] = Folder("refl");
    s.ShaderFolders[kColor] = Folder("color");
    s.ComponentsFolder = Folder("comp");
    s.LastTexture = Folder("tex");
    ASSERT_TRUE(WriteEditorSettings(file, s));
    fs::remove_all(root / "refl");
    fs::remove_all(root / "comp");
    fs::remove_all(root / "tex");
    // A file where a folder was is not a folder either.
    std::ofstream(root / "tex") << "x";

    const TEditorSettings back = ReadEditorSettings(file, plugin);
    EXPECT_EQ(back.ShaderFolders[kReflectance], plugin.string() + "/Samples/");
    EXPECT_EQ(back.ShaderFolders[kColor], s.ShaderFolders[kColor]);
    EXPECT_EQ(back.ComponentsFolder, plugin.string() + "/Components/");
    EXPECT_EQ(back.LastTexture, "");
}

TEST_F(EditorSettingsTest, AFailedWriteLeavesTheOldFile) {
    TEditorSettings s = DefaultEditorSettings(plugin);
    s.EditNew = false;
    ASSERT_TRUE(WriteEditorSettings(file, s));
    // A folder in the file's place cannot be renamed over.
    const fs::path blocked = config / "blocked" / "Vandrel.ini";
    fs::create_directories(blocked);
    EXPECT_FALSE(WriteEditorSettings(blocked, s));
    int entries = 0;
    for (const auto& e : fs::directory_iterator(blocked.parent_path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);  // no temporary left behind
    EXPECT_FALSE(ReadEditorSettings(file, plugin).EditNew);
}

TEST_F(EditorSettingsTest, TheFileLivesUnderTheConfigurationFolder) {
    {
        TScopedEnv home("HOME", "/home/someone");
        TScopedEnv relative("XDG_CONFIG_HOME", "relative/dir");
        EXPECT_EQ(EditorSettingsPath(),
                  fs::path("/home/someone/.config/Ferrow Software/Vandrel.ini"));
        TScopedEnv empty("XDG_CONFIG_HOME", "");
        EXPECT_EQ(EditorSettingsPath(),
                  fs::path("/home/someone/.config/Ferrow Software/Vandrel.ini"));
        TScopedEnv unset("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(EditorSettingsPath(),
                  fs::path("/home/someone/.config/Ferrow Software/Vandrel.ini"));
        TScopedEnv noHome("HOME", nullptr);
        EXPECT_EQ(EditorSettingsPath(), fs::path());
    }
    EXPECT_EQ(EditorSettingsPath(), file);
}

TEST_F(EditorSettingsTest, ReadOnceAndWrittenOnlyWhenRead) {
    // The process's settings: nothing is written before they are read. They are put back as they
    // were for the tests that share the process.
    const TEditorSettings before = EditorSettings();
    struct TRestore {
        const TEditorSettings& settings;
        ~TRestore() { EditorSettings() = settings; }
    } restore{before};
    ASSERT_FALSE(EditorSettingsLoaded());
    EXPECT_TRUE(SaveEditorSettingsIfLoaded());
    EXPECT_FALSE(fs::exists(file));

    TEditorSettings stored = DefaultEditorSettings(plugin);
    stored.LastTexture = Folder("tex");
    ASSERT_TRUE(WriteEditorSettings(file, stored));
    LoadEditorSettingsOnce(plugin);
    EXPECT_EQ(EditorSettings().LastTexture, stored.LastTexture);
    EditorSettings().EditNew = false;

    // A second load does not read the file again.
    fs::remove(file);
    LoadEditorSettingsOnce(plugin);
    EXPECT_FALSE(EditorSettings().EditNew);

    ASSERT_TRUE(SaveEditorSettingsIfLoaded());
    EXPECT_FALSE(ReadEditorSettings(file, plugin).EditNew);

    // Nothing changed since: not written again, even over what another process wrote meanwhile.
    WriteFile("[Vandrel]\nEditNew=1\n");
    ASSERT_TRUE(SaveEditorSettingsIfLoaded());
    EXPECT_TRUE(ReadEditorSettings(file, plugin).EditNew);
}

}  // namespace
}  // namespace vandrel

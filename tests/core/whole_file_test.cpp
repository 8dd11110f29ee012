// Files written whole: long names, links at and around the target, failed writers, permissions.
#include "core/whole_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

class WholeFileTest : public ::testing::Test {
  protected:
    size_t Entries() {
        size_t n = 0;
        for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it) ++n;
        return n;
    }
    const test::TempFolder temp{"vandrel-whole-"};
    const fs::path folder = temp.path();
};

TEST_F(WholeFileTest, NamesUpToTheLongestTheFolderAllows) {
    std::string error;
    for (const size_t length : {1, 200, 252, 253, 254, 255}) {
        const fs::path path = folder / std::string(length, 'x');
        ASSERT_TRUE(WriteWholeFile(path, "text", error)) << length << ": " << error;
        EXPECT_EQ(test::FileBytes(path), "text");
        fs::remove(path);
    }
    EXPECT_EQ(Entries(), 0u);
}

// The target's link is replaced, never followed; a failed writer leaves the old file and nothing
// else; the old file's permissions stay.
TEST_F(WholeFileTest, NeitherLinksNorFailuresReachOtherFiles) {
    std::string error;
    const fs::path other = folder / "other";
    ASSERT_TRUE(WriteWholeFile(other, "other's", error));
    fs::create_symlink("other", folder / "link");
    ASSERT_TRUE(WriteWholeFile(folder / "link", "new", error));
    EXPECT_FALSE(fs::is_symlink(folder / "link"));
    EXPECT_EQ(test::FileBytes(folder / "link"), "new");
    EXPECT_EQ(test::FileBytes(other), "other's");

    ::chmod(other.c_str(), 0600);
    const auto failing = [](std::FILE* file, std::string& reason) {
        std::fputs("half", file);
        reason = "stopped";
        return false;
    };
    EXPECT_FALSE(WriteWholeFile(other, failing, error));
    EXPECT_EQ(error, "stopped");
    EXPECT_EQ(test::FileBytes(other), "other's");
    EXPECT_EQ(Entries(), 2u);  // other and link: no temporary left

    ASSERT_TRUE(WriteWholeFile(other, "again", error));
    struct stat info {};
    ASSERT_EQ(::stat(other.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    EXPECT_FALSE(WriteWholeFile(folder / "no" / "such", "x", error));
    EXPECT_FALSE(error.empty());
}

TEST_F(WholeFileTest, SameFileFollowsLinks) {
    std::string error;
    ASSERT_TRUE(WriteWholeFile(folder / "a", "a", error));
    ASSERT_TRUE(WriteWholeFile(folder / "b", "a", error));
    fs::create_hard_link(folder / "a", folder / "hard");
    fs::create_symlink("a", folder / "soft");
    EXPECT_TRUE(SameFile(folder / "a", folder / "hard"));
    EXPECT_TRUE(SameFile(folder / "soft", folder / "a"));
    EXPECT_FALSE(SameFile(folder / "a", folder / "b"));
    EXPECT_FALSE(SameFile(folder / "a", folder / "missing"));
}

}  // namespace
}  // namespace vandrel

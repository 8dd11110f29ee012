#include "core/search_path.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

using test::TempFolder;

TRecentFolders Recent(std::array<const char*, 5> folders, std::array<uint32_t, 5> counts) {
    TRecentFolders recent;
    for (int k = 0; k < 5; ++k) recent.folders[k] = folders[k];
    recent.counts = counts;
    return recent;
}

TEST(RecentFolders, UpdateRule) {
    const struct {
        const char* what;
        TRecentFolders before;
        const char* picked;
        TRecentFolders after;
    } cases[] = {
        {"first use takes slot 0", Recent({"", "", "", "", ""}, {}), "/home/ann/tex/",
         Recent({"/home/ann/tex/", "", "", "", ""}, {1, 0, 0, 0, 0})},
        {"same folder counts", Recent({"/home/ann/tex/", "", "", "", ""}, {1, 0, 0, 0, 0}),
         "/home/ann/tex/", Recent({"/home/ann/tex/", "", "", "", ""}, {2, 0, 0, 0, 0})},
        {"trailing separator added", Recent({"/home/ann/tex/", "", "", "", ""}, {2, 0, 0, 0, 0}),
         "/home/ann/tex", Recent({"/home/ann/tex/", "", "", "", ""}, {3, 0, 0, 0, 0})},
        {"subfolder counts for the folder",
         Recent({"/home/ann/tex/", "", "", "", ""}, {3, 0, 0, 0, 0}), "/home/ann/tex/wood/",
         Recent({"/home/ann/tex/", "", "", "", ""}, {4, 0, 0, 0, 0})},
        {"sibling merges into the parent",
         Recent({"/home/ann/tex/", "", "", "", ""}, {4, 0, 0, 0, 0}), "/home/ann/img/",
         Recent({"/home/ann/", "", "", "", ""}, {5, 0, 0, 0, 0})},
        {"parent replaces the subfolder",
         Recent({"/home/ann/tex/wood/", "", "", "", ""}, {1, 0, 0, 0, 0}), "/home/ann/tex/",
         Recent({"/home/ann/tex/", "", "", "", ""}, {2, 0, 0, 0, 0})},
        {"common part ending inside a name does not merge",
         Recent({"/srv/tex1/", "", "", "", ""}, {1, 0, 0, 0, 0}), "/srv/tex2/",
         Recent({"/srv/tex1/", "/srv/tex2/", "", "", ""}, {1, 1, 0, 0, 0})},
        {"a common part of three characters does not merge",
         Recent({"/a/x/", "", "", "", ""}, {1, 0, 0, 0, 0}), "/a/y/",
         Recent({"/a/x/", "/a/y/", "", "", ""}, {1, 1, 0, 0, 0})},
        {"four characters do", Recent({"/ab/x/", "", "", "", ""}, {1, 0, 0, 0, 0}), "/ab/y/",
         Recent({"/ab/", "", "", "", ""}, {2, 0, 0, 0, 0})},
        {"first slot with the smallest count is replaced",
         Recent({"/d/a0/", "/d/a1/", "/d/a2/", "/d/a3/", "/d/a4/"}, {5, 3, 7, 3, 9}), "/opt/new/",
         Recent({"/d/a0/", "/opt/new/", "/d/a2/", "/d/a3/", "/d/a4/"}, {5, 1, 7, 3, 9})},
        {"the first matching slot wins",
         Recent({"/u/w/a/", "/u/w/b/", "", "", ""}, {1, 1, 0, 0, 0}), "/u/w/b/",
         Recent({"/u/w/", "/u/w/b/", "", "", ""}, {2, 1, 0, 0, 0})},
        {"count saturates", Recent({"/data/x/", "", "", "", ""}, {2147483646, 0, 0, 0, 0}),
         "/data/x/", Recent({"/data/x/", "", "", "", ""}, {2147483647, 0, 0, 0, 0})},
        {"saturated count stays", Recent({"/data/x/", "", "", "", ""}, {2147483647, 0, 0, 0, 0}),
         "/data/x/", Recent({"/data/x/", "", "", "", ""}, {2147483647, 0, 0, 0, 0})},
        {"count beyond the limit stays",
         Recent({"/data/x/", "", "", "", ""}, {4000000000u, 0, 0, 0, 0}), "/data/x/",
         Recent({"/data/x/", "", "", "", ""}, {4000000000u, 0, 0, 0, 0})},
        {"empty folder changes nothing", Recent({"/a/", "", "", "", ""}, {1, 0, 0, 0, 0}), "",
         Recent({"/a/", "", "", "", ""}, {1, 0, 0, 0, 0})},
    };
    for (const auto& c : cases) {
        TRecentFolders recent = c.before;
        recent.Use(c.picked);
        EXPECT_EQ(recent.folders, c.after.folders) << c.what;
        EXPECT_EQ(recent.counts, c.after.counts) << c.what;
    }
}

TEST(RecentFolders, RealFoldersMergeIntoTheirCommonParent) {
    const TempFolder temp;
    const std::string oak = temp.Write("textures/wood/oak.png", "x").string();
    const std::string granite = temp.Write("textures/stone/granite.png", "x").string();
    const std::string sound = temp.Write("sounds/hum.wav", "x").string();
    TRecentFolders recent;
    recent.Use(FolderOfFile(oak));
    EXPECT_EQ(recent.folders[0], (temp.path() / "textures/wood/").string());
    recent.Use(FolderOfFile(granite));
    EXPECT_EQ(recent.folders[0], (temp.path() / "textures/").string());
    EXPECT_TRUE(fs::is_directory(recent.folders[0]));
    EXPECT_EQ(recent.counts[0], 2u);
    // The temporary folder is deeper than three characters, so this merges too.
    recent.Use(FolderOfFile(sound));
    EXPECT_EQ(recent.folders[0], temp.path().string() + "/");
    EXPECT_TRUE(fs::is_directory(recent.folders[0]));
}

TEST(RecentFolders, TextKeepsSlots) {
    TRecentFolders recent = Recent({"/a/", "", "/b/", "", ""}, {});
    EXPECT_EQ(recent.Text(), "/a/;;/b/;;");
    recent.SetText("/x;/y/;;/z/;/w/;/extra/");
    EXPECT_EQ(recent.folders, (std::array<std::string, 5>{"/x/", "/y/", "", "/z/", "/w/"}));
    recent.SetText("");
    EXPECT_EQ(recent.folders, (std::array<std::string, 5>{}));
}

TEST(SearchPath, NameParts) {
    EXPECT_EQ(FolderOfFile("/a/b/c.png"), "/a/b/");
    EXPECT_EQ(FolderOfFile("c.png"), "");
    EXPECT_EQ(FileNamePart("/a/b/c.xrb"), "c.xrb");
    EXPECT_EQ(FileNamePart("C:\\Shaders\\Wood.xrb"), "Wood.xrb");
    EXPECT_EQ(FileNamePart("plain.xrb"), "plain.xrb");
    EXPECT_EQ(FileNamePart("/a/"), "");
}

TEST(SearchPath, HostPluginThenNonEmptyRecentFolders) {
    const TRecentFolders recent = Recent({"", "/r1/", "", "/r2/", ""}, {});
    const TSearchPath path = TSearchPath::Build("/host", "/plugin/", recent);
    EXPECT_EQ(path.Folders(), (std::vector<std::string>{"/host", "/plugin/", "/r1/", "/r2/"}));
    EXPECT_EQ(path.Text(), "/host;/plugin/;/r1/;/r2/");
    EXPECT_EQ(TSearchPath::Build("", "", TRecentFolders{}).Text(), "");
}

TEST(SearchPath, BareNamesResolveInPathOrder) {
    const TempFolder temp;
    const fs::path inB = temp.Write("b/wood.xrb", "x");
    const fs::path inA = temp.Write("a/both.xrb", "x");
    temp.Write("b/both.xrb", "x");
    fs::create_directories(temp.path() / "a/dir.xrb");
    temp.Write("b/dir.xrb", "x");
    const TSearchPath path({(temp.path() / "a").string(), (temp.path() / "b/").string()});

    EXPECT_EQ(ResolveFileName("wood.xrb", path), inB);
    EXPECT_EQ(ResolveFileName("both.xrb", path), inA);
    EXPECT_EQ(ResolveFileName("/no/such/folder/wood.xrb", path), inB);
    EXPECT_EQ(ResolveFileName("C:\\Shaders\\wood.xrb", path), inB);
    EXPECT_EQ(ResolveFileName("dir.xrb", path), temp.path() / "b/dir.xrb");  // a folder is no file
    EXPECT_EQ(ResolveFileName(inB.string(), TSearchPath{}), inB);            // a complete path
    EXPECT_EQ(ResolveFileName("wood.xrb", TSearchPath{}), std::nullopt);
    EXPECT_EQ(ResolveFileName("missing.xrb", path), std::nullopt);
    EXPECT_EQ(ResolveFileName("", path), std::nullopt);
    EXPECT_EQ(ResolveFileName(std::string("wood.xrb\0x", 10), path), std::nullopt);
}

TEST(SearchPath, APublishedSnapshotStaysWhole) {
    const TSearchPath one({"/one/a/", "/one/b/"});
    const TSearchPath two({"/two/a/", "/two/b/", "/two/c/"});
    PublishSearchPath(one);
    const auto held = CurrentSearchPath();
    PublishSearchPath(two);
    EXPECT_EQ(held->Text(), one.Text());  // a held snapshot outlives its replacement
    EXPECT_EQ(CurrentSearchPath()->Text(), two.Text());

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                const std::string text = CurrentSearchPath()->Text();
                if (text != one.Text() && text != two.Text()) ++torn;
            }
        });
    }
    for (int i = 0; i < 2000; ++i) PublishSearchPath(i % 2 ? one : two);
    stop = true;
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(torn, 0);
    PublishSearchPath(TSearchPath{});
    EXPECT_TRUE(CurrentSearchPath()->Folders().empty());
}

}  // namespace
}  // namespace vandrel

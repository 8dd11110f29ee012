// The help router's mapping, its answers, the generated component reference and the links of the
// shipped help folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "editor/component_window.h"
#include "editor/help_router.h"
#include "editor/model/graph_model.h"
#include "editor/model/window_links.h"
#include "hostapi/hostapi.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

const fs::path kHelp = fs::path(VANDREL_RUNTIME_DIR) / "help";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct MappingCase {
    uint32_t command;
    int64_t context;
    const char* key;
    const char* file;  // relative to the folder; null: nothing to open
    const char* fragment;
};

TEST(HelpRouter, MapsEachCommandOntoItsFile) {
    const fs::path folder = "/opt/help";
    const MappingCase cases[] = {
        {1, 1, "", "manager.html", ""},
        {8, 2, "", "editor.html", ""},
        {1, 6, "", "studio.html", ""},
        {8, 7, "", "reference/index.html", ""},
        {1, 0, "", nullptr, ""},     // no topic of that number
        {8, 1000, "", nullptr, ""},  // nor of that
        {257, 0, "Sine Function", "reference/index.html", "sine-function"},
        {257, 5, "Gauss' Function (1D)", "reference/index.html", "gauss-function-1d"},
        {257, 0, "", nullptr, ""},       // an empty key names nothing
        {257, 0, " ()' ", nullptr, ""},  // nor does one without letters or digits
        {3, 0, "", "index.html", ""},
        {11, 42, "ignored", "index.html", ""},
        {2, 0, "", nullptr, ""},  // quit: nothing of ours to close
        {4, 1, "", nullptr, ""},  // not a help command
    };
    for (const MappingCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << " " << c.context << " '" << c.key << "'");
        const std::optional<THelpTarget> target =
            HelpTargetFor(folder, c.command, c.context, c.key);
        if (c.file == nullptr) {
            EXPECT_FALSE(target.has_value());
            continue;
        }
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(target->File, folder / c.file);
        EXPECT_EQ(target->Fragment, c.fragment);
    }
}

TEST(HelpRouter, KeyAnchorsKeepLettersAndDigitsOnly) {
    EXPECT_EQ(HelpKeyAnchor("Fractal 1/F Noise Function (1D)"), "fractal-1-f-noise-function-1d");
    EXPECT_EQ(HelpKeyAnchor("  Clamps  "), "clamps");
    EXPECT_EQ(HelpKeyAnchor("\xc3\x84rger"), "rger");  // bytes outside ASCII are separators
    EXPECT_EQ(HelpKeyAnchor("UV"), "uv");
}

// Records the URLs the router would open and answers as told.
class RecordingOpener {
  public:
    explicit RecordingOpener(bool answer) {
        previous_ = SetHelpOpener([this, answer](const std::string& url) {
            urls.push_back(url);
            return answer;
        });
    }
    ~RecordingOpener() { SetHelpOpener(previous_); }
    std::vector<std::string> urls;

  private:
    THelpOpener previous_;
};

TEST(HelpRouter, HandledOnlyWhenTheFileExistsAndTheBrowserTookIt) {
    {
        RecordingOpener opener(true);
        EXPECT_TRUE(RouteHelp(kHelpContents));
        EXPECT_TRUE(RouteHelp(kHelpContext, kHelpTopicInterface));
        EXPECT_TRUE(RouteHelp(kHelpKey, 0, "Sine Function"));
        EXPECT_FALSE(RouteHelp(kHelpQuit));
        EXPECT_FALSE(RouteHelp(kHelpContext, 99));
        ASSERT_EQ(opener.urls.size(), 3u);
        EXPECT_EQ(opener.urls[0], "file://" + fs::weakly_canonical(kHelp / "index.html").string());
        EXPECT_TRUE(opener.urls[1].ends_with("/help/interface.html"));
        EXPECT_TRUE(opener.urls[2].ends_with("/help/reference/index.html#sine-function"));
    }
    {
        RecordingOpener refusing(false);
        EXPECT_FALSE(RouteHelp(kHelpContents));
        EXPECT_EQ(refusing.urls.size(), 1u);
    }
}

TEST(HelpRouter, TopicsByPageName) {
    RecordingOpener opener(true);
    EXPECT_TRUE(ShowHelpTopic("custom"));
    EXPECT_TRUE(ShowHelpTopic("reference/tab3"));
    EXPECT_TRUE(ShowHelpTopic(""));  // the contents
    EXPECT_FALSE(ShowHelpTopic("no-such-page"));
    // Nothing outside the folder, however it is spelled.
    for (const char* topic : {"../help/index", "/etc/passwd", "reference/../index", "a//b", "."}) {
        EXPECT_FALSE(ShowHelpTopic(topic)) << topic;
    }
    ASSERT_EQ(opener.urls.size(), 3u);
    EXPECT_TRUE(opener.urls[0].ends_with("/help/custom.html"));
    EXPECT_TRUE(opener.urls[1].ends_with("/help/reference/tab3.html"));
    EXPECT_TRUE(opener.urls[2].ends_with("/help/index.html"));

    // Installed, the windows' help link reaches the router.
    const auto previous = WindowLinks().Help;
    InstallHelpRouter();
    ASSERT_TRUE(WindowLinks().Help);
    WindowLinks().Help("studio");
    WindowLinks().Help = previous;
    ASSERT_EQ(opener.urls.size(), 4u);
    EXPECT_TRUE(opener.urls[3].ends_with("/help/studio.html"));
}

TEST(HelpReference, ListsKnownComponentsWithTheirProperties) {
    const std::string tab0 = ReadText(kHelp / "reference" / "tab0.html");
    const size_t sine = tab0.find("<h2 id=\"c101\">Sine Function</h2>");
    ASSERT_NE(sine, std::string::npos);
    const std::string section = tab0.substr(sine, tab0.find("<h2", sine + 1) - sine);
    // Amplitude 1, Frequency 1, Offset 0.5, Input 0: the wave swings between 0 and 1.
    for (const char* row : {"<td>Amplitude</td><td>Numerical</td><td>1</td>",
                            "<td>Frequency</td><td>Numerical</td><td>1</td>",
                            "<td>Offset</td><td>Numerical</td><td>0.5</td>",
                            "<td>Input</td><td>Numerical</td><td>0</td><td>Position along the "
                            "wave</td>"}) {
        EXPECT_NE(section.find(row), std::string::npos) << row;
    }
    // A whole count and an enumeration with its first item as the default.
    EXPECT_NE(tab0.find("<td>Octaves</td><td>Numerical (whole)</td><td>3</td>"), std::string::npos);
    EXPECT_NE(tab0.find("<td>NoiseType</td><td>Enumeration</td><td>Default</td><td>Which of the "
                        "renderer's noise functions (choices: Default, Classic, Perlin, "
                        "Sparse convolution)</td>"),
              std::string::npos);
    // A colour with its part letters.
    EXPECT_NE(tab0.find("<td>Amplitude</td><td>Vector (RGB)</td><td>R 1, G 1, B 1</td>"),
              std::string::npos);

    // The index reaches it by the keyword anchor the router opens.
    const std::string index = ReadText(kHelp / "reference" / "index.html");
    EXPECT_NE(index.find("<li id=\"" + HelpKeyAnchor("Sine Function") +
                         "\"><a href=\"tab0.html#c101\">Sine Function</a></li>"),
              std::string::npos);
}

// Every component's section shows its output baked on the UV plane, a picture that decodes; the
// sine of U varies across and not down.
TEST(HelpReference, EveryComponentShowsItsBakedPicture) {
    const std::regex section("<h2 id=\"(c[0-9]+)\">");
    int pictures = 0;
    for (int tab = 0; tab < 11; ++tab) {
        const std::string text =
            ReadText(kHelp / "reference" / ("tab" + std::to_string(tab) + ".html"));
        for (auto it = std::sregex_iterator(text.begin(), text.end(), section);
             it != std::sregex_iterator(); ++it) {
            const std::string id = (*it)[1];
            EXPECT_NE(text.find("<img src=\"pictures/" + id + ".png\" width=\"48\" height=\"48\""),
                      std::string::npos)
                << id;
            const int32_t image =
                hsImageRead((kHelp / "reference" / "pictures" / (id + ".png")).c_str());
            EXPECT_NE(image, 0) << id;
            if (image == 0) continue;
            ++pictures;
            EXPECT_EQ(hsImageGetWidth(image), 48) << id;
            EXPECT_EQ(hsImageGetHeight(image), 48) << id;
            if (id == "c101") {
                EXPECT_EQ(hsImageGetPixel(image, 10, 0), hsImageGetPixel(image, 10, 47));
                EXPECT_NE(hsImageGetPixel(image, 10, 0), hsImageGetPixel(image, 20, 0));
            }
            hsImageDestroy(image);
        }
    }
    EXPECT_GT(pictures, 100);
}

// Every href of every page names an existing file, and an anchor in it names an existing id.
TEST(HelpFolder, EveryLinkPointsAtAnExistingFile) {
    const std::regex href("href=\"([^\"]*)\"");
    int pages = 0, links = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kHelp)) {
        if (entry.path().extension() != ".html") continue;
        ++pages;
        const std::string text = ReadText(entry.path());
        for (auto it = std::sregex_iterator(text.begin(), text.end(), href);
             it != std::sregex_iterator(); ++it) {
            const std::string link = (*it)[1];
            if (link.starts_with("http://") || link.starts_with("https://")) continue;
            ++links;
            const size_t hash = link.find('#');
            const std::string file = link.substr(0, hash);
            const std::string anchor = hash == std::string::npos ? "" : link.substr(hash + 1);
            const fs::path target = file.empty() ? entry.path() : entry.path().parent_path() / file;
            SCOPED_TRACE(entry.path().string() + " -> " + link);
            ASSERT_TRUE(fs::is_regular_file(target));
            if (!anchor.empty()) {
                EXPECT_NE(ReadText(target).find("id=\"" + anchor + "\""), std::string::npos);
            }
        }
    }
    EXPECT_GE(pages, 7 + 12);  // the guide's pages, the tabs and the index
    EXPECT_GT(links, 100);
}

// Each command of the canvas and the large preview: a row of the commands page with its keys, and
// the canvas's hint naming it with the same keys.
TEST(HelpFolder, CanvasCommandsWithTheirKeysOnThePageAndInTheHint) {
    struct Case {
        const char* command;
        const char* keys;  // in the page's row
        const char* hint;  // in the canvas's hint
    };
    const Case cases[] = {
        {"Search to add", "<kbd>Tab</kbd>, <kbd>Space</kbd>", "Tab or Space: search to add"},
        {"Zoom", "<kbd>Ctrl</kbd> + wheel", "Ctrl + wheel: zoom"},
        {"Pan", "middle button drag, <kbd>Space</kbd> + drag", "middle drag or Space + drag: pan"},
        {"Frame all", "<kbd>Home</kbd>", "Home: frame all"},
        {"Frame selected", "<kbd>F</kbd>", "F: frame selected"},
        {"Arrange", "<kbd>Ctrl+L</kbd>", "Ctrl+L: arrange"},
        {"Select a wire", "<kbd>Delete</kbd>", "Click a wire to select it, Delete removes it"},
        {"Move or remove a wire", "drag from a connected input",
         "Drag from a connected input: move or remove its wire"},
        {"Step back", "<kbd>Ctrl+Z</kbd>", "Ctrl+Z / Ctrl+Shift+Z, Ctrl+Y: step back / forward"},
        {"Step forward", "<kbd>Ctrl+Shift+Z</kbd>, <kbd>Ctrl+Y</kbd>",
         "Ctrl+Z / Ctrl+Shift+Z, Ctrl+Y: step back / forward"},
        {"Large Preview", "<kbd>Ctrl+P</kbd>", "Ctrl+P: large preview"},
        {"Cancel", "<kbd>Esc</kbd>", "Esc: cancel"},
    };
    const std::string page = ReadText(kHelp / "commands.html");
    const std::string hint = kCanvasHint;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const size_t row = page.find(std::string("<tr><td>") + c.command + "</td>");
        ASSERT_NE(row, std::string::npos);
        const std::string text = page.substr(row, page.find("</tr>", row) - row);
        EXPECT_NE(text.find(c.keys), std::string::npos) << text;
        EXPECT_NE(hint.find(c.hint), std::string::npos);
    }
}

}  // namespace
}  // namespace vandrel

// The help router: the plug-in's help requests mapped onto the HTML help folder that ships next to
// the plug-in ("help/" beside libvandrel.so), opened in the system browser.
//
// clang-format off
// Commands and what they open (the data is a context number or a keyword):
//   1, 8   context   the topic page of the context number (HelpContextPage); missing pages are
//                    not handled
//   257    key       the component index at the keyword's anchor
//   3, 11  contents  index.html
//   2      quit      nothing: the browser's windows are not the plug-in's to close
// clang-format on
// A request is handled only when its file exists and the browser accepted it.
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/help_anchor.h"

namespace vandrel {

inline constexpr uint32_t kHelpContext = 1;
inline constexpr uint32_t kHelpQuit = 2;
inline constexpr uint32_t kHelpContents = 3;
inline constexpr uint32_t kHelpContextPopup = 8;
inline constexpr uint32_t kHelpFinder = 11;
inline constexpr uint32_t kHelpKey = 257;

// Context numbers of the topics the windows ask for.
inline constexpr int64_t kHelpTopicManager = 1;
inline constexpr int64_t kHelpTopicEditor = 2;
inline constexpr int64_t kHelpTopicCommands = 3;
inline constexpr int64_t kHelpTopicCustom = 4;
inline constexpr int64_t kHelpTopicInterface = 5;
inline constexpr int64_t kHelpTopicStudio = 6;
inline constexpr int64_t kHelpTopicComponents = 7;

// The page of a context number, relative to the help folder; empty for an unknown number.
std::string_view HelpContextPage(int64_t context);

// What a request opens: a file of the help folder and an anchor in it (maybe empty).
struct THelpTarget {
    std::filesystem::path File;
    std::string Fragment;
};

// The mapping alone: which file a command asks for, whether or not it exists. Nothing for quit,
// unknown commands, unknown contexts and empty keys.
std::optional<THelpTarget> HelpTargetFor(const std::filesystem::path& helpFolder, uint32_t command,
                                         int64_t context, std::string_view key);

// "help" in the folder of the module that holds this code (the plug-in).
std::filesystem::path HelpFolder();

// Opens a URL in the system browser; true when it was accepted. Replaceable so that tests do not
// start a browser; an empty function restores QDesktopServices. Returns the previous one.
using THelpOpener = std::function<bool(const std::string& url)>;
THelpOpener SetHelpOpener(THelpOpener opener);

// Routes one help request; true when handled (see above).
bool RouteHelp(uint32_t command, int64_t context = 0, std::string_view key = {});

// A topic by page name without ".html" ("editor", "reference/index"); an empty topic opens the
// contents. False when the page does not exist or could not be opened.
bool ShowHelpTopic(std::string_view topic);

// Points WindowLinks().Help at ShowHelpTopic; called once when the plug-in starts its windows.
void InstallHelpRouter();

}  // namespace vandrel

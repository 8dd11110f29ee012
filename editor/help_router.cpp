#include "editor/help_router.h"

#include <dlfcn.h>

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <array>
#include <cctype>
#include <utility>

#include "editor/model/window_links.h"

namespace vandrel {

namespace {

struct TContextPage {
    int64_t context;
    std::string_view page;
};

constexpr std::array<TContextPage, 7> kContextPages = {{
    {kHelpTopicManager, "manager.html"},
    {kHelpTopicEditor, "editor.html"},
    {kHelpTopicCommands, "commands.html"},
    {kHelpTopicCustom, "custom.html"},
    {kHelpTopicInterface, "interface.html"},
    {kHelpTopicStudio, "studio.html"},
    {kHelpTopicComponents, "reference/index.html"},
}};

constexpr std::string_view kContentsPage = "index.html";
constexpr std::string_view kKeyIndexPage = "reference/index.html";

THelpOpener& Opener() {
    static THelpOpener opener;
    return opener;
}

bool OpenUrl(const std::string& url) {
    if (Opener()) return Opener()(url);
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool Open(const THelpTarget& target) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(target.File, error)) return false;
    QUrl url = QUrl::fromLocalFile(
        QString::fromStdString(std::filesystem::absolute(target.File, error).string()));
    if (!target.Fragment.empty()) url.setFragment(QString::fromStdString(target.Fragment));
    return OpenUrl(url.toString(QUrl::FullyEncoded).toStdString());
}

// A page name is a relative path of plain names; anything that could leave the folder is refused.
bool SafePageName(std::string_view topic) {
    if (topic.empty() || topic.front() == '/') return false;
    size_t start = 0;
    while (start <= topic.size()) {
        const size_t slash = std::min(topic.find('/', start), topic.size());
        const std::string_view part = topic.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        for (const char c : part) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
                return false;
        }
        start = slash + 1;
    }
    return true;
}

}  // namespace

std::string_view HelpContextPage(int64_t context) {
    for (const TContextPage& entry : kContextPages) {
        if (entry.context == context) return entry.page;
    }
    return {};
}

std::optional<THelpTarget> HelpTargetFor(const std::filesystem::path& helpFolder, uint32_t command,
                                         int64_t context, std::string_view key) {
    switch (command) {
        case kHelpContext:
        case kHelpContextPopup: {
            const std::string_view page = HelpContextPage(context);
            if (page.empty()) return std::nullopt;
            return THelpTarget{helpFolder / page, {}};
        }
        case kHelpKey: {
            std::string anchor = HelpKeyAnchor(key);
            if (anchor.empty()) return std::nullopt;
            return THelpTarget{helpFolder / kKeyIndexPage, std::move(anchor)};
        }
        case kHelpContents:
        case kHelpFinder:
            return THelpTarget{helpFolder / kContentsPage, {}};
        default:  // quit among them: there is nothing of ours to close
            return std::nullopt;
    }
}

std::filesystem::path HelpFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&HelpFolder), &info) == 0 || info.dli_fname == nullptr) {
        return std::filesystem::current_path() / "help";
    }
    std::error_code ec;
    const std::filesystem::path module = std::filesystem::weakly_canonical(info.dli_fname, ec);
    return (ec ? std::filesystem::absolute(info.dli_fname) : module).parent_path() / "help";
}

THelpOpener SetHelpOpener(THelpOpener opener) { return std::exchange(Opener(), std::move(opener)); }

bool RouteHelp(uint32_t command, int64_t context, std::string_view key) {
    const std::optional<THelpTarget> target = HelpTargetFor(HelpFolder(), command, context, key);
    return target.has_value() && Open(*target);
}

bool ShowHelpTopic(std::string_view topic) {
    if (topic.empty()) return RouteHelp(kHelpContents);
    if (!SafePageName(topic)) return false;
    return Open({HelpFolder() / (std::string(topic) + ".html"), {}});
}

void InstallHelpRouter() {
    WindowLinks().Help = [](std::string_view topic) { (void)ShowHelpTopic(topic); };
}

}  // namespace vandrel

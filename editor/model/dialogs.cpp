#include "editor/model/dialogs.h"

namespace vandrel {
namespace {

// Without a window system every dialog is cancelled.
class TNoDialogs final : public TDialogs {
  public:
    std::optional<std::string> SaveFile(const TFileRequest&) override { return std::nullopt; }
    std::optional<std::string> OpenFile(const TFileRequest&) override { return std::nullopt; }
    std::optional<std::array<double, 3>> PickColor(std::string_view, const std::array<double, 3>&,
                                                   bool) override {
        return std::nullopt;
    }
};

TNoDialogs& NoDialogs() {
    static TNoDialogs dialogs;
    return dialogs;
}

TDialogs*& Installed() {
    static TDialogs* dialogs = nullptr;
    return dialogs;
}

TDialogs*& Default() {
    static TDialogs* dialogs = nullptr;
    return dialogs;
}

}  // namespace

TDialogs& CurrentDialogs() {
    if (TDialogs* d = Installed()) return *d;
    if (TDialogs* d = Default()) return *d;
    return NoDialogs();
}

void SetDefaultDialogs(TDialogs* dialogs) { Default() = dialogs; }

TDialogs* InstallDialogs(TDialogs* dialogs) {
    TDialogs* previous = Installed();
    Installed() = dialogs;
    return previous;
}

std::vector<TFilterPair> ParseDialogFilter(std::string_view filter) {
    std::vector<TFilterPair> pairs;
    while (!filter.empty()) {
        const size_t bar = filter.find('|');
        TFilterPair pair;
        pair.Description = std::string(filter.substr(0, bar));
        if (bar == std::string_view::npos) {
            pair.Patterns = "*";
            filter = {};
        } else {
            filter.remove_prefix(bar + 1);
            const size_t next = filter.find('|');
            pair.Patterns = std::string(filter.substr(0, next));
            filter = next == std::string_view::npos ? std::string_view{} : filter.substr(next + 1);
        }
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

}  // namespace vandrel

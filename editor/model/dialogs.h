// The modal dialogs the editor windows open: file choosers and colour pickers.
//
// Windows call them through TDialogs, never QFileDialog directly, so that tests answer them from a
// script instead of blocking on a modal window. Filters are written as pairs "Description|pattern"
// joined by "|" ("Vandrel Bytecode (.xrb)|*.xrb"); a pattern may list several globs separated by
// ";".
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

struct TFileRequest {
    std::string Title;
    std::string Filter;
    std::string Folder;         // where the dialog starts; empty for the current folder
    std::string ProposedName;   // file name (or path) proposed in a save dialog
    std::string DefaultSuffix;  // ".xrb" is appended to a typed name without one
};

class TDialogs {
  public:
    virtual ~TDialogs() = default;
    // The chosen path, nothing when cancelled.
    virtual std::optional<std::string> SaveFile(const TFileRequest& request) = 0;
    virtual std::optional<std::string> OpenFile(const TFileRequest& request) = 0;
    // Fractions 0 … 1. ownPicker chooses the project's colour picker, else the system dialog.
    virtual std::optional<std::array<double, 3>> PickColor(std::string_view title,
                                                           const std::array<double, 3>& initial,
                                                           bool ownPicker) = 0;
};

// The dialogs in use: those installed (a test's), else the default ones (the Qt dialogs, which
// the editor library sets), else none, which cancels every dialog.
TDialogs& CurrentDialogs();
// Installs dialogs (null goes back to the default) and returns the previous ones; not owned.
TDialogs* InstallDialogs(TDialogs* dialogs);
// The dialogs used while none are installed; not owned. Kept apart from InstallDialogs so that
// dialogs installed and restored around them (a test's) never stand in for them afterwards.
void SetDefaultDialogs(TDialogs* dialogs);

// The filter's pairs: {description, patterns}; a dangling description gets "*".
struct TFilterPair {
    std::string Description;
    std::string Patterns;  // "*.tga;*.bmp"
};
std::vector<TFilterPair> ParseDialogFilter(std::string_view filter);

}  // namespace vandrel

// The Qt dialogs behind TDialogs: file dialogs and the two colour pickers, for the editor's
// windows and the studio alike.
#pragma once

#include <QString>

#include "editor/model/dialogs.h"

namespace vandrel {

// "Desc|*.a;*.b|Desc2|*.c" as a Qt name filter list "Desc (*.a *.b);;Desc2 (*.c)".
QString QtNameFilters(std::string_view filter);

class TQtDialogs final : public TDialogs {
  public:
    std::optional<std::string> SaveFile(const TFileRequest& request) override;
    std::optional<std::string> OpenFile(const TFileRequest& request) override;
    std::optional<std::array<double, 3>> PickColor(std::string_view title,
                                                   const std::array<double, 3>& initial,
                                                   bool ownPicker) override;
};

// Makes the Qt dialogs the default ones (those installed, a test's, still come first).
void InstallQtDialogsOnce();

}  // namespace vandrel

// Message boxes for the Messages sink while the plug-in's windows or the studio are up. Calls from
// other threads than the user-interface thread (a tree built while rendering) go to the standard
// error sink instead, and their questions are answered No.
#pragma once

#include "core/messages.h"

namespace vandrel {

class TQtMessages final : public Messages {
  public:
    void Show(std::string_view text, MessageIcon icon, std::string_view caption) override;
    bool Ask(std::string_view text, std::string_view caption) override;
    MessageAnswer AskYesNoCancel(std::string_view text, std::string_view caption) override;

  private:
    THostMessages fallback_;
};

}  // namespace vandrel

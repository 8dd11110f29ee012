// User-facing messages and questions.
//
// The core never shows a window: it reports through the installed Messages sink. By default that is
// the host's (the command line prints each distinct text once, answers every question with No and
// fails when an error was shown); the editor installs message boxes; tests install a recording
// sink. Sinks may be called from rendering threads (a shader tree
// is built on the thread that first shades it), so they must be safe for concurrent use.
#pragma once

#include <string>
#include <string_view>

namespace vandrel {

enum class MessageIcon { Error, Exclamation, Information };
enum class MessageAnswer { Yes, No, Cancel };

class Messages {
  public:
    virtual ~Messages() = default;
    // A message box with one OK button.
    virtual void Show(std::string_view text, MessageIcon icon, std::string_view caption) = 0;
    // A Yes/No question; anything but Yes counts as No.
    virtual bool Ask(std::string_view text, std::string_view caption) = 0;
    // A Yes/No/Cancel question whose Yes keeps the user's work, so Yes is the default answer. A
    // sink without a third button answers as its Ask does.
    virtual MessageAnswer AskYesNoCancel(std::string_view text, std::string_view caption) {
        return Ask(text, caption) ? MessageAnswer::Yes : MessageAnswer::No;
    }
};

// The sink in use; the command-line sink until another is installed.
Messages& CurrentMessages();
// Installs a sink (null restores the default) and returns the previous one. The caller keeps
// ownership and must keep the sink alive while installed.
Messages* InstallMessages(Messages* sink);

// Error icon, OK button: the common case.
inline void ShowError(std::string_view text) {
    CurrentMessages().Show(text, MessageIcon::Error, "Error");
}

// The platform's message boxes, which the host shows (hxShowMessage, hxAskQuestion): the default
// sink, and the fallback of a sink that cannot show a window on the calling thread. A host without
// windows prints each distinct text once and answers No.
class THostMessages final : public Messages {
  public:
    void Show(std::string_view text, MessageIcon icon, std::string_view caption) override;
    bool Ask(std::string_view text, std::string_view caption) override;
};

}  // namespace vandrel

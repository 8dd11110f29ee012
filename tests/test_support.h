// Helpers shared by the tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/messages.h"

namespace vandrel::test {

// Records every message and answers questions with a fixed answer; installed for its lifetime.
class RecordingMessages final : public Messages {
  public:
    explicit RecordingMessages(bool answer = false) : answer_(answer) {
        previous_ = InstallMessages(this);
    }
    ~RecordingMessages() override { InstallMessages(previous_); }

    void Show(std::string_view text, MessageIcon icon, std::string_view caption) override {
        (void)icon, (void)caption;
        shown.emplace_back(text);
    }
    bool Ask(std::string_view text, std::string_view caption) override {
        (void)caption;
        asked.emplace_back(text);
        return answer_;
    }

    MessageAnswer AskYesNoCancel(std::string_view text, std::string_view caption) override {
        if (!choice) return Messages::AskYesNoCancel(text, caption);
        asked.emplace_back(text);
        return *choice;
    }

    void SetAnswer(bool answer) { answer_ = answer; }
    // The answer to Yes/No/Cancel questions; unset, they are answered as Ask answers.
    std::optional<MessageAnswer> choice;

    std::vector<std::string> shown;
    std::vector<std::string> asked;

  private:
    bool answer_;
    Messages* previous_;
};

}  // namespace vandrel::test

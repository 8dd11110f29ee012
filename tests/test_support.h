// Helpers shared by the tests.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
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

// A fresh folder of its own under the system's temporary folder, removed with everything in it
// when the object goes.
class TempFolder {
  public:
    explicit TempFolder(const std::string& prefix = "vandrel-test-") {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }
    // Writes bytes to the file at relative (its folders made), replacing what was there.
    std::filesystem::path Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return file;
    }

  private:
    std::filesystem::path path_;
};

// The bytes of a file; empty when it cannot be read.
inline std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// What a shell command prints on its standard output; empty when it cannot start.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

}  // namespace vandrel::test

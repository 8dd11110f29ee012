// Scripted dialogs and a scratch folder for the editor's command tests.
#pragma once

#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "editor/model/dialogs.h"

namespace vandrel::test {

// Answers file dialogs from queues (an empty queue cancels) and records every request.
class ScriptedDialogs final : public TDialogs {
  public:
    ScriptedDialogs() { previous_ = InstallDialogs(this); }
    ~ScriptedDialogs() override { InstallDialogs(previous_); }

    std::optional<std::string> SaveFile(const TFileRequest& request) override {
        requests.push_back(request);
        return Next(saves);
    }
    std::optional<std::string> OpenFile(const TFileRequest& request) override {
        requests.push_back(request);
        return Next(opens);
    }
    std::optional<std::array<double, 3>> PickColor(std::string_view, const std::array<double, 3>&,
                                                   bool) override {
        if (colors.empty()) return std::nullopt;
        const auto c = colors.front();
        colors.pop_front();
        return c;
    }

    std::deque<std::string> saves;
    std::deque<std::string> opens;
    std::deque<std::array<double, 3>> colors;
    std::vector<TFileRequest> requests;

  private:
    static std::optional<std::string> Next(std::deque<std::string>& queue) {
        if (queue.empty()) return std::nullopt;
        std::string next = queue.front();
        queue.pop_front();
        return next;
    }
    TDialogs* previous_ = nullptr;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vandrel-editor-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace vandrel::test

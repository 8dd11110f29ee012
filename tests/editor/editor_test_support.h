// Scripted dialogs and a scratch folder for the editor windows' tests.
#pragma once

#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "editor/model/dialogs.h"

namespace vandrel::test {

// Answers file dialogs and colour pickers from queues (an empty queue cancels) and records what
// was asked.
class ScriptedDialogs final : public TDialogs {
  public:
    ScriptedDialogs() { previous_ = InstallDialogs(this); }
    ~ScriptedDialogs() override { InstallDialogs(previous_); }

    std::optional<std::string> SaveFile(const TFileRequest& request) override {
        saves.push_back(request);
        return Next(files);
    }
    std::optional<std::string> OpenFile(const TFileRequest& request) override {
        opens.push_back(request);
        return Next(files);
    }
    std::optional<std::array<double, 3>> PickColor(std::string_view title,
                                                   const std::array<double, 3>& initial,
                                                   bool ownPicker) override {
        pickTitles.emplace_back(title);
        pickInitial.push_back(initial);
        pickOwn.push_back(ownPicker);
        return Next(colors);
    }

    std::deque<std::optional<std::string>> files;
    std::deque<std::optional<std::array<double, 3>>> colors;
    std::vector<TFileRequest> saves, opens;
    std::vector<std::string> pickTitles;
    std::vector<std::array<double, 3>> pickInitial;
    std::vector<bool> pickOwn;

  private:
    template <class T>
    static T Next(std::deque<T>& queue) {
        if (queue.empty()) return T{};
        T answer = queue.front();
        queue.pop_front();
        return answer;
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

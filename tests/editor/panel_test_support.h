// What the manager panel tests share: scripted dialogs, a stand-in editor, a fresh plug-in state
// and screenshots.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QInputDevice>
#include <QWidget>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "editor/model/dialogs.h"
#include "editor/model/window_links.h"
#include "host/plugin.h"
#include "renderer/host/host_state.h"

namespace vandrel::test {

// Answers file dialogs and colour pickers from queues and records what was asked.
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

// An editor as the panels see it; registered in WindowLinks() for its lifetime.
class FakeEditor final : public TEditorLink {
  public:
    FakeEditor() { WindowLinks().Editor = this; }
    ~FakeEditor() override { WindowLinks().Editor = nullptr; }
    void EditShader(const std::string& file) override { edited.push_back(file); }
    std::string EditedShader() const override { return openFile; }
    std::string CurrentStream() override { return stream; }

    std::vector<std::string> edited;
    std::string openFile;
    std::string stream;
};

// The plug-in as a fresh process has it, with distinct host handles per output type.
inline void ResetPluginState() {
    TPluginState& p = Plugin();
    p.Interface = TXRInterfaceModel();
    for (int t = 0; t < 4; ++t) {
        p.CurrentShader[t].clear();
        p.PendingUpdate[t] = false;
        p.ShaderHandles[t] = 100 + t;
    }
    p.Rendering = false;
    p.UpdateCounter = 0;
    host::TakeShaderUpdates();
}

// Writes a picture of the widget when VANDREL_SCREENSHOTS names a folder.
inline void Screenshot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("VANDREL_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(widget.grab().save(folder + "/" + name + ".png"));
}

// Qt makes its default input devices as children of the application, which is a static here and
// outlives Qt's registry of devices; they go while the registry still exists.
class QtDevicesEnvironment final : public ::testing::Environment {
  public:
    void TearDown() override {
        QObject* app = QCoreApplication::instance();
        if (app == nullptr) return;
        const QList<const QInputDevice*> devices = QInputDevice::devices();
        for (const QInputDevice* device : devices) {
            if (device->parent() == app) delete device;
        }
    }
};
inline ::testing::Environment* const kPanelQtDevices =
    ::testing::AddGlobalTestEnvironment(new QtDevicesEnvironment);

}  // namespace vandrel::test

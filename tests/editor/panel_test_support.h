// What the manager panel tests share: a stand-in editor and a fresh plug-in state.
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
#include "editor_test_support.h"
#include "host/plugin.h"
#include "qt_test_support.h"
#include "renderer/host/host_state.h"

namespace vandrel::test {

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

// Triggers of each kind as an interface string stores them.
inline TTriggerSettings Numerical(float min, float max, float def, float step, bool whole = false) {
    TTriggerSettings t;
    t.Kind = kNumerical;
    t.Label = "Amount";
    t.IsInteger = whole;
    t.Values = {min, max, def, step};
    return t;
}

inline TTriggerSettings UV() {
    TTriggerSettings t;
    t.Kind = kUV;
    t.Label = "Scale.U";
    t.SecondText = "Scale.V";
    // min U, min V, max U, max V, default U, default V, step U, step V
    t.Values = {1, -5, 2, 5, 1.5f, 0.25f, 0.1f, 0.5f};
    return t;
}

inline TTriggerSettings Colour(uint8_t picker) {
    TTriggerSettings t;
    t.Kind = kVector;
    t.Label = "Tint";
    t.Values = {1, 0.5f, 0};
    t.SetPickerChoice(picker);
    return t;
}

inline TTriggerSettings Enumeration() {
    TTriggerSettings t;
    t.Kind = kEnumeration;
    t.Label = "Mode";
    // The friendly names are escaped: "Very soft" holds a blank (&'G).
    t.SecondText = "Hard;Soft;Softer@Hard;Very&'Gsoft;Softest";
    t.SetDefaultItem(1);
    return t;
}

}  // namespace vandrel::test

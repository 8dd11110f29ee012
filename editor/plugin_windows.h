// The plug-in's windows on Qt: the four manager panels, the one shader editor, the about box, the
// help router, message boxes and the editor's settings, behind the plug-in's TPluginWindows.
//
// Nothing is created before the host first asks for a panel, and nothing at all without a
// QApplication: a host without a user interface (the command line) gets no windows. When the
// plug-in unloads after the application is gone, the windows are left alone (Qt has freed
// them); the settings are written either way.
#pragma once

#include <array>
#include <memory>

#include "host/plugin.h"

namespace vandrel {

class TEditorForm;
class TMainForm;

class TQtPluginWindows final : public TPluginWindows {
  public:
    TQtPluginWindows();
    ~TQtPluginWindows() override;

    void OpenPanel(int32_t outputType) override;
    void ClosePanel(int32_t outputType) override;
    void RefreshPanel(int32_t outputType) override;
    void ShaderChosen(int32_t outputType) override;
    void ValuesChanged(int32_t outputType) override;
    void InitialiseOnce() override;
    void Unloading() override;
    TRecentFolders RecentFolders() override;

    // The panel of an output type, null when none is open.
    TMainForm* Panel(int32_t outputType) const;
    // The editor, created on first use (it serves every panel).
    TEditorForm& Editor();
    // Frees every window now (the application must still exist).
    void CloseAll();

  private:
    bool WindowsPossible() const;
    void InstallShared();

    struct TState;
    std::unique_ptr<TState> state_;
};

// The one instance of a program that links the windows in; the windows module makes its own for
// each load of the plug-in.
TQtPluginWindows& QtPluginWindows();

}  // namespace vandrel

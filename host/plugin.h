// The plug-in's binding to the host: registration, the four callback sets, update requests and the
// plug-in's lifetime. The one export is hxShaderInitialize; everything else is reached through the
// callbacks it registers.
//
// The manager panels and the editor are not part of this layer: they attach through
// TPluginWindows, and the plug-in runs without them (panel calls then only show the version
// message when the host is too old).
#pragma once

#include <cstdint>
#include <string>

#include "core/search_path.h"
#include "interface/interface_model.h"

namespace vandrel {

// What the windows of the plug-in do when the host asks (all on the host's user-interface thread).
class TPluginWindows {
  public:
    virtual ~TPluginWindows() = default;
    virtual void OpenPanel(int32_t outputType) = 0;
    virtual void ClosePanel(int32_t outputType) = 0;
    virtual void RefreshPanel(int32_t outputType) = 0;
    // "D" chose another shader for the output type: an open, visible panel selects it.
    virtual void ShaderChosen(int32_t outputType) = 0;
    // A value other than "D" was set: an open, visible panel reloads its controls.
    virtual void ValuesChanged(int32_t outputType) = 0;
    // Run once per process at the first begin of render (editor settings, cursors, menus).
    virtual void InitialiseOnce() = 0;
    // The plug-in unloads: store the settings.
    virtual void Unloading() {}
    // The recent folders of the file search path, from the settings.
    virtual TRecentFolders RecentFolders() { return {}; }
};

// Defined where the plug-in is linked with its windows; absent (null) elsewhere.
TPluginWindows* VandrelPluginWindows() __attribute__((weak));

struct TPluginState {
    int32_t HostVersion = 0;
    bool Disabled = false;
    int32_t ShaderHandles[4] = {};
    bool Rendering = false;
    bool PendingUpdate[4] = {};
    uint8_t UpdateCounter = 0;
    std::string CurrentShader[4];
    bool SkipNextPanelCall[4] = {};
    // The shader being edited and every output type's current values.
    TXRInterfaceModel Interface;
    TPluginWindows* Windows = nullptr;
};

TPluginState& Plugin();

// Asks the host to update an output type, or holds the request until the render ends.
void RequestUpdate(int32_t outputType);

}  // namespace vandrel

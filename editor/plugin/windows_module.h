// The plug-in's windows live in a module of their own, libvandrel_windows.so beside the plug-in,
// because they bring in Qt: a host that never opens a window never maps it. The plug-in opens the
// module the first time a panel opens and asks its one entry for the windows, handing it the
// binding's state that the windows work on.
#pragma once

#include "host/plugin.h"

namespace vandrel {

inline constexpr const char* kWindowsModule = "libvandrel_windows.so";
inline constexpr const char* kWindowsEntry = "vandrel_windows_create";

// The binding as the windows reach it: Plugin() and RequestUpdate() inside the module.
struct TWindowsBinding {
    TPluginState* State = nullptr;
    void (*RequestUpdate)(int32_t outputType) = nullptr;
};

// Creates the windows on that binding; the caller owns them. Called once per load of the plug-in.
using TCreateWindows = TPluginWindows* (*)(const TWindowsBinding& binding);

}  // namespace vandrel

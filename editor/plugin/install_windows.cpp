// Gives the host binding its windows directly, in programs that link both in one binary (the
// tests). The plug-in opens them from their module instead (module_windows.cpp); programs that
// link the binding without either run without windows.
#include "editor/plugin_windows.h"

namespace vandrel {

TPluginWindows* VandrelPluginWindows() { return &QtPluginWindows(); }

}  // namespace vandrel

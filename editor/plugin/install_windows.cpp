// Linked into the plug-in only: gives the host binding its windows. Tests and other programs that
// link the binding without this file run without windows.
#include "editor/plugin_windows.h"

namespace vandrel {

TPluginWindows* VandrelPluginWindows() { return &QtPluginWindows(); }

}  // namespace vandrel

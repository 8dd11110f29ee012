// The one entry of libvandrel_windows.so. The binding is not linked in: the plug-in hands over its
// state and its update requests, and the windows reach them through the binding's own functions.
#include "editor/plugin/windows_module.h"
#include "editor/plugin_windows.h"

namespace vandrel {
namespace {

TWindowsBinding gBinding;

}  // namespace

TPluginState& Plugin() { return *gBinding.State; }

void RequestUpdate(int32_t outputType) { gBinding.RequestUpdate(outputType); }

}  // namespace vandrel

extern "C" __attribute__((visibility("default"))) vandrel::TPluginWindows* vandrel_windows_create(
    const vandrel::TWindowsBinding& binding) {
    vandrel::gBinding = binding;
    return new vandrel::TQtPluginWindows();
}

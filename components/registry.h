// The component layer's start: every family's catalogue rows and the custom-component factory,
// handed to the core. Whoever loads the component layer calls this once before creating any
// component (the plug-in at load, the command line and the tools at their start, the tests).
#pragma once

namespace vandrel {

void InstallComponents();

}  // namespace vandrel

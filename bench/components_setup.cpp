// The benchmarks create components: the component layer is handed to the core before main runs.
#include "components/registry.h"

namespace {

const bool kComponentsInstalled = (vandrel::InstallComponents(), true);

}  // namespace

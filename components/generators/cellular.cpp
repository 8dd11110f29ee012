#include "components/generators/cellular.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> CellularClasses() { return {}; }

}  // namespace vandrel

#include "components/generators/generators_3d.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> Generators3DClasses() { return {}; }

}  // namespace vandrel

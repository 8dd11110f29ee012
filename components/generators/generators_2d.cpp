#include "components/generators/generators_2d.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> Generators2DClasses() { return {}; }

}  // namespace vandrel

#include "components/math/low_level.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> LowLevelClasses() { return {}; }

}  // namespace vandrel

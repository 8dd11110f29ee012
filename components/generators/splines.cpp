#include "components/generators/splines.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> SplineClasses() { return {}; }

}  // namespace vandrel

#include "components/patterns/shape_patterns.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> ShapePatternClasses() { return {}; }

}  // namespace vandrel

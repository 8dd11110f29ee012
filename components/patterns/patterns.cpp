#include "components/patterns/patterns.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> PatternClasses() { return {}; }

}  // namespace vandrel

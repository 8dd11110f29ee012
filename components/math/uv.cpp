#include "components/math/uv.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> UVClasses() { return {}; }

}  // namespace vandrel

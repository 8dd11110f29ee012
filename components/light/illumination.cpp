#include "components/light/illumination.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> IlluminationClasses() { return {}; }

}  // namespace vandrel

#include "components/effects/color_effects.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> ColorEffectClasses() { return {}; }

}  // namespace vandrel

#include "components/media/textures.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> MediaClasses() { return {}; }

}  // namespace vandrel

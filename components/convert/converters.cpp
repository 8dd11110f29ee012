#include "components/convert/converters.h"

#include "components/families.h"

namespace vandrel {

std::span<const BuiltinClass> ConverterClasses() { return {}; }

}  // namespace vandrel

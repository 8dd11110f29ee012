// The built-in classes of each component family; the factory joins these lists.
#pragma once

#include <span>

#include "core/factory.h"

namespace vandrel {

std::span<const BuiltinClass> CoreClasses();          // blank and root
std::span<const BuiltinClass> Generators1DClasses();  // generators/generators_1d
std::span<const BuiltinClass> SplineClasses();        // generators/splines
std::span<const BuiltinClass> Generators2DClasses();  // generators/generators_2d
std::span<const BuiltinClass> Generators3DClasses();  // generators/generators_3d
std::span<const BuiltinClass> CellularClasses();      // generators/cellular
std::span<const BuiltinClass> PatternClasses();       // patterns/patterns
std::span<const BuiltinClass> ShapePatternClasses();  // patterns/shape_patterns
std::span<const BuiltinClass> ColorEffectClasses();   // effects/color_effects
std::span<const BuiltinClass> VectorColorClasses();   // math/vectors_colors
std::span<const BuiltinClass> UVClasses();            // math/uv
std::span<const BuiltinClass> LowLevelClasses();      // math/low_level
std::span<const BuiltinClass> ConverterClasses();     // convert/converters
std::span<const BuiltinClass> IlluminationClasses();  // light/illumination
std::span<const BuiltinClass> MediaClasses();         // media/textures

}  // namespace vandrel

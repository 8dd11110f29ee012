// The catalogue rows of each component family, declared next to its classes; components/registry.h
// joins them and hands them to the core.
#pragma once

#include <span>

#include "core/catalogue.h"

namespace vandrel {

std::span<const CatalogueRow> Generators1DRows();  // generators/generators_1d
std::span<const CatalogueRow> SplineRows();        // generators/splines
std::span<const CatalogueRow> Generators2DRows();  // generators/generators_2d
std::span<const CatalogueRow> Generators3DRows();  // generators/generators_3d
std::span<const CatalogueRow> CellularRows();      // generators/cellular
std::span<const CatalogueRow> PatternRows();       // patterns/patterns
std::span<const CatalogueRow> ShapePatternRows();  // patterns/shape_patterns
std::span<const CatalogueRow> ColorEffectRows();   // effects/color_effects
std::span<const CatalogueRow> VectorColorRows();   // math/vectors_colors
std::span<const CatalogueRow> UVRows();            // math/uv
std::span<const CatalogueRow> LowLevelRows();      // math/low_level
std::span<const CatalogueRow> ConverterRows();     // convert/converters
std::span<const CatalogueRow> IlluminationRows();  // light/illumination
std::span<const CatalogueRow> MediaRows();         // media/textures

}  // namespace vandrel

#include "components/registry.h"

#include <vector>

#include "components/custom/custom_components.h"
#include "components/families.h"

namespace vandrel {

void InstallComponents() {
    static const std::vector<CatalogueRow> rows = [] {
        std::vector<CatalogueRow> all;
        for (const auto family :
             {Generators1DRows, SplineRows, Generators2DRows, Generators3DRows, CellularRows,
              PatternRows, ShapePatternRows, ColorEffectRows, VectorColorRows, UVRows, LowLevelRows,
              ConverterRows, IlluminationRows, MediaRows}) {
            const auto family_rows = family();
            all.insert(all.end(), family_rows.begin(), family_rows.end());
        }
        return all;
    }();
    InstallComponentRegistry({rows, &CreateCustomComponentFrom, &CustomComponentIsFoldable});
}

}  // namespace vandrel

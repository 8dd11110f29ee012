// Joins the class lists of every family into the one table the factory searches.
#include <vector>

#include "components/families.h"
#include "core/root.h"

namespace vandrel {

namespace {

constexpr BuiltinClass kCoreClasses[] = {
    {0, [] { return std::make_unique<TXRComponent>(); }},  // the blank component
    Builtin<TXRCRoot>(),
};

std::vector<BuiltinClass> JoinFamilies() {
    std::vector<BuiltinClass> all;
    for (const auto family :
         {CoreClasses, Generators1DClasses, SplineClasses, Generators2DClasses, Generators3DClasses,
          CellularClasses, PatternClasses, ShapePatternClasses, ColorEffectClasses,
          VectorColorClasses, UVClasses, LowLevelClasses, ConverterClasses, IlluminationClasses,
          MediaClasses}) {
        const auto classes = family();
        all.insert(all.end(), classes.begin(), classes.end());
    }
    return all;
}

}  // namespace

std::span<const BuiltinClass> CoreClasses() { return kCoreClasses; }

std::span<const BuiltinClass> BuiltinClasses() {
    static const std::vector<BuiltinClass> all = JoinFamilies();
    return all;
}

}  // namespace vandrel

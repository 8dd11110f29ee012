// The built-in classes the factory can create, one line per class; each class carries its id.
#include "components/generators/generators_1d.h"
#include "components/math/vectors_colors.h"
#include "core/factory.h"
#include "core/root.h"

namespace vandrel {

namespace {

constexpr BuiltinClass kClasses[] = {
    {0, [] { return std::make_unique<TXRComponent>(); }},  // the blank component
    Builtin<TXRCRoot>(),
    // 1D generators
    Builtin<TXRCSine>(),
    // 3D vector and colour math
    Builtin<TXRCAdd3D>(),
};

}  // namespace

std::span<const BuiltinClass> BuiltinClasses() { return kClasses; }

}  // namespace vandrel

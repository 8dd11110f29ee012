#include "components/math/vectors_colors.h"

#include "components/families.h"

namespace vandrel {

namespace {
constexpr BuiltinClass kClasses[] = {
    Builtin<TXRCAdd3D>(),
};
}  // namespace

std::span<const BuiltinClass> VectorColorClasses() { return kClasses; }

}  // namespace vandrel

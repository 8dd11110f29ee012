#include "components/generators/generators_1d.h"

#include <cmath>
#include <numbers>

#include "components/families.h"

namespace vandrel {

void TXRCSine::Evaluate(bool) {
    SetOut(Num(0) * 0.5 * std::sin(2.0 * std::numbers::pi * Num(1) * Num(3)) + Num(2));
}

namespace {
constexpr BuiltinClass kClasses[] = {
    Builtin<TXRCSine>(),
};
}  // namespace

std::span<const BuiltinClass> Generators1DClasses() { return kClasses; }

}  // namespace vandrel

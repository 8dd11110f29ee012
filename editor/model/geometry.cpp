#include "editor/model/geometry.h"

#include "core/value_kind.h"

namespace vandrel {

std::optional<TRgb> KindColor(int32_t kind, bool integer) {
    switch (kind) {
        case kUndefined:
            return TRgb{255, 0, 0};
        case kNumerical:
            return integer ? TRgb{128, 89, 101} : TRgb{89, 127, 120};
        case kUV:
            return TRgb{72, 92, 128};
        case kVector:
            return TRgb{100, 89, 120};
        case kEnumeration:
            return TRgb{128, 128, 128};
        case kFile:
            return TRgb{128, 114, 80};
        default:
            return std::nullopt;
    }
}

TRgb LighterColor(TRgb c) {
    const auto twice = [](uint8_t v) { return static_cast<uint8_t>(std::min(255, 2 * v)); };
    return {twice(c.r), twice(c.g), twice(c.b)};
}

}  // namespace vandrel

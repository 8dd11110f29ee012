// The nine ways a colour or vector becomes one number, shared by the vector-to-number conversion
// and the texture and image value components: 0 average of the parts, 1 luminance
// 0.299·x + 0.587·y + 0.114·z, 2 sum, 3 … 5 hue, saturation and value (unclamped), 6 … 8 the parts.
#pragma once

#include <cstdint>
#include <optional>

#include "components/shared/hsv.h"
#include "core/vec.h"

namespace vandrel {

// Nothing for a reduction outside 0 … 8: the callers then leave their output as it was.
inline std::optional<double> ReduceVector(const TVec3& c, int32_t reduction) {
    switch (reduction) {
        case 0:
            return (c.x + c.y + c.z) / 3.0;
        case 1:
            return 0.299 * c.x + 0.587 * c.y + 0.114 * c.z;
        case 2:
            return c.x + c.y + c.z;
        case 3:
            return RgbToHsv(c).h;
        case 4:
            return RgbToHsv(c).s;
        case 5:
            return RgbToHsv(c).v;
        case 6:
            return c.x;
        case 7:
            return c.y;
        case 8:
            return c.z;
        default:
            return std::nullopt;
    }
}

}  // namespace vandrel

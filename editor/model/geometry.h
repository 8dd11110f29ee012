// Points, rectangles and colours of the graph editor, and the kind colours shared by output dots,
// input lanes and connections. Pixel coordinates are integers: the layout is pixel-exact.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace vandrel {

struct TPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Half-open: a point lies inside when left <= x < right and top <= y < bottom.
struct TRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(TPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    TRect Inflated(int32_t d) const { return {left - d, top - d, right + d, bottom + d}; }
    TRect Translated(int32_t dx, int32_t dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    // The union with another rectangle; an empty one adds nothing.
    TRect United(const TRect& o) const {
        if (o.Empty()) return *this;
        if (Empty()) return o;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

using TPath = std::vector<TPoint>;

struct TRgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const TRgb&, const TRgb&) = default;
};

// The colour of a value kind; nothing for the kinds drawn in the system's button-face colour.
std::optional<TRgb> KindColor(int32_t kind, bool integer = false);

// Each channel doubled, at most 255: the light line of a connection and its arrowhead.
TRgb LighterColor(TRgb c);

}  // namespace vandrel

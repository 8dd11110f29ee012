#include "editor/model/view_zoom.h"

#include <algorithm>
#include <cmath>

namespace vandrel {

double TViewZoom::Clamped(double scale) {
    if (!(scale == scale)) return 1.0;  // NaN
    return std::clamp(scale, kZoomMin, kZoomMax);
}

TPoint TViewZoom::ToCanvas(TPoint layout) const {
    // The first pixel of the position's span, so that it maps back to the position itself.
    const auto first = [&](int32_t v) {
        return static_cast<int32_t>(std::ceil((v + Margin) * Scale - 1e-9));
    };
    return {first(layout.x), first(layout.y)};
}

TPoint TViewZoom::ToLayout(TPoint canvas) const {
    return {static_cast<int32_t>(std::floor(canvas.x / Scale)) - Margin,
            static_cast<int32_t>(std::floor(canvas.y / Scale)) - Margin};
}

int32_t TViewZoom::Length(int32_t layoutLength) const {
    return static_cast<int32_t>(std::lround(layoutLength * Scale));
}

TPoint AnchoredScroll(TPoint scroll, TPoint anchor, double from, double to, int32_t margin) {
    // The layout point under the anchor, then where it lands at the new scale.
    const double lx = (scroll.x + anchor.x) / from - margin;
    const double ly = (scroll.y + anchor.y) / from - margin;
    return {std::max<int32_t>(0, static_cast<int32_t>(std::lround((lx + margin) * to)) - anchor.x),
            std::max<int32_t>(0, static_cast<int32_t>(std::lround((ly + margin) * to)) - anchor.y)};
}

TFraming FrameRect(const TRect& layout, int32_t viewWidth, int32_t viewHeight, int32_t margin,
                   int32_t border) {
    const TRect r = layout.Inflated(border);
    const double sx = static_cast<double>(std::max(viewWidth, 1)) / std::max(r.Width(), 1);
    const double sy = static_cast<double>(std::max(viewHeight, 1)) / std::max(r.Height(), 1);
    TFraming f;
    f.Scale = TViewZoom::Clamped(std::min(sx, sy));
    const double cx = ((r.left + r.right) / 2.0 + margin) * f.Scale;
    const double cy = ((r.top + r.bottom) / 2.0 + margin) * f.Scale;
    f.Scroll = {std::max<int32_t>(0, static_cast<int32_t>(std::lround(cx - viewWidth / 2.0))),
                std::max<int32_t>(0, static_cast<int32_t>(std::lround(cy - viewHeight / 2.0)))};
    return f;
}

}  // namespace vandrel

// The canvas's zoom: a view setting between 25 % and 400 % that maps the positions stored in the
// layout to canvas pixels and back. The layout never changes with it: a container stays where it
// is stored, the routes stay in layout coordinates, and every hit test maps the pointer back
// first.
//
// canvas pixel = (layout position + margin) × scale, rounded up to the first pixel of the
// position's span; a canvas pixel maps back to the layout position drawn there (rounded down), so
// that from 100 % up every pixel of a position hits it exactly, and below 100 % a pixel hits one
// of the 1 / scale positions it shows.
#pragma once

#include <cstdint>

#include "editor/model/geometry.h"

namespace vandrel {

inline constexpr double kZoomMin = 0.25;
inline constexpr double kZoomMax = 4.0;
inline constexpr double kZoomStep = 1.25;  // one wheel notch

struct TViewZoom {
    double Scale = 1.0;
    int32_t Margin = 0;  // layout pixels around the origin

    TPoint ToCanvas(TPoint layout) const;
    TPoint ToLayout(TPoint canvas) const;
    int32_t Length(int32_t layoutLength) const;  // a layout length in canvas pixels
    static double Clamped(double scale);
};

// The scroll position that keeps the layout point under an anchor of the view (a pixel of the
// view, e.g. the pointer) where it was when the scale changes from 'from' to 'to'.
TPoint AnchoredScroll(TPoint scroll, TPoint anchor, double from, double to, int32_t margin);

// The scale and scroll position that show the layout rectangle whole and centred in a view of
// the size, with a border of layout pixels around it; the scale is kept within the zoom's range.
struct TFraming {
    double Scale = 1.0;
    TPoint Scroll;
};
TFraming FrameRect(const TRect& layout, int32_t viewWidth, int32_t viewHeight, int32_t margin,
                   int32_t border = 16);

}  // namespace vandrel

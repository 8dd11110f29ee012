// RGB to HSV and back, as the colour effects, the conversions (HSVRGB and the
// hue/saturation/value reductions of 3Dto1D) and the colour controls use them.
//
// RgbToHsv (no clamping here: the colour effects and HSV conversion clamp the colour first, 3Dto1D
// does not):
//   V = max(R, G, B), m = min(R, G, B), d = V - m;
//   S = d / V, or 0 when V = 0;
//   H = 0 when d = 0; otherwise (G - B) / d when R is the maximum, else (B - R) / d + 2 when G is
//   the maximum, else (R - G) / d + 4; then H / 6, plus 1 when negative.
//   "Is the maximum" is decided in the order R, G, B, the earlier channel winning a tie (the same
//   as scanning R, G, B and replacing the maximum only when strictly greater).
//   For a colour in [0, 1]³, H lies in [0, 1) and S, V in [0, 1].
//
// HsvToRgb (the sector rule of the colour effects and of the HSV conversion):
//   i = trunc(6H), f = 6H - i, p = (1 - S)·V, q = (1 - S·f)·V, t = (1 - (1 - f)·S)·V;
//   i = 0: (V, t, p); 1: (q, V, p); 2: (p, V, t); 3: (p, q, V); 4: (t, p, V); 5: (V, p, q).
//   A hue of exactly 1 (i = 6) gives the colour of hue 0; S = 0 gives (V, V, V).
//   The caller wraps or clamps H into [0, 1] as its own rule says; any other sector is taken modulo
//   6 so that no input is left without a result. HsvSectorToRgb takes 6H already computed, for the
//   conversion that forms it in single precision.
// Everything is computed in double; nothing is stored.
#pragma once

#include "core/numbers.h"
#include "core/vec.h"

namespace vandrel {

struct THsv {
    double h = 0, s = 0, v = 0;
};

inline THsv RgbToHsv(double r, double g, double b) {
    // Index of the maximum, the earlier channel winning a tie.
    int top = 0;
    double maximum = r;
    if (g > maximum) top = 1, maximum = g;
    if (b > maximum) top = 2, maximum = b;
    double minimum = r;
    if (g < minimum) minimum = g;
    if (b < minimum) minimum = b;

    THsv hsv;
    hsv.v = maximum;
    const double d = maximum - minimum;
    hsv.s = maximum != 0.0 ? d / maximum : 0.0;
    if (d == 0.0) {
        hsv.h = 0.0;
        return hsv;
    }
    double h;
    if (top == 0) {
        h = (g - b) / d;
    } else if (top == 1) {
        h = (b - r) / d + 2.0;
    } else {
        h = (r - g) / d + 4.0;
    }
    h /= 6.0;
    if (h < 0.0) h += 1.0;
    hsv.h = h;
    return hsv;
}

inline THsv RgbToHsv(const TVec3& rgb) { return RgbToHsv(rgb.x, rgb.y, rgb.z); }

inline TVec3 HsvSectorToRgb(double h6, double s, double v) {
    int32_t i = ToInt32(h6);  // trunc; NaN and huge values give INT32_MIN
    const double f = h6 - static_cast<double>(i);
    i %= 6;
    if (i < 0) i += 6;
    const double p = (1.0 - s) * v;
    const double q = (1.0 - s * f) * v;
    const double t = (1.0 - (1.0 - f) * s) * v;
    switch (i) {
        case 0:
            return {v, t, p};
        case 1:
            return {q, v, p};
        case 2:
            return {p, v, t};
        case 3:
            return {p, q, v};
        case 4:
            return {t, p, v};
        default:
            return {v, p, q};
    }
}

inline TVec3 HsvToRgb(double h, double s, double v) { return HsvSectorToRgb(6.0 * h, s, v); }
inline TVec3 HsvToRgb(const THsv& hsv) { return HsvToRgb(hsv.h, hsv.s, hsv.v); }

}  // namespace vandrel

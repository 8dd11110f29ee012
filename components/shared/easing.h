// The easing of an interpolation fraction (Interpolate1D; the same rule in
// Grad2C and Interpolate2D):
//
//   1. t = Fraction clamped to [0, 1]: above 1 becomes 1; then below 0, or NaN, becomes 0.
//   2. Easing 1: t = t²;  Easing 2: t = 1 - (1 - t)²;  Easing 3: t = hsSmoothStep(0, 1, t);
//      Easing 0 and every other value: t unchanged.
//
// The interpolated value is then A + (B - A)·t per element (Lerp). EaseFraction always returns a
// value in [0, 1] when the host's smooth step does; it calls nothing but hsSmoothStep (Easing 3),
// which the host allows from every thread.
#pragma once

#include <cstdint>

#include "hostapi/hostapi.h"

namespace vandrel {

enum Easing : int32_t {
    kEasingNone = 0,
    kEasingIn = 1,     // t²: starts slowly
    kEasingOut = 2,    // 1 - (1 - t)²: ends slowly
    kEasingInOut = 3,  // the host's smooth step
};

// Step 1 alone: Fraction clamped to [0, 1], NaN to 0.
inline double ClampFraction(double fraction) {
    double t = fraction;
    if (t > 1.0) t = 1.0;
    if (!(t >= 0.0)) t = 0.0;  // below 0 or NaN
    return t;
}

inline double EaseFraction(double fraction, int32_t easing) {
    const double t = ClampFraction(fraction);
    switch (easing) {
        case kEasingIn:
            return t * t;
        case kEasingOut:
            return 1.0 - (1.0 - t) * (1.0 - t);
        case kEasingInOut:
            return hsSmoothStep(0.0, 1.0, t);
        default:
            return t;
    }
}

inline double Lerp(double a, double b, double t) { return a + (b - a) * t; }

}  // namespace vandrel

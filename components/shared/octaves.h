// Octave rule , used by every fractal-noise component and by the cellular,
// birdshot and shape components that take a whole count: the octave count passed to the host is
// |Octaves| rounded to the nearest integer, halves to even, then capped at 20.
//
//   OctaveCount(-2.6) = 3, OctaveCount(2.5) = 2, OctaveCount(25) = 20, OctaveCount(0) = 0.
//
// Always in 0 … 20: infinities give 20 and NaN gives 0 (no rule names NaN; 0 makes the
// host return its constant). Requires the default rounding mode (EnsureFloatEnvironment).
#pragma once

#include <cmath>

#include "core/numbers.h"

namespace vandrel {

inline constexpr int kMaxOctaves = 20;

inline int OctaveCount(double octaves) {
    const double magnitude = std::fabs(octaves);
    if (std::isnan(magnitude)) return 0;
    if (magnitude >= kMaxOctaves) return kMaxOctaves;
    return RoundHalfEven(magnitude);
}

}  // namespace vandrel

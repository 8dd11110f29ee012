// Noise-type selection : NoiseType 0, 1, 2, 3 choose the host noise or
// turbulence of the component's dimension without suffix, with "Classic", with "Perlin" or with
// "SparseConv" (hostapi/hostapi.h). Any other value selects nothing: the caller leaves its output
// as it was.
//
// Two ways to call:
//   - SelectNoise1 … SelectTurbulence3 give the host function itself, or null for another type;
//     a colour component selects once and samples three times.
//   - Noise1 … Turbulence3 call the selected function and return true, or return false and leave
//     *out untouched for another type.
// The values are the host's, used unchanged (no remapping). The host functions may be called from
// every rendering thread at once; these helpers keep no state.
#pragma once

#include <cstdint>

#include "hostapi/hostapi.h"

namespace vandrel {

inline constexpr int32_t kNoiseTypeCount = 4;  // 0 default, 1 classic, 2 Perlin, 3 sparse conv.

using Noise1Function = double (*)(double);
using Noise2Function = double (*)(double, double);
using Noise3Function = double (*)(const float*);
using Turbulence1Function = double (*)(double, int);
using Turbulence2Function = double (*)(double, double, int);
using Turbulence3Function = double (*)(const float*, int);

namespace detail {
template <class F>
constexpr F Pick(int32_t type, F plain, F classic, F perlin, F sparse) {
    switch (type) {
        case 0:
            return plain;
        case 1:
            return classic;
        case 2:
            return perlin;
        case 3:
            return sparse;
        default:
            return nullptr;
    }
}
}  // namespace detail

inline Noise1Function SelectNoise1(int32_t type) {
    return detail::Pick<Noise1Function>(type, hsNoise1, hsNoise1Classic, hsNoise1Perlin,
                                        hsNoise1SparseConv);
}
inline Noise2Function SelectNoise2(int32_t type) {
    return detail::Pick<Noise2Function>(type, hsNoise2, hsNoise2Classic, hsNoise2Perlin,
                                        hsNoise2SparseConv);
}
inline Noise3Function SelectNoise3(int32_t type) {
    return detail::Pick<Noise3Function>(type, hsNoise3, hsNoise3Classic, hsNoise3Perlin,
                                        hsNoise3SparseConv);
}
inline Turbulence1Function SelectTurbulence1(int32_t type) {
    return detail::Pick<Turbulence1Function>(type, hsTurbulence1, hsTurbulence1Classic,
                                             hsTurbulence1Perlin, hsTurbulence1SparseConv);
}
inline Turbulence2Function SelectTurbulence2(int32_t type) {
    return detail::Pick<Turbulence2Function>(type, hsTurbulence2, hsTurbulence2Classic,
                                             hsTurbulence2Perlin, hsTurbulence2SparseConv);
}
inline Turbulence3Function SelectTurbulence3(int32_t type) {
    return detail::Pick<Turbulence3Function>(type, hsTurbulence3, hsTurbulence3Classic,
                                             hsTurbulence3Perlin, hsTurbulence3SparseConv);
}

// Each returns false, leaving *out as it was, when type is not 0 … 3.
inline bool Noise1(int32_t type, double x, double* out) {
    const Noise1Function f = SelectNoise1(type);
    if (f == nullptr) return false;
    *out = f(x);
    return true;
}
inline bool Noise2(int32_t type, double x, double y, double* out) {
    const Noise2Function f = SelectNoise2(type);
    if (f == nullptr) return false;
    *out = f(x, y);
    return true;
}
// point: three floats X, Y, Z, read only.
inline bool Noise3(int32_t type, const float* point, double* out) {
    const Noise3Function f = SelectNoise3(type);
    if (f == nullptr) return false;
    *out = f(point);
    return true;
}
// octaves: the count of the octave rule (octaves.h).
inline bool Turbulence1(int32_t type, double x, int octaves, double* out) {
    const Turbulence1Function f = SelectTurbulence1(type);
    if (f == nullptr) return false;
    *out = f(x, octaves);
    return true;
}
inline bool Turbulence2(int32_t type, double x, double y, int octaves, double* out) {
    const Turbulence2Function f = SelectTurbulence2(type);
    if (f == nullptr) return false;
    *out = f(x, y, octaves);
    return true;
}
inline bool Turbulence3(int32_t type, const float* point, int octaves, double* out) {
    const Turbulence3Function f = SelectTurbulence3(type);
    if (f == nullptr) return false;
    *out = f(point, octaves);
    return true;
}

}  // namespace vandrel

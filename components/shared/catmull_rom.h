// The uniform Catmull-Rom cubic over four control values P0 … P3 with parameter f in [0, 1]: the
// one interpolation of the splines, the black-body and wavelength colour tables
// and cubic audio and bicubic image sampling.
//
//   a = -0.5·P0 + 1.5·P1 - 1.5·P2 + 0.5·P3
//   b =       P0 - 2.5·P1 + 2  ·P2 - 0.5·P3
//   c = -0.5·P0           + 0.5·P2
//   d =               P1
//   value = ((a·f + b)·f + c)·f + d          (Horner order, in double)
//
// The curve passes through P1 at f = 0 and P2 at f = 1 (exactly in real arithmetic; at f = 0 also
// in floating point); its tangent at P1 is (P2 - P0) / 2. The caller picks the four values
// (clamping indices at the ends as its own rule says) and applies it per colour channel or per
// part.
#pragma once

namespace vandrel {

struct CatmullRomCoefficients {
    double a, b, c, d;
};

inline CatmullRomCoefficients CatmullRomCoefficientsOf(double p0, double p1, double p2, double p3) {
    return {-0.5 * p0 + 1.5 * p1 - 1.5 * p2 + 0.5 * p3, p0 - 2.5 * p1 + 2.0 * p2 - 0.5 * p3,
            -0.5 * p0 + 0.5 * p2, p1};
}

inline double CatmullRom(const CatmullRomCoefficients& k, double f) {
    return ((k.a * f + k.b) * f + k.c) * f + k.d;
}

inline double CatmullRom(double p0, double p1, double p2, double p3, double f) {
    return CatmullRom(CatmullRomCoefficientsOf(p0, p1, p2, p3), f);
}

}  // namespace vandrel

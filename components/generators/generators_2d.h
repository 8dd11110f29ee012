// Two-dimensional generators and fractals (type ids 201-203,
// 205-209): functions of a UV vector. A Gauss bell, host noise and fractal noise (scalar and
// colour), a random value per rectangular cell, and the Mandelbrot and Julia sets. The cellular
// texture and birdshot components of the same unit (204, 210) are in cellular.h.
//
// Contracts shared by the family:
//   - Evaluate reads every property through its input reference and ignores InHost: the host noise
//     is called in the preview too. It never allocates and never fails.
//   - NoiseType 0 … 3 picks the host 2D noise of components/shared/noise_select.h, which receives
//     (U · Frequency, V · Frequency) as two doubles; any other value leaves the output at its
//     previous value, except that Noise (2D) and Fractal Noise (2D) with Amplitude 0 give Offset
//     without calling the host. Octaves follow components/shared/octaves.h (0 … 20).
//   - The colour noises sample one noise three times, shifted by (975, 0), (0, 1111) and
//     (873, 1213) for R, G and B; they have no zero-amplitude shortcut.
//   - Zero sizes never divide: Gauss (2D) with Width 0 gives 0; Random (2D) puts every input in
//     cell 0 along an axis whose CellSize is 0; Mandelbrot and Julia with Scale 0 or Iterations 0
//     give 0 (not Offset), with Amplitude 0 give Offset.
//   - Random (2D) seeds the evaluating thread's generator with CellHash2 of its cell plus
//     trunc(Seed) and draws once; without a bound record it draws 0.
//   - Mandelbrot and Julia iterate z on floats (each part of every step stored as a float) while
//     the step count n <= Iterations, escaping when |z|² > 4, and output n / Iterations ·
//     Amplitude + Offset: a point that never escapes gives (floor(Iterations) + 1) / Iterations,
//     1.02 with the default 50. Mended fault: the loop stops after kMaxFractalSteps steps (ten
//     times the largest count the property editor offers); a point still inside then counts as
//     never escaping, so a huge or infinite Iterations (fed from a trigger, say) cannot hang a
//     render. An infinite Iterations gives the limit 1 for such points.
#pragma once

#include <cstdint>

#include "core/component.h"

namespace vandrel {

// Largest number of steps Mandelbrot and Julia iterate for one sample (see above).
inline constexpr int32_t kMaxFractalSteps = 100000;

// The escape ratio n / iterations of the iteration z := z² + c from z (each part stored as a float
// after every step), with the loop limit and the step cap above. Shared by both fractals.
double FractalEscapeRatio(float zx, float zy, float cx, float cy, double iterations);

inline constexpr PropertySpec kGauss2DProps[] = {
    {"Amplitude", kNumerical, {1}},       {"Offset", kNumerical, {0}},
    {"Center", kUV, {0, 0}, false, "UV"}, {"Width", kNumerical, {0.5f}},
    {"Input", kUV, {0, 0}, false, "UV"},
};

// exp(-7 · (du² + dv²)) · Amplitude + Offset with (du, dv) = (Input - Center) / Width; 0 when
// Width is 0.
class TXRCGauss2D final : public TXRTableComponent<kGauss2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 203;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kNoise2DProps[] = {
    {"Amplitude", kNumerical, {1}},   {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},      {"Input", kUV, {0, 0}, false, "UV"},
    {"NoiseType", kEnumeration, {0}},
};

// N(U · Frequency, V · Frequency) · Amplitude + Offset with the host 2D noise N; Offset when
// Amplitude is 0.
class TXRCNoise2D final : public TXRTableComponent<kNoise2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 201;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kTurbulence2DProps[] = {
    {"Amplitude", kNumerical, {1}},   {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},      {"Input", kUV, {0, 0}, false, "UV"},
    {"NoiseType", kEnumeration, {0}}, {"Octaves", kNumerical, {3}, true},
};

// As TXRCNoise2D with the host 2D fractal noise over the octaves of the octave rule.
class TXRCTurbulence2D final : public TXRTableComponent<kTurbulence2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 202;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kNoise2DColorProps[] = {
    {"Amplitude", kVector, {1, 1, 1}, false, "RGB"},
    {"Frequency", kNumerical, {1}},
    {"Offset", kVector, {0, 0, 0}, false, "RGB"},
    {"Input", kUV, {0, 0}, false, "UV"},
    {"NoiseType", kEnumeration, {0}},
};

// Per channel N(x + shift) · Amplitude + Offset with x = Input · Frequency and the channel shifts
// (975, 0), (0, 1111), (873, 1213).
class TXRCNoise2DColor final : public TXRTableComponent<kNoise2DColorProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 206;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kTurbulence2DColorProps[] = {
    {"Amplitude", kVector, {1, 1, 1}, false, "RGB"},
    {"Frequency", kNumerical, {1}},
    {"Offset", kVector, {0, 0, 0}, false, "RGB"},
    {"Input", kUV, {0, 0}, false, "UV"},
    {"NoiseType", kEnumeration, {0}},
    {"Octaves", kNumerical, {3}, true},
};

// As TXRCNoise2DColor with the 2D fractal noise and the octave rule.
class TXRCTurbulence2DColor final : public TXRTableComponent<kTurbulence2DColorProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 207;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kShuffle2DProps[] = {
    {"Amplitude", kNumerical, {1}},         {"Offset", kNumerical, {0}},
    {"CellSize", kUV, {1, 1}, false, "UV"}, {"Input", kUV, {0, 0}, false, "UV"},
    {"Seed", kNumerical, {1234}, true},
};

// r · Amplitude + Offset, r the first draw after seeding with CellHash2 of the cell of
// Input / CellSize plus trunc(Seed); an axis with CellSize 0 maps every input to cell 0.
class TXRCShuffle2D final : public TXRTableComponent<kShuffle2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 209;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kMandelbrotProps[] = {
    {"Amplitude", kNumerical, {1}},       {"Offset", kNumerical, {0}},
    {"Center", kUV, {0, 0}, false, "UV"}, {"Scale", kNumerical, {1}},
    {"Input", kUV, {0, 0}, false, "UV"},  {"Iterations", kNumerical, {50}, true},
};

// The escape ratio of c = (Input - Center) / Scale under z := z² + c from z = 0, times Amplitude,
// plus Offset.
class TXRCMandelbrot final : public TXRTableComponent<kMandelbrotProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 205;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kJuliaProps[] = {
    {"Amplitude", kNumerical, {1}},         {"Offset", kNumerical, {0}},
    {"Center", kUV, {0, 0}, false, "UV"},   {"Scale", kNumerical, {1}},
    {"Input", kUV, {0, 0}, false, "UV"},    {"JuliaConstant", kUV, {0, 0}, false, "UV"},
    {"Iterations", kNumerical, {50}, true},
};

// The escape ratio of z = (Input - Center) / Scale under z := z² + JuliaConstant, times Amplitude,
// plus Offset.
class TXRCJulia final : public TXRTableComponent<kJuliaProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 208;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

// One-dimensional generators (type ids 101-112): functions of
// one numerical value. Periodic and bell-shaped functions, shaping functions (repeat, clamp, smooth
// step, staircase, trapezoid wave), host noise and fractal noise, and a random value per cell. The
// three splines of the same unit (113-115) are in splines.h.
//
// Contracts shared by the family:
//   - Evaluate reads every property through its input reference and ignores InHost: the host noise
//     and smooth step are called in the preview too. It never allocates and never fails.
//   - NoiseType 0 … 3 picks the host noise of components/shared/noise_select.h; any other value
//     leaves the output at its previous value (except Noise1D/Turbulence1D with Amplitude 0, which
//     give Offset). Octaves follow components/shared/octaves.h. Clamps with a Mode outside 0 … 2
//     leaves its output too.
//   - Random (1D) seeds the evaluating thread's generator with CellHash1 of its cell plus Seed and
//     draws once, so each cell of width CellSize has one value; without a bound record it draws 0.
#pragma once

#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kSineProps[] = {
    {"Amplitude", kNumerical, {1}},
    {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0.5f}},
    {"Input", kNumerical, {0}},
};

// 0.5 · Amplitude · sin(2π · Frequency · Input) + Offset: with the defaults it swings over [0, 1].
class TXRCSine final : public TXRTableComponent<kSineProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 101;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kGaussProps[] = {
    {"Amplitude", kNumerical, {1}}, {"Offset", kNumerical, {0}},   {"Center", kNumerical, {0.5f}},
    {"Width", kNumerical, {0.5f}},  {"Input", kNumerical, {0.5f}},
};

// Amplitude · exp(-7 · ((Input - Center) / Width)²) + Offset; 0 when Width is 0.
class TXRCGauss final : public TXRTableComponent<kGaussProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 102;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kNoise1DProps[] = {
    {"Amplitude", kNumerical, {1}}, {"Frequency", kNumerical, {1}},   {"Offset", kNumerical, {0}},
    {"Input", kNumerical, {0}},     {"NoiseType", kEnumeration, {0}},
};

// N(Input · Frequency) · Amplitude + Offset with the host 1D noise N; Offset when Amplitude is 0.
class TXRCNoise1D final : public TXRTableComponent<kNoise1DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 103;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kTurbulence1DProps[] = {
    {"Amplitude", kNumerical, {1}},   {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},      {"Input", kNumerical, {0}},
    {"NoiseType", kEnumeration, {0}}, {"Octaves", kNumerical, {3}, true},
};

// As TXRCNoise1D with the host 1D fractal noise over the octaves of the octave rule.
class TXRCTurbulence1D final : public TXRTableComponent<kTurbulence1DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 104;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kRepeatProps[] = {
    {"Minimum", kNumerical, {0}},
    {"Maximum", kNumerical, {1}},
    {"Input", kNumerical, {0.5f}},
};

// Input folded into [Minimum, Minimum + |Maximum - Minimum|); Minimum when the range is empty.
class TXRCRepeat final : public TXRTableComponent<kRepeatProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 105;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSawToothProps[] = {
    {"Amplitude", kNumerical, {1}},     {"Base", kNumerical, {0}},
    {"RiseLength", kNumerical, {0.5f}}, {"RiseShape", kEnumeration, {0}},
    {"HighLength", kNumerical, {0}},    {"FallLength", kNumerical, {0.5f}},
    {"FallShape", kEnumeration, {0}},   {"LowLength", kNumerical, {0}},
    {"Shift", kNumerical, {0}},         {"Input", kNumerical, {0}},
    {"Periodic", kEnumeration, {0}},
};

// A trapezoid wave: rise, high, fall, low, from Base to Base + Amplitude; RiseShape/FallShape 0
// linear, other smooth (hsSmoothStep); Periodic 0 repeats, other draws one period from Shift.
class TXRCSawTooth final : public TXRTableComponent<kSawToothProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 106;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kClampProps[] = {
    {"Maximum", kNumerical, {1}},
    {"Minimum", kNumerical, {0}},
    {"Mode", kEnumeration, {0}},
    {"Input", kNumerical, {0.5f}},
};

// Mode 0 clamps to both bounds (Minimum tested first), 1 to Maximum only, 2 to Minimum only; any
// other Mode leaves the output unwritten.
class TXRCClamp final : public TXRTableComponent<kClampProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 107;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSmoothStepProps[] = {
    {"UpperEdge", kNumerical, {1}}, {"LowerEdge", kNumerical, {0}}, {"HighValue", kNumerical, {1}},
    {"LowValue", kNumerical, {0}},  {"Input", kNumerical, {0.5f}},
};

// LowValue + (HighValue - LowValue) · hsSmoothStep(LowerEdge, UpperEdge, Input).
class TXRCSmoothStep final : public TXRTableComponent<kSmoothStepProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 108;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kStairCaseProps[] = {
    {"Step", kNumerical, {0.25f}},
    {"Input", kNumerical, {0}},
};

// floor(Input / Step) · Step; 0 when Step is 0.
class TXRCStairCase final : public TXRTableComponent<kStairCaseProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 109;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kNoise1DColorProps[] = {
    {"Amplitude", kVector, {1, 1, 1}, false, "RGB"},
    {"Frequency", kNumerical, {1}},
    {"Offset", kVector, {0, 0, 0}, false, "RGB"},
    {"Input", kNumerical, {0}},
    {"NoiseType", kEnumeration, {0}},
};

// Per channel N(x + shift) · Amplitude + Offset with x = Input · Frequency and channel shifts
// 0, 671, 1111; no shortcut for a zero amplitude.
class TXRCNoise1DColor final : public TXRTableComponent<kNoise1DColorProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 110;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kTurbulence1DColorProps[] = {
    {"Amplitude", kVector, {1, 1, 1}, false, "RGB"},
    {"Frequency", kNumerical, {1}},
    {"Offset", kVector, {0, 0, 0}, false, "RGB"},
    {"Input", kNumerical, {0}},
    {"NoiseType", kEnumeration, {0}},
    {"Octaves", kNumerical, {3}, true},
};

// As TXRCNoise1DColor with the 1D fractal noise and the octave rule.
class TXRCTurbulence1DColor final : public TXRTableComponent<kTurbulence1DColorProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 111;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kShuffle1DProps[] = {
    {"Amplitude", kNumerical, {1}},     {"Offset", kNumerical, {0}},
    {"CellSize", kNumerical, {1}},      {"Input", kNumerical, {0}},
    {"Seed", kNumerical, {1234}, true},
};

// r · Amplitude + Offset, r the first draw after seeding with CellHash1(floor(Input / CellSize))
// + trunc(Seed); CellSize 0 puts every input in cell 0.
class TXRCShuffle1D final : public TXRTableComponent<kShuffle1DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 112;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

// Three-dimensional generators (type ids 301, 302, 304-307):
// solid textures of a 3D vector, usually a position in object or world space. A Gauss bell, host
// noise and fractal noise (scalar and colour) and a random value per box-shaped cell. The cellular
// texture and birdshot components of the same unit (303, 308) are in cellular.h.
//
// Contracts shared by the family:
//   - Evaluate reads every property through its input reference and ignores InHost. It never
//     allocates and never fails.
//   - The noises pass the host the address of a temporary point of three floats,
//     (X · Frequency, Y · Frequency, Z · Frequency) each stored as a float; the host only reads it.
//     NoiseType 0 … 3 picks the host 3D noise of components/shared/noise_select.h; any other value
//     leaves the output at its previous value, except that Noise (3D) and Fractal Noise (3D) with
//     Amplitude 0 give Offset without calling the host. Octaves follow components/shared/octaves.h.
//   - The colour noises shift one coordinate of a fresh copy of the point per channel: x by 975 for
//     R, y by 1111 for G, z by 871 for B (the shifted coordinate stored as a float); they have no
//     zero-amplitude shortcut.
//   - Zero sizes never divide: Gauss (3D) with Width 0 gives 0; Random (3D) puts every input in
//     cell 0 along an axis whose CellSize is 0.
//   - Random (3D) seeds the evaluating thread's generator with CellHash3 of its cell plus
//     trunc(Seed) and draws once; without a bound record it draws 0.
#pragma once

#include <cstdint>

#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kGauss3DProps[] = {
    {"Amplitude", kNumerical, {1}},
    {"Offset", kNumerical, {0}},
    {"Center", kVector, {0, 0, 0}, false, "XYZ"},
    {"Width", kNumerical, {0.5f}},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
};

// exp(-7 · |d|²) · Amplitude + Offset with d = (Input - Center) / Width; 0 when Width is 0.
class TXRCGauss3D final : public TXRTableComponent<kGauss3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 304;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kNoise3DProps[] = {
    {"Amplitude", kNumerical, {1}},   {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},      {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"NoiseType", kEnumeration, {0}},
};

// N(Input · Frequency) · Amplitude + Offset with the host 3D noise N; Offset when Amplitude is 0.
class TXRCNoise3D final : public TXRTableComponent<kNoise3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 301;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kTurbulence3DProps[] = {
    {"Amplitude", kNumerical, {1}},   {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},      {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"NoiseType", kEnumeration, {0}}, {"Octaves", kNumerical, {3}, true},
};

// As TXRCNoise3D with the host 3D fractal noise over the octaves of the octave rule.
class TXRCTurbulence3D final : public TXRTableComponent<kTurbulence3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 302;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kNoise3DColorProps[] = {
    {"Amplitude", kVector, {1, 1, 1}, false, "RGB"},
    {"Frequency", kNumerical, {1}},
    {"Offset", kVector, {0, 0, 0}, false, "RGB"},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"NoiseType", kEnumeration, {0}},
};

// Per channel N(p shifted along one axis) · Amplitude + Offset, p = Input · Frequency, with the
// shifts x + 975 (R), y + 1111 (G), z + 871 (B).
class TXRCNoise3DColor final : public TXRTableComponent<kNoise3DColorProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 305;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kTurbulence3DColorProps[] = {
    {"Amplitude", kVector, {1, 1, 1}, false, "RGB"},
    {"Frequency", kNumerical, {1}},
    {"Offset", kVector, {0, 0, 0}, false, "RGB"},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"NoiseType", kEnumeration, {0}},
    {"Octaves", kNumerical, {3}, true},
};

// As TXRCNoise3DColor with the 3D fractal noise and the octave rule.
class TXRCTurbulence3DColor final : public TXRTableComponent<kTurbulence3DColorProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 306;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kShuffle3DProps[] = {
    {"Amplitude", kNumerical, {1}},
    {"Offset", kNumerical, {0}},
    {"CellSize", kVector, {1, 1, 1}, false, "XYZ"},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"Seed", kNumerical, {1234}, true},
};

// r · Amplitude + Offset, r the first draw after seeding with CellHash3 of the cell of
// Input / CellSize plus trunc(Seed); an axis with CellSize 0 maps every input to cell 0.
class TXRCShuffle3D final : public TXRTableComponent<kShuffle3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 307;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

// Colour effects (type ids 501-505, 508): post-processing of colours (posterize, blending two
// colours in one of ten modes, hue/saturation/value shift or replacement, gamma) and the two
// mosaics, which snap a coordinate to a tile grid so that any coordinate-driven component that
// follows becomes a mosaic.
//
// Contracts shared by the family:
//   - Luminance is 0.299 R + 0.587 G + 0.114 B; the HSV conversions are those of
//     components/shared/hsv.h. Blend modes 6-9 wrap the hue and clamp the triple before going back
//     to RGB; HSV Shift clamps the colour first and the triple last.
//   - Zero or negative steps, gammas and sizes have defined results: Posterize with Step <= 0
//     passes the colour through, a gamma <= 0 or a channel of 0 gives 0, a mosaic axis of size 0
//     gives 0 on that axis.
//   - Enumerations outside their lists: a BlendMode other than 0-9 blends as mode 0 (normal), an
//     HSVMode other than 0-6 changes nothing (the output is the clamped colour), a MosaicOutput
//     other than 0, 1 gives the tile origin in 2D and the position inside the tile in 3D.
//   - Row and layer parities come from 32-bit cell indices: beyond that range (or NaN) a row counts
//     as even. None of these components uses the host; Evaluate never allocates and never fails.
#pragma once

#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kPosterizeProps[] = {
    {"Color", kVector, {0, 0, 0}, false, "RGB"},
    {"Step", kNumerical, {0.1f}},
};

// Each channel rounded to the nearest multiple of Step (halves to even).
class TXRCPosterize final : public TXRTableComponent<kPosterizeProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 501;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kHSVShiftProps[] = {
    {"Color", kVector, {0, 0, 0}, false, "RGB"},
    {"HSV", kVector, {0, 0, 0}, false, "HSV"},
    {"HSVMode", kEnumeration, {0}},
};

// HSVMode 0 shifts hue (wrapping), saturation and value by the HSV triple; 1-6 replace the named
// members by those of the triple.
class TXRCHSVShift final : public TXRTableComponent<kHSVShiftProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 502;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kTintProps[] = {
    {"ColorA", kVector, {0, 0, 0}, false, "RGB"},
    {"ColorB", kVector, {0, 0, 0}, false, "RGB"},
    {"Amount", kNumerical, {0.5f}},
    {"BlendMode", kEnumeration, {0}},
};

// A + (M - A) · Amount, M the blend of A and B in the chosen mode; Amount is not clamped, so
// values outside [0, 1] extrapolate.
class TXRCTint final : public TXRTableComponent<kTintProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 503;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSample2DProps[] = {
    {"Size", kUV, {0.25f, 0.25f}, false, "UV"},
    {"RowShift", kNumerical, {0.5f}},
    {"Input", kUV, {0, 0}, false, "UV"},
    {"MosaicOutput", kEnumeration, {0}},
};

// The origin of the tile of Size under Input (odd rows shifted by RowShift tiles), or with
// MosaicOutput 1 the position inside that tile.
class TXRCSample2D final : public TXRTableComponent<kSample2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 504;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSample3DProps[] = {
    {"Size", kVector, {0.25f, 0.25f, 0.25f}, false, "XYZ"},
    {"RowShift", kUV, {0.5f, 0.5f}, false, "UV"},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"MosaicOutput", kEnumeration, {0}},
};

// The mosaic of TXRCSample2D in space: odd layers (along Z) are shifted by RowShift.U boxes along
// X and RowShift.V boxes along Y.
class TXRCSample3D final : public TXRTableComponent<kSample3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 505;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kGammaProps[] = {
    {"Color", kVector, {0, 0, 0}, false, "RGB"},
    {"Gamma", kVector, {2.2f, 2.2f, 2.2f}, false, "RGB"},
};

// |c|^(1 / g) per channel; negative channels lose their sign.
class TXRCGamma final : public TXRTableComponent<kGammaProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 508;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

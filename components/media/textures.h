// Textures, bump maps and images: the components that read the shader's exposed picture files.
//
// Each has a File property (an index 0 … 4 into the shader's exposed files, -1 = none) that picks
// one of the handles the media cache opened for the material being shaded. The host samples
// textures and bump maps at the current sample by its own mapping; images are looked up here at
// explicit coordinates, pixel by pixel through the host, with our own filtering and wrapping.
//
// Fallbacks, never errors: in the host without a handle a texture is black, a bump map gives the
// shading normal unchanged and an image gives its Background. In the editor's preview (InHost
// false) textures and images show the built-in preview picture and a bump map gives the shading
// normal. Enumeration values outside their items leave the output as it was (Reduction, Filter) or
// take the nearest meaning given per class (Sampling, Wrap).
#pragma once

#include <cstdint>

#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kTextureProps[] = {
    {"File", kFile, {-1}},
    {"Sampling", kEnumeration, {0}},
};

// The host's texture colour at the current sample: Sampling 0 filtered over the sample's area,
// any other value point-sampled.
class TXRCTexture final : public TXRTableComponent<kTextureProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 1101;
    void Evaluate(bool inHost) override;
    char FileKind() const override { return 'T'; }
};

inline constexpr PropertySpec kTexValueProps[] = {
    {"File", kFile, {-1}},
    {"Sampling", kEnumeration, {0}},
    {"Reduction", kEnumeration, {0}},
};

// The texture colour reduced to one number: 0 average, 1 luminance, 2 sum, 3 hue, 4 saturation,
// 5 value, 6 R, 7 G, 8 B.
class TXRCTexValue final : public TXRTableComponent<kTexValueProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 1102;
    void Evaluate(bool inHost) override;
    char FileKind() const override { return 'T'; }
};

inline constexpr PropertySpec kBumpProps[] = {
    {"File", kFile, {-1}},
    {"Sampling", kEnumeration, {0}},
    {"Strength", kNumerical, {1}},
};

// The shading normal bumped by the host's bump map, Strength times as steep.
class TXRCBump final : public TXRTableComponent<kBumpProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 1103;
    void Evaluate(bool inHost) override;
    char FileKind() const override { return 'B'; }
};

inline constexpr PropertySpec kImageProps[] = {
    {"File", kFile, {-1}},
    {"Filter", kEnumeration, {1}},
    {"Tiling", kUV, {1, 1}, false, "UV"},
    {"Offset", kUV, {0, 0}, false, "UV"},
    {"Wrap", kEnumeration, {0}},
    {"Background", kVector, {0, 0, 0}, false, "RGB"},
    {"Coordinates", kUV, {0, 0}, false, "UV"},
};

// The image at pixel coordinates ((U · Tiling.U - Offset.U) · W, (V · Tiling.V - Offset.V) · H)
// of Coordinates (U, V), rows from the top. Filter 0 nearest, 1 bilinear, 2 bicubic (Catmull-Rom)
// between pixel centres. Wrap 0 repeats the image; Wrap 1 gives Background outside it (and clamps
// the filter's neighbours at its edges); any other Wrap clamps to the edge pixels.
class TXRCImage final : public TXRTableComponent<kImageProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 1104;
    void Evaluate(bool inHost) override;
    char FileKind() const override { return 'I'; }
};

inline constexpr PropertySpec kImageValueProps[] = {
    {"File", kFile, {-1}},
    {"Filter", kEnumeration, {1}},
    {"Tiling", kUV, {1, 1}, false, "UV"},
    {"Offset", kUV, {0, 0}, false, "UV"},
    {"Wrap", kEnumeration, {0}},
    {"Background", kVector, {0, 0, 0}, false, "RGB"},
    {"Reduction", kEnumeration, {0}},
    {"Coordinates", kUV, {0, 0}, false, "UV"},
};

// The image colour of TXRCImage (Background included) reduced as by TXRCTexValue.
class TXRCImageValue final : public TXRTableComponent<kImageValueProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 1105;
    void Evaluate(bool inHost) override;
    char FileKind() const override { return 'I'; }
};

}  // namespace vandrel

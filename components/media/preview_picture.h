// The preview picture "TEXTURE0": a 128 x 128 RGB picture built into the core, which the texture
// and image components show in the editor's preview instead of the files the host would read.
//
// The picture is compiled in from resources/TEXTURE0.ppm, so reading it needs no file, no image
// library and no initialisation: PreviewPixel may be called from any thread at any time, takes no
// lock and never fails.
#pragma once

#include <cstdint>

namespace vandrel {

inline constexpr int kPreviewPictureSize = 128;

struct TRgb8 {
    uint8_t r = 0, g = 0, b = 0;
};

// Pixel (x, y) of the picture, x to the right and y down from its top-left corner. Both are taken
// modulo 128 with a non-negative remainder, so every integer names a pixel.
TRgb8 PreviewPixel(int32_t x, int32_t y);

}  // namespace vandrel

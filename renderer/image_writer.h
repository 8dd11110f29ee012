// Rendered images to files: 8-bit sRGB PNG through libpng, half-float linear EXR through the image
// module, chosen by the path's extension (either case). Baked maps: the same PNG, or 16-bit linear
// PNG for data, or 32-bit float EXR and TIFF.
#pragma once

#include <string>
#include <vector>

namespace vandrel {

// Writes width · height linear RGB floats, row by row from the top, whole (core/whole_file.h): the
// target is either its old self or the complete new image. False with a reason otherwise.
bool WriteImage(const std::string& path, int width, int height, const std::vector<float>& rgb,
                std::string& error);

// How a map's PNG stores its values: colour as 8-bit sRGB (alpha linear), data (normals, heights)
// as 16-bit linear. EXR and TIFF store every map as 32-bit floats, unchanged.
enum class TMapEncoding { kColor, kData };

// True for the names WriteMap takes: .png, .exr, .tif or .tiff in either case.
bool IsMapPath(const std::string& path);

// Writes width · height pixels of `channels` floats, row by row from the top, whole. Colour takes
// 3 or 4 channels (RGBA), data 1 or 3. False with a reason otherwise.
bool WriteMap(const std::string& path, int width, int height, int channels,
              const std::vector<float>& pixels, TMapEncoding encoding, std::string& error);

}  // namespace vandrel

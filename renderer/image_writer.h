// Rendered images to files: 8-bit sRGB PNG through libpng, half-float linear EXR through the image
// module, chosen by the path's extension (either case).
#pragma once

#include <string>
#include <vector>

namespace vandrel {

// Writes width · height linear RGB floats, row by row from the top, whole (core/whole_file.h): the
// target is either its old self or the complete new image. False with a reason otherwise.
bool WriteImage(const std::string& path, int width, int height, const std::vector<float>& rgb,
                std::string& error);

}  // namespace vandrel

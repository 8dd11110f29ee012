// Image file reading and writing, kept in a module of its own that the host library loads on first
// use: linking OpenImageIO's dependencies costs every process about 200 ms at start, which a
// command that never touches an image should not pay.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vandrel::host {

struct TRawImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;       // 3 when the file has three or more, else 1
    std::vector<float> pixels;  // width · height · channels, row by row from the top
};

struct TImageIo {
    // The first subimage at full resolution as floats, colours not multiplied by alpha. False for
    // a file that is missing, not a regular file, undecodable, a volume or over maxPixels pixels.
    // Never throws.
    bool (*read)(const char* path, int64_t maxPixels, TRawImage& image);
    // Writes width · height RGB floats, already encoded, as 8-bit PNG or half-float EXR into the
    // open file, from its current position; the caller closes it. False with a reason otherwise.
    // Never throws.
    bool (*write)(std::FILE* file, int32_t width, int32_t height, bool exr,
                  const std::vector<float>& rgb, std::string& error);
};

}  // namespace vandrel::host

// The module's one entry point.
extern "C" const vandrel::host::TImageIo* VandrelImageIo();
inline constexpr const char* kImageIoModule = "libvandrel_imageio.so";
inline constexpr const char* kImageIoEntry = "VandrelImageIo";

// Image file reading and writing, kept in a module of its own that the host library loads on first
// use: linking OpenImageIO's dependencies costs every process about 200 ms at start, which a
// command that never touches an image should not pay.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vandrel::host {

// Receives a decoded picture a band of rows at a time, so that no copy of the whole picture is
// ever made in floats.
class TImageSink {
  public:
    // Called once, before any pixel is decoded, with the size and the channels every row will
    // have (3 when the file has three or more, else 1); false refuses the picture.
    virtual bool Begin(int32_t width, int32_t height, int32_t channels) = 0;
    // Rows y … y + count − 1 from the top, `channels` floats per pixel.
    virtual void Rows(int32_t y, int32_t count, const float* pixels) = 0;

  protected:
    ~TImageSink() = default;
};

// A decoded row of floats may take at most this much (some 1.4 million pixels of RGB).
inline constexpr int64_t kMaxImageRowBytes = int64_t{16} << 20;

struct TImageIo {
    // The first subimage at full resolution as floats, colours not multiplied by alpha. False,
    // with the reason in *why when given, for a file that is missing, not a regular file,
    // undecodable or a volume, one whose header claims more pixels than a file of its size can
    // hold in its format (checked before anything is allocated), one with rows over
    // kMaxImageRowBytes, or one the sink refuses (the sink then knows why). Never throws.
    bool (*read)(const char* path, TImageSink& sink, std::string* why);
    // Writes width · height RGB floats, already encoded, as 8-bit PNG or half-float EXR into the
    // open file, from its current position; the caller closes it. False with a reason otherwise.
    // Never throws.
    bool (*write)(std::FILE* file, int32_t width, int32_t height, bool exr,
                  const std::vector<float>& rgb, std::string& error);
    // Writes width · height pixels of `channels` floats (1 Y, 3 RGB, 4 RGBA) as 32-bit float
    // OpenEXR (tiff false) or TIFF, the values unchanged, into the open file as write does.
    bool (*writeFloats)(std::FILE* file, int32_t width, int32_t height, int32_t channels, bool tiff,
                        const float* pixels, std::string& error);
};

}  // namespace vandrel::host

// The module's one entry point.
extern "C" const vandrel::host::TImageIo* VandrelImageIo();
inline constexpr const char* kImageIoModule = "libvandrel_imageio.so";
inline constexpr const char* kImageIoEntry = "VandrelImageIo";

// Rendered images to files: 8-bit sRGB PNG, encoded here with zlib, half-float linear EXR through
// the image module, chosen by the path's extension (either case). Baked maps: 8-bit sRGB or 16-bit
// linear PNG through libpng, or 32-bit float EXR and TIFF.
#pragma once

#include <zlib.h>

#include <string>
#include <vector>

namespace vandrel {

// True when the path names a PNG (.png in either case).
bool IsPngPath(const std::string& path);

// Writes width · height linear RGB floats, row by row from the top, whole (core/whole_file.h): the
// target is either its old self or the complete new image. False with a reason otherwise.
bool WriteImage(const std::string& path, int width, int height, const std::vector<float>& rgb,
                std::string& error);

// An 8-bit sRGB PNG encoded row by row into memory: a render hands over its finished rows as it
// goes, so that the encoding overlaps the rendering instead of following it.
class TPngRowWriter {
  public:
    TPngRowWriter(int width, int height);
    ~TPngRowWriter();
    TPngRowWriter(const TPngRowWriter&) = delete;
    TPngRowWriter& operator=(const TPngRowWriter&) = delete;

    // Encodes the rows from Rows() up to `rows` of an image of linear RGB floats, width · 3 a row
    // from the top.
    void WriteRows(const float* rgb, int rows);
    int Rows() const { return rows_; }
    // Ends the stream: the whole file is then in Bytes(). False with a reason when rows are
    // missing or the compressor failed.
    bool Finish(std::string& error);
    const std::string& Bytes() const { return bytes_; }

  private:
    void Chunk(const char* type, const unsigned char* data, size_t size);
    void Deflate(const unsigned char* data, size_t size, int flush);

    int width_, height_;
    int rows_ = 0;
    bool ok_ = true;
    bool deflating_ = false;
    z_stream z_{};
    std::vector<unsigned char> row_;
    std::vector<unsigned char> out_;
    std::string bytes_;
};

// Writes a finished PNG of TPngRowWriter whole (core/whole_file.h).
bool WritePngFile(const std::string& path, const TPngRowWriter& png, std::string& error);

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

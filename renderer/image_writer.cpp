// PNG, the common case, is written here (renders with zlib, maps with libpng): OpenImageIO's
// library tree takes longer to load than a preview takes to render.
#include "renderer/image_writer.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "core/whole_file.h"
#include "renderer/host/image_io_loader.h"

namespace vandrel {

namespace {

// The linear value at which the sRGB byte goes from k - 1 to k (k = 1 … 255): a byte is then the
// count of thresholds at or below the value, the sRGB curve rounded to 8 bits without a power per
// channel.
const std::array<float, 255>& ByteThresholds() {
    static const std::array<float, 255> thresholds = [] {
        std::array<float, 255> t{};
        for (int k = 1; k <= 255; ++k) {
            const double s = (k - 0.5) / 255.0;
            t[static_cast<size_t>(k - 1)] =
                static_cast<float>(s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return thresholds;
}

// A first guess from the value's 12-bit bucket, then at most a step or two up the thresholds.
constexpr int kBuckets = 4096;
const std::array<uint8_t, kBuckets + 1>& BucketBytes() {
    static const std::array<uint8_t, kBuckets + 1> bytes = [] {
        std::array<uint8_t, kBuckets + 1> b{};
        const std::array<float, 255>& t = ByteThresholds();
        for (int i = 0; i <= kBuckets; ++i) {
            const float v = static_cast<float>(i) / kBuckets;
            b[static_cast<size_t>(i)] =
                static_cast<uint8_t>(std::upper_bound(t.begin(), t.end(), v) - t.begin());
        }
        return b;
    }();
    return bytes;
}

// The tables come from the caller, so that a row looks them up once, not once a byte.
png_byte SrgbByte(float linear, const std::array<float, 255>& thresholds,
                  const std::array<uint8_t, kBuckets + 1>& buckets) {
    if (!(linear > 0)) return 0;  // NaN too
    if (linear >= 1) return 255;
    unsigned byte = buckets[static_cast<size_t>(linear * kBuckets)];
    while (byte < 255 && linear >= thresholds[byte]) ++byte;
    return static_cast<png_byte>(byte);
}

png_byte SrgbByte(float linear) { return SrgbByte(linear, ByteThresholds(), BucketBytes()); }

bool WritePng(std::FILE* file, int width, int height, const std::vector<float>& rgb,
              std::string& error) {
    TPngRowWriter png(width, height);
    png.WriteRows(rgb.data(), height);
    if (!png.Finish(error)) return false;
    if (std::fwrite(png.Bytes().data(), 1, png.Bytes().size(), file) != png.Bytes().size()) {
        error = "cannot write the PNG image";
        return false;
    }
    return true;
}

void PutBigEndian(unsigned char* at, uint32_t value) {
    for (int k = 0; k < 4; ++k) at[k] = static_cast<unsigned char>(value >> (24 - 8 * k));
}

// Values clamped to 0 … 1 and rounded to 8 or 16 bits; NaN is 0.
unsigned LinearLevel(float value, unsigned top) {
    if (!(value > 0)) return 0;
    if (value >= 1) return top;
    return static_cast<unsigned>(std::lround(static_cast<double>(value) * top));
}
png_uint_16 LinearWord(float value) { return static_cast<png_uint_16>(LinearLevel(value, 65535)); }

bool WriteMapPng(std::FILE* file, int width, int height, int channels,
                 const std::vector<float>& pixels, TMapEncoding encoding, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.flags = PNG_IMAGE_FLAG_FAST;
    int written = 0;
    if (encoding == TMapEncoding::kColor) {
        // libpng's 8-bit formats are sRGB with straight alpha, the alpha byte linear.
        image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        std::vector<png_byte> bytes(pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i) {
            const bool alpha = channels == 4 && i % 4 == 3;
            bytes[i] =
                alpha ? static_cast<png_byte>(LinearLevel(pixels[i], 255)) : SrgbByte(pixels[i]);
        }
        written = png_image_write_to_stdio(&image, file, 0, bytes.data(), 0, nullptr);
    } else {
        // The 16-bit formats are linear (gAMA 1.0): a normal or a height is no colour.
        image.format = channels == 1 ? PNG_FORMAT_LINEAR_Y : PNG_FORMAT_LINEAR_RGB;
        std::vector<png_uint_16> words(pixels.size());
        std::transform(pixels.begin(), pixels.end(), words.begin(), LinearWord);
        written = png_image_write_to_stdio(&image, file, 0, words.data(), 0, nullptr);
    }
    if (written == 0) {
        error = std::string("cannot write the PNG image: ") + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

std::string LowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

TPngRowWriter::TPngRowWriter(int width, int height)
    : width_(width),
      height_(height),
      row_(1 + 3 * static_cast<size_t>(width)),
      out_(size_t{1} << 16) {
    // Speed over size: a render is written once.
    deflating_ = deflateInit(&z_, Z_BEST_SPEED) == Z_OK;
    ok_ = deflating_;
    static constexpr unsigned char kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    bytes_.append(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
    unsigned char header[13] = {};
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header + 4, static_cast<uint32_t>(height));
    header[8] = 8;  // bits a channel
    header[9] = 2;  // RGB
    Chunk("IHDR", header, sizeof header);
    const unsigned char perceptual = 0;
    Chunk("sRGB", &perceptual, 1);
}

TPngRowWriter::~TPngRowWriter() {
    if (deflating_) deflateEnd(&z_);
}

void TPngRowWriter::Chunk(const char* type, const unsigned char* data, size_t size) {
    unsigned char head[8];
    PutBigEndian(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    unsigned char tail[4];
    PutBigEndian(tail, static_cast<uint32_t>(crc));
    bytes_.append(reinterpret_cast<const char*>(head), sizeof head);
    if (size > 0) bytes_.append(reinterpret_cast<const char*>(data), size);
    bytes_.append(reinterpret_cast<const char*>(tail), sizeof tail);
}

void TPngRowWriter::Deflate(const unsigned char* data, size_t size, int flush) {
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = static_cast<uInt>(size);
    size_t pending = out_.size() - z_.avail_out;
    if (z_.next_out == nullptr) pending = 0;
    for (;;) {
        z_.next_out = out_.data() + pending;
        z_.avail_out = static_cast<uInt>(out_.size() - pending);
        const int result = deflate(&z_, flush);
        if (result == Z_STREAM_ERROR) {
            ok_ = false;
            return;
        }
        pending = out_.size() - z_.avail_out;
        const bool ended = result == Z_STREAM_END;
        // Full buffers become chunks as they fill; the rest waits for the end of the stream.
        if (pending == out_.size() || (ended && pending > 0)) {
            Chunk("IDAT", out_.data(), pending);
            pending = 0;
        }
        if (flush == Z_FINISH ? ended : z_.avail_in == 0 && pending < out_.size()) break;
    }
    z_.next_out = out_.data() + pending;
    z_.avail_out = static_cast<uInt>(out_.size() - pending);
}

void TPngRowWriter::WriteRows(const float* rgb, int rows) {
    rows = std::min(rows, height_);
    const size_t floats = 3 * static_cast<size_t>(width_);
    const std::array<float, 255>& thresholds = ByteThresholds();
    const std::array<uint8_t, kBuckets + 1>& buckets = BucketBytes();
    for (; rows_ < rows && ok_; ++rows_) {
        const float* from = rgb + static_cast<size_t>(rows_) * floats;
        row_[0] = 0;  // no filter: the quickest, and zlib finds the repeats of smooth pictures
        std::transform(from, from + floats, row_.begin() + 1,
                       [&](float v) { return SrgbByte(v, thresholds, buckets); });
        Deflate(row_.data(), row_.size(), Z_NO_FLUSH);
    }
}

bool TPngRowWriter::Finish(std::string& error) {
    if (rows_ < height_) {
        error = "cannot write the PNG image: the render ended before its last row";
        return false;
    }
    if (ok_) Deflate(nullptr, 0, Z_FINISH);
    if (!ok_) {
        error = "cannot write the PNG image: the compressor failed";
        return false;
    }
    Chunk("IEND", nullptr, 0);
    return true;
}

bool WritePngFile(const std::string& path, const TPngRowWriter& png, std::string& error) {
    return WriteWholeFile(path, png.Bytes(), error);
}

bool IsPngPath(const std::string& path) { return LowerExtension(path) == ".png"; }

bool IsMapPath(const std::string& path) {
    const std::string extension = LowerExtension(path);
    return extension == ".png" || extension == ".exr" || extension == ".tif" ||
           extension == ".tiff";
}

bool WriteMap(const std::string& path, int width, int height, int channels,
              const std::vector<float>& pixels, TMapEncoding encoding, std::string& error) {
    try {
        if (!IsMapPath(path)) {
            error = "the output must end in .png, .exr, .tif or .tiff";
            return false;
        }
        const bool channelsFit = encoding == TMapEncoding::kColor ? channels == 3 || channels == 4
                                                                  : channels == 1 || channels == 3;
        if (width <= 0 || height <= 0 || !channelsFit ||
            pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height) *
                                 static_cast<size_t>(channels)) {
            error = "no image to write";
            return false;
        }
        const std::string extension = LowerExtension(path);
        if (extension == ".png") {
            return WriteWholeFile(
                path,
                [&](std::FILE* file, std::string& reason) {
                    return WriteMapPng(file, width, height, channels, pixels, encoding, reason);
                },
                error);
        }
        const host::TImageIo* io = host::ImageIo(&error);
        if (io == nullptr) return false;
        const bool tiff = extension != ".exr";
        return WriteWholeFile(
            path,
            [&](std::FILE* file, std::string& reason) {
                return io->writeFloats(file, width, height, channels, tiff, pixels.data(), reason);
            },
            error);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool WriteImage(const std::string& path, int width, int height, const std::vector<float>& rgb,
                std::string& error) {
    try {
        std::string extension = std::filesystem::path(path).extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const bool exr = extension == ".exr";
        if (!exr && extension != ".png") {
            error = "the output must end in .png or .exr";
            return false;
        }
        if (width <= 0 || height <= 0 ||
            rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
            error = "no image to write";
            return false;
        }
        if (!exr) {
            return WriteWholeFile(
                path,
                [&](std::FILE* file, std::string& reason) {
                    return WritePng(file, width, height, rgb, reason);
                },
                error);
        }
        std::vector<float> pixels = rgb;
        for (float& v : pixels) v = std::isfinite(v) ? v : 0.0f;
        const host::TImageIo* io = host::ImageIo(&error);
        if (io == nullptr) return false;
        return WriteWholeFile(
            path,
            [&](std::FILE* file, std::string& reason) {
                return io->write(file, width, height, true, pixels, reason);
            },
            error);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

}  // namespace vandrel

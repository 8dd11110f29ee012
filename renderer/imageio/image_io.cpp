// The image module: OpenImageIO behind the two operations the host library needs.
#include "renderer/imageio/image_io.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace vandrel::host {
namespace {

// An integer attribute of whatever integer type the reader gave it.
int IntAttribute(const OIIO::ImageSpec& meta, const char* name, int otherwise) {
    const OIIO::ParamValue* value = meta.find_attribute(name);
    return value != nullptr ? value->get_int(otherwise) : otherwise;
}

// The bytes a file of this format must hold at the least for the picture its header claims, or 0
// when the format can make a picture of any size from a few bytes (or is not known here).
uint64_t LeastFileBytes(const std::string& format, const OIIO::ImageSpec& meta, const char* path) {
    const auto w = static_cast<uint64_t>(meta.width), h = static_cast<uint64_t>(meta.height);
    // Deflate makes at most 1032 bytes of each byte it stores.
    constexpr uint64_t kDeflate = 1032;
    if (format == "pnm") {
        // The raster itself, or a character per sample in the plain (text) variants.
        const auto bits =
            static_cast<uint64_t>(std::clamp(IntAttribute(meta, "oiio:BitsPerSample", 1), 1, 32));
        const auto samples = w * static_cast<uint64_t>(meta.nchannels);
        return IntAttribute(meta, "pnm:binary", 1) != 0 ? h * ((samples * bits + 7) / 8)
                                                        : h * samples;
    }
    if (format == "bmp") {
        // Uncompressed rows (of at least a bit per pixel) are padded to four bytes; the
        // run-length codings can end the picture early.
        uint8_t header[20] = {};
        std::FILE* file = std::fopen(path, "rb");
        if (file == nullptr) return 0;
        const bool read = std::fseek(file, 14, SEEK_SET) == 0 &&
                          std::fread(header, 1, sizeof header, file) == sizeof header;
        std::fclose(file);
        if (!read) return 0;
        const auto le = [&](int at, int bytes) {
            uint32_t v = 0;
            for (int i = bytes - 1; i >= 0; --i) v = v << 8 | header[at + i];
            return v;
        };
        const bool core = le(0, 4) == 12;  // the oldest header: no compression field
        const uint64_t bits = core ? le(10, 2) : le(14, 2);
        const uint32_t compression = core ? 0 : le(16, 4);
        if (compression != 0 && compression != 3) return 0;
        return h * ((w * std::max<uint64_t>(bits, 1) + 31) / 32 * 4);
    }
    if (format == "hdr") return h * 4;  // a scanline takes four bytes at the least, however coded
    if (format == "png") return h * (1 + (w + 7) / 8) / kDeflate;  // a filter byte per row
    if (format == "openexr") {
        uint64_t pixelBytes = 0;
        for (int c = 0; c < meta.nchannels; ++c) pixelBytes += meta.channelformat(c).size();
        const uint64_t raw = w * h * pixelBytes;
        const std::string compression = meta.get_string_attribute("compression", "none");
        if (compression == "none") return raw;
        if (compression == "rle") return raw / 128;
        if (compression == "zip" || compression == "zips") return raw / kDeflate;
    }
    return 0;
}

bool Read(const char* path, TImageSink& sink, std::string* why) {
    const auto fail = [why](std::string reason) {
        if (why != nullptr) *why = std::move(reason);
        return false;
    };
    if (path == nullptr || *path == '\0') return fail("no file name");
    try {
        // OpenImageIO would block on a FIFO and fail late on a folder.
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) return fail("not a regular file");
        const uintmax_t size = std::filesystem::file_size(path, error);
        if (error) return fail("cannot read the file");

        OIIO::ImageSpec config;
        config.attribute("oiio:UnassociatedAlpha", 1);
        std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(path, &config);
        if (!in) {
            // Retrieved, so that it is not reported later.
            const std::string reason = OIIO::geterror();
            return fail(reason.empty() ? "not a picture that can be read" : reason);
        }
        const OIIO::ImageSpec& meta = in->spec();
        const int64_t width = meta.width, height = meta.height;
        if (width <= 0 || height <= 0 || meta.depth != 1 || meta.nchannels <= 0) {
            return fail("not a flat picture");
        }
        const std::string claim = std::to_string(width) + " x " + std::to_string(height);
        if (size < LeastFileBytes(in->format_name(), meta, path)) {
            return fail("claims " + claim + " pixels, more than its " + std::to_string(size) +
                        " bytes can hold");
        }
        const int used = meta.nchannels >= 3 ? 3 : 1;
        const int64_t rowFloats = width * used;
        if (rowFloats * static_cast<int64_t>(sizeof(float)) > kMaxImageRowBytes) {
            return fail("claims " + claim + " pixels, rows too wide to decode");
        }
        if (!sink.Begin(static_cast<int32_t>(width), static_cast<int32_t>(height), used)) {
            return false;
        }

        // Bands of about 4 MiB of floats; a tiled file's bands are whole rows of tiles.
        const int64_t tileRows = meta.tile_width > 0 ? std::max(meta.tile_height, 1) : 1;
        int64_t band = std::max<int64_t>(1, (int64_t{4} << 20) / (rowFloats * 4));
        band = std::max(tileRows, band / tileRows * tileRows);
        std::vector<float> rows(static_cast<size_t>(std::min(band, height) * rowFloats));
        for (int64_t y = 0; y < height; y += band) {
            const int64_t count = std::min(band, height - y);
            const int ybegin = static_cast<int>(meta.y + y),
                      yend = static_cast<int>(meta.y + y + count);
            const bool read =
                meta.tile_width > 0
                    ? in->read_tiles(0, 0, meta.x, meta.x + meta.width, ybegin, yend, meta.z,
                                     meta.z + 1, 0, used, OIIO::TypeDesc::FLOAT, rows.data())
                    : in->read_scanlines(0, 0, ybegin, yend, meta.z, 0, used, OIIO::TypeDesc::FLOAT,
                                         rows.data());
            if (!read) {
                const std::string reason = in->geterror();
                return fail(reason.empty() ? "the pixels cannot be decoded" : reason);
            }
            sink.Rows(static_cast<int32_t>(y), static_cast<int32_t>(count), rows.data());
        }
        in->close();
        return true;
    } catch (...) {
        return fail("cannot be decoded (out of memory?)");
    }
}

bool Write(std::FILE* file, int32_t width, int32_t height, bool exr, const std::vector<float>& rgb,
           std::string& error) {
    try {
        // Into the caller's file, which has a name of its own that says nothing of the format.
        OIIO::Filesystem::IOFile proxy(file, OIIO::Filesystem::IOProxy::Write);
        auto out = OIIO::ImageOutput::create(exr ? "openexr" : "png");
        if (!out || !out->set_ioproxy(&proxy)) {
            error = "cannot create an image writer: " + OIIO::geterror();
            return false;
        }
        OIIO::ImageSpec meta(width, height, 3, exr ? OIIO::TypeDesc::HALF : OIIO::TypeDesc::UINT8);
        if (!out->open(exr ? "image.exr" : "image.png", meta) ||
            !out->write_image(OIIO::TypeDesc::FLOAT, rgb.data()) || !out->close()) {
            error = out->geterror();
            if (error.empty()) error = "cannot write the image";
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool WriteFloats(std::FILE* file, int32_t width, int32_t height, int32_t channels, bool tiff,
                 const float* pixels, std::string& error) {
    try {
        OIIO::Filesystem::IOFile proxy(file, OIIO::Filesystem::IOProxy::Write);
        auto out = OIIO::ImageOutput::create(tiff ? "tiff" : "openexr");
        if (!out || !out->set_ioproxy(&proxy)) {
            error = "cannot create an image writer: " + OIIO::geterror();
            return false;
        }
        OIIO::ImageSpec meta(width, height, channels, OIIO::TypeDesc::FLOAT);
        if (channels == 1) meta.channelnames = {"Y"};
        if (channels == 4) meta.alpha_channel = 3;
        // The values are data as much as colour: no transfer function, no premultiplication.
        meta.attribute("oiio:ColorSpace", "Linear");
        meta.attribute("oiio:UnassociatedAlpha", 1);
        meta.attribute("compression", "zip");
        if (!out->open(tiff ? "image.tif" : "image.exr", meta) ||
            !out->write_image(OIIO::TypeDesc::FLOAT, pixels) || !out->close()) {
            error = out->geterror();
            if (error.empty()) error = "cannot write the image";
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

constexpr TImageIo kImageIo{Read, Write, WriteFloats};

}  // namespace
}  // namespace vandrel::host

extern "C" __attribute__((visibility("default"))) const vandrel::host::TImageIo* VandrelImageIo() {
    return &vandrel::host::kImageIo;
}

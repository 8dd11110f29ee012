// The image module: OpenImageIO behind the two operations the host library needs.
#include "renderer/imageio/image_io.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <filesystem>
#include <memory>
#include <system_error>

namespace vandrel::host {
namespace {

bool Read(const char* path, int64_t maxPixels, TRawImage& image) {
    if (path == nullptr || *path == '\0') return false;
    try {
        // OpenImageIO would block on a FIFO and fail late on a folder.
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) return false;

        OIIO::ImageSpec config;
        config.attribute("oiio:UnassociatedAlpha", 1);
        std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(path, &config);
        if (!in) {
            (void)OIIO::geterror();  // retrieved, so that it is not reported later
            return false;
        }
        const OIIO::ImageSpec& spec = in->spec();
        const int64_t width = spec.width, height = spec.height;
        if (width <= 0 || height <= 0 || spec.depth != 1 || spec.nchannels <= 0 ||
            width * height > maxPixels) {
            return false;
        }
        const int used = spec.nchannels >= 3 ? 3 : 1;
        image.pixels.assign(static_cast<size_t>(width * height) * static_cast<size_t>(used), 0.0f);
        if (!in->read_image(0, 0, 0, used, OIIO::TypeDesc::FLOAT, image.pixels.data())) {
            (void)in->geterror();
            image.pixels.clear();
            return false;
        }
        in->close();
        image.width = static_cast<int32_t>(width);
        image.height = static_cast<int32_t>(height);
        image.channels = used;
        return true;
    } catch (...) {
        return false;
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
        OIIO::ImageSpec spec(width, height, 3, exr ? OIIO::TypeDesc::HALF : OIIO::TypeDesc::UINT8);
        if (!out->open(exr ? "image.exr" : "image.png", spec) ||
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

constexpr TImageIo kImageIo{Read, Write};

}  // namespace
}  // namespace vandrel::host

extern "C" __attribute__((visibility("default"))) const vandrel::host::TImageIo* VandrelImageIo() {
    return &vandrel::host::kImageIo;
}

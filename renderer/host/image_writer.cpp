// Writes rendered images through the image module: 8-bit sRGB PNG or half-float linear EXR.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "renderer/host/image_io_loader.h"
#include "renderer/host/scene.h"

namespace vandrel::host {

namespace {

float EncodeSrgb(float linear) {
    if (!std::isfinite(linear)) return 0;
    const float v = std::clamp(linear, 0.0f, 1.0f);
    return v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f;
}

}  // namespace

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
        std::vector<float> pixels = rgb;
        for (float& v : pixels) v = exr ? (std::isfinite(v) ? v : 0.0f) : EncodeSrgb(v);
        const TImageIo* io = ImageIo(&error);
        if (io == nullptr) return false;
        const std::string temporary = path + ".tmp";
        if (!io->write(temporary, width, height, exr, pixels, error)) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
        std::error_code renameError;
        std::filesystem::rename(temporary, path, renameError);
        if (renameError) {
            error = renameError.message();
            std::filesystem::remove(temporary, renameError);
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

}  // namespace vandrel::host

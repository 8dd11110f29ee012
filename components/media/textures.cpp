#include "components/media/textures.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "components/families.h"
#include "components/media/audio.h"
#include "components/media/preview_picture.h"
#include "components/shared/catmull_rom.h"
#include "components/shared/reduction.h"
#include "core/instance.h"
#include "hostapi/hostapi.h"

namespace vandrel {
namespace {

// The mode passed to the host's texture sampling, the same as to its texture read.
constexpr int32_t kTextureSampleMode = 3;

// Words of the shading variables in the record's block (the host record's byte offsets / 4).
constexpr int kUVWord = 128 / 4;
constexpr int kShadingNormalWord = 76 / 4;

const float* Variables(const TXRComponent& c) {
    // A component evaluated before the tree bound it reads a zero sample.
    static constexpr float kNoSample[kVariableFloats] = {};
    return c.Context != nullptr ? c.Context->Variables.data() : kNoSample;
}

int32_t HostHandle(const TShaderInstance* instance, int32_t file) {
    return instance != nullptr ? instance->FileHandle(file).host : 0;
}

TVec3 Float3(const float* f) { return {f[0], f[1], f[2]}; }

TVec3 FromRgb8(uint32_t r, uint32_t g, uint32_t b) { return {r / 255.0, g / 255.0, b / 255.0}; }

// The texture colour of a sample into out: the host's when it holds the file, black when it does
// not, the preview picture outside the host.
void TextureColor(const TXRComponent& c, bool inHost, int32_t file, int32_t sampling, float* out) {
    if (inHost) {
        const int32_t handle = HostHandle(c.Instance, file);
        if (handle == 0) {
            out[0] = out[1] = out[2] = 0.0f;
        } else if (sampling != 0) {
            hsTextureSamplePoint(out, kTextureSampleMode, handle);
        } else {
            hsTextureSampleArea(out, kTextureSampleMode, handle);
        }
        return;
    }
    // V runs up the picture from its top row: V = 0 is row 0, a little above 0 the bottom row.
    const float* uv = Variables(c) + kUVWord;
    const int32_t x = RoundHalfEven(uv[0] * 127.0);
    const int32_t y = WrapSub(0, RoundHalfEven(uv[1] * 127.0));
    const TRgb8 p = PreviewPixel(x, y);
    const TVec3 colour = FromRgb8(p.r, p.g, p.b);
    out[0] = static_cast<float>(colour.x);
    out[1] = static_cast<float>(colour.y);
    out[2] = static_cast<float>(colour.z);
}

// The pixels an image look-up reads: a host image, or the preview picture (handle 0).
struct TPixels {
    int32_t handle = 0;
    int64_t width = kPreviewPictureSize;
    int64_t height = kPreviewPictureSize;
    bool repeat = true;  // else clamp to the edges

    TVec3 At(int64_t x, int64_t y) const {
        if (repeat) {
            x %= width;
            y %= height;
            if (x < 0) x += width;
            if (y < 0) y += height;
        } else {
            x = std::clamp<int64_t>(x, 0, width - 1);
            y = std::clamp<int64_t>(y, 0, height - 1);
        }
        if (handle == 0) {
            const TRgb8 p = PreviewPixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
            return FromRgb8(p.r, p.g, p.b);
        }
        const uint32_t p =
            hsImageGetPixel(handle, static_cast<int32_t>(x), static_cast<int32_t>(y));
        return FromRgb8(p & 0xFFu, (p >> 8) & 0xFFu, (p >> 16) & 0xFFu);
    }
};

// Per colour channel.
TVec3 CatmullRom3(const TVec3 (&p)[4], double f) {
    return {CatmullRom(p[0].x, p[1].x, p[2].x, p[3].x, f),
            CatmullRom(p[0].y, p[1].y, p[2].y, p[3].y, f),
            CatmullRom(p[0].z, p[1].z, p[2].z, p[3].z, f)};
}

struct TImageLookup {
    int32_t file;
    int32_t filter;
    TVec2 tiling, offset;
    int32_t wrap;
    TVec3 background;
    TVec2 coordinates;
};

// The colour an image look-up yields; nothing when Filter names no filter.
std::optional<TVec3> LookUpImage(const TShaderInstance* instance, bool inHost,
                                 const TImageLookup& q) {
    TPixels pixels;
    pixels.repeat = q.wrap == 0;
    if (inHost) {
        pixels.handle = HostHandle(instance, q.file);
        if (pixels.handle == 0) return q.background;
        pixels.width = hsImageGetWidth(pixels.handle);
        pixels.height = hsImageGetHeight(pixels.handle);
        // An image without pixels has nothing to repeat or clamp to.
        if (pixels.width <= 0 || pixels.height <= 0) return q.background;
    }
    const double w = static_cast<double>(pixels.width), h = static_cast<double>(pixels.height);
    double x = (q.coordinates.u * q.tiling.u - q.offset.u) * w;
    double y = (q.coordinates.v * q.tiling.v - q.offset.v) * h;
    const bool outsideIsBackground = q.wrap == 1;

    if (q.filter == 0) {
        const int64_t ix = FloorToInt(x), iy = FloorToInt(y);
        if (outsideIsBackground &&
            (ix < 0 || iy < 0 || ix >= pixels.width || iy >= pixels.height)) {
            return q.background;
        }
        return pixels.At(ix, iy);
    }
    if (q.filter != 1 && q.filter != 2) return std::nullopt;
    if (outsideIsBackground && (x < 0 || y < 0 || x >= w || y >= h)) return q.background;

    // Pixel centres lie at k + 0.5.
    x -= 0.5;
    y -= 0.5;
    const int64_t ix = FloorToInt(x), iy = FloorToInt(y);
    const double fx = x - std::floor(x), fy = y - std::floor(y);
    if (q.filter == 1) {
        const TVec3 top = pixels.At(ix, iy) + (pixels.At(ix + 1, iy) - pixels.At(ix, iy)) * fx;
        const TVec3 bottom =
            pixels.At(ix, iy + 1) + (pixels.At(ix + 1, iy + 1) - pixels.At(ix, iy + 1)) * fx;
        return top + (bottom - top) * fy;
    }
    TVec3 rows[4];
    for (int r = 0; r < 4; ++r) {
        const int64_t row = iy - 1 + r;
        const TVec3 p[4] = {pixels.At(ix - 1, row), pixels.At(ix, row), pixels.At(ix + 1, row),
                            pixels.At(ix + 2, row)};
        rows[r] = CatmullRom3(p, fx);
    }
    return CatmullRom3(rows, fy);
}

TVec3 RoundedToFloats(const TVec3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

}  // namespace

void TXRCTexture::Evaluate(bool inHost) {
    const int32_t sampling = Enum(1);
    TextureColor(*this, inHost, FileIndex(0), sampling, Out().data());
}

void TXRCTexValue::Evaluate(bool inHost) {
    const int32_t sampling = Enum(1), reduction = Enum(2);
    float colour[3] = {0, 0, 0};
    TextureColor(*this, inHost, FileIndex(0), sampling, colour);
    if (const std::optional<double> v = ReduceVector(Float3(colour), reduction)) SetOut(*v);
}

void TXRCBump::Evaluate(bool inHost) {
    const int32_t sampling = Enum(1);
    // The shading normal is the answer wherever the host does not bump it.
    auto& out = Out();
    const float* normal = Variables(*this) + kShadingNormalWord;
    std::copy(normal, normal + 3, out.begin());
    if (!inHost) return;
    const int32_t handle = HostHandle(Instance, FileIndex(0));
    if (handle == 0) return;
    if (sampling != 0) {
        hsBumpSamplePoint(out.data(), Num(2), handle);
    } else {
        hsBumpSampleArea(out.data(), Num(2), handle);
    }
}

void TXRCImage::Evaluate(bool inHost) {
    const TImageLookup q{FileIndex(0), Enum(1), Uv(2), Uv(3), Enum(4), Vec(5), Uv(6)};
    if (const std::optional<TVec3> colour = LookUpImage(Instance, inHost, q)) SetOut(*colour);
}

void TXRCImageValue::Evaluate(bool inHost) {
    const int32_t reduction = Enum(6);
    const TImageLookup q{FileIndex(0), Enum(1), Uv(2), Uv(3), Enum(4), Vec(5), Uv(7)};
    const std::optional<TVec3> colour = LookUpImage(Instance, inHost, q);
    if (!colour) return;
    // Reduced as the image component's stored colour would be.
    if (const std::optional<double> v = ReduceVector(RoundedToFloats(*colour), reduction))
        SetOut(*v);
}

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_HOST_ROW(TXRCTexture, 10, 0, "Simple Texture"),
    VANDREL_HOST_ROW(TXRCTexValue, 10, 1, "Value from Simple Texture"),
    VANDREL_HOST_ROW(TXRCBump, 10, 2, "Simple Bump Map"),
    VANDREL_HOST_ROW(TXRCImage, 10, 3, "Texture"),
    VANDREL_HOST_ROW(TXRCImageValue, 10, 4, "Value from Texture"),
    VANDREL_HOST_ROW(TXRCAudio, 10, 5, "Audio File"),
};
}  // namespace

std::span<const CatalogueRow> MediaRows() { return kRows; }

}  // namespace vandrel

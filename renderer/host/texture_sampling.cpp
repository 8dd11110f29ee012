// Texture and bump sampling at the calling thread's current sample, by its UV mapping.
//
// UV repeats outside [0, 1]; v runs up the picture (v = 0 is its bottom row). Point sampling takes
// the nearest texel. Area sampling averages bilinear taps over the sample's UV footprint (its UV
// delta, at most 8 x 8 taps), and is bilinear alone when the footprint is under a texel.
// A bump map perturbs the current shading normal N along the sample's U and V directions:
// N' = normalize(N - strength · (dh/du · U + dh/dv · V)), the height differences taken per texel
// (point) or per footprint of at least a texel (area), heights as stored (0 … 1 for 8-bit files).
// Without a current sample or with an unknown handle a colour is (0, 0, 0) and a normal is left as
// it was passed.
#include <algorithm>
#include <cmath>

#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "renderer/host/images.h"
#include "renderer/host/vec3.h"

namespace vandrel::host {
namespace {

constexpr int kMaxTaps = 8;

double Wrap(double t) {
    if (!std::isfinite(t)) return 0;
    return t - std::floor(t);
}

// Texel coordinates of UV (x to the right, y down), continuous: texel centres at k + 0.5.
void ToTexels(const TLoadedImage& image, double u, double v, double& x, double& y) {
    x = Wrap(u) * image.width;
    y = (1 - Wrap(v)) * image.height;
}

int WrapIndex(long long k, int size) {
    const long long m = k % size;
    return static_cast<int>(m < 0 ? m + size : m);
}

const float* Texel(const TLoadedImage& image, long long x, long long y) {
    return image.FloatPixel(WrapIndex(x, image.width), WrapIndex(y, image.height));
}

void Nearest(const TLoadedImage& image, double u, double v, float* out) {
    double x = 0, y = 0;
    ToTexels(image, u, v, x, y);
    const float* p =
        Texel(image, static_cast<long long>(std::floor(x)), static_cast<long long>(std::floor(y)));
    for (int c = 0; c < image.channels; ++c) out[c] = p[c];
}

void Bilinear(const TLoadedImage& image, double u, double v, float* out) {
    double x = 0, y = 0;
    ToTexels(image, u, v, x, y);
    x -= 0.5;
    y -= 0.5;
    const double fx = std::floor(x), fy = std::floor(y);
    const auto x0 = static_cast<long long>(fx), y0 = static_cast<long long>(fy);
    const float tx = static_cast<float>(x - fx), ty = static_cast<float>(y - fy);
    const float* a = Texel(image, x0, y0);
    const float* b = Texel(image, x0 + 1, y0);
    const float* c = Texel(image, x0, y0 + 1);
    const float* d = Texel(image, x0 + 1, y0 + 1);
    for (int k = 0; k < image.channels; ++k) {
        const float top = a[k] + (b[k] - a[k]) * tx, bottom = c[k] + (d[k] - c[k]) * tx;
        out[k] = top + (bottom - top) * ty;
    }
}

// Average over the footprint (du, dv) in UV centred on (u, v).
void Area(const TLoadedImage& image, double u, double v, double du, double dv, float* out) {
    const double wu = std::isfinite(du) ? std::min(std::fabs(du), 1.0) : 0.0;
    const double wv = std::isfinite(dv) ? std::min(std::fabs(dv), 1.0) : 0.0;
    const int nu = std::clamp(static_cast<int>(std::ceil(wu * image.width)), 1, kMaxTaps);
    const int nv = std::clamp(static_cast<int>(std::ceil(wv * image.height)), 1, kMaxTaps);
    float sum[3] = {0, 0, 0}, tap[3] = {0, 0, 0};
    for (int j = 0; j < nv; ++j) {
        for (int i = 0; i < nu; ++i) {
            Bilinear(image, u + wu * ((i + 0.5) / nu - 0.5), v + wv * ((j + 0.5) / nv - 0.5), tap);
            for (int k = 0; k < image.channels; ++k) sum[k] += tap[k];
        }
    }
    for (int k = 0; k < image.channels; ++k) out[k] = sum[k] / static_cast<float>(nu * nv);
}

void SampleTexture(float* color, int32_t texture, bool area) {
    if (color == nullptr) return;
    Store(color, {0, 0, 0});
    const hxShadingRecord* r = CurrentSample();
    const TLoadedImage* image = FindImage(ImageKind::kTexture, texture);
    if (r == nullptr || image == nullptr || image->width <= 0 || image->height <= 0 ||
        image->channels != 3) {
        return;
    }
    if (area)
        Area(*image, r->uv[0], r->uv[1], r->uvDelta[0], r->uvDelta[1], color);
    else
        Nearest(*image, r->uv[0], r->uv[1], color);
}

void SampleBump(float* normal, double strength, int32_t bump, bool area) {
    if (normal == nullptr) return;
    const hxShadingRecord* r = CurrentSample();
    const TLoadedImage* image = FindImage(ImageKind::kBump, bump);
    if (r == nullptr || image == nullptr || image->width <= 0 || image->height <= 0 ||
        image->channels != 1) {
        return;
    }
    const double u = r->uv[0], v = r->uv[1];
    const double texelU = 1.0 / image->width, texelV = 1.0 / image->height;
    const double su = area && std::isfinite(r->uvDelta[0])
                          ? std::clamp(static_cast<double>(std::fabs(r->uvDelta[0])), texelU, 1.0)
                          : texelU;
    const double sv = area && std::isfinite(r->uvDelta[1])
                          ? std::clamp(static_cast<double>(std::fabs(r->uvDelta[1])), texelV, 1.0)
                          : texelV;
    float h[4] = {0, 0, 0, 0};
    auto height = area ? Bilinear : Nearest;
    height(*image, u + su, v, &h[0]);
    height(*image, u - su, v, &h[1]);
    height(*image, u, v + sv, &h[2]);
    height(*image, u, v - sv, &h[3]);
    // Differences per step; a step of one texel for point sampling.
    const float gu = 0.5f * (h[0] - h[1]) * static_cast<float>(texelU / su);
    const float gv = 0.5f * (h[2] - h[3]) * static_cast<float>(texelV / sv);
    const float s = std::isfinite(strength) ? static_cast<float>(strength) : 0.0f;
    const Vec3 n = Load(r->shadingNormal);
    const Vec3 bumped = Normalize(n - (Load(r->uDirection) * gu + Load(r->vDirection) * gv) * s);
    Store(normal, Length(bumped) > 0 ? bumped : n);
}

}  // namespace
}  // namespace vandrel::host

using namespace vandrel::host;

extern "C" {

void hsTextureSamplePoint(float* color, int32_t, int32_t texture) {
    SampleTexture(color, texture, false);
}
void hsTextureSampleArea(float* color, int32_t, int32_t texture) {
    SampleTexture(color, texture, true);
}
void hsBumpSamplePoint(float* normal, double strength, int32_t bump) {
    SampleBump(normal, strength, bump, false);
}
void hsBumpSampleArea(float* normal, double strength, int32_t bump) {
    SampleBump(normal, strength, bump, true);
}

}  // extern "C"

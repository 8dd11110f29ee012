// Texture and bump sampling at the current sample, on small images built in memory.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "renderer/host/images.h"

namespace vandrel::host {
namespace {

// 2 x 2 RGB, rows from the top: red, green / blue, white.
int32_t Checker() {
    auto image = std::make_shared<TLoadedImage>();
    image->kind = ImageKind::kTexture;
    image->width = image->height = 2;
    image->channels = 3;
    image->floats = {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1};
    return RegisterImage(image);
}

hxShadingRecord At(float u, float v) {
    hxShadingRecord r{};
    r.uv[0] = u;
    r.uv[1] = v;
    r.shadingNormal[2] = 1;
    r.uDirection[0] = 1;
    r.vDirection[1] = 1;
    return r;
}

TEST(TextureSampling, PointTakesTheNearestTexelWithVUpAndRepeat) {
    const int32_t texture = Checker();
    ASSERT_NE(texture, 0);
    float c[3];
    const hxShadingRecord topLeft = At(0.25f, 0.75f);
    SetCurrentSample(&topLeft);
    hsTextureSamplePoint(c, 3, texture);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[1], 0);
    const hxShadingRecord bottomRight = At(1.75f, -0.75f);  // repeats to (0.75, 0.25)
    SetCurrentSample(&bottomRight);
    hsTextureSamplePoint(c, 3, texture);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[1], 1);
    EXPECT_EQ(c[2], 1);
    SetCurrentSample(nullptr);
    hsTextureSamplePoint(c, 3, texture);
    EXPECT_EQ(c[0] + c[1] + c[2], 0);
    hsTextureDestroy(texture);
}

TEST(TextureSampling, AreaOverTheWholePictureIsItsMean) {
    const int32_t texture = Checker();
    hxShadingRecord r = At(0.5f, 0.5f);
    r.uvDelta[0] = r.uvDelta[1] = 1;
    SetCurrentSample(&r);
    float c[3];
    hsTextureSampleArea(c, 3, texture);
    // Mean of red, green, blue and white.
    EXPECT_NEAR(c[0], 0.5f, 1e-5f);
    EXPECT_NEAR(c[1], 0.5f, 1e-5f);
    EXPECT_NEAR(c[2], 0.5f, 1e-5f);
    SetCurrentSample(nullptr);
    hsTextureDestroy(texture);
}

TEST(BumpSampling, ARampTiltsTheNormalAgainstTheSlope) {
    auto image = std::make_shared<TLoadedImage>();
    image->kind = ImageKind::kBump;
    image->width = 4;
    image->height = 1;
    image->channels = 1;
    image->floats = {0, 0.25f, 0.5f, 0.75f};
    const int32_t bump = RegisterImage(image);
    const hxShadingRecord r = At(0.375f, 0.5f);  // texel 1: neighbours 0 and 0.5
    SetCurrentSample(&r);
    float n[3] = {0, 0, 0};
    hsBumpSamplePoint(n, 2.0, bump);
    // slope 0.25 per texel, strength 2: normalize(-0.5, 0, 1)
    EXPECT_NEAR(n[0], -0.5f / std::sqrt(1.25f), 1e-5f);
    EXPECT_NEAR(n[1], 0, 1e-6f);
    EXPECT_NEAR(n[2], 1 / std::sqrt(1.25f), 1e-5f);
    hsBumpSamplePoint(n, 0.0, bump);
    EXPECT_NEAR(n[2], 1, 1e-6f);
    SetCurrentSample(nullptr);
    float kept[3] = {0.1f, 0.2f, 0.3f};
    hsBumpSamplePoint(kept, 2.0, bump);
    EXPECT_EQ(kept[1], 0.2f);
    hsBumpDestroy(bump);
}

}  // namespace
}  // namespace vandrel::host

// Reflection, refraction, Fresnel and light terms of the stand-in host against hand calculations.
#include <gtest/gtest.h>

#include <cmath>

#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "renderer/host/scene.h"
#include "renderer/host/tracer.h"

namespace vandrel::host {
namespace {

void ExpectNear3(const float* v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v[0], x, tolerance);
    EXPECT_NEAR(v[1], y, tolerance);
    EXPECT_NEAR(v[2], z, tolerance);
}

TEST(Reflect, MirrorsAboutTheNormalOfAnyLength) {
    const float incident[3] = {1, -1, 0}, normal[3] = {0, 2, 0};
    float out[3];
    hsReflect(out, incident, normal);
    ExpectNear3(out, 1, 1, 0);
    const float tilted[3] = {1, 1, 0};  // 45 degrees: (0, -1, 0) goes to (1, 0, 0)
    const float down[3] = {0, -1, 0};
    hsReflect(out, down, tilted);
    ExpectNear3(out, 1, 0, 0);
}

// Snell's law through glass (1.5) by hand; beyond the critical angle, no direction and zeros.
TEST(Refract, BendsByTheRatioOfIndicesOrReflectsTotally) {
    const float s = std::sqrt(0.5f), a20 = 20 * 3.14159265f / 180, a60 = 60 * 3.14159265f / 180;
    const float sin20 = 1.5f * std::sin(a20);  // leaving: 0.513030
    const struct {
        const char* name;
        float incident[3];
        bool refracts;
        float out[3];
    } cases[] = {
        // Entering: sin t = sin 45° / 1.5 = 0.471405, cos t = sqrt(1 - 0.222222) = 0.881917.
        {"entering at 45°", {s, -s, 0}, true, {0.471405f, -0.881917f, 0}},
        {"entering head-on", {0, -3, 0}, true, {0, -1, 0}},
        {"leaving at 20°",
         {std::sin(a20), std::cos(a20), 0},
         true,
         {sin20, std::sqrt(1 - sin20 * sin20), 0}},
        {"leaving at 60°, 1.5 · sin 60° > 1", {std::sin(a60), std::cos(a60), 0}, false, {0, 0, 0}},
    };
    const float normal[3] = {0, 1, 0};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        float out[3] = {7, 7, 7};
        EXPECT_EQ(hsRefract(out, c.incident, normal, 1.5) != 0, c.refracts);
        ExpectNear3(out, c.out[0], c.out[1], c.out[2], c.refracts ? 1e-5f : 0);
    }
}

// A record seen at an angle (degrees) between the viewer and the shading normal.
hxShadingRecord Seen(float degrees) {
    hxShadingRecord r{};
    const float a = degrees * 3.14159265f / 180;
    r.shadingNormal[1] = r.geometricNormal[1] = 1;
    r.viewer[0] = std::sin(a);
    r.viewer[1] = std::cos(a);
    r.unitRay[0] = -r.viewer[0];
    r.unitRay[1] = -r.viewer[1];
    return r;
}

TEST(Fresnel, DielectricLimits) {
    float value = -1, s1[3], s2[3];
    const hxShadingRecord normal = Seen(0);
    SetCurrentSample(&normal);
    hsFresnelSolidReflect(&value, s1, s2, 1.5);
    EXPECT_NEAR(value, 0.04f, 1e-6f);  // ((1.5 - 1) / (1.5 + 1))^2
    hsFresnelSolidReflect(&value, s1, s2, 1.0);
    EXPECT_NEAR(value, 0.0f, 1e-6f);
    const hxShadingRecord grazing = Seen(90);
    SetCurrentSample(&grazing);
    hsFresnelSolidReflect(&value, s1, s2, 1.5);
    EXPECT_NEAR(value, 1.0f, 1e-4f);
    const hxShadingRecord oblique = Seen(60);
    SetCurrentSample(&oblique);
    hsFresnelSolidReflect(&value, s1, s2, 1.5);
    EXPECT_GT(value, 0.04f);
    EXPECT_LT(value, 1.0f);
    SetCurrentSample(nullptr);
}

TEST(Fresnel, ConductorLimits) {
    const float n[3] = {0.2f, 2.0f, 1.5f}, k[3] = {3.0f, 1.0f, 0.0f};
    float color[3], scratch[3];
    const hxShadingRecord normal = Seen(0);
    SetCurrentSample(&normal);
    hsFresnelReflect(color, scratch, n, k);
    // ((n - 1)^2 + k^2) / ((n + 1)^2 + k^2)
    ExpectNear3(color, 9.64f / 10.44f, 0.2f, 0.04f);
    const hxShadingRecord grazing = Seen(90);
    SetCurrentSample(&grazing);
    hsFresnelReflect(color, scratch, n, k);
    ExpectNear3(color, 1, 1, 1, 1e-4f);
    SetCurrentSample(nullptr);
}

TEST(Lighting, NeutralWithoutACurrentSample) {
    SetCurrentSample(nullptr);
    void (*const terms[])(float*) = {
        hsAmbientTerm,
        hsDiffuseTerm,
        [](float* c) { hsPhongTerm(c, 3); },
        [](float* c) {
            const float o[3] = {0, 0, 0}, d[3] = {0, 0, 1};
            hsRayTrace(c, o, d, 1);
        },
    };
    for (const auto term : terms) {
        float c[3] = {5, 5, 5};
        term(c);
        ExpectNear3(c, 0, 0, 0, 0);
    }
}

// A sample at the origin facing up, lit by a point light straight above at (0, 4, 0).
class LitSample : public ::testing::Test {
  protected:
    void SetUp() override {
        scene.lights.push_back({LightKind::kAmbient, {0.2f, 0.3f, 0.4f}, {}, {}});
        scene.lights.push_back({LightKind::kPoint, {0.5f, 0.6f, 0.7f}, {0, 4, 0}, {}});
        record = Seen(0);
        ThreadTrace().scene = &scene;
        SetCurrentSample(&record);
    }
    void TearDown() override {
        SetCurrentSample(nullptr);
        ThreadTrace().scene = nullptr;
    }
    TScene scene;
    hxShadingRecord record{};
};

TEST_F(LitSample, AmbientDiffuseAndHighlightsOfAHeadOnLight) {
    float c[3];
    hsAmbientTerm(c);
    ExpectNear3(c, 0.2f, 0.3f, 0.4f);
    hsDiffuseTerm(c);
    ExpectNear3(c, 0.5f, 0.6f, 0.7f);  // N · L = 1
    hsPhongTerm(c, 20);
    ExpectNear3(c, 0.5f, 0.6f, 0.7f);  // the mirror of L is the viewer
    hsSpecularTerm(c, 20);
    ExpectNear3(c, 0.5f, 0.6f, 0.7f);
}

// A blocker between the point and the light shadows it. Shadow answers are reused between the
// terms of one sample; they must not outlive the point they were traced from or the sample they
// were traced for.
TEST_F(LitSample, ShadowAnswersFollowThePointAndTheSample) {
    TObject blocker;
    blocker.transform = {0.5f, 0, 0, 0, 0, 0.5f, 0, 2, 0, 0, 0.5f, 0};
    scene.objects.push_back(blocker);
    float c[3];
    hsDiffuseTerm(c);
    ExpectNear3(c, 0, 0, 0, 0);
    hsAmbientTerm(c);  // ambient light is not shadowed
    ExpectNear3(c, 0.2f, 0.3f, 0.4f);
    // Moved within the same sample: the ray to (0, 4, 0) passes x = 1.5 at the blocker's height,
    // and the light falls with the cosine, 0.8.
    record.worldPoint[0] = 3;
    hsDiffuseTerm(c);
    ExpectNear3(c, 0.5f * 0.8f, 0.6f * 0.8f, 0.7f * 0.8f);
    // Back at the origin, now blocked again, then a new sample there once the blocker is gone.
    record.worldPoint[0] = 0;
    hsPhongTerm(c, 20);
    ExpectNear3(c, 0, 0, 0, 0);
    scene.objects.pop_back();
    SetCurrentSample(&record);
    hsDiffuseTerm(c);
    ExpectNear3(c, 0.5f, 0.6f, 0.7f);
}

}  // namespace
}  // namespace vandrel::host

// Illumination components: the preview substitutes, the host terms at a lit sample against hand
// calculations, reflection and refraction of directions, and the re-entry guard around host calls.
#include "components/light/illumination.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "components/component_checks.h"
#include "components/shared/host_call_guard.h"
#include "core/context.h"
#include "core/instance.h"
#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "renderer/host/scene.h"
#include "renderer/host/tracer.h"

// The host's specular terms as the plug-in calls them: each records, on the calling thread, the
// refraction indices it is passed and hands the call on to the host's own definition.
namespace {
thread_local std::vector<float> passedIndices;
template <class Function>
Function HostOwn(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
}  // namespace

extern "C" void hsSpecularFresnelTerm(float* color, const float* refractionIndex,
                                      const float* extinction, double exponent) {
    passedIndices.insert(passedIndices.end(), refractionIndex, refractionIndex + 3);
    static const auto own = HostOwn<decltype(&hsSpecularFresnelTerm)>("hsSpecularFresnelTerm");
    own(color, refractionIndex, extinction, exponent);
}

extern "C" void hsSpecularSolidTerm(float* color, double refractionIndex, double exponent) {
    passedIndices.push_back(static_cast<float>(refractionIndex));
    static const auto own = HostOwn<decltype(&hsSpecularSolidTerm)>("hsSpecularSolidTerm");
    own(color, refractionIndex, exponent);
}

extern "C" void hsSpecularSolidFresnelTerm(float* color, double refractionIndex, double sharpness) {
    passedIndices.push_back(static_cast<float>(refractionIndex));
    static const auto own =
        HostOwn<decltype(&hsSpecularSolidFresnelTerm)>("hsSpecularSolidFresnelTerm");
    own(color, refractionIndex, sharpness);
}

namespace vandrel {
namespace {

using test::Fresh;
using test::Output;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
const double kS = std::sqrt(0.5);                   // cos 45°
const double kC8 = std::cos(std::numbers::pi / 8);  // N · H with the light at 45° above the viewer

using test::Case;
using Values = std::vector<std::vector<float>>;

std::vector<double> Grey(double x) { return {x, x, x}; }

TEST(Illumination, PreviewSubstitutes) {
    const Case rows[] = {
        {"ambient", 801, {}, Grey(0.1)},
        {"ambient, intensity 0.35", 801, {{0.35f}}, Grey(0.35)},
        {"diffuse", 802, {}, Grey(0.9)},
        {"diffuse, intensity 0", 802, {{0}}, Grey(0)},
        {"phong, sharpness ignored", 803, {{}, {0.7f}}, Grey(0.1)},
        {"specular", 804, {{0.25f}, {1}}, Grey(0.25)},
        {"conductor highlight", 805, {{}, {2, 2, 2}, {1, 1, 1}}, Grey(0.1)},
        {"solid highlight", 806, {}, Grey(0.1)},
        {"dielectric highlight, negative intensity", 807, {{-0.5f}}, Grey(-0.5)},
        {"raytrace", 808, {}, Grey(0.2)},
        {"raytrace, ray parameter 1", 808, {{}, {}, {}, {1}}, Grey(0.2)},
        {"conductor reflection", 811, {}, {1, 1, 1}},
        {"conductor reflection, 1 - extinction",
         811,
         {{3, 3, 3}, {0.25f, 0.5f, 2}},
         {0.75, 0.5, -1}},
        {"dielectric reflection", 812, {}, {1}},
        {"dielectric reflection, index 2", 812, {{2}}, {1}},
        {"simple reflectance", 815, {}, Grey(1.1)},
        {"simple reflectance, tinted",
         815,
         {{0.2f}, {0.6f}, {0.5f, 1, 0}, {0.3f}},
         {0.8, 1.1, 0.5}},
        {"reflectance", 816, {}, Grey(1.1)},
        {"reflectance, tinted",
         816,
         {{0.2f}, {0.6f}, {0.5f, 1, 0}, {0.3f}, {}, {1, 0, 0.5f}},
         {0.8, 0.8, 0.35}},
    };
    test::CheckRows(rows, {.inHost = false});
}

// Directions come from the host's reflection and refraction in host and preview alike.
TEST(Illumination, ReflectAndRefractDirections) {
    const float s = static_cast<float>(kS);
    const Case rows[] = {
        {"mirror about a long normal", 809, {{1, -1, 0}, {0, 2, 0}}, {1, 1, 0}},
        {"mirror about a tilted normal", 809, {{0, -1, 0}, {1, 1, 0}}, {1, 0, 0}},
        // sin t = sin 45° / 1.5, cos t = sqrt(1 - sin² t)
        {"refract into glass", 810, {{s, -s, 0}, {0, 1, 0}, {1.5f}}, {0.471405, -0.881917, 0}},
        {"refract at index 1", 810, {{s, -s, 0}, {0, 1, 0}, {1}}, {s, -s, 0}},
        {"refract at index 0.5 as at 1", 810, {{s, -s, 0}, {0, 1, 0}, {0.5f}}, {s, -s, 0}},
        {"refract at index NaN as at 1", 810, {{s, -s, 0}, {0, 1, 0}, {kNaN}}, {s, -s, 0}},
        // Leaving glass at 60°: 1.5 · sin 60° > 1.
        {"total internal reflection", 810, {{0.866025f, 0.5f, 0}, {0, 1, 0}, {1.5f}}, {0, 0, 0}},
        // c = 0.8 lies above UpperEdge: the shading normal alone.
        {"safe reflect, steep", 817, {{0.6f, -0.8f, 0}, {0, 1, 0}, {1, 0, 0}}, {0.6, 0.8, 0}},
        // c = 0.1 lies below LowerEdge: the geometric normal alone.
        {"safe reflect, grazing", 817, {{0.9f, -0.1f, 0}, {0, 1, 0}, {1, 0, 0}}, {-0.9, -0.1, 0}},
        // c = 0.2 halfway between the edges: s = 0.5, M = (0.5, 0.5, 0), I · M̂ = 0.6 / √2.
        {"safe reflect, between the edges",
         817,
         {{0.8f, -0.2f, 0}, {0, 1, 0}, {1, 0, 0}},
         {0.2, -0.8, 0}},
        {"safe reflect, edges given",
         817,
         {{0.8f, -0.2f, 0}, {0, 1, 0}, {1, 0, 0}, {0.1f}, {0}},
         {0.8, 0.2, 0}},
    };
    for (const bool inHost : {true, false}) test::CheckRows(rows, {.inHost = inHost});
}

// A sample at the origin facing up, seen from straight above, with ambient light and a point light
// of colour C at 45° (or straight above, head on).
class LitComponent : public ::testing::Test {
  protected:
    void SetUp() override {
        scene.lights.push_back({host::LightKind::kAmbient, {0.2f, 0.3f, 0.4f}, {}, {}});
        scene.lights.push_back({host::LightKind::kPoint, {0.5f, 0.6f, 0.7f}, {4, 4, 0}, {}});
        sample.shadingNormal[1] = sample.geometricNormal[1] = 1;
        sample.viewer[1] = 1;
        sample.unitRay[1] = -1;
        host::ThreadTrace().scene = &scene;
        host::SetCurrentSample(&sample);
    }
    void TearDown() override {
        host::SetCurrentSample(nullptr);
        host::ThreadTrace().scene = nullptr;
    }
    void HeadOn() { scene.lights[1].position = {0, 4, 0}; }
    // Each fresh component shades this sample.
    void Install(TXRComponent& c) const {
        std::memcpy(c.Context->Variables.data(), &sample, sizeof sample);
    }
    test::Options Lit() {
        return {.setup = [this](TXRComponent& c) { Install(c); }};
    }
    std::vector<float> Run(int32_t id, const Values& props) {
        return test::Evaluate({"", id, props, {}}, Lit());
    }
    // Light colour C per part times f.
    static std::vector<double> C(double f) { return {0.5 * f, 0.6 * f, 0.7 * f}; }

    host::TScene scene;
    hxShadingRecord sample{};
};

TEST_F(LitComponent, LightTermsAndTheirExponents) {
    const Case rows[] = {
        {"ambient times intensity", 801, {{2}}, {0.4, 0.6, 0.8}},
        {"diffuse falls with the cosine", 802, {}, C(0.9 * kS)},
        {"diffuse, intensity 0", 802, {{0}}, Grey(0)},
        // Phong: the mirror of L makes 45° with the viewer.
        {"phong, exponent 3", 803, {{1}, {0}}, C(std::pow(kS, 3))},
        {"phong, exponent 18", 803, {{2}, {0.5f}}, C(2.0 / 512)},
        {"phong, intensity 0", 803, {{0}, {0.5f}}, Grey(0)},
        // Blinn: the half vector makes 22.5° with the normal.
        {"specular, exponent 6", 804, {{1}, {0}}, C(std::pow(kC8, 6))},
        {"specular, exponent 20", 804, {{0.5f}, {0.14f}}, C(0.5 * std::pow(kC8, 20))},
        // The host's solid term is the plain highlight at index 1.
        {"solid, exponent 13", 806, {{1}, {1}, {0}}, C(std::pow(kC8, 13))},
        {"solid, exponent 26", 806, {{3}, {1}, {0.1f}}, C(3 * std::pow(kC8, 26))},
        {"solid, intensity 0", 806, {{0}}, Grey(0)},
        {"dielectric, intensity 0", 807, {{0}}, Grey(0)},
        {"conductor, intensity 0", 805, {{0}, {2, 2, 2}}, Grey(0)},
    };
    test::CheckRows(rows, Lit());
}

// Head on, L · H = 1: a conductor reflects ((n - 1)² + k²) / ((n + 1)² + k²), a dielectric
// ((n - 1) / (n + 1))².
TEST_F(LitComponent, FresnelTermsHeadOn) {
    HeadOn();
    const Case rows[] = {
        // The host receives ten times the extinction: k = 1 in the red.
        {"conductor highlight", 805, {{1}, {1, 2, 1}, {0.1f, 0, 0}, {0.3f}}, {0.1, 0.6 / 9, 0}},
        {"conductor highlight, intensity 2", 805, {{2}, {1, 1, 3}, {0, 0, 0}, {}}, {0, 0, 0.35}},
        {"dielectric highlight", 807, {{2}, {1.5f}, {0.4f}}, C(2 * 0.04)},
        {"conductor reflection", 811, {{2, 0.5f, 3}, {0, 0, 1}}, {1.0 / 9, 0, 5.0 / 17}},
        {"dielectric reflection", 812, {{1.5f}}, {0.04}},
        {"dielectric reflection, index 0.5 as 1", 812, {{0.5f}}, {0}},
    };
    test::CheckRows(rows, Lit());
}

// Indices below 1, and NaN, reach the host as 1: the conductor's per channel, the dielectric's.
TEST_F(LitComponent, SpecularTermsRaiseIndicesBelowOneBeforeTheHostCall) {
    const struct {
        const char* what;
        int32_t id;
        Values props;
        std::vector<float> passed;
    } rows[] = {
        {"conductor", 805, {{1}, {0.5f, 2, kNaN}}, {1, 2, 1}},
        {"conductor, negative", 805, {{1}, {-3, 0, 1}}, {1, 1, 1}},
        {"solid", 806, {{1}, {0.5f}}, {1}},
        {"solid, NaN", 806, {{1}, {kNaN}}, {1}},
        {"solid, above 1", 806, {{1}, {1.25f}}, {1.25f}},
        {"dielectric", 807, {{1}, {-2}}, {1}},
        {"dielectric, above 1", 807, {{1}, {1.5f}}, {1.5f}},
    };
    for (const auto& row : rows) {
        passedIndices.clear();
        Run(row.id, row.props);
        EXPECT_EQ(passedIndices, row.passed) << row.what;
    }
    // Head on, a conductor of index 0.5 reflects nothing, as one of index 1.
    HeadOn();
    test::Check({"conductor head on", 805, {{1}, {0.5f, 0.5f, 0.5f}}, {0, 0, 0}}, Lit());
}

TEST_F(LitComponent, SimpleReflectanceByModel) {
    // Ambient 0.5, Diffuse 0.8, Color (1, 0.5, 0.25), Specular 0.4, Sharpness 0.
    const double color[3] = {1, 0.5, 0.25}, light[3] = {0.5, 0.6, 0.7},
                 ambient[3] = {0.2, 0.3, 0.4};
    const struct {
        int model;
        double highlight;  // of C
    } rows[] = {
        {0, std::pow(kS, 3)}, {1, std::pow(kC8, 6)}, {2, std::pow(kC8, 13)}, {5, 0}, {-1, 0}};
    for (const auto& row : rows) {
        std::vector<double> expected;
        for (int k = 0; k < 3; ++k) {
            expected.push_back(0.5 * ambient[k] + 0.8 * kS * light[k] * color[k] +
                               0.4 * row.highlight * light[k]);
        }
        const std::string what = "model " + std::to_string(row.model);
        const Values props = {{0.5f}, {0.8f}, {1, 0.5f, 0.25f},
                              {0.4f}, {0},    {static_cast<float>(row.model)}};
        test::Check({what.c_str(), 815, props, expected}, Lit());
    }
}

TEST_F(LitComponent, ReflectanceTracesOnlyWhenAskedAndPossible) {
    const double color[3] = {1, 0.5, 0.25}, light[3] = {0.5, 0.6, 0.7},
                 ambient[3] = {0.2, 0.3, 0.4};
    const double specularColor[3] = {0.5, 1, 2};
    // Nothing but the lights in the scene: both traced rays see the background.
    const float* background = scene.background.data();
    const float leaving[3] = {0.866025f, 0.5f, 0};  // from inside at 60°: no refraction at 1.5
    const struct {
        const char* what;
        float reflection, reflectionParameter, transmission, transmissionParameter, index;
        const float* ray;  // null: the sample's own
        bool reflected, transmitted;
    } rows[] = {
        {"no tracing", 0, 0, 0, 0, 1.5f, nullptr, false, false},
        {"reflection and transmission", 0.5f, 1, 0.25f, 1, 1.5f, nullptr, true, true},
        {"reflection only", 0.5f, 0.3f, 0, 1, 1.5f, nullptr, true, false},
        {"reflection parameter 0", 0.5f, 0, 0, 1, 1.5f, nullptr, false, false},
        {"negative reflection parameter alone", 0.5f, -1, 0, 0, 1.5f, nullptr, false, false},
        {"negative reflection parameter with transmission", 0.5f, -1, 0.25f, 1, 1.5f, nullptr, true,
         true},
        {"transmission only", 0, 1, 0.25f, 1, 1.5f, nullptr, false, true},
        {"no refracted direction", 0.5f, 1, 0.25f, 1, 1.5f, leaving, false, false},
        {"index 0.5 counts as 1", 0.5f, 1, 0.25f, 1, 0.5f, leaving, true, true},
    };
    for (const auto& row : rows) {
        const auto setup = [&](TXRComponent& c) {
            Install(c);
            if (row.ray != nullptr) {
                std::memcpy(VariableAddress(c.Context, kVarURay), row.ray, 3 * sizeof(float));
            }
        };
        const Values props = {{0.5f},
                              {0.8f},
                              {1, 0.5f, 0.25f},
                              {0.4f},
                              {0},
                              {0.5f, 1, 2},
                              {1},
                              {row.reflection},
                              {row.reflectionParameter},
                              {row.transmission},
                              {row.transmissionParameter},
                              {row.index}};
        std::vector<double> expected;
        for (int k = 0; k < 3; ++k) {
            const double tc = row.transmitted ? background[k] : 0;
            const double rc = row.reflected ? background[k] : 0;
            const double lit = 0.5 * ambient[k] + 0.8 * kS * light[k] + tc * row.transmission;
            expected.push_back(lit * color[k] +
                               specularColor[k] * std::pow(kC8, 6) * light[k] * 0.4 +
                               rc * row.reflection);
        }
        test::Check({row.what, 816, props, expected}, {.setup = setup});
    }
}

// Counts the samples the host shades along traced rays.
thread_local int tShaded = 0;
void CountingShader(int32_t, hxShadingRecord* r, int32_t) {
    ++tShaded;
    r->colorOut[0] = r->colorOut[1] = r->colorOut[2] = 1;
}

TEST_F(LitComponent, RaytraceCallsTheHostOnlyWithIntensityAndAPositiveParameter) {
    const float* b = scene.background.data();
    test::Check({"background seen",
                 808,
                 {{0.5f}, {0, 0, 0}, {0, 1, 0}, {1}},
                 {0.5 * b[0], 0.5 * b[1], 0.5 * b[2]}},
                Lit());
    // A sphere of radius 1 above the sample, shaded by a counting shader.
    host::TObject ball;
    ball.transform = {1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1, 0};
    ball.materials = {0, 0, 7, 0};
    scene.objects.push_back(ball);
    scene.shaders[2] = CountingShader;
    const struct {
        const char* what;
        float intensity, parameter;
        int shaded;
    } rows[] = {
        {"traced", 1, 1, 1},
        {"intensity 0", 0, 1, 0},
        {"ray parameter 0", 1, 0, 0},
        {"ray parameter negative", 1, -0.5f, 0},
        {"ray parameter NaN", 1, kNaN, 0},
    };
    for (const auto& row : rows) {
        tShaded = 0;
        const std::vector<float> out =
            Run(808, {{row.intensity}, {0, 0, 0}, {0, 1, 0}, {row.parameter}});
        EXPECT_EQ(tShaded, row.shaded) << row.what;
        if (row.shaded == 0) {
            test::ExpectOutput(out, Grey(0), 2e-6, row.what);
        } else {
            EXPECT_GT(out[0], 0) << row.what;  // the counting shader's white, lit
        }
    }
}

// A conductor highlight asked for while another one of the same tree is in its host call gives
// grey Intensity; a computed one leaves the tree's counters as it found them.
TEST_F(LitComponent, NestedConductorHighlightIsNotComputed) {
    HeadOn();
    TThreadRecord record;
    TShaderInstance instance(record, "conductor");
    TXRComponent* c = instance.Tree.AddComponent(CreateComponent(805));
    c->Bind(&record, &instance);
    test::SetAll(*c, {{0.5f}, {1, 2, 1}, {0.1f, 0, 0}});
    std::memcpy(record.Variables.data(), &sample, sizeof sample);

    c->Evaluate(true);
    test::ExpectOutput(*c, {0.5 * 0.5 * 0.2, 0.5 * 0.6 / 9, 0}, 2e-6, "outermost");
    EXPECT_EQ(instance.Tree.FresnelDepth, 0);
    EXPECT_EQ(instance.Tree.Depth, 0);

    instance.Tree.FresnelDepth = 1;
    c->Evaluate(true);
    test::ExpectOutput(*c, Grey(0.5), 2e-6, "nested");
    EXPECT_EQ(instance.Tree.FresnelDepth, 1);
    EXPECT_EQ(instance.Tree.Depth, 0);
}

// Every property is read through its input reference, at a lit sample in the host.
TEST_F(LitComponent, InputsReadThroughReferences) {
    const auto withSample = [this](TXRComponent& c) { Install(c); };
    const auto none = [](int32_t) { return false; };
    std::vector<test::ConnectionCase> cases;
    for (const int32_t id : {801, 802, 803, 804, 806, 807, 811, 812, 815}) {
        cases.push_back({id, [=](TXRComponent& c, int32_t) { withSample(c); }, none});
    }
    // At index 0 a conductor reflects everything, whatever its extinction.
    cases.push_back({805,
                     [=](TXRComponent& c, int32_t) {
                         withSample(c);
                         test::SetAll(c, {{}, {2, 2, 2}});
                     },
                     none});
    const float s = static_cast<float>(kS);
    cases.push_back({809,
                     [](TXRComponent& c, int32_t) {
                         test::SetAll(c, {{1, -1, 0}, {0.5f, 1, 0}});
                     },
                     none});
    cases.push_back({810,
                     [s](TXRComponent& c, int32_t) {
                         test::SetAll(c, {{s, -s, 0}, {0, 1, 0}});
                     },
                     none});
    cases.push_back({808,
                     [=](TXRComponent& c, int32_t) {
                         withSample(c);
                         test::SetAll(c, {{}, {}, {0, 1, 0}, {1}});
                     },
                     // Only lights in the scene: every ray sees the background.
                     [](int32_t prop) { return prop == 1 || prop == 2; }});
    cases.push_back({817,
                     [](TXRComponent& c, int32_t prop) {
                         test::SetAll(c, {{0.6f, -0.8f, 0}, {0, 1, 0}, {1, 0, 0}});
                         // Between the edges the geometric normal takes part.
                         if (prop == 2) c.SetConstant(3, -1, 1);
                     },
                     none});
    cases.push_back({816,
                     [=](TXRComponent& c, int32_t prop) {
                         withSample(c);
                         test::SetAll(c, {{}, {}, {}, {}, {}, {}, {}, {0.5f}, {1}, {0.25f}, {1}});
                         // Each parameter alone decides whether its ray is traced.
                         if (prop == 8) c.SetConstant(9, -1, 0);
                         if (prop == 10) c.SetConstant(7, -1, 0);
                         // Leaving the inside at 60°, the index decides whether anything is.
                         if (prop == 11) {
                             float* ray = VariableAddress(c.Context, kVarURay);
                             ray[0] = 0.866025f, ray[1] = 0.5f;
                         }
                     },
                     none});
    for (const auto& cc : cases) test::ExpectInputsReadThroughReferences(cc);
}

// Around a host call that shades again on this thread, the guard puts back the tree's outputs and
// counters and the record; the reentrant shading tests check that through real traced rays, into
// the same material and inside a custom component. A component on its own (no instance) still
// gets its record back.
TEST(HostCallGuard, WithoutATreeRestoresTheRecord) {
    Fresh c(808);
    c.record.Variables[3] = 1.5f;
    {
        THostCallGuard guard(*c);
        c.record.Variables[3] = -8;
        c.record.Variables[kTriggerAreaIndex] = 4;
    }
    EXPECT_EQ(c.record.Variables[3], 1.5f);
    EXPECT_EQ(c.record.Variables[kTriggerAreaIndex], 0.0f);
}

}  // namespace
}  // namespace vandrel

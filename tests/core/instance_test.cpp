#include "core/instance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <thread>
#include <vector>

#include "components/shared/host_call_guard.h"
#include "core/context.h"
#include "core/shader_file.h"
#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

class InstanceTest : public ::testing::Test {
  protected:
    void SetUp() override { Registry().ClearAll(); }
    void TearDown() override {
        Registry().ClearAll();
        host::SetCurrentSample(nullptr);
    }

    // A material whose "Data" names a shader file holding this stream.
    int32_t Material(const std::string& name, const std::string& stream) {
        const fs::path path = folder / name;
        EXPECT_TRUE(SaveShaderFile(path, stream).ok);
        const int32_t material = host::CreateMaterial();
        host::SetTextParameter(material, kDataParameter, path.string());
        return material;
    }

    static hxShadingRecord Sample() {
        hxShadingRecord h{};
        h.colorIn[0] = 0.8f, h.colorIn[1] = 0.4f, h.colorIn[2] = 0.2f;
        h.filterIn[0] = 0.1f, h.filterIn[1] = 0.2f, h.filterIn[2] = 0.3f;
        h.shadingNormal[2] = 1.0f;
        h.geometricNormal[2] = 1.0f;
        h.uDirection[0] = 1.0f;
        h.vDirection[1] = 1.0f;
        h.worldPoint[0] = 0.5f;
        h.alpha = 0.25f;
        return h;
    }

    const test::TempFolder temp{"vandrel-instance-"};
    const fs::path folder = temp.path();
};

TEST_F(InstanceTest, DefaultShaderPassesTheHostValuesThrough) {
    const int32_t material = host::CreateMaterial();
    host::SetTextParameter(material, kDataParameter, (folder / "missing.xrb").string());
    hxShadingRecord h = Sample();
    Shade(Registry(), kColor, material, &h);
    EXPECT_EQ(h.colorOut[0], 0.8f);
    EXPECT_EQ(h.colorOut[2], 0.2f);
    Shade(Registry(), kTransparency, material, &h);
    EXPECT_EQ(h.alpha, 1.0f);
    EXPECT_EQ(h.filterOut[1], 0.2f);
    h.shadingNormal[0] = 0.6f, h.shadingNormal[2] = 0.8f;
    Shade(Registry(), kDisplacement, material, &h);
    EXPECT_EQ(h.shadingNormal[0], 0.6f);
    EXPECT_EQ(h.shadingNormal[2], 0.8f);
    EXPECT_EQ(Registry().RecordCount(), 1u);
}

TEST_F(InstanceTest, TriggersAndMaterialsSwitchInstances) {
    // Colour red = Trigger 1 (variable 65).
    const std::string stream = "XR0001000101V000041000F";
    const int32_t a = Material("a.xrb", stream);
    const int32_t b = host::CreateMaterial();  // same shader file, other trigger values
    host::SetTextParameter(b, kDataParameter, (folder / "a.xrb").string());
    const int32_t c = Material("c.xrb", "XR0001000101V0F0005000F");  // colour = ColorIn
    host::SetFloatParameter(a, kFirstTriggerParameter, {0.5f, 0, 0});
    host::SetFloatParameter(b, kFirstTriggerParameter, {0.75f, 0, 0});
    hxShadingRecord h = Sample();
    Shade(Registry(), kColor, a, &h);
    EXPECT_EQ(h.colorOut[0], 0.5f);
    Shade(Registry(), kColor, b, &h);
    EXPECT_EQ(h.colorOut[0], 0.75f);
    Shade(Registry(), kColor, c, &h);
    EXPECT_EQ(h.colorOut[0], 0.8f);
    Shade(Registry(), kColor, a, &h);
    EXPECT_EQ(h.colorOut[0], 0.5f);
    TThreadRecord& record = Registry().RecordForThisThread();
    ASSERT_EQ(record.Instances.size(), 2u);  // one per shader file, not per material
    EXPECT_EQ(record.Instances[0]->Infos.size(), 2u);
}

// The record skips copying trigger values it already holds; a re-entry guard that puts another
// material's values back must not leave it believing otherwise.
TEST_F(InstanceTest, TriggersPutBackByAGuardAreCopiedAgain) {
    const int32_t a = Material("a.xrb", "XR0001000101V000041000F");  // colour red = Trigger 1
    const int32_t b = host::CreateMaterial();
    host::SetTextParameter(b, kDataParameter, (folder / "a.xrb").string());
    host::SetFloatParameter(a, kFirstTriggerParameter, {0.5f, 0, 0});
    host::SetFloatParameter(b, kFirstTriggerParameter, {0.75f, 0, 0});
    hxShadingRecord h = Sample();
    Shade(Registry(), kColor, a, &h);
    {
        // A host call of a's sample shades b on the same thread.
        THostCallGuard guard(&Registry().RecordForThisThread(), nullptr);
        Shade(Registry(), kColor, b, &h);
        EXPECT_EQ(h.colorOut[0], 0.75f);
    }
    Shade(Registry(), kColor, b, &h);
    EXPECT_EQ(h.colorOut[0], 0.75f);
    Shade(Registry(), kColor, a, &h);
    EXPECT_EQ(h.colorOut[0], 0.5f);
}

TEST_F(InstanceTest, SharedEvaluationReusesThePassAtTheSameWorldPosition) {
    // A sine of ColorIn.R feeds the colour; EvaluationMode 1.
    const int32_t m = Material("shared.xrb", "XR0002006501V3F0002000C000102S000000M60001000F");
    hxShadingRecord h = Sample();
    h.colorIn[0] = 0.25f;  // sine -> 1
    Shade(Registry(), kColor, m, &h);
    EXPECT_FLOAT_EQ(h.colorOut[0], 1.0f);
    h.colorIn[0] = 0.0f;  // would give 0.5, but only the root runs at the same position
    Shade(Registry(), kReflectance, m, &h);
    EXPECT_FLOAT_EQ(h.colorOut[0], 1.0f);
    h.worldPoint[1] = 3.0f;  // elsewhere: a full pass
    Shade(Registry(), kReflectance, m, &h);
    EXPECT_FLOAT_EQ(h.colorOut[0], 0.5f);
}

// One shader in the displacement and colour slots with EvaluationMode on: the host asks for the
// displacement first, then the colour at the same point, which must come out as without the
// displacement slot. Colour red = sine of World.X; the normal computed (Normal = SNorm) or, in
// height mode, from a flat height.
TEST_F(InstanceTest, DisplacementFirstLeavesTheColourOfASharedPass) {
    const struct {
        const char* what;
        std::string stream;
    } rows[] = {
        {"normal mode", "XR0002006501V3F0037000C000103S000000V3F002BM60001000F"},
        {"height mode", "XR0002006501V3F0037000C000103S000000M60001M50001000F"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const int32_t m = Material("both.xrb", row.stream);
        std::vector<float> alone, withDisplacement;
        for (const bool displaced : {false, true}) {
            Registry().ClearAll();
            for (const float x : {0.1f, 0.35f, 0.6f}) {
                hxShadingRecord h = Sample();
                h.worldPoint[0] = x;
                host::SetCurrentSample(&h);
                if (displaced) Shade(Registry(), kDisplacement, m, &h);
                Shade(Registry(), kColor, m, &h);
                (displaced ? withDisplacement : alone).push_back(h.colorOut[0]);
            }
        }
        EXPECT_EQ(withDisplacement, alone);
        EXPECT_FLOAT_EQ(alone[1], static_cast<float>(0.5 + 0.5 * std::sin(0.7 * std::numbers::pi)));
    }
}

TEST_F(InstanceTest, FirstSampleNeverMatchesTheInitialLastWorld) {
    const int32_t m = Material("shared.xrb", "XR0002006501V3F0002000C000102S000000M60001000F");
    hxShadingRecord h = Sample();
    h.worldPoint[0] = 0.0f, h.worldPoint[1] = 0.0f;
    h.colorIn[0] = 0.25f;
    Shade(Registry(), kColor, m, &h);
    EXPECT_FLOAT_EQ(h.colorOut[0], 1.0f);
}

TEST_F(InstanceTest, HeightModePairsTheSamplersAndFetchesTheTransformOnce) {
    // Displacement = UV.V (variable 19); DisplacementMode 1.
    const int32_t m = Material("height.xrb", "XR0001000102V4F0013M50001000F");
    host::Node node;
    node.transform = {2, 0, 0, 1, 0, 2, 0, 0, 0, 0, 2, 0};
    const int32_t nodeHandle = host::CreateNode(node);
    hxShadingRecord h = Sample();
    h.node = nodeHandle;
    h.uv[0] = 0.3f, h.uv[1] = 0.6f;
    host::SetCurrentSample(&h);
    const int64_t fetches = host::TransformFetches();
    Shade(Registry(), kDisplacement, m, &h);
    // The V-offset point gets the V-offset UV sample: a slope of 0.001 along V bends the normal
    // towards −V; the U direction sees no slope.
    EXPECT_NEAR(h.shadingNormal[0], 0.0, 1e-4);
    EXPECT_NEAR(h.shadingNormal[1], -1e-3, 2e-4);
    EXPECT_GT(h.shadingNormal[2], 0.99f);
    Shade(Registry(), kDisplacement, m, &h);
    EXPECT_EQ(host::TransformFetches(), fetches + 1);
    TShaderInstance& instance = *Registry().RecordForThisThread().Instances[0];
    ASSERT_TRUE(instance.InverseTransforms[0].has_value());
    EXPECT_FLOAT_EQ((*instance.InverseTransforms[0])[0], 0.5f);
    EXPECT_FLOAT_EQ((*instance.InverseTransforms[0])[3], -0.5f);
    // Displacement = UV.U: the same slope along U alone.
    hxShadingRecord u = Sample();
    u.uv[0] = 0.3f, u.uv[1] = 0.6f;
    host::SetCurrentSample(&u);
    Shade(Registry(), kDisplacement, Material("height_u.xrb", "XR0001000102V4F0012M50001000F"), &u);
    EXPECT_NEAR(u.shadingNormal[0], -1e-3, 2e-4);
    EXPECT_NEAR(u.shadingNormal[1], 0.0, 1e-4);
}

TEST_F(InstanceTest, ThreadsNeverShareRecordsOrInstances) {
    const int32_t m = Material("a.xrb", "XR0001000101V000041000F");
    host::SetFloatParameter(m, kFirstTriggerParameter, {0.5f, 0, 0});
    std::vector<TShaderInstance*> seen(2, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            hxShadingRecord h = Sample();
            for (int i = 0; i < 100; ++i) Shade(Registry(), kColor, m, &h);
            EXPECT_EQ(h.colorOut[0], 0.5f);
            seen[t] = Registry().RecordForThisThread().Current[kColor];
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(Registry().RecordCount(), 2u);
    EXPECT_NE(seen[0], seen[1]);
}

TEST_F(InstanceTest, FailedBuildLeavesTheHostRecordAlone) {
    const int32_t m = Material("bad.xrb", "XR0001038A00000F");  // an unknown type id
    hxShadingRecord h = Sample();
    h.colorOut[0] = 0.123f;
    Shade(Registry(), kColor, m, &h);
    EXPECT_EQ(h.colorOut[0], 0.123f);
}

TEST_F(InstanceTest, RecordsReadTheAnimationOnceAndDieAtClear) {
    host::SetAnimation({12.0f, 1.0f, 48.0f, 24.0f});
    TThreadRecord& record = Registry().RecordForThisThread();
    EXPECT_EQ(*VariableAddress(&record, kVarFrame), 12.0f);
    EXPECT_EQ(*VariableAddress(&record, kVarEndFrame), 48.0f);
    EXPECT_EQ(*VariableAddress(&record, kVarFrameRate), 24.0f);
    host::SetAnimation({13.0f, 1.0f, 48.0f, 24.0f});
    EXPECT_EQ(*VariableAddress(&Registry().RecordForThisThread(), kVarFrame), 12.0f);
    Registry().ClearAll();
    EXPECT_EQ(*VariableAddress(&Registry().RecordForThisThread(), kVarFrame), 13.0f);
    host::SetAnimation({});
}

}  // namespace
}  // namespace vandrel

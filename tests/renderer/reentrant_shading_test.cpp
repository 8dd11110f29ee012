// A shader that ray-traces through the real plug-in into a scene where the traced ray meets another
// object with the same shader: the nested shade runs the same tree on the same thread, and the
// outer sample must come out exactly as when the ray meets nothing that uses the shader.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>

#include "components/custom/custom_components.h"
#include "core/context.h"
#include "core/instance.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "core/tree.h"
#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "renderer/host/scene.h"
#include "test_support.h"

extern "C" void hxShaderInitialize(hxShaderDescriptor*, int32_t, int32_t*);

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// Colour = (mirror(URay, SNorm) + World + 0 · Raytrace(World, mirror)) · Trigger1.X. The mirror
// direction is computed before the trace and read after it, World and the trigger are read after
// it: a nested shade that leaves any of them changed shows in the result.
// Builds the tracing subtree in the tree; its last component, the scaled sum.
TXRComponent* AddTracing(TXRTree& tree, TThreadRecord& record) {
    auto* mirror = tree.AddComponent(CreateComponent(809));
    mirror->Connect(0, -1, VariableAddress(&record, kVarURayWhole));
    mirror->Connect(1, -1, VariableAddress(&record, kVarSNormWhole));
    auto* trace = tree.AddComponent(CreateComponent(808));
    trace->SetConstant(0, -1, 1);
    trace->Connect(1, -1, VariableAddress(&record, kVarWorldWhole));
    trace->Connect(2, -1, mirror->OutputAddress());
    trace->SetConstant(3, -1, 1);
    auto* nothing = tree.AddComponent(CreateComponent(709));
    nothing->Connect(0, -1, trace->OutputAddress());
    nothing->SetConstant(1, -1, 0);
    auto* sum = tree.AddComponent(CreateComponent(701));
    sum->Connect(0, -1, mirror->OutputAddress());
    sum->Connect(1, -1, nothing->OutputAddress());
    auto* placed = tree.AddComponent(CreateComponent(701));
    placed->Connect(0, -1, sum->OutputAddress());
    placed->Connect(1, -1, VariableAddress(&record, kVarWorldWhole));
    auto* scaled = tree.AddComponent(CreateComponent(709));
    scaled->Connect(0, -1, placed->OutputAddress());
    scaled->Connect(1, -1, VariableAddress(&record, kVarTrigger1));
    for (auto [p, c] : {std::pair{mirror, trace},
                        {mirror, sum},
                        {trace, nothing},
                        {nothing, sum},
                        {sum, placed},
                        {placed, scaled}}) {
        EXPECT_TRUE(tree.Link(p, c));
    }
    return scaled;
}

std::string TracingStream() {
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    auto* root = tree.AddComponent(CreateComponent(1));
    auto* scaled = AddTracing(tree, record);
    root->Connect(0, -1, scaled->OutputAddress());
    EXPECT_TRUE(tree.Link(scaled, root));
    tree.SetRoot(root);
    return "XR" + tree.WriteTree();
}

// The same subtree inside a custom component: its one property, fed by the shader's Trigger1.X,
// is the inner tree's Trigger1; World is added once more outside. The nested shade runs the inner
// tree too.
std::string CustomTracingStream() {
    TThreadRecord innerRecord;
    TXRTree inner;
    inner.Context = &innerRecord;
    inner.SetRoot(AddTracing(inner, innerRecord));
    TCustomDefinitionParts parts;
    parts.Title = "Tracer";
    parts.Hint = "Traces its mirror direction";
    parts.Properties = {TCustomProperty{"Scale", "Scale", kNumerical, false, {}, {}}};
    parts.InnerTree = inner.WriteTree();
    const std::optional<std::string> definition = MakeCustomDefinition(parts);
    EXPECT_TRUE(definition.has_value());

    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    auto* root = tree.AddComponent(CreateComponent(1));
    const int32_t id = InsertCustomDefinition(tree, definition.value_or(""));
    auto* custom = tree.AddComponent(CreateComponent(id, &tree));
    EXPECT_NE(custom, nullptr);
    if (custom == nullptr) return {};
    custom->Connect(0, -1, VariableAddress(&record, kVarTrigger1));
    // World read once more after the custom component: the outer record must be restored too.
    auto* again = tree.AddComponent(CreateComponent(701));
    again->Connect(0, -1, custom->OutputAddress());
    again->Connect(1, -1, VariableAddress(&record, kVarWorldWhole));
    EXPECT_TRUE(tree.Link(custom, again));
    root->Connect(0, -1, again->OutputAddress());
    EXPECT_TRUE(tree.Link(again, root));
    tree.SetRoot(root);
    return JoinSections({"XR" + tree.WriteTree(), "", "", "", "", tree.UsedCustomText()});
}

hxShadeCallback gPluginColor = nullptr;
thread_local int tDepth = 0;
thread_local int tNested = 0;
thread_local hxShadingRecord tOuterIn{};
thread_local std::array<float, 3> tOuterOut{};

// The plug-in's colour shader, remembering what the outermost sample got in and out.
void RecordingColor(int32_t info, hxShadingRecord* r, int32_t kind) {
    if (tDepth > 0) ++tNested;
    if (tDepth == 0) tOuterIn = *r;
    ++tDepth;
    gPluginColor(info, r, kind);
    --tDepth;
    if (tDepth == 0) tOuterOut = {r->colorOut[0], r->colorOut[1], r->colorOut[2]};
}

// Through the plug-in, whose four shaders are registered once for the tests below.
// worldsAdded: how many times the tree adds World to the mirror direction.
void ExpectTracingLeavesTheOuterSample(const std::string& name, const std::string& stream,
                                       int worldsAdded) {
    static std::array<hxShaderDescriptor, 4> d{};
    static int32_t counter = 0;
    if (gPluginColor == nullptr) {
        for (int i = 0; i < 4; ++i)
            hxShaderInitialize(&d[static_cast<size_t>(i)], 300 + i, &counter);
        ASSERT_EQ(d[0].category, 1);
        gPluginColor = d[0].shade;
    }
    test::RecordingMessages messages;
    const test::TempFolder folder("vandrel_reentry_");
    const fs::path shader = folder / name;
    ASSERT_TRUE(SaveShaderFile(shader, stream).ok);

    // Two materials of the same shader with different trigger values: the sphere's and the
    // mirror's.
    const int32_t sphereMaterial = host::CreateMaterial();
    const int32_t mirrorMaterial = host::CreateMaterial();
    host::SetTextParameter(sphereMaterial, kDataParameter, shader.string());
    host::SetTextParameter(mirrorMaterial, kDataParameter, shader.string());
    host::SetFloatParameter(sphereMaterial, kFirstTriggerParameter, {1, 0, 0});
    host::SetFloatParameter(mirrorMaterial, kFirstTriggerParameter, {3, 0, 0});

    host::TScene plain = host::PreviewScene(host::ShapeKind::kSphere, {0, 0, sphereMaterial, 0});
    plain.shaders[2] = RecordingColor;
    // The centre ray meets the sphere near (0, 0, 1) and mirrors downwards towards +z; a strip at
    // z = 3 spanning y from -1 to -0.2 catches that ray but not the camera's.
    host::TScene mirrored = plain;
    host::TObject strip;
    strip.shape = host::ShapeKind::kPlane;
    strip.transform = {2, 0, 0, 0, 0, 0, -0.4f, -0.6f, 0, 1, 0, 3};
    strip.materials = {0, 0, mirrorMaterial, 0};
    mirrored.objects.push_back(strip);

    d[0].shade(0, nullptr, 0);  // begin of render
    tNested = 0;
    host::RenderPoint(plain, 0.5f, 0.5f, 1);
    EXPECT_EQ(tNested, 0);
    const std::array<float, 3> alone = tOuterOut;
    const hxShadingRecord in = tOuterIn;
    host::RenderPoint(mirrored, 0.5f, 0.5f, 1);
    EXPECT_GT(tNested, 0);  // the strip was shaded by the same shader, inside the trace
    const std::array<float, 3> traced = tOuterOut;
    for (int32_t t = 0; t < 4; ++t) d[static_cast<size_t>(t)].shade(0, nullptr, 1);

    EXPECT_EQ(traced, alone);
    // And it is what the tree computes: I - 2 (I · N) N + P (+ P) at the sphere's point.
    const float* i = in.unitRay;
    const float* n = in.shadingNormal;
    const double dot = double{i[0]} * n[0] + double{i[1]} * n[1] + double{i[2]} * n[2];
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(alone[k], i[k] - 2 * dot * n[k] + worldsAdded * in.worldPoint[k], 1e-5) << k;
    }
    EXPECT_GT(in.worldPoint[2], 0.9f);  // the sphere's front, not the ground
    EXPECT_TRUE(messages.shown.empty());
}

TEST(ReentrantShading, TracingIntoItsOwnMaterialLeavesTheOuterSampleAsItWas) {
    ExpectTracingLeavesTheOuterSample("tracer.xrb", TracingStream(), 1);
}

// The guard restores the tree the custom component sits in as well as its inner tree.
TEST(ReentrantShading, TracingInsideACustomComponentLeavesBothTrees) {
    ExpectTracingLeavesTheOuterSample("custom_tracer.xrb", CustomTracingStream(), 2);
}

}  // namespace
}  // namespace vandrel

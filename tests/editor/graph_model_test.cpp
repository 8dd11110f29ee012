// The graph model without a window: link rules, property sources and their registrations,
// deletion, routing, the input menus and the layout of the sample shaders.
#include "editor/model/graph_model.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/context.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "editor/model/input_menu.h"
#include "editor/model/routing.h"
#include "interface/interface_model.h"
#include "test_support.h"

namespace vandrel {
namespace {

// Type ids and property numbers of the components the cases use.
constexpr int32_t kRoot = 1;
constexpr int32_t kAdd = 901;         // A, B (Numerical) -> Numerical
constexpr int32_t kScaleUV = 610;     // UV, Scale -> UV
constexpr int32_t kAdd3D = 701;       // A, B (Vector) -> Vector
constexpr int32_t kMandelbrot = 205;  // property 5 is a whole count
constexpr int32_t kTexture = 1101;    // File, Sampling -> Vector
constexpr int32_t kUVto1D = 1006;     // UV, Mode (Enumeration) -> Numerical
constexpr int32_t kRootAlpha = 1;

class GraphModelTest : public ::testing::Test {
  protected:
    TXRComponentContainer* Make(int32_t type, int32_t x = 0, int32_t y = 0) {
        TXRComponentContainer* c = model.CreateContainer(type, x, y);
        EXPECT_NE(c, nullptr) << type;
        return c;
    }
    float* Input(TXRComponentContainer* c, int32_t prop, int32_t part = 0) {
        return c->Component->InputAddress(prop, part);
    }
    float* Var(int32_t n) { return VariableAddress(&model.Record(), n); }
    const TTriggerUsage& Trigger(int index) {
        return iface.Usage().Triggers[static_cast<size_t>(index)];
    }
    const TFileUsage& Slot(int index) { return iface.Usage().Files[static_cast<size_t>(index)]; }

    test::RecordingMessages messages{false};
    TXRInterfaceModel iface;
    TXRGraphModel model{iface};
};

TEST_F(GraphModelTest, LinkRulesRefuseWhatCannotFeedAnInput) {
    TXRComponentContainer* add = Make(kAdd);
    TXRComponentContainer* add2 = Make(kAdd);
    TXRComponentContainer* add3 = Make(kAdd);
    TXRComponentContainer* uv = Make(kScaleUV);
    TXRComponentContainer* mandel = Make(kMandelbrot);
    TXRComponentContainer* texture = Make(kTexture);
    TXRComponentContainer* toNum = Make(kUVto1D);
    TXRComponentContainer* root = Make(kRoot);
    // A chain add3 -> add2 -> add: add may not feed add3 now.
    ASSERT_NE(model.Connect(add3, add2, 0, kWholeProperty), nullptr);
    ASSERT_NE(model.Connect(add2, add, 0, kWholeProperty), nullptr);
    ASSERT_NE(model.Connect(add, root, kRootAlpha, kWholeProperty), nullptr);

    struct Case {
        const char* what;
        TXRComponentContainer* source;
        TXRComponentContainer* target;
        int32_t prop;
        int32_t part;
        TLinkCheck expected;
    };
    const Case cases[] = {
        {"UV output on a numerical input", uv, add2, 1, kWholeProperty, TLinkCheck::kKindMismatch},
        {"numerical output on a whole UV", add, uv, 0, kWholeProperty, TLinkCheck::kKindMismatch},
        {"numerical output on an enumeration", add, toNum, 1, kWholeProperty,
         TLinkCheck::kKindMismatch},
        {"numerical output on a file", add, texture, 0, kWholeProperty, TLinkCheck::kKindMismatch},
        {"own container", add2, add2, 1, kWholeProperty, TLinkCheck::kOwnContainer},
        {"already fed", add3, add, 0, kWholeProperty, TLinkCheck::kAlreadyFed},
        {"whole count", add3, mandel, 5, kWholeProperty, TLinkCheck::kIntegerInput},
        {"cycle through three", add, add3, 0, kWholeProperty, TLinkCheck::kCycle},
        {"the root has no output", root, add3, 1, kWholeProperty, TLinkCheck::kNoOutput},
        {"part of a whole property", add, uv, 0, 0, TLinkCheck::kNoSuchInput},
        {"no such property", add, add3, 2, kWholeProperty, TLinkCheck::kNoSuchInput},
        {"accepted", add3, mandel, 0, kWholeProperty, TLinkCheck::kAccepted},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(model.CheckLink(c.source, c.target, c.prop, c.part), c.expected) << c.what;
        if (c.expected == TLinkCheck::kAccepted) continue;
        const size_t before = model.Connections().size();
        const float* input = Input(c.target, std::max(c.prop, 0));
        EXPECT_EQ(model.Connect(c.source, c.target, c.prop, c.part), nullptr) << c.what;
        EXPECT_EQ(model.Connections().size(), before) << c.what;
        EXPECT_EQ(Input(c.target, std::max(c.prop, 0)), input) << c.what;
    }
}

TEST_F(GraphModelTest, ConnectionsAreMirroredInTheTree) {
    TXRComponentContainer* root = Make(kRoot);
    TXRComponentContainer* add = Make(kAdd, 200, 0);
    TXRComponentContainer* add3 = Make(kAdd3D, 200, 100);
    model.SetRootContainer(root);
    ASSERT_NE(model.Connect(add, root, kRootAlpha, kWholeProperty), nullptr);
    ASSERT_TRUE(model.UnlockProperty(root, 0));  // Color into parts
    ASSERT_NE(model.Connect(add, root, 0, 1), nullptr);
    EXPECT_EQ(Input(root, kRootAlpha), add->Component->OutputAddress());
    EXPECT_EQ(Input(root, 0, 1), add->Component->OutputAddress());
    EXPECT_EQ(model.Tree().FindEntry(add->Component)->Consumers.size(), 2u);
    // The part is fed, the whole of another vector takes the vector output.
    ASSERT_NE(model.Connect(add3, root, 3, kWholeProperty), nullptr);
    EXPECT_EQ(Input(root, 3, 2), add3->Component->OutputAddress() + 2);
    // The tree evaluates producers first.
    const auto& entries = model.Tree().Entries;
    EXPECT_EQ(entries.back()->Component.get(), root->Component);
}

TEST_F(GraphModelTest, DisconnectReturnsToTheVariableItHad) {
    TXRComponentContainer* target = Make(kAdd3D);
    TXRComponentContainer* source = Make(kAdd3D, 200, 0);
    // A new vector property reads the object-space position.
    EXPECT_EQ(Input(target, 0), Var(kVarObjectWhole));
    const int32_t uses = model.Usage().Count(kVarObjectWhole);
    TXRComponentConnection* conn = model.Connect(source, target, 0, kWholeProperty);
    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(model.Usage().Count(kVarObjectWhole), uses - 1);
    EXPECT_EQ(model.ValueText(target, 0, kWholeProperty), source->Title());
    model.Disconnect(conn);
    EXPECT_TRUE(model.Connections().empty());
    EXPECT_EQ(Input(target, 0), Var(kVarObjectWhole));
    EXPECT_EQ(model.Usage().Count(kVarObjectWhole), uses);
    EXPECT_EQ(model.ValueText(target, 0, kWholeProperty), "Object");
    EXPECT_TRUE(model.Tree().FindEntry(source->Component)->Consumers.empty());
}

// Counts the shader updates, each of which is one step of the editor's history.
class TUpdateCounter final : public TGraphObserver {
  public:
    void ShaderUpdate() override { ++updates; }
    int updates = 0;
};

TEST_F(GraphModelTest, AMovedWireIsOneUpdateAndItsOldInputGetsItsVariableBack) {
    TXRComponentContainer* source = Make(kAdd3D, 200, 0);
    TXRComponentContainer* first = Make(kAdd3D);
    TXRComponentContainer* second = Make(kAdd3D, 0, 200);
    TXRComponentContainer* feeder = Make(kAdd3D, 400, 0);
    TXRComponentConnection* conn = model.Connect(source, first, 0, kWholeProperty);
    ASSERT_NE(conn, nullptr);
    ASSERT_NE(model.Connect(feeder, second, 1, kWholeProperty), nullptr);
    TXRComponentConnection* onward = model.Connect(first, feeder, 0, kWholeProperty);
    ASSERT_NE(onward, nullptr);
    TUpdateCounter counter;
    model.AddObserver(&counter);
    struct Refused {
        TXRComponentConnection* wire;
        TXRComponentContainer* target;
        int32_t prop;
        TLinkCheck check;
    };
    // An input fed already, the source's own box, no such input, and a loop (source feeds first,
    // so first cannot feed source): each refused, nothing changed.
    for (const Refused& r : {Refused{conn, second, 1, TLinkCheck::kAlreadyFed},
                             Refused{conn, source, 0, TLinkCheck::kOwnContainer},
                             Refused{conn, second, 7, TLinkCheck::kNoSuchInput},
                             Refused{onward, source, 0, TLinkCheck::kCycle}}) {
        EXPECT_EQ(model.CheckMove(r.wire, r.target, r.prop, kWholeProperty), r.check) << r.prop;
        EXPECT_EQ(model.MoveConnection(r.wire, r.target, r.prop, kWholeProperty), nullptr);
    }
    EXPECT_EQ(counter.updates, 0);
    EXPECT_EQ(model.Connections().size(), 3u);
    EXPECT_EQ(first->Property(0)->Whole.Connection, conn);
    // Onto the input it feeds: nothing to do.
    EXPECT_EQ(model.MoveConnection(conn, first, 0, kWholeProperty), conn);
    EXPECT_EQ(counter.updates, 0);

    TXRComponentConnection* moved = model.MoveConnection(conn, second, 0, kWholeProperty);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(counter.updates, 1);
    EXPECT_EQ(moved->Source, source);
    EXPECT_EQ(second->Property(0)->Whole.Connection, moved);
    EXPECT_FALSE(first->Property(0)->Whole.ComponentConnected());
    EXPECT_EQ(Input(first, 0), Var(kVarObjectWhole));
    EXPECT_EQ(Input(second, 0), source->Component->OutputAddress());
    EXPECT_EQ(model.Connections().size(), 3u);
    model.RemoveObserver(&counter);
}

TEST_F(GraphModelTest, DisconnectReregistersATrigger) {
    TXRComponentContainer* target = Make(kAdd);
    TXRComponentContainer* source = Make(kAdd, 200, 0);
    ASSERT_TRUE(model.UseTrigger(target, 0, kWholeProperty, 2));
    EXPECT_EQ(Trigger(2).Count, 1);
    EXPECT_EQ(Trigger(2).Kind, kNumerical);
    TXRComponentConnection* conn = model.Connect(source, target, 0, kWholeProperty);
    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(Trigger(2).Count, 0);  // the drop released it
    model.Disconnect(conn);
    EXPECT_EQ(Trigger(2).Count, 1);
    EXPECT_EQ(Input(target, 0), Var(kVarTrigger1 + 2));
    // "Constant" then releases it for good.
    ASSERT_TRUE(model.UseConstant(target, 0, kWholeProperty));
    EXPECT_EQ(Trigger(2).Count, 0);
    EXPECT_EQ(Input(target, 0), target->Component->ConstantAddress(0));
}

TEST_F(GraphModelTest, TriggersKeepThePropertyKindAndIntegerFlag) {
    TXRComponentContainer* mandel = Make(kMandelbrot);
    TXRComponentContainer* toNum = Make(kUVto1D);
    TXRComponentContainer* vec = Make(kAdd3D);
    // A whole count takes a trigger but no variable.
    EXPECT_FALSE(model.UseVariable(mandel, 5, kWholeProperty, kVarAlpha));
    ASSERT_TRUE(model.UseTrigger(mandel, 5, kWholeProperty, 0));
    EXPECT_TRUE(iface.Settings().Triggers[0].IsInteger);
    ASSERT_TRUE(model.UseTrigger(toNum, 1, kWholeProperty, 1));
    EXPECT_EQ(Trigger(1).Kind, kEnumeration);
    ASSERT_TRUE(model.UseTrigger(vec, 1, kWholeProperty, 3));
    EXPECT_EQ(Trigger(3).Kind, kVector);
    // Choosing an item ends the enumeration's trigger.
    ASSERT_TRUE(model.SetValue(toNum, 1, 0));
    EXPECT_EQ(Trigger(1).Count, 0);
    EXPECT_FALSE(model.SetValue(toNum, 1, 99));
    // A UV variable does not fit a vector input.
    EXPECT_FALSE(model.UseVariable(vec, 0, kWholeProperty, kVarUVWhole));
}

TEST_F(GraphModelTest, DeleteReleasesTriggersFilesAndFedInputs) {
    TXRComponentContainer* root = Make(kRoot);
    model.SetRootContainer(root);
    TXRComponentContainer* texture = Make(kTexture, 200, 0);
    TXRComponentContainer* add = Make(kAdd, 200, 200);
    ASSERT_TRUE(model.SetValue(texture, 0, 2));
    EXPECT_EQ(Slot(2).Type, 'T');
    EXPECT_EQ(model.ValueText(texture, 0, kWholeProperty), "File3");
    ASSERT_TRUE(model.UseTrigger(add, 1, kWholeProperty, 4));
    ASSERT_NE(model.Connect(texture, root, 0, kWholeProperty), nullptr);
    ASSERT_NE(model.Connect(add, root, kRootAlpha, kWholeProperty), nullptr);

    EXPECT_FALSE(model.DeleteContainer(root));
    EXPECT_EQ(model.Containers().size(), 3u);

    ASSERT_TRUE(model.DeleteContainer(texture));
    EXPECT_EQ(Slot(2).Count, 0);
    EXPECT_EQ(Slot(2).Type, 'N');
    // The root's colour returns to the variable it had before the drop.
    EXPECT_EQ(root->Properties[0].Whole.Connection, nullptr);
    EXPECT_EQ(Input(root, 0), Var(kVarObjectWhole));
    ASSERT_TRUE(model.DeleteContainer(add));
    EXPECT_EQ(Trigger(4).Count, 0);
    EXPECT_EQ(Input(root, kRootAlpha), root->Component->ConstantAddress(kRootAlpha));
    EXPECT_TRUE(model.Connections().empty());
    EXPECT_EQ(model.Tree().Entries.size(), 1u);
}

TEST_F(GraphModelTest, ShiftAndCtrlToggleTheSelection) {
    TXRComponentContainer* a = Make(kAdd);
    TXRComponentContainer* b = Make(kAdd, 200, 0);
    TXRComponentContainer* c = Make(kAdd, 400, 0);
    model.ToggleSelection(a);  // the first selected one becomes active
    EXPECT_EQ(model.ActiveComponent(), a);
    model.ToggleSelection(b);
    model.ToggleSelection(c);
    EXPECT_EQ(model.SelectedCount(), 3);
    model.ToggleSelection(a);
    model.ToggleSelection(b);  // one left: selected alone and active
    EXPECT_EQ(model.SelectedCount(), 1);
    EXPECT_EQ(model.ActiveComponent(), c);
    model.PressSelect(b);
    EXPECT_TRUE(b->Selected);
    EXPECT_FALSE(c->Selected);
    model.MoveSelected(-500, 30);
    EXPECT_EQ(b->Left, 0);
    EXPECT_EQ(b->Top, 30);
}

TEST_F(GraphModelTest, MovingMarksTheShaderModifiedAndReroutesItsWires) {
    TXRComponentContainer* target = Make(kAdd, 40, 100);
    TXRComponentContainer* source = Make(kAdd, 300, 100);
    ASSERT_NE(model.Connect(source, target, 0, kWholeProperty), nullptr);
    model.ClearModified();
    model.MoveContainer(source, 300, 220);
    EXPECT_TRUE(model.Modified());
    model.Select(target);
    model.MoveSelected(0, 40);
    const TPath path = model.Connections().front()->CanvasPoints();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), target->InputPoint(0, kWholeProperty));
    EXPECT_EQ(path.back(), source->OutputPoint());
}

// Every point of the polyline, pixel by pixel.
std::vector<TPoint> Pixels(const TPath& path) {
    std::vector<TPoint> out;
    for (size_t i = 1; i < path.size(); ++i) {
        TPoint p = path[i - 1];
        const TPoint q = path[i];
        while (true) {
            out.push_back(p);
            if (p == q) break;
            p.x += (q.x > p.x) - (q.x < p.x);
            p.y += (q.y > p.y) - (q.y < p.y);
        }
    }
    return out;
}

TEST_F(GraphModelTest, RoutesGoAroundEveryContainer) {
    TXRComponentContainer* target = Make(kAdd, 40, 100);
    TXRComponentContainer* blocker = Make(kMandelbrot, 260, 60);  // across the straight way
    TXRComponentContainer* other = Make(kAdd, 260, 250);
    TXRComponentContainer* source = Make(kAdd, 520, 100);
    ASSERT_NE(model.Connect(source, target, 0, kWholeProperty), nullptr);
    ASSERT_NE(model.Connect(other, target, 1, kWholeProperty), nullptr);
    ASSERT_FALSE(model.Grid().Empty());
    for (const auto& conn : model.Connections()) {
        const TPath path = conn->CanvasPoints();
        ASSERT_GE(path.size(), 4u);
        EXPECT_EQ(path.front(), conn->Target->InputPoint(conn->Property, conn->Part));
        EXPECT_EQ(path.back(), conn->Source->OutputPoint());
        for (size_t i = 1; i < path.size(); ++i) {  // orthogonal
            EXPECT_TRUE(path[i].x == path[i - 1].x || path[i].y == path[i - 1].y);
        }
        // Only the end segments may touch their own containers.
        for (const TPoint& p : Pixels(path)) {
            for (const auto& c : model.Containers()) {
                if (c.get() == conn->Source || c.get() == conn->Target) continue;
                EXPECT_FALSE(c->Bounds().Contains(p)) << p.x << "," << p.y;
            }
        }
        for (const TPoint& p : Pixels(TPath(path.begin() + 1, path.end() - 1))) {
            EXPECT_FALSE(conn->Source->Bounds().Contains(p));
            EXPECT_FALSE(conn->Target->Bounds().Contains(p));
        }
    }
    (void)blocker;
}

TEST_F(GraphModelTest, RoutesFallBackWhenTheGridIsTooLarge) {
    TXRComponentContainer* target = Make(kAdd, 100, 100);
    TXRComponentContainer* source = Make(kAdd, 20000, 2000);
    ASSERT_NE(model.Connect(source, target, 0, kWholeProperty), nullptr);
    EXPECT_TRUE(model.Grid().Empty());
    // Input (100 + 117, 100 + 16 + 8), output (20001, 2007), halfway x 10109.
    const TPath expected = {{217, 124}, {10109, 124}, {10109, 2007}, {20001, 2007}};
    EXPECT_EQ(model.Connections()[0]->CanvasPoints(), expected);
    EXPECT_EQ(model.Connections()[0]->Bounds, (TRect{205, 112, 20013, 2019}));
}

TEST_F(GraphModelTest, TouchingContainersFallBackToAnOrthogonalLine) {
    TXRComponentContainer* target = Make(kAdd, 100, 100);
    TXRComponentContainer* source = Make(kAdd, 220, 100);
    ASSERT_NE(model.Connect(source, target, 0, kWholeProperty), nullptr);
    // Output (221, 107) right of input (217, 124): halfway x 219.
    const TPath expected = {{217, 124}, {219, 124}, {219, 107}, {221, 107}};
    EXPECT_EQ(model.Connections()[0]->CanvasPoints(), expected);
}

TEST(FallbackRoute, LeavesLeftAndEntersRightWhenTheOutputIsLeftOfTheInput) {
    // Source left of the target, overlapping vertically: the way above is shorter.
    const TRect source{0, 100, 120, 151};
    const TRect target{300, 90, 420, 200};
    const TPoint output{1, 107};
    const TPoint input{417, 124};
    const TPath expected = {{417, 124}, {427, 124}, {427, 80}, {-9, 80}, {-9, 107}, {1, 107}};
    EXPECT_EQ(FallbackRoute(output, source, input, target), expected);
    // Apart vertically: halfway between them.
    const TRect low{0, 300, 120, 351};
    const TPath between = FallbackRoute({1, 307}, low, input, target);
    ASSERT_EQ(between.size(), 6u);
    EXPECT_EQ(between[2].y, 250);
    // An end inside the other container: one straight segment.
    EXPECT_EQ(FallbackRoute({310, 100}, source, input, target).size(), 2u);
}

TEST_F(GraphModelTest, CollapsedInputsEndAtY8) {
    TXRComponentContainer* target = Make(kAdd3D, 40, 40);
    TXRComponentContainer* a = Make(kAdd3D, 300, 0);
    TXRComponentContainer* b = Make(kAdd3D, 300, 200);
    ASSERT_NE(model.Connect(a, target, 0, kWholeProperty), nullptr);
    ASSERT_NE(model.Connect(b, target, 1, kWholeProperty), nullptr);
    model.SetCollapsed(target, true);
    EXPECT_EQ(target->Height, 17);
    for (const auto& conn : model.Connections()) {
        EXPECT_EQ(conn->CanvasPoints().front(), (TPoint{40 + 117, 40 + 8}));
    }
    int32_t prop = 0, part = 0;
    EXPECT_FALSE(model.InputAt(target, {50, 20}, prop, part));
    model.SetCollapsed(target, false);
    EXPECT_EQ(model.Connections()[1]->CanvasPoints().front(), (TPoint{157, 40 + 33 + 8}));
    ASSERT_TRUE(model.InputAt(target, {50, 40}, prop, part));
    EXPECT_EQ(prop, 1);
    EXPECT_EQ(part, kWholeProperty);
}

TEST_F(GraphModelTest, EverySampleLayoutReadsBackUnchanged) {
    const std::filesystem::path folder =
        std::filesystem::path(VANDREL_SOURCE_DIR) / "resources" / "samples";
    int samples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".xrb") continue;
        ++samples;
        const TLoadedShader shader = LoadShaderFile(entry.path().string());
        ASSERT_EQ(shader.status, ShaderFileStatus::kCurrent) << entry.path();
        ASSERT_TRUE(model.Rebuild(shader.stream)) << entry.path();
        EXPECT_EQ(model.LayoutText(), StreamSection(shader.stream, kEditorSourceSection))
            << entry.path();
        const TEditorSource layout =
            ParseEditorSource(StreamSection(shader.stream, kEditorSourceSection));
        EXPECT_EQ(model.Containers().size(), layout.windows.size());
        EXPECT_EQ(model.Connections().size(), layout.connections.size());
        ASSERT_NE(model.RootContainer(), nullptr);
        EXPECT_EQ(model.Tree().RootEntry->Component.get(), model.RootContainer()->Component);
        EXPECT_FALSE(model.Modified());
    }
    EXPECT_GE(samples, 8);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(GraphModelTest, RebuildSkipsUnknownComponentsAndKeepsWindowNumbers) {
    // Window 0 the root, window 1 an unknown type, window 2 an Add feeding the root's Alpha.
    const std::string stream =
        "XR0000#000100080008LV0005SLV000DLV002ES00000000|7777010000080|038500F80008SS"
        "%000100001F|000200001F%0000%000";
    ASSERT_TRUE(model.Rebuild(stream));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].starts_with("Trying to create a non-existing component ("));
    ASSERT_EQ(model.Containers().size(), 2u);
    ASSERT_EQ(model.Connections().size(), 1u);
    EXPECT_EQ(model.Connections()[0]->Source->TypeId, 0x385);
    EXPECT_EQ(model.Connections()[0]->Property, kRootAlpha);

    EXPECT_FALSE(model.Rebuild("XR0000##02D%%"));
    EXPECT_EQ(messages.shown.back(), "Unable to rebuild shader; source data not found.");
}

TEST_F(GraphModelTest, RebuildRefusesTheConnectionThatClosesACycle) {
    // Windows: 0 the root, 1 A, 2 B, 3 C (Adds). A feeds the root's Alpha, B feeds A, C feeds
    // B and A feeds C: whichever of the last three comes last in the layout closes the cycle.
    const std::string windows =
        "XR0000#000100080008LV0005SLV000DLV002ES00000000|038500F80008SS|038501F00008SS|"
        "038501F80008SS%";
    struct Row {
        const char* connections;
        int32_t refusedSource, refusedTarget;
    };
    const Row rows[] = {
        {"000100001F|000200010F|000300020F|000100030F", 1, 3},
        {"000100030F|000100001F|000200010F|000300020F", 3, 2},
        {"000300020F|000100030F|000200010F|000100001F", 2, 1},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(model.Rebuild(windows + row.connections + "%0000"));
        ASSERT_EQ(model.Connections().size(), 3u) << row.connections;
        for (const auto& connection : model.Connections()) {
            EXPECT_FALSE(model.IndexOf(connection->Source) == row.refusedSource &&
                         model.IndexOf(connection->Target) == row.refusedTarget)
                << row.connections;
        }
        const TXRComponentContainer* refused =
            model.Containers()[static_cast<size_t>(row.refusedTarget)].get();
        EXPECT_EQ(refused->Properties[0].Whole.Connection, nullptr);
    }
}

TEST_F(GraphModelTest, RebuildRegistersTriggersAndFilesFromTheLayout) {
    // An Add on Trigger 2 and a texture on file 1 (slot 0).
    const std::string stream =
        "XR0000#000100080008LV0005SLV000DLV002ES00000000|038500F80008V0042S|044D01F00008"
        "0T0000%%0000%000";
    ASSERT_TRUE(model.Rebuild(stream));
    EXPECT_EQ(Trigger(1).Count, 1);
    EXPECT_EQ(Slot(0).Type, 'T');
    EXPECT_EQ(model.LayoutText(), StreamSection(stream, kEditorSourceSection));
}

TEST(InputMenu, GroupsPartsAndEndsWithTheTriggers) {
    const auto menu = BuildInputMenu(kNumerical, false);
    ASSERT_GE(menu.size(), 5u);
    EXPECT_EQ(menu[0].action, TInputMenuItem::kDisconnect);
    EXPECT_EQ(menu[1].action, TInputMenuItem::kConstant);
    EXPECT_EQ(menu[2].action, TInputMenuItem::kSeparator);
    EXPECT_EQ(menu[3].caption, "Color Input");
    ASSERT_EQ(menu[3].children.size(), 3u);
    EXPECT_EQ(menu[3].children[1].caption, "G");
    EXPECT_EQ(menu[3].children[1].value, 3);
    const auto uvMapping = std::find_if(menu.begin(), menu.end(),
                                        [](const auto& i) { return i.caption == "UV Mapping"; });
    ASSERT_NE(uvMapping, menu.end());
    ASSERT_EQ(uvMapping->children.size(), 2u);
    EXPECT_EQ(uvMapping->children[1].value, 19);
    const auto rayLength = std::find_if(menu.begin(), menu.end(),
                                        [](const auto& i) { return i.caption == "Ray Length"; });
    ASSERT_NE(rayLength, menu.end());
    EXPECT_EQ(rayLength->value, 38);
    EXPECT_EQ(menu.back().caption, "Trigger");
    ASSERT_EQ(menu.back().children.size(), 20u);
    EXPECT_EQ(menu.back().children[19].caption, "Trigger 20");
    EXPECT_EQ(menu.back().children[19].value, 84);

    const auto integer = BuildInputMenu(kNumerical, true);
    ASSERT_EQ(integer.size(), 4u);
    EXPECT_EQ(integer[0].action, TInputMenuItem::kHidden);
    EXPECT_EQ(integer[1].action, TInputMenuItem::kConstant);
}

TEST_F(GraphModelTest, MenuChoicesChangeTheSource) {
    TXRComponentContainer* add = Make(kAdd);
    TXRComponentContainer* src = Make(kAdd, 200, 0);
    ASSERT_NE(model.Connect(src, add, 0, kWholeProperty), nullptr);
    const auto menu = BuildInputMenu(kNumerical, false);
    const TInputMenuItem& green = menu[3].children[1];
    ASSERT_TRUE(ChooseInputMenuItem(model, add, 0, kWholeProperty, green));
    EXPECT_TRUE(model.Connections().empty());
    EXPECT_EQ(Input(add, 0), Var(3));
    EXPECT_EQ(model.ValueText(add, 0, kWholeProperty), "ColorIn.G");
    EXPECT_EQ(model.ActiveComponent(), add);
    EXPECT_FALSE(ChooseInputMenuItem(model, add, 0, kWholeProperty, menu[0]));  // nothing fed
}

}  // namespace
}  // namespace vandrel

#include "core/tree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "components/generators/generators_1d.h"
#include "components/math/vectors_colors.h"
#include "core/context.h"
#include "core/root.h"
#include "core/stream_sections.h"
#include "core/thread_record.h"
#include "core/tree_section.h"
#include "test_support.h"

namespace vandrel {
namespace {

class TreeTest : public ::testing::Test {
  protected:
    void SetUp() override { tree.Context = &record; }

    float& Var(int32_t number, int k = 0) { return VariableAddress(&record, number)[k]; }

    // Builds, writes, rebuilds and writes again: both texts must agree.
    std::string RoundTrip(TXRTree& source) {
        const std::string written = source.WriteTree();
        TXRTree again;
        again.Context = &record;
        EXPECT_TRUE(again.BuildFromStream("XR" + written)) << written;
        EXPECT_EQ(again.WriteTree(), written);
        return written;
    }

    template <class T>
    T* Add() {
        return static_cast<T*>(tree.AddComponent(CreateComponent(T::kTypeId)));
    }

    TThreadRecord record;
    TXRTree tree;
};

TEST_F(TreeTest, DefaultStreamPassesTheHostValuesThrough) {
    ASSERT_TRUE(tree.BuildFromStream(kDefaultStream));
    ASSERT_EQ(tree.Entries.size(), 1u);
    EXPECT_EQ(tree.RootEntry->Component->TypeId, 1);
    EXPECT_EQ(tree.RootEntry->Mask, 0x000F);  // the stream's mask, not a computed one
    Var(kVarColorIn, 0) = 0.3f;
    Var(kVarColorIn, 2) = 0.7f;
    Var(kVarTrIn, 1) = 0.25f;
    Var(kVarSNorm, 2) = -1.0f;
    tree.Evaluate(OutputTypeMask(kColor));
    EXPECT_EQ(Var(kVarColorOut, 0), 0.3f);
    EXPECT_EQ(Var(kVarColorOut, 2), 0.7f);
    EXPECT_EQ(Var(kVarTrOut, 1), 0.25f);
    EXPECT_EQ(Var(kVarSNorm, 2), -1.0f);
    EXPECT_EQ(Var(kVarAlpha), 1.0f);
    // The writer drops the two connections to properties the root does not have, and gives the
    // root the mask of the result component.
    EXPECT_EQ(tree.WriteTree(), "0001000103V0F0002V2F000AV3F002B001F");
}

TEST_F(TreeTest, WholeAndPerPartConnectionsAreWrittenAsSuch) {
    auto* root = Add<TXRCRoot>();
    auto* producer = Add<TXRCAdd3D>();
    auto* sine = Add<TXRCSine>();
    sine->Connect(3, kWholeProperty, VariableAddress(&record, kVarWorld));
    auto* consumer = Add<TXRCAdd3D>();
    consumer->Connect(0, kWholeProperty, producer->OutputAddress());  // whole
    consumer->SetConstant(1, 0, 0.5f);                                // part 0 differs
    consumer->Connect(1, 1, sine->OutputAddress());                   // part 1 fed
    root->Connect(kRootColor, kWholeProperty, consumer->OutputAddress());
    ASSERT_TRUE(tree.Link(producer, consumer));
    ASSERT_TRUE(tree.Link(sine, consumer));
    ASSERT_TRUE(tree.Link(consumer, root));
    tree.SetRoot(root);
    // producer and sine (distance 2) first, then consumer, then the root; all feed the colour.
    const std::string written = RoundTrip(tree);
    EXPECT_EQ(written,
              "0004"
              "02BD"
              "00"
              "000C"  // producer at its defaults: "00"
              "0065"
              "01"
              "V3F0037"
              "000C"  // sine on World.X
              "02BD"
              "03"
              "S00000F"
              "C103F000000"
              "S000111"
              "000C"
              "0001"
              "01"
              "S00020F"
              "001F");
}

TEST_F(TreeTest, MasksFollowTheRootPropertyFed) {
    auto* root = Add<TXRCRoot>();
    auto* normal = Add<TXRCSine>();
    normal->Connect(3, kWholeProperty, VariableAddress(&record, kVarWorld));
    root->Connect(kRootNormal, 1, normal->OutputAddress());
    auto* alpha = Add<TXRCSine>();
    root->Connect(kRootAlpha, kWholeProperty, alpha->OutputAddress());
    ASSERT_TRUE(tree.Link(normal, root));
    ASSERT_TRUE(tree.Link(alpha, root));
    tree.SetRoot(root, true);
    EXPECT_EQ(tree.FindEntry(normal)->Mask, 1);
    EXPECT_EQ(tree.FindEntry(alpha)->Mask, 2);
    EXPECT_EQ(tree.FindEntry(root)->Mask, kMaskAll);

    // The normal's sine is skipped by the colour pass and evaluated by the displacement pass.
    Var(kVarWorld) = 0.25f;
    tree.Evaluate(OutputTypeMask(kColor));
    EXPECT_EQ(*normal->OutputAddress(), 0.0f);
    tree.Evaluate(OutputTypeMask(kDisplacement));
    EXPECT_FLOAT_EQ(*normal->OutputAddress(), 1.0f);

    tree.Recompute(false);
    EXPECT_EQ(tree.FindEntry(normal)->Mask, kMaskAll);
}

TEST_F(TreeTest, ConstantSubtreesAreFoldedOnce) {
    // A constant sine at Input 0.25, and a sine on World.X, both feeding the colour.
    auto* root = Add<TXRCRoot>();
    auto* fixed = Add<TXRCSine>();
    fixed->SetConstant(3, kWholeProperty, 0.25f);
    auto* varying = Add<TXRCSine>();
    varying->Connect(3, kWholeProperty, VariableAddress(&record, kVarWorld));
    root->Connect(kRootColor, 0, fixed->OutputAddress());
    root->Connect(kRootColor, 1, varying->OutputAddress());
    tree.Link(fixed, root);
    tree.Link(varying, root);
    tree.SetRoot(root);

    TXRTree built;
    built.Context = &record;
    ASSERT_TRUE(built.BuildFromStream("XR" + tree.WriteTree()));
    ASSERT_EQ(built.Entries.size(), 3u);
    TXRComponent* folded = built.Entries[0]->Component.get();
    TXRComponent* live = built.Entries[1]->Component.get();
    EXPECT_EQ(built.Entries[0]->Mask, 0);
    EXPECT_FLOAT_EQ(*folded->OutputAddress(), 1.0f);  // evaluated at build time
    EXPECT_NE(built.Entries[1]->Mask, 0);
    EXPECT_NE(built.RootEntry->Mask, 0);  // the root is never folded

    *folded->OutputAddress() = 42.0f;  // a pass would overwrite a component it evaluates
    Var(kVarWorld) = 0.75f;
    built.Evaluate(OutputTypeMask(kColor));
    EXPECT_EQ(*folded->OutputAddress(), 42.0f);
    EXPECT_NEAR(*live->OutputAddress(), 0.0f, 1e-6);
    EXPECT_EQ(Var(kVarColorOut, 0), 42.0f);
}

TEST_F(TreeTest, UnreachableComponentsAreNotWritten) {
    auto* root = Add<TXRCRoot>();
    auto* orphan = Add<TXRCSine>();
    auto* used = Add<TXRCSine>();
    root->Connect(kRootAlpha, kWholeProperty, used->OutputAddress());
    tree.Link(used, root);
    auto* feedsOrphan = Add<TXRCAdd3D>();
    orphan->Connect(0, kWholeProperty, feedsOrphan->OutputAddress());
    tree.Link(feedsOrphan, orphan);
    tree.SetRoot(root);
    EXPECT_EQ(tree.FindEntry(orphan)->Distance, kUnreachable);
    EXPECT_EQ(tree.FindEntry(orphan)->Mask, 0);
    EXPECT_EQ(tree.FindEntry(feedsOrphan)->Distance, kUnreachable);
    EXPECT_EQ(tree.FindEntry(used)->Distance, 1);
    EXPECT_EQ(tree.Entries.front()->Distance, kUnreachable);  // unreachable entries sort first
    EXPECT_EQ(tree.WriteTree(), "00020065000002000101S00001F001F");
}

TEST_F(TreeTest, LinksThatWouldCloseACycleAreRefused) {
    auto* a = Add<TXRCSine>();
    auto* b = Add<TXRCSine>();
    auto* c = Add<TXRCSine>();
    EXPECT_FALSE(tree.Link(a, a));
    EXPECT_TRUE(tree.Link(a, b));
    EXPECT_TRUE(tree.Link(b, c));
    EXPECT_FALSE(tree.Link(b, a));
    EXPECT_FALSE(tree.Link(c, a, true));
    EXPECT_TRUE(tree.Link(a, c, true));
    EXPECT_EQ(tree.FindEntry(a)->Consumers.size(), 1u);  // the test-only link changed nothing
    tree.Unlink(b, c);
    EXPECT_TRUE(tree.Link(c, a));
}

TEST_F(TreeTest, RemovingAComponentDisconnectsItsReaders) {
    auto* root = Add<TXRCRoot>();
    auto* producer = Add<TXRCAdd3D>();
    auto* sine = Add<TXRCSine>();
    root->Connect(kRootColor, kWholeProperty, producer->OutputAddress());
    root->Connect(kRootAlpha, kWholeProperty, sine->OutputAddress());
    tree.Link(producer, root);
    tree.Link(sine, root);
    tree.SetRoot(root);
    tree.RemoveComponent(producer);
    EXPECT_EQ(root->InputAddress(kRootColor, 2), root->ConstantAddress(kRootColor) + 2);
    EXPECT_EQ(root->InputAddress(kRootAlpha, 0), sine->OutputAddress());
    EXPECT_EQ(tree.FindEntry(sine)->Consumers.size(), 1u);
    EXPECT_EQ(tree.Entries.size(), 2u);
    tree.RemoveComponent(root);
    EXPECT_EQ(tree.RootEntry, nullptr);
    EXPECT_TRUE(tree.FindEntry(sine)->Consumers.empty());
}

TEST_F(TreeTest, WholeConnectionToASmallerOutputIsRefused) {
    // Parts 1 and 2 of the colour would read past the sine's one output float.
    ASSERT_TRUE(tree.BuildFromStream("XR0002006500000C000101S00000F001F"));
    TXRComponent* root = tree.RootEntry->Component.get();
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(root->InputAddress(kRootColor, k), root->ConstantAddress(kRootColor) + k);
    }
    // One part of it may read the sine.
    ASSERT_TRUE(tree.BuildFromStream("XR0002006500000C000101S000002001F"));
    root = tree.RootEntry->Component.get();
    EXPECT_EQ(root->InputAddress(kRootColor, 2), tree.Entries[0]->Component->OutputAddress());
}

TEST_F(TreeTest, EnumerationsAndFilesAreWrittenWithM) {
    auto* root = Add<TXRCRoot>();
    root->Connect(kRootDisplacementMode, kWholeProperty, VariableAddress(&record, kVarTrigger3));
    root->SetEnumValue(kRootEvaluationMode, 1);
    tree.SetRoot(root);
    const std::string written = RoundTrip(tree);
    EXPECT_EQ(written, "0001000102M58043M60001001F");
    EXPECT_FALSE(Scan("XR" + written));
    EXPECT_TRUE(Scan(kDefaultStream));
    EXPECT_TRUE(Scan("not a stream"));
}

TEST_F(TreeTest, HostileStreamsAreReadSafely) {
    test::RecordingMessages messages;
    struct Row {
        const char* stream;
        bool built;
    };
    const Row rows[] = {
        {"", false},
        {"XY0001000100001F", false},
        {"XR", false},
        {"XR0000", false},
        {"XR0001", false},                      // count larger than the text
        {"XR000100010", false},                 // cut inside the instruction count
        {"XR0001000101C0F3F80", false},         // cut inside a float
        {"XR0001000101Q001F", true},            // unknown letter: reported, reading goes on
        {"XR0001000101CFF3F800000001F", true},  // property index beyond the class
        {"XR0001000101V0F0FFF001F", true},      // unknown variable number
        {"XR0001000101S09990F001F", true},      // source beyond the tree
        {"XR0003006501S00013F000C006500000C000101S00001F001F", true},         // forward, no cycle
        {"XR0003006501S00013F000C006501S00003F000C000101S00011F001F", true},  // closes a cycle
        {"XR0001zzzz00001F", false},             // not hex digits: not a stream this program wrote
        {"XR0001000101C0F3f800000001F", false},  // a lower-case digit
        {"XR0001038A00001F", false},             // unknown type id
    };
    for (const Row& row : rows) {
        TXRTree t;
        t.Context = &record;
        EXPECT_EQ(t.BuildFromStream(row.stream), row.built) << row.stream;
        if (row.built) t.Evaluate(kMaskAll);
    }
    EXPECT_NE(std::find(messages.shown.begin(), messages.shown.end(),
                        std::string("Invalid bytecode instruction!")),
              messages.shown.end());

    // Without "XR" the tree keeps what it had.
    ASSERT_TRUE(tree.BuildFromStream(kDefaultStream));
    EXPECT_FALSE(tree.BuildFromStream("garbage"));
    EXPECT_EQ(tree.Entries.size(), 1u);

    // Truncation at every character of a valid stream.
    const std::string valid =
        "XR000300650001V3F0037000C02BD0002S00000FS00001F000C00010001S00010F000F";
    for (size_t cut = 0; cut <= valid.size(); ++cut) {
        TXRTree t;
        t.Context = &record;
        if (t.BuildFromStream(valid.substr(0, cut))) t.Evaluate(kMaskAll);
    }

    // A stream of megabytes.
    std::string huge = "XRFFFF";
    for (int i = 0; i < 60000; ++i) huge += "006500001F";
    TXRTree big;
    big.Context = &record;
    EXPECT_FALSE(big.BuildFromStream(huge));  // fewer components than announced
}

}  // namespace
}  // namespace vandrel

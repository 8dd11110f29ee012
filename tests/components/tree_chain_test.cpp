// A handful of components wired through a stream and evaluated through the tree give what the
// chain computes by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/context.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "test_support.h"

namespace vandrel {
namespace {

TEST(TreeChain, NumericalChainMatchesTheHandComputation) {
    test::RecordingMessages messages;
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    // Alpha = repeat(sine · World.Y, [0, 1.5)) + sine², colour red = sine², through a written
    // stream.
    auto* root = tree.AddComponent(CreateComponent(1));
    auto* sine = tree.AddComponent(CreateComponent(101));
    sine->SetConstant(0, -1, 2.0f);
    sine->SetConstant(1, -1, 0.5f);
    sine->SetConstant(2, -1, 0.0f);
    sine->Connect(3, -1, VariableAddress(&record, kVarWorld));
    auto* multiply = tree.AddComponent(CreateComponent(903));
    multiply->Connect(0, -1, sine->OutputAddress());
    multiply->Connect(1, -1, VariableAddress(&record, kVarWorldY));
    auto* power = tree.AddComponent(CreateComponent(911));
    power->Connect(0, -1, sine->OutputAddress());
    power->SetConstant(1, -1, 2.0f);
    auto* repeat = tree.AddComponent(CreateComponent(105));
    repeat->SetConstant(1, -1, 1.5f);
    repeat->Connect(2, -1, multiply->OutputAddress());
    auto* add = tree.AddComponent(CreateComponent(901));
    add->Connect(0, -1, repeat->OutputAddress());
    add->Connect(1, -1, power->OutputAddress());
    root->Connect(1, -1, add->OutputAddress());   // Alpha
    root->Connect(0, 0, power->OutputAddress());  // Colour red
    for (auto [p, c] : {std::pair{sine, multiply},
                        {sine, power},
                        {multiply, repeat},
                        {repeat, add},
                        {power, add},
                        {add, root},
                        {power, root}}) {
        ASSERT_TRUE(tree.Link(p, c));
    }
    tree.SetRoot(root);

    TXRTree built;
    built.Context = &record;
    ASSERT_TRUE(built.BuildFromStream("XR" + tree.WriteTree()));
    for (const float x : {0.3f, -1.7f, 2.25f}) {
        for (const float y : {0.5f, 3.0f, -2.0f}) {
            VariableAddress(&record, kVarWorld)[0] = x;
            VariableAddress(&record, kVarWorld)[1] = y;
            built.Evaluate(OutputTypeMask(kTransparency) | OutputTypeMask(kColor));
            const float s =
                static_cast<float>(0.5 * 2.0 * std::sin(2 * std::numbers::pi * 0.5 * x));
            const float product = static_cast<float>(double{s} * y);
            const float square = static_cast<float>(double{s} * s);
            const float d = product;  // Input − Minimum, Minimum 0
            const float repeated = static_cast<float>(d - std::floor(d / 1.5f) * 1.5f);
            const float expected = static_cast<float>(double{repeated} + square);
            EXPECT_NEAR(*VariableAddress(&record, kVarAlpha), expected, 1e-6) << x << " " << y;
            EXPECT_NEAR(*VariableAddress(&record, kVarColorOut), square, 1e-6);
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace vandrel

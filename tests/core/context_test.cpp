#include "core/context.h"

#include <gtest/gtest.h>

#include "core/root.h"

namespace vandrel {
namespace {

TEST(Context, NamesAndKinds) {
    struct Row {
        int32_t number;
        const char* shortName;
        const char* longName;
        int32_t kind;
    };
    const Row rows[] = {
        {1, "Alpha", "Alpha", kNumerical},
        {5, "ColorIn", "Color Input", kVector},
        {11, "TrIn.G", "Transparency Filter Input.G", kNumerical},
        {24, "UDir.Z", "U Direction.Z", kNumerical},
        {38, "|Ray|", "Ray Length", kNumerical},
        {59, "SrfRev", "Surface Reversal Flag", kNumerical},
        {63, "UV", "UV Mapping", kUV},
        {64, "UV Delta", "UV Delta", kUV},
        {65, "Trigger1", "Trigger 1", kTrigger},
        {84, "Trigger20", "Trigger 20", kTrigger},
        {85, "FrmRate", "Frame Rate", kNumerical},
        {0, "Error!", "Error!", kUndefined},
        {86, "Error!", "Error!", kUndefined},
        {-3, "Error!", "Error!", kUndefined},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(VariableShortName(row.number), row.shortName) << row.number;
        EXPECT_EQ(VariableLongName(row.number), row.longName) << row.number;
        EXPECT_EQ(VariableKind(row.number), row.kind) << row.number;
    }
    EXPECT_EQ(VariableByLongName("Shading Normal"), 46);
    EXPECT_EQ(VariableByLongName("shading normal"), 0);
    EXPECT_EQ(VariableByLongName("Error!"), 0);
}

TEST(Context, AddressesFollowTheHostRecordLayout) {
    TThreadRecord record;
    float* base = record.Variables.data();
    EXPECT_EQ(VariableAddress(&record, 1), base);
    EXPECT_EQ(VariableAddress(&record, 5), base + 1);
    EXPECT_EQ(VariableAddress(&record, 13), base + 136 / 4);
    EXPECT_EQ(VariableAddress(&record, 63), base + 128 / 4);
    EXPECT_EQ(VariableAddress(&record, 58), base + 112 / 4);
    EXPECT_EQ(VariableAddress(&record, 59), base + kHostBlockWords);
    EXPECT_EQ(VariableAddress(&record, 85), base + kHostBlockWords + 4);
    EXPECT_EQ(VariableAddress(&record, 65 + 2), base + kTriggerAreaIndex + 6);
    EXPECT_EQ(VariableAddress(&record, 84) + 3, base + kVariableFloats);
    EXPECT_EQ(VariableAddress(&record, 0), nullptr);
    EXPECT_EQ(VariableAddress(&record, 86), nullptr);
    EXPECT_EQ(VariableAddress(nullptr, 5), nullptr);
}

TEST(Context, ReverseLookupPrefersTheLowestNumber) {
    TThreadRecord record;
    const float* colorIn = VariableAddress(&record, 5);
    EXPECT_EQ(VariableAtAddress(&record, colorIn), 2);
    EXPECT_EQ(VariableAtAddress(&record, colorIn, kVector), 5);
    EXPECT_EQ(VariableAtAddress(&record, colorIn, kNumerical), 2);
    EXPECT_EQ(VariableAtAddress(&record, colorIn, kUV), 0);
    EXPECT_EQ(VariableAtAddress(&record, VariableAddress(&record, 63)), 18);
    EXPECT_EQ(VariableAtAddress(&record, VariableAddress(&record, 63), kUV), 63);
    // A trigger answers for any wanted kind.
    EXPECT_EQ(VariableAtAddress(&record, VariableAddress(&record, 70), kVector), 70);
    // Second float of a trigger, outside the record, no record: nothing.
    EXPECT_EQ(VariableAtAddress(&record, VariableAddress(&record, 70) + 1), 0);
    float outside = 0;
    EXPECT_EQ(VariableAtAddress(&record, &outside), 0);
    EXPECT_EQ(VariableAtAddress(nullptr, colorIn), 0);
}

TEST(Context, ConnectionMenuTexts) {
    const std::string numerical = ConnectionMenuText(kNumerical);
    EXPECT_EQ(numerical.rfind("$Disconnect;$Constant;-;$Color Input.R;$Color Input.G;", 0), 0u);
    EXPECT_EQ(numerical.find("$Alpha"), std::string::npos);  // variable 1 is never listed
    EXPECT_EQ(numerical.find("Trigger"), std::string::npos);
    EXPECT_EQ(numerical.substr(numerical.size() - 12), ";$Frame Rate");
    EXPECT_EQ(ConnectionMenuText(kUV), "$Disconnect;-;$UV Mapping;$UV Delta");
    const std::string vector = ConnectionMenuText(kVector);
    EXPECT_EQ(vector.rfind("$Disconnect;-;$Color Input;$Color Output;", 0), 0u);
    EXPECT_EQ(vector.substr(vector.size() - 13), ";$World Space");
}

TEST(Context, UsageCountersShareTheColourOutputCounter) {
    TVariableUsage usage;
    usage.Increment(6);
    usage.Increment(9);
    usage.Increment(5);
    usage.Increment(86);  // ignored
    EXPECT_EQ(usage.Count(6), 1);
    EXPECT_EQ(usage.Count(9), 1);
    EXPECT_EQ(usage.ColorOutputCount(), 2);
    usage.Decrement(9);
    EXPECT_EQ(usage.ColorOutputCount(), 1);
    usage.Reset();
    EXPECT_EQ(usage.Count(6), 0);
    EXPECT_EQ(usage.Count(5), 0);
    EXPECT_EQ(usage.ColorOutputCount(), 0);
}

class RootTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root.Bind(&record, nullptr);
        // What a new shader wires: colour, transparency filter and normal pass through.
        root.Connect(kRootColor, kWholeProperty, VariableAddress(&record, kVarColorIn));
        root.Connect(kRootTransparencyFilter, kWholeProperty, VariableAddress(&record, kVarTrIn));
        root.Connect(kRootNormal, kWholeProperty, VariableAddress(&record, kVarSNorm));
        Set(kVarColorIn, {0.8f, 0.4f, 0.2f});
        Set(kVarTrIn, {0.1f, 0.2f, 0.3f});
        Set(kVarSNorm, {0.0f, 0.6f, 0.8f});
        Set(kVarAlpha, {0.25f});
    }
    void Set(int32_t var, std::initializer_list<float> values) {
        std::copy(values.begin(), values.end(), VariableAddress(&record, var));
    }
    float Var(int32_t var, int k = 0) { return VariableAddress(&record, var)[k]; }

    TThreadRecord record;
    TXRCRoot root;
};

TEST_F(RootTest, HeightModeLeavesTheNormalAlone) {
    root.Connect(kRootNormal, kWholeProperty, nullptr);  // constants (0, 0, 0)
    root.SetEnumValue(kRootDisplacementMode, 1);
    root.Evaluate(true);
    EXPECT_FLOAT_EQ(Var(kVarSNorm, 2), 0.8f);
    root.SetEnumValue(kRootDisplacementMode, 0);
    root.Evaluate(true);
    EXPECT_FLOAT_EQ(Var(kVarSNorm, 2), 0.0f);
}

TEST_F(RootTest, LaterStepsReadWhatEarlierStepsWrote) {
    // Alpha fed from the colour output's red reads this pass's colour, not the last one.
    root.Connect(kRootAlpha, kWholeProperty, VariableAddress(&record, kVarColorOut));
    Set(kVarColorOut, {0.0f, 0.0f, 0.0f});
    root.Evaluate(true);
    EXPECT_FLOAT_EQ(Var(kVarAlpha), 0.8f);
}

TEST_F(RootTest, WholeVectorOnColourOutputReadsItsThreeParts) {
    root.Connect(kRootNormal, kWholeProperty, VariableAddress(&record, kVarColorOutWhole));
    root.Evaluate(true);
    EXPECT_FLOAT_EQ(Var(kVarSNorm, 0), 0.8f);
    EXPECT_FLOAT_EQ(Var(kVarSNorm, 1), 0.4f);
    EXPECT_FLOAT_EQ(Var(kVarSNorm, 2), 0.2f);
}

}  // namespace
}  // namespace vandrel

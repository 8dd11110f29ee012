#include "core/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/context.h"
#include "core/thread_record.h"
#include "core/tree.h"

namespace vandrel {
namespace {

double FirstDraw(int32_t seed) {
    TRandomState state;
    RandomSeed(state, seed);
    return RandomNext(state);
}

TEST(Random, NextIsMultiplyWithCarryOnFractions) {
    // t = 2111111111 · 0.5 + 5115 · 0.25 + 0.25 = 1055556834.5: carry 1055556834, fraction 0.5.
    TRandomState state{0.25, 0.0, 0.0, 0.5, 0.25};
    EXPECT_DOUBLE_EQ(RandomNext(state), 0.5);
    EXPECT_DOUBLE_EQ(state.x1, 0.25);
    EXPECT_DOUBLE_EQ(state.x3, 0.0);
    EXPECT_DOUBLE_EQ(state.c, 1055556834.0 / 4294967296.0);
}

TEST(Random, ZeroSeedWarmsUpDifferentlyFromTheStandIn) {
    // 0 stands for 2147483647 but warms up 17 times instead of 11.
    EXPECT_NE(FirstDraw(0), FirstDraw(2147483647));
    EXPECT_NE(FirstDraw(-5), FirstDraw(5));
    // A negative seed uses |seed| and the longer warm-up: 17 − 11 = 6 more draws.
    TRandomState positive;
    RandomSeed(positive, 5);
    for (int i = 0; i < 6; ++i) RandomNext(positive);
    EXPECT_DOUBLE_EQ(RandomNext(positive), FirstDraw(-5));
}

TEST(Random, SameSeedSameFirstDrawWhateverCameBefore) {
    TRandomState state;
    RandomSeed(state, 99);
    for (int i = 0; i < 37; ++i) RandomNext(state);
    RandomSeed(state, 1234);
    const double afterDraws = RandomNext(state);
    EXPECT_DOUBLE_EQ(afterDraws, FirstDraw(1234));
}

TEST(Random, DrawsStayInUnitInterval) {
    for (const int32_t seed : {1, -1, 0, 1234, std::numeric_limits<int32_t>::min(), 2147483647}) {
        TRandomState state;
        RandomSeed(state, seed);
        double sum = 0;
        for (int i = 0; i < 10000; ++i) {
            const double r = RandomNext(state);
            ASSERT_GE(r, 0.0);
            ASSERT_LT(r, 1.0);
            sum += r;
        }
        EXPECT_NEAR(sum / 10000, 0.5, 0.05) << seed;
    }
}

#if defined(__x86_64__)
unsigned short X87ControlWord() {
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

void SetX87ControlWord(unsigned short cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }

// A host that rounds x87 arithmetic to 53 bits does not change the random components: every pass
// sets the full 64-bit precision first.
TEST(Random, PassesRunAtExtendedPrecisionWhateverTheHostSet) {
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    // Random (1D) on World.X feeding Alpha.
    ASSERT_TRUE(tree.BuildFromStream("XR0002007001V3F00370002000101S00001F000F"));
    std::vector<float> extended, rounded;
    const unsigned short original = X87ControlWord();
    for (const unsigned short precision : {0x300, 0x200}) {
        SetX87ControlWord(static_cast<unsigned short>((original & ~0x300u) | precision));
        for (const float x : {0.5f, 7.5f, -3.5f, 100.5f}) {
            VariableAddress(&record, kVarWorld)[0] = x;
            tree.Evaluate(kMaskAll);
            (precision == 0x300 ? extended : rounded)
                .push_back(*VariableAddress(&record, kVarAlpha));
            EXPECT_EQ(X87ControlWord() & 0x0F3Fu, 0x033Fu);
        }
    }
    SetX87ControlWord(original);
    EXPECT_EQ(rounded, extended);
}
#endif

}  // namespace
}  // namespace vandrel

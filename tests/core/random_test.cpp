#include "core/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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

}  // namespace
}  // namespace vandrel

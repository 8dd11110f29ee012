#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <limits>

namespace vandrel {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(Numbers, ToInt32NeverOverflows) {
    struct Row {
        double in;
        int32_t out;
    };
    const Row rows[] = {
        {0.0, 0},
        {-0.9, 0},
        {2.9, 2},
        {-2.9, -2},
        {2147483647.0, 2147483647},
        {2147483647.9, 2147483647},
        {2147483648.0, kMin},
        {-2147483648.0, kMin},
        {-2147483648.9, kMin},
        {-2147483649.0, kMin},
        {1e300, kMin},
        {std::numeric_limits<double>::infinity(), kMin},
        {-std::numeric_limits<double>::infinity(), kMin},
        {std::numeric_limits<double>::quiet_NaN(), kMin},
    };
    for (const Row& row : rows) EXPECT_EQ(ToInt32(row.in), row.out) << row.in;
}

TEST(Numbers, RoundingHalvesToEvenAndFloor) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.6), -3);
    EXPECT_EQ(FloorToInt(-0.1), -1);
    EXPECT_EQ(FloorToInt(std::numeric_limits<double>::quiet_NaN()), kMin);
}

TEST(Numbers, WrappingArithmeticIsTwosComplement) {
    EXPECT_EQ(WrapAdd(2147483647, 1), kMin);
    EXPECT_EQ(WrapSub(kMin, 1), 2147483647);
    EXPECT_EQ(WrapMul(65536, 65536), 0);
    EXPECT_EQ(WrapMul(-257, 3), -771);
}

TEST(Numbers, FloatEnvironmentIsRestored) {
    std::fesetround(FE_UPWARD);
    EnsureFloatEnvironment();
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.7), 2);
    std::fesetround(FE_DOWNWARD);
    EnsureFloatEnvironment();
    EXPECT_EQ(RoundHalfEven(-1.7), -2);
    EXPECT_EQ(RoundHalfEven(1.7), 2);
}

}  // namespace
}  // namespace vandrel

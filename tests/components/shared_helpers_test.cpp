// Known answers of the helpers shared between families that their components do not show: noise
// calls that write nothing for unknown types, the octave rule at its edges, and the cell hashes.
// (Catmull-Rom, RGB/HSV and easing are checked through the splines, converters and interpolators.)
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "components/shared/cell_hash.h"
#include "components/shared/noise_select.h"
#include "components/shared/octaves.h"

namespace vandrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NoiseSelect, CallersGetTheHostValueOrNothingWritten) {
    const float point[3] = {0.25f, -1.5f, 3.75f};
    double out = -7.0;
    EXPECT_TRUE(Noise1(2, 0.37, &out));
    EXPECT_EQ(out, hsNoise1Perlin(0.37));
    EXPECT_TRUE(Noise2(1, 0.37, 1.9, &out));
    EXPECT_EQ(out, hsNoise2Classic(0.37, 1.9));
    EXPECT_TRUE(Noise3(3, point, &out));
    EXPECT_EQ(out, hsNoise3SparseConv(point));
    EXPECT_TRUE(Turbulence1(0, 0.37, 4, &out));
    EXPECT_EQ(out, hsTurbulence1(0.37, 4));
    EXPECT_TRUE(Turbulence2(2, 0.37, 1.9, 5, &out));
    EXPECT_EQ(out, hsTurbulence2Perlin(0.37, 1.9, 5));
    EXPECT_TRUE(Turbulence3(1, point, 6, &out));
    EXPECT_EQ(out, hsTurbulence3Classic(point, 6));

    out = -7.0;
    EXPECT_FALSE(Noise1(4, 0.37, &out));
    EXPECT_FALSE(Noise2(-1, 0.37, 1.9, &out));
    EXPECT_FALSE(Noise3(4, point, &out));
    EXPECT_FALSE(Turbulence1(-1, 0.37, 3, &out));
    EXPECT_FALSE(Turbulence2(7, 0.37, 1.9, 3, &out));
    EXPECT_FALSE(Turbulence3(4, point, 3, &out));
    EXPECT_EQ(out, -7.0);
}

TEST(Octaves, AbsoluteValueRoundedHalfToEvenCappedAtTwenty) {
    const struct {
        double octaves;
        int expected;
    } rows[] = {
        {-2.6, 3},  {25.0, 20},  {2.5, 2},   {3.5, 4},   {0.0, 0},    {-0.0, 0},
        {0.49, 0},  {0.5, 0},    {1.5, 2},   {20.0, 20}, {20.4, 20},  {20.5, 20},
        {19.5, 20}, {-25.0, 20}, {1e30, 20}, {kInf, 20}, {-kInf, 20}, {kNaN, 0},
    };
    for (const auto& row : rows) EXPECT_EQ(OctaveCount(row.octaves), row.expected) << row.octaves;
}

TEST(CellHash, AdjustedIndicesAndKnownHashes) {
    EXPECT_EQ(CellIndex(0.1), 0);
    EXPECT_EQ(CellIndex(-0.1), -1);
    EXPECT_EQ(CellIndex(-1.0), -1);
    EXPECT_EQ(CellIndex(2.999), 2);
    EXPECT_EQ(CellIndex(kNaN), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(AdjustedCellIndex(0), 1);
    EXPECT_EQ(AdjustedCellIndex(-1), -1);
    EXPECT_EQ(AdjustedCellIndex(5), 6);
    // k = INT32_MAX wraps to INT32_MIN, which is negative: still never 0.
    EXPECT_EQ(AdjustedCellIndex(std::numeric_limits<int32_t>::max()),
              std::numeric_limits<int32_t>::min());

    const struct {
        int32_t a;
        int32_t expected;
    } hash1[] = {{-1, -256}, {0, 257}, {1, 514}, {-2, -513}, {2, 771}};
    for (const auto& row : hash1) EXPECT_EQ(CellHash1(row.a), row.expected) << row.a;

    EXPECT_EQ(CellHash2(0, 0), 258);
    // 257·(-1)·1 + (-1) + 1 + 0 = -257
    EXPECT_EQ(CellHash2(-1, 0), -257);
    // 257·1·(-1) + 1 + 0 + 1 = -255
    EXPECT_EQ(CellHash2(0, -1), -255);
    // 257·2·3 + 2 = 1544
    EXPECT_EQ(CellHash2(1, 2), 1544);
    // 257·(-1)·(-1) - 1 + 1 + 1 = 258
    EXPECT_EQ(CellHash2(-1, -1), 258);

    EXPECT_EQ(CellHash3(0, 0, 0), 257);
    // 257·(-1)·1·1 + (-1) - 1 + 2 + 0 = -257
    EXPECT_EQ(CellHash3(-1, 0, 0), -257);
    // 257·1·(-1)·1 + 1 - 1 + 0 + 1 = -256
    EXPECT_EQ(CellHash3(0, -1, 0), -256);
    // 257·1·1·(-1) + 1 - (-1) + 0 + 0 = -255 (the sign of c' does not count)
    EXPECT_EQ(CellHash3(0, 0, -1), -255);
    // 257·2·3·4 + 2 - 4 = 6166
    EXPECT_EQ(CellHash3(1, 2, 3), 6166);
}

TEST(CellHash, ArithmeticWrapsAtThirtyTwoBits) {
    const int32_t big = 100000;  // a' = 100001; 257·100001 fits, the square does not
    const auto wrap = [](int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); };
    EXPECT_EQ(CellHash1(big), wrap(257LL * 100001));
    EXPECT_EQ(CellHash2(big, big), wrap(257LL * 100001 * 100001 + 100001));
    EXPECT_EQ(CellHash3(big, big, -big),
              wrap(257LL * 100001 * 100001 * -100000 + 100001 + 100000 + 0));
    const int32_t lowest = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(CellHash1(lowest), wrap(257LL * lowest + 1));
}

}  // namespace
}  // namespace vandrel

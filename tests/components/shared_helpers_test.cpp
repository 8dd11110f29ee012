// Known answers of the helpers shared between families: noise-type selection, octave rule, cell
// hashes, Catmull-Rom, RGB/HSV and easing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "components/shared/catmull_rom.h"
#include "components/shared/cell_hash.h"
#include "components/shared/easing.h"
#include "components/shared/hsv.h"
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

TEST(CatmullRom, PassesThroughTheInnerValuesWithHalfDifferenceTangents) {
    EXPECT_EQ(CatmullRom(3.0, 5.0, -2.0, 7.0, 0.0), 5.0);
    EXPECT_DOUBLE_EQ(CatmullRom(3.0, 5.0, -2.0, 7.0, 1.0), -2.0);
    // Two knots 0 and 1 with repeated ends: 0.5·f + 1.5·f² - f³.
    EXPECT_DOUBLE_EQ(CatmullRom(0.0, 0.0, 1.0, 1.0, 0.25), 0.203125);
    EXPECT_DOUBLE_EQ(CatmullRom(0.0, 0.0, 1.0, 1.0, 0.5), 0.5);
    // Values on a line stay on it.
    EXPECT_DOUBLE_EQ(CatmullRom(1.0, 2.0, 3.0, 4.0, 0.3), 2.3);
    const auto k = CatmullRomCoefficientsOf(1.0, 4.0, 2.0, 8.0);
    EXPECT_DOUBLE_EQ(k.a, -0.5 + 6.0 - 3.0 + 4.0);
    EXPECT_DOUBLE_EQ(k.b, 1.0 - 10.0 + 4.0 - 4.0);
    EXPECT_DOUBLE_EQ(k.c, -0.5 + 1.0);
    EXPECT_DOUBLE_EQ(k.d, 4.0);
    // Tangent at P1 is (P2 - P0) / 2 = 0.5.
    const double h = 1e-6;
    EXPECT_NEAR((CatmullRom(k, h) - CatmullRom(k, 0.0)) / h, 0.5, 1e-4);
    const double f = 0.37;
    EXPECT_DOUBLE_EQ(CatmullRom(k, f), ((k.a * f + k.b) * f + k.c) * f + k.d);
}

TEST(Hsv, RgbToHsvFollowsTheReduction) {
    const struct {
        double r, g, b, h, s, v;
    } rows[] = {
        {1, 0, 0, 0, 1, 1},
        {0, 1, 0, 1.0 / 3, 1, 1},
        {0, 0, 1, 2.0 / 3, 1, 1},
        {0, 1, 1, 0.5, 1, 1},      // G wins the tie with B: (B - R) / d + 2 = 3
        {1, 1, 0, 1.0 / 6, 1, 1},  // R wins the tie with G: (G - B) / d = 1
        {1, 0, 1, 5.0 / 6, 1, 1},  // R wins: (0 - 1) / 1 = -1, / 6, + 1
        {0.5, 0.5, 0.5, 0, 0, 0.5},
        {0, 0, 0, 0, 0, 0},
        {0.5, 0.25, 0, 1.0 / 12, 1, 0.5},
        {0.2, 0.4, 0.3, (0.3 - 0.2) / 0.2 / 6 + 2.0 / 6, 0.5, 0.4},
    };
    for (const auto& row : rows) {
        const THsv hsv = RgbToHsv(row.r, row.g, row.b);
        EXPECT_NEAR(hsv.h, row.h, 1e-15) << row.r << " " << row.g << " " << row.b;
        EXPECT_NEAR(hsv.s, row.s, 1e-15) << row.r << " " << row.g << " " << row.b;
        EXPECT_EQ(hsv.v, row.v);
    }
    // No clamping: a negative maximum gives the formula's value.
    const THsv negative = RgbToHsv(-1.0, -2.0, -3.0);
    EXPECT_EQ(negative.v, -1.0);
    EXPECT_EQ(negative.s, 2.0 / -1.0);
}

TEST(Hsv, HsvToRgbSectorsAndTheWrapOfHueOne) {
    const struct {
        double h, s, v, r, g, b;
    } rows[] = {
        {0, 1, 1, 1, 0, 0},           {1.0 / 3, 1, 1, 0, 1, 0},       {2.0 / 3, 1, 1, 0, 0, 1},
        {0.5, 1, 1, 0, 1, 1},         {0.25, 1, 1, 0.5, 1, 0},        {1, 1, 1, 1, 0, 0},
        {0.7, 0, 0.7, 0.7, 0.7, 0.7}, {5.0 / 6, 1, 0.5, 0.5, 0, 0.5},
    };
    for (const auto& row : rows) {
        const TVec3 rgb = HsvToRgb(row.h, row.s, row.v);
        EXPECT_NEAR(rgb.x, row.r, 1e-15) << row.h;
        EXPECT_NEAR(rgb.y, row.g, 1e-15) << row.h;
        EXPECT_NEAR(rgb.z, row.b, 1e-15) << row.h;
    }
    // Round trip on colours in [0, 1].
    for (double r = 0; r <= 1.0; r += 0.25) {
        for (double g = 0; g <= 1.0; g += 0.25) {
            for (double b = 0; b <= 1.0; b += 0.25) {
                const TVec3 back = HsvToRgb(RgbToHsv(r, g, b));
                EXPECT_NEAR(back.x, r, 1e-12);
                EXPECT_NEAR(back.y, g, 1e-12);
                EXPECT_NEAR(back.z, b, 1e-12);
            }
        }
    }
    const TVec3 sector = HsvSectorToRgb(6.0, 1.0, 1.0);
    EXPECT_EQ(sector.x, 1.0);
    EXPECT_EQ(sector.y, 0.0);
    EXPECT_EQ(sector.z, 0.0);
}

TEST(Easing, ClampThenEase) {
    const struct {
        double fraction;
        int32_t easing;
        double expected;
    } rows[] = {
        {0.5, 0, 0.5},
        {1.5, 0, 1.0},
        {-0.2, 0, 0.0},
        {kNaN, 0, 0.0},
        {kNaN, 2, 0.0},
        {kInf, 1, 1.0},
        {-kInf, 1, 0.0},
        {0.5, 1, 0.25},
        {0.5, 2, 0.75},
        {0.25, 2, 0.4375},
        {0.5, 3, hsSmoothStep(0, 1, 0.5)},
        {0.2, 3, hsSmoothStep(0, 1, 0.2)},
        {0.3, 4, 0.3},
        {0.3, -1, 0.3},
        {2.0, 1, 1.0},
        {-3.0, 2, 0.0},
    };
    for (const auto& row : rows) {
        EXPECT_DOUBLE_EQ(EaseFraction(row.fraction, row.easing), row.expected)
            << row.fraction << " easing " << row.easing;
    }
    EXPECT_EQ(ClampFraction(0.75), 0.75);
    EXPECT_EQ(Lerp(2.0, 6.0, 0.75), 5.0);
}

}  // namespace
}  // namespace vandrel

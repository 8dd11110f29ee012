// One-dimensional generators: property tables, known answers, the edge cases,
// and the reading of every input through its reference. Noise components are compared with
// the host function called directly, never with fixed noise values.
#include "components/generators/generators_1d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "component_checks.h"
#include "components/shared/cell_hash.h"
#include "components/shared/noise_select.h"
#include "components/shared/octaves.h"
#include "core/random.h"
#include "hostapi/hostapi.h"

namespace vandrel {
namespace {

using test::EvaluateWith;
using test::Fresh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

float Stored(double v) { return static_cast<float>(v); }
double F(double v) { return static_cast<float>(v); }

using Row = test::ValueRow;
constexpr auto ExpectRows = test::ExpectValueRows;

TEST(Generators1D, SineAndGauss) {
    ExpectRows({
        {101, {}, 0.5},
        {101, {1, 1, 0.5, 0.25}, 1.0},
        {101, {1, 1, 0.5, 0.75}, 0.0, 1e-7},
        {101, {2, 0.5, 0, 0.5}, 1.0},
        {101, {1, 2, 0, 0.0625}, 0.5 * std::sin(2 * M_PI * 2 * 0.0625)},
        {102, {}, 1.0},
        {102, {3, 2, 0.5, 0, 0.7}, 0},  // Width 0 gives 0 whatever the rest
        {102, {1, 0, 0.5, 0, 0.5}, 0},
        {102, {2, 1, 0.5, 0.5, 1.0}, 2 * std::exp(-7.0) + 1},
        {102, {2, 1, 0.5, -0.5, 1.0}, 2 * std::exp(-7.0) + 1},
        {102, {1, 0, 0, 2, 1}, std::exp(-7.0 * 0.25)},
    });
    EXPECT_EQ(EvaluateWith(101, {1, 1, 0.5, 0.25}), 1.0f);
    EXPECT_EQ(EvaluateWith(102, {}), 1.0f);
}

TEST(Generators1D, NoiseIsTheHostNoiseScaledAndOffset) {
    using Noise = double (*)(double);
    const Noise noises[4] = {hsNoise1, hsNoise1Classic, hsNoise1Perlin, hsNoise1SparseConv};
    for (int type = 0; type < 4; ++type) {
        for (double input : {0.0, 0.37, -2.75, 13.1}) {
            const double a = 1.5, f = 2.25, o = -0.25;
            const float got = EvaluateWith(103, {a, f, o, input, double(type)});
            EXPECT_EQ(got, Stored(noises[type](F(input) * f) * a + o)) << type << " " << input;
        }
    }
}

TEST(Generators1D, TurbulenceUsesTheOctaveRule) {
    using Turbulence = double (*)(double, int);
    const Turbulence turbulences[4] = {hsTurbulence1, hsTurbulence1Classic, hsTurbulence1Perlin,
                                       hsTurbulence1SparseConv};
    const struct {
        double octaves;
        int passed;
    } rows[] = {{-2.6, 3}, {25, 20}, {2.5, 2}, {3.5, 4}, {0, 0}, {3, 3}};
    for (int type = 0; type < 4; ++type) {
        for (const auto& row : rows) {
            EXPECT_EQ(OctaveCount(row.octaves), row.passed);
            const double a = 0.75, f = 3, o = 0.125, input = 0.37;
            const float got = EvaluateWith(104, {a, f, o, input, double(type), row.octaves});
            EXPECT_EQ(got, Stored(turbulences[type](F(input) * f, row.passed) * a + o))
                << type << " octaves " << row.octaves;
        }
    }
}

TEST(Generators1D, ColorNoiseShiftsItsChannels) {
    const float amplitude[3] = {1.5f, -0.5f, 2.0f};
    const float offset[3] = {0.25f, 0.5f, -1.0f};
    for (int32_t id : {110, 111}) {
        for (int type = 0; type < 4; ++type) {
            Fresh c(id);
            for (int k = 0; k < 3; ++k) {
                c->SetConstant(0, k, amplitude[k]);
                c->SetConstant(2, k, offset[k]);
            }
            c->SetConstant(1, kWholeProperty, 1.75f);
            c->SetConstant(3, kWholeProperty, 0.37f);
            c->SetEnumValue(4, type);
            c->SetConstant(5, kWholeProperty, -4.4f);  // 4 octaves
            c->Evaluate(true);
            const double x = F(0.37) * 1.75;
            const double shifts[3] = {0, 671, 1111};
            for (int k = 0; k < 3; ++k) {
                double n;
                if (id == 110) {
                    n = SelectNoise1(type)(x + shifts[k]);
                } else {
                    n = SelectTurbulence1(type)(x + shifts[k], 4);
                }
                EXPECT_EQ(c->OutputAddress()[k], Stored(n * amplitude[k] + offset[k]))
                    << id << " type " << type << " channel " << k;
            }
        }
    }
    // No shortcut for a zero amplitude: the type still decides whether the output is written.
    Fresh c(110);
    c->SetConstant(0, kWholeProperty, 0);
    c->SetConstant(2, kWholeProperty, 0.5f);
    c->SetEnumValue(4, 4);
    c->Evaluate(true);
    EXPECT_EQ(test::Output(*c), (std::vector<float>{0, 0, 0}));
    c->SetEnumValue(4, 0);
    c->Evaluate(true);
    EXPECT_EQ(test::Output(*c), (std::vector<float>{0.5f, 0.5f, 0.5f}));
}

TEST(Generators1D, RepeatRange) {
    ExpectRows({
        {105, {}, 0.5},
        {105, {0, 1, 1.25}, 0.25},
        {105, {0, 1, -0.25}, 0.75},
        {105, {0, 1, 1}, 0},
        {105, {0, 1, 0}, 0},
        {105, {0.5, 0.5, 3}, 0.5},  // Minimum = Maximum
        {105, {2, 1, 0.5}, 2.5},    // Maximum below Minimum: still [Minimum, Minimum + w)
        {105, {1, 3, 8}, 2},
        {105, {-1, 1, 5.5}, -0.5},
    });
}

TEST(Generators1D, Staircase) {
    ExpectRows({
        {109, {0.25, 0.3}, 0.25},
        {109, {0.25, -0.1}, -0.25},
        {109, {0.25, 0.25}, 0.25},
        {109, {0, 5}, 0},
        {109, {-0.5, 0.7}, 1.0},
        {109, {2, 7}, 6},
    });
}

TEST(Generators1D, SmoothStep) {
    ExpectRows({
        {108, {}, hsSmoothStep(0, 1, 0.5)},
        {108, {2, 1, 10, 4, 1.5}, 4 + 6 * hsSmoothStep(1, 2, 1.5)},
        {108, {2, 1, 10, 4, 1.25}, 4 + 6 * hsSmoothStep(1, 2, 1.25)},
        {108, {2, 1, 10, 4, 0.5}, 4},
        {108, {2, 1, 10, 4, 3}, 10},
        {108, {1, 1, 10, 4, 1}, 4 + 6 * hsSmoothStep(1, 1, 1)},  // equal edges: the host's step
        {108, {1, 1, 10, 4, 1.5}, 10},
    });
}

TEST(Generators1D, Clamps) {
    // Maximum, Minimum, Mode, Input.
    ExpectRows({
        {107, {1, 0, 0, 1.5}, 1},
        {107, {1, 0, 0, -0.5}, 0},
        {107, {1, 0, 0, 0.5}, 0.5},
        {107, {1, 0, 1, 1.5}, 1},
        {107, {1, 0, 1, -0.5}, -0.5},
        {107, {1, 0, 2, -0.5}, 0},
        {107, {1, 0, 2, 1.5}, 1.5},  // Mode 2 passes inputs above Maximum
        {107, {0, 1, 0, 0.5}, 1},    // Minimum above Maximum: Minimum is tested first
        {107, {0, 1, 0, 2}, 0},
    });
    for (int mode : {3, -1}) {
        Fresh c(107);
        c->SetConstant(3, kWholeProperty, 0.75f);
        c->Evaluate(true);
        c->SetEnumValue(2, mode);
        c->SetConstant(3, kWholeProperty, 5.0f);
        c->Evaluate(true);
        EXPECT_EQ(c->OutputAddress()[0], 0.75f) << mode;
    }
}

TEST(Generators1D, Sawtooth) {
    // Amplitude, Base, RiseLength, RiseShape, HighLength, FallLength, FallShape, LowLength, Shift,
    // Input, Periodic.
    const auto wave = [](double input) {
        return std::vector<double>{1, 0, 0.5, 0, 0, 0.5, 0, 0, 0, input, 0};
    };
    ExpectRows({
        {106, wave(0.25), 0.5},
        {106, wave(0.5), 1.0},
        {106, wave(0.75), 0.5},
        {106, wave(1.25), 0.5},
        {106, wave(-0.25), 0.5},
        {106, wave(0), 0},
        {106, {1, 0.3, 0, 0, 0, 0, 0, 0, 0, 0.4, 0}, 0.3},      // all four lengths 0: Base
        {106, {1, 0.3, -1, 0, -2, -3, 0, -4, 0, 0.4, 0}, 0.3},  // negative lengths count as 0
        {106, {1, 0, -1, 0, 0, 1, 0, 0, 0, 0.25, 0}, 0.75},
        {106, {2, -1, 0.5, 0, 0, 0.5, 0, 0, 0, 0.25, 0}, 0},
        {106, {1, 0, 0.5, 0, 0, 0.5, 0, 0, 0.25, 0.5, 0}, 0.5},  // Shift
        // Smooth rise and fall through the host's smooth step.
        {106, {1, 0, 0.5, 1, 0, 0.5, 0, 0, 0, 0.1, 0}, hsSmoothStep(0, 0.5, F(0.1))},
        {106, {1, 0, 0.5, 0, 0, 0.5, 1, 0, 0, 0.6, 0}, 1 - hsSmoothStep(0, 0.5, F(0.6) - 0.5)},
        // Rise, high, fall, low of 0.5 each (period 2).
        {106, {1, 0, 0.5, 0, 0.5, 0.5, 0, 0.5, 0, 0.75, 0}, 1},
        {106, {1, 0, 0.5, 0, 0.5, 0.5, 0, 0.5, 0, 1.25, 0}, 0.5},
        {106, {1, 0, 0.5, 0, 0.5, 0.5, 0, 0.5, 0, 1.75, 0}, 0},
        {106, {1, 0, 0.5, 0, 0.5, 0.5, 0, 0.5, 0, 2.75, 0}, 1},
        // Periodic 1, Shift 2, period 1.5 (low part 0.5): drawn once.
        {106, {1, 0, 0.5, 0, 0, 0.5, 0, 0.5, 2, 1.9, 1}, 0},
        {106, {1, 0, 0.5, 0, 0, 0.5, 0, 0.5, 2, 2.25, 1}, 0.5},
        {106, {1, 0, 0.5, 0, 0, 0.5, 0, 0.5, 2, 3.0, 1}, 1},  // t = L - LowLength exactly
        {106, {1, 0, 0.5, 0, 0, 0.5, 0, 0.5, 2, 3.1, 1}, 0},
        {106, {1, 0, 0.5, 0, 0, 0.5, 0, 0.5, 2, 5.25, 1}, 0},
        {106, {1, 0, 0.5, 0, 0, 0.5, 0, 0.5, 2, 5.25, 0}, 0.5},  // periodic: t = 0.25 again
        {106, {1, 0.2, 0.5, 0, 0, 0.5, 0, 0, 2, 1.9, 7}, 0.2},   // any non-zero Periodic: once
    });
}

TEST(Generators1D, RandomPerCell) {
    const auto draw = [](double input, double cellSize, double seed, double a = 1, double o = 0) {
        Fresh c(112);
        test::SetValues(*c, {a, o, cellSize, input, seed});
        c->Evaluate(true);
        return c->OutputAddress()[0];
    };
    const auto expected = [](int32_t seed, double a = 1, double o = 0) {
        TRandomState state;
        RandomSeed(state, seed);
        return Stored(RandomNext(state) * a + o);
    };
    EXPECT_EQ(draw(0.1, 1, 1234), draw(0.9, 1, 1234));
    EXPECT_NE(draw(-0.1, 1, 1234), draw(0.1, 1, 1234));  // cells -1 and 0
    EXPECT_EQ(draw(0.1, 1, 1234), expected(257 + 1234));
    EXPECT_EQ(draw(-0.1, 1, 1234), expected(-256 + 1234));
    EXPECT_EQ(draw(1.5, 1, 1234), expected(514 + 1234));
    EXPECT_EQ(draw(1.5, 0.5, 1234), expected(CellHash1(3) + 1234));
    EXPECT_EQ(draw(-7.3, 0, 1234), expected(257 + 1234));  // CellSize 0: every input in cell 0
    EXPECT_EQ(draw(55, 0, 1234), draw(0.2, 1, 1234));
    EXPECT_EQ(draw(0.5, 1, -3.7), expected(257 - 3));  // Seed cut toward zero
    EXPECT_EQ(draw(0.5, 1, 2147483520.0), expected(WrapAdd(257, 2147483520)));  // wraps
    EXPECT_EQ(draw(0.5, 1, 1234, 2.5, -1), expected(257 + 1234, 2.5, -1));
    EXPECT_EQ(draw(0.5, -1, 1234), expected(-256 + 1234));  // a negative cell size mirrors
    EXPECT_NE(draw(0.5, 1, 1234), draw(0.5, 1, 1235));

    // One seed and one draw per evaluation: the record's generator is left after that draw.
    Fresh c(112);
    c->Evaluate(true);
    TRandomState state;
    RandomSeed(state, 257 + 1234);
    RandomNext(state);
    EXPECT_EQ(RandomNext(c.record.RandomState), RandomNext(state));
}

}  // namespace
}  // namespace vandrel

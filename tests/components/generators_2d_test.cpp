#include "components/generators/generators_2d.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "component_checks.h"
#include "components/families.h"
#include "components/shared/noise_select.h"

namespace vandrel {
namespace {

using test::Case;
using test::CheckRows;
using test::Output;
using test::Set;

constexpr float kInf = std::numeric_limits<float>::infinity();
const double kExpMinus7 = std::exp(-7.0);

using test::FirstDraw;

TEST(Gauss2D, BellAndZeroWidth) {
    const Case rows[] = {
        {"defaults at the centre", 203, {}, {1}},
        {"one width away", 203, {{}, {}, {}, {}, {0.5f, 0}}, {kExpMinus7}},
        {"one width away along V", 203, {{}, {}, {}, {}, {0, -0.5f}}, {kExpMinus7}},
        {"diagonal", 203, {{}, {}, {}, {}, {0.25f, 0.25f}}, {std::exp(-3.5)}},
        {"width 0 gives 0", 203, {{2}, {3}, {}, {0}, {0, 0}}, {0}},
        {"width 0 off centre", 203, {{2}, {3}, {1, 1}, {0}, {5, 5}}, {0}},
        {"amplitude, offset, centre and width",
         203,
         {{2}, {0.5f}, {1, 2}, {2}, {2, 2}},
         {2 * std::exp(-7 * 0.25) + 0.5}},
        {"negative width is squared away", 203, {{}, {}, {}, {-0.5f}, {0.5f, 0}}, {kExpMinus7}},
    };
    CheckRows(rows);
}

TEST(Noise2D, HostNoiseOfEachType) {
    const Noise2Function noises[] = {hsNoise2, hsNoise2Classic, hsNoise2Perlin, hsNoise2SparseConv};
    const Turbulence2Function turbulences[] = {hsTurbulence2, hsTurbulence2Classic,
                                               hsTurbulence2Perlin, hsTurbulence2SparseConv};
    for (int32_t type = 0; type < 4; ++type) {
        const double u = 0.3, v = -1.7, f = 2.5;
        const double n = noises[type](static_cast<float>(u) * f, static_cast<float>(v) * f);
        const double t = turbulences[type](static_cast<float>(u) * f, static_cast<float>(v) * f, 4);
        const Case rows[] = {
            {"noise", 201, {{2}, {2.5f}, {0.5f}, {0.3f, -1.7f}, {float(type)}}, {n * 2 + 0.5}},
            {"turbulence, octaves 3.6 pass 4",
             202,
             {{2}, {2.5f}, {0.5f}, {0.3f, -1.7f}, {float(type)}, {3.6f}},
             {t * 2 + 0.5}},
        };
        CheckRows(rows);
    }
}

TEST(Noise2D, ColourChannelShifts) {
    const double x = 0.5f * 3.0, y = 0.25f * 3.0;
    const Case rows[] = {
        {"colour noise",
         206,
         {{1, 2, 3}, {3}, {0.1f, 0.2f, 0.3f}, {0.5f, 0.25f}, {0}},
         {hsNoise2(x + 975, y) * 1 + 0.1f, hsNoise2(x, y + 1111) * 2 + 0.2f,
          hsNoise2(x + 873, y + 1213) * 3 + 0.3f}},
        {"colour turbulence, octaves 25 pass 20",
         207,
         {{1, 2, 3}, {3}, {0.1f, 0.2f, 0.3f}, {0.5f, 0.25f}, {2}, {25}},
         {hsTurbulence2Perlin(x + 975, y, 20) * 1 + 0.1f,
          hsTurbulence2Perlin(x, y + 1111, 20) * 2 + 0.2f,
          hsTurbulence2Perlin(x + 873, y + 1213, 20) * 3 + 0.3f}},
        // No zero-amplitude shortcut, but a zero amplitude still zeroes the noise.
        {"colour noise, zero amplitude",
         206,
         {{0, 0, 0}, {3}, {0.1f, 0.2f, 0.3f}, {0.5f, 0.25f}, {1}},
         {0.1f, 0.2f, 0.3f}},
    };
    CheckRows(rows);
}

// The noises of every dimension, plain and coloured: a NoiseType outside 0 … 3 leaves the previous
// output in place however the other values change; with Amplitude 0 a plain noise gives Offset
// whatever the type.
TEST(Generators, UnknownNoiseTypesKeepTheOutputAndAmplitudeZeroGivesOffset) {
    for (const int32_t id : {103, 104, 110, 111, 201, 202, 206, 207, 301, 302, 305, 306}) {
        for (const int32_t type : {4, 7, -1}) {
            test::Fresh c(id);
            c->SetConstant(3, kWholeProperty, 0.37f);
            c->Evaluate(true);
            const std::vector<float> before = Output(*c);
            c->SetEnumValue(4, type);
            c->SetConstant(3, kWholeProperty, 5.5f);
            c->SetConstant(2, kWholeProperty, 10.0f);
            c->Evaluate(true);
            EXPECT_EQ(Output(*c), before) << id << " type " << type;
        }
    }
    for (const int32_t id : {103, 104, 201, 202, 301, 302}) {
        for (const int32_t type : {0, 3, 4, 7, -1}) {
            test::Fresh c(id);
            c->SetConstant(0, kWholeProperty, 0);
            c->SetConstant(2, kWholeProperty, 0.75f);
            c->SetEnumValue(4, type);
            c->Evaluate(true);
            EXPECT_EQ(Output(*c), std::vector<float>{0.75f}) << id << " type " << type;
        }
    }
}

TEST(Shuffle2D, OneValuePerCell) {
    // Cell (0, 0): CellHash2 = 257 · 1 · 1 + 1 = 258, plus Seed 1234.
    const double r00 = FirstDraw(258 + 1234);
    // Cell (-1, 0): adjusted (-1, 1): 257 · -1 · 1 - 1 + 1 + 0 = -257.
    const double rm10 = FirstDraw(-257 + 1234);
    // Cell (2, 5) of CellSize (0.5, 0.25) at (1.2, 1.3): adjusted (3, 6): 257 · 18 + 3 = 4629.
    const double r25 = FirstDraw(4629 + 1234);
    const Case rows[] = {
        {"cell (0, 0)", 209, {{}, {}, {}, {0.1f, 0.2f}}, {r00}},
        {"cell (0, 0), other corner", 209, {{}, {}, {}, {0.9f, 0.7f}}, {r00}},
        {"cell (-1, 0)", 209, {{}, {}, {}, {-0.1f, 0.2f}}, {rm10}},
        {"amplitude and offset", 209, {{2}, {-1}, {}, {0.5f, 0.5f}}, {r00 * 2 - 1}},
        {"cell size", 209, {{}, {}, {0.5f, 0.25f}, {1.2f, 1.3f}}, {r25}},
        {"Seed 1234.9 cuts to 1234", 209, {{}, {}, {}, {0.1f, 0.2f}, {1234.9f}}, {r00}},
        {"Seed -0.9 cuts to 0", 209, {{}, {}, {}, {0.1f, 0.2f}, {-0.9f}}, {FirstDraw(258)}},
        {"both sizes 0: cell (0, 0)", 209, {{}, {}, {0, 0}, {-7, 13}}, {r00}},
    };
    CheckRows(rows);
}

TEST(Shuffle2D, ZeroCellSizeAlongUDependsOnVOnly) {
    TThreadRecord record;
    auto c = test::Make(209, {{}, {}, {0, 1}}, &record);
    const auto at = [&](float u, float v) {
        Set(*c, 3, {u, v});
        c->Evaluate(true);
        return Output(*c)[0];
    };
    const float a = at(5, 0.5f);
    EXPECT_EQ(at(-7, 0.5f), a);
    EXPECT_EQ(at(1e6f, 0.9f), a);
    EXPECT_NE(at(5, 1.5f), a);
    EXPECT_NE(at(5, -0.5f), a);
}

TEST(Fractals, MandelbrotHandCalculations) {
    const Case rows[] = {
        {"origin never escapes: 51 / 50", 205, {}, {1.02}},
        {"(3, 0) escapes at the first step", 205, {{}, {}, {}, {}, {3, 0}}, {0.02}},
        // z: 1, 2 (|z|² = 4 is not beyond), 5: escapes at step 3.
        {"(1, 0) escapes at step 3", 205, {{}, {}, {}, {}, {1, 0}}, {0.06}},
        {"(-2, 0) stays on the boundary", 205, {{}, {}, {}, {}, {-2, 0}}, {1.02}},
        {"(0, 1) cycles", 205, {{}, {}, {}, {}, {0, 1}}, {1.02}},
        {"centre and scale", 205, {{}, {}, {1, 1}, {2}, {7, 1}}, {0.02}},
        {"amplitude and offset", 205, {{2}, {0.5f}, {}, {}, {3, 0}}, {0.04 + 0.5}},
        {"scale 0 gives 0, not Offset", 205, {{}, {5}, {}, {0}}, {0}},
        {"iterations 0 gives 0, not Offset", 205, {{}, {5}, {}, {}, {}, {0}}, {0}},
        {"amplitude 0 gives Offset", 205, {{0}, {5}, {}, {0}}, {5}},
        {"iterations 2.5: three steps", 205, {{}, {}, {}, {}, {}, {2.5f}}, {1.2}},
        {"iterations 0.5: one step", 205, {{}, {}, {}, {}, {}, {0.5f}}, {2}},
        {"iterations -5: one step", 205, {{}, {}, {}, {}, {}, {-5}}, {-0.2}},
        {"iterations 1: (1, 0) stops after 2 steps", 205, {{}, {}, {}, {}, {1, 0}, {1}}, {2}},
    };
    CheckRows(rows);
}

TEST(Fractals, JuliaHandCalculations) {
    const Case rows[] = {
        {"inside the unit circle", 208, {{}, {}, {}, {}, {0.5f, 0.5f}}, {1.02}},
        {"inside, on the axis", 208, {{}, {}, {}, {}, {0.9f, 0}}, {1.02}},
        {"inside, negative", 208, {{}, {}, {}, {}, {-0.3f, -0.6f}}, {1.02}},
        {"on the unit circle", 208, {{}, {}, {}, {}, {0, 1}}, {1.02}},
        {"|z|² > 4 after one squaring", 208, {{}, {}, {}, {}, {1.5f, 0}}, {0.02}},
        {"(3, 0)", 208, {{}, {}, {}, {}, {3, 0}}, {0.02}},
        // 1.2² = 1.44, then 1.44² = 2.0736 > 2: |z|² > 4 at step 2.
        {"(1.2, 0) escapes at step 2", 208, {{}, {}, {}, {}, {1.2f, 0}}, {0.04}},
        {"centre and scale", 208, {{}, {}, {1, 1}, {2}, {2, 2}}, {1.02}},
        {"constant (-1, 0) cycles 0, -1, 0", 208, {{}, {}, {}, {}, {}, {-1, 0}}, {1.02}},
        {"constant (3, 0) escapes at once", 208, {{}, {}, {}, {}, {}, {3, 0}}, {0.02}},
        {"scale 0 gives 0", 208, {{}, {5}, {}, {0}}, {0}},
        {"iterations 0 gives 0", 208, {{}, {5}, {}, {}, {}, {}, {0}}, {0}},
        {"amplitude 0 gives Offset", 208, {{0}, {5}}, {5}},
    };
    CheckRows(rows);
}

// Each step is stored as a float: the Mandelbrot of c = 0.1 + 0.1i agrees bit for bit with a
// float iteration written out here, and the shared loop gives both fractals the same ratio.
TEST(Fractals, StepsAreStoredAsFloats) {
    for (const float cx : {0.26f, -0.75f, 0.3f, -1.2f, 0.1f}) {
        const float cy = cx == 0.1f ? 0.1f : 0.05f;
        float zx = 0, zy = 0;
        int n = 0;
        do {
            const float x = static_cast<float>(double(zx) * zx - double(zy) * zy + cx);
            zy = static_cast<float>(2.0 * zx * zy + cy);
            zx = x;
            ++n;
        } while (!(double(zx) * zx + double(zy) * zy > 4) && n <= 1000);
        const float expected = static_cast<float>(n / 1000.0);
        TXRCMandelbrot m;
        Set(m, 4, {cx, cy});
        Set(m, 5, {1000});
        m.Evaluate(true);
        EXPECT_EQ(Output(m)[0], expected) << cx;
        EXPECT_EQ(FractalEscapeRatio(0, 0, cx, cy, 1000), n / 1000.0) << cx;
    }
}

// Mended fault: the loop stops after kMaxFractalSteps; a point still inside counts as never
// escaping, so a huge or infinite count returns at once with the never-escaping value.
TEST(Fractals, HugeIterationCountsAreCapped) {
    const auto start = std::chrono::steady_clock::now();
    const Case rows[] = {
        {"at the cap: as uncapped", 205, {{}, {}, {}, {}, {}, {100000}}, {1.00001}, 1e-7},
        {"just below the next step", 205, {{}, {}, {}, {}, {}, {100000.5f}}, {100001 / 100000.5}},
        {"2e5", 205, {{}, {}, {}, {}, {}, {200000}}, {200001 / 200000.0}},
        {"1e9", 205, {{}, {}, {}, {}, {}, {1e9f}}, {1}},
        {"1e30", 205, {{}, {}, {}, {}, {}, {1e30f}}, {1}},
        {"infinity", 205, {{}, {}, {}, {}, {}, {kInf}}, {1}},
        {"Julia, infinity", 208, {{}, {}, {}, {}, {0.5f, 0.5f}, {}, {kInf}}, {1}},
        {"escaping points are not affected", 205, {{}, {}, {}, {}, {1, 0}, {1e9f}}, {3e-9}, 1e-12},
    };
    CheckRows(rows);
    EXPECT_EQ(FractalEscapeRatio(0, 0, 0, 0, kInf), 1.0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace vandrel

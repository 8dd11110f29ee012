#include "components/generators/generators_3d.h"

#include <gtest/gtest.h>

#include <cmath>

#include "component_checks.h"
#include "components/families.h"
#include "components/shared/noise_select.h"

namespace vandrel {
namespace {

using test::Case;
using test::CheckRows;

using test::FirstDraw;

TEST(Gauss3D, BellAndZeroWidth) {
    const Case rows[] = {
        {"defaults at the origin", 304, {}, {1}},
        {"one width away along X", 304, {{}, {}, {}, {}, {0.5f, 0, 0}}, {std::exp(-7.0)}},
        {"one width away along Z", 304, {{}, {}, {}, {}, {0, 0, -0.5f}}, {std::exp(-7.0)}},
        {"on the diagonal", 304, {{}, {}, {}, {}, {0.25f, 0.25f, 0.25f}}, {std::exp(-5.25)}},
        {"width 0 gives 0", 304, {{2}, {3}, {}, {0}}, {0}},
        {"amplitude, offset, centre and width",
         304,
         {{2}, {0.5f}, {1, 2, 3}, {2}, {2, 2, 3}},
         {2 * std::exp(-7 * 0.25) + 0.5}},
    };
    CheckRows(rows);
}

TEST(Noise3D, HostNoiseOfAFloatPoint) {
    // The point is stored as floats before the host reads it: 0.1 · 3 is not 0.3f.
    const float p[3] = {static_cast<float>(0.1f * 3.0), static_cast<float>(-0.7f * 3.0),
                        static_cast<float>(2.2f * 3.0)};
    for (int32_t type = 0; type < 4; ++type) {
        const double n = SelectNoise3(type)(p);
        const double t = SelectTurbulence3(type)(p, 20);
        const Case rows[] = {
            {"noise", 301, {{2}, {3}, {0.5f}, {0.1f, -0.7f, 2.2f}, {float(type)}}, {n * 2 + 0.5}},
            {"turbulence, octaves 21.4 pass 20",
             302,
             {{2}, {3}, {0.5f}, {0.1f, -0.7f, 2.2f}, {float(type)}, {21.4f}},
             {t * 2 + 0.5}},
        };
        CheckRows(rows);
    }
}

TEST(Noise3D, ColourChannelsShiftOneAxisEach) {
    const float p[3] = {0.5f * 2, 0.25f * 2, -1.5f * 2};
    const auto shifted = [&](int axis, float shift) {
        static float q[3];
        q[0] = p[0], q[1] = p[1], q[2] = p[2];
        q[axis] = static_cast<float>(q[axis] + double(shift));
        return q;
    };
    const double r = hsNoise3Classic(shifted(0, 975));
    const double g = hsNoise3Classic(shifted(1, 1111));
    const double b = hsNoise3Classic(shifted(2, 871));
    const double tr = hsTurbulence3SparseConv(shifted(0, 975), 2);
    const double tg = hsTurbulence3SparseConv(shifted(1, 1111), 2);
    const double tb = hsTurbulence3SparseConv(shifted(2, 871), 2);
    const Case rows[] = {
        {"colour noise",
         305,
         {{1, 2, 3}, {2}, {0.1f, 0.2f, 0.3f}, {0.5f, 0.25f, -1.5f}, {1}},
         {r + 0.1f, g * 2 + 0.2f, b * 3 + 0.3f}},
        {"colour turbulence, octaves -2.4 pass 2",
         306,
         {{1, 2, 3}, {2}, {0.1f, 0.2f, 0.3f}, {0.5f, 0.25f, -1.5f}, {3}, {-2.4f}},
         {tr + 0.1f, tg * 2 + 0.2f, tb * 3 + 0.3f}},
    };
    CheckRows(rows);
}

TEST(Shuffle3D, OneValuePerBox) {
    // Box [0, 1)³: CellHash3 = 257 + 1 - 1 = 257; box [-1, 0)³: -257 - 1 + 1 + 2 + 1 = -254.
    const double inside = FirstDraw(257 + 1234);
    const double below = FirstDraw(-254 + 1234);
    // Cell (1, -1, 0): adjusted (2, -1, 1): 257 · -2 + 2 - 1 + 0 + 1 = -512.
    const double mixed = FirstDraw(-512 + 1234);
    const Case rows[] = {
        {"unit box", 307, {{}, {}, {}, {0.1f, 0.2f, 0.3f}}, {inside}},
        {"unit box, far corner", 307, {{}, {}, {}, {0.99f, 0.5f, 0.01f}}, {inside}},
        {"box below", 307, {{}, {}, {}, {-0.1f, -0.9f, -0.5f}}, {below}},
        {"mixed signs", 307, {{}, {}, {}, {1.5f, -0.5f, 0.5f}}, {mixed}},
        {"cell size", 307, {{}, {}, {2, 0.5f, 4}, {3, -0.25f, 1}}, {mixed}},
        {"amplitude and offset", 307, {{3}, {1}, {}, {0.5f, 0.5f, 0.5f}}, {inside * 3 + 1}},
        {"sizes 0: box [0, 1)³", 307, {{}, {}, {0, 0, 0}, {-9, 99, -999}}, {inside}},
        {"Seed -5.7 cuts to -5", 307, {{}, {}, {}, {0.5f, 0.5f, 0.5f}, {-5.7f}}, {FirstDraw(252)}},
    };
    CheckRows(rows);
    EXPECT_NE(inside, below);
}

}  // namespace
}  // namespace vandrel

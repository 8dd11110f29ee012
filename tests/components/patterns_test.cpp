#include "components/patterns/patterns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "component_checks.h"

namespace vandrel {
namespace {

constexpr double kPi = std::numbers::pi;

using test::Case;

// Float coordinates through smooth steps: a few ulps off the hand values.
const test::Options kRun{.tolerance = 1e-5};

TEST(Patterns, CheckerCellsAndGridLines) {
    // With Blur 0.2 at U = 0.2625 the grid line is 0.05 cells away: the smooth step over
    // [-0.1, 0.1] is 0.84375 there, and the cell's interior is ValueB.
    const Case rows[] = {
        {"first cell", 401, {{}, {}, {}, {}, {0.1f, 0.1f}}, {0}},
        {"next along U", 401, {{}, {}, {}, {}, {0.3f, 0.1f}}, {1}},
        {"diagonal", 401, {{}, {}, {}, {}, {0.3f, 0.3f}}, {0}},
        {"left of the origin", 401, {{}, {}, {}, {}, {-0.1f, 0.1f}}, {1}},
        {"below the origin", 401, {{}, {}, {}, {}, {0.1f, -0.1f}}, {1}},
        {"zero size gives the mean", 401, {{}, {}, {0, 1}, {}, {0.1f, 0.1f}}, {0.5}},
        {"mean of other values", 401, {{2}, {5}, {0.5f, 0}, {}, {0.1f, 0.1f}}, {3.5}},
        {"blurred grid line", 401, {{}, {}, {}, {0.2f}, {0.25f, 0.1f}}, {0.5}},
        {"blurred corner", 401, {{}, {}, {}, {0.2f}, {0.25f, 0.25f}}, {0.5}},
        {"inside the blur", 401, {{}, {}, {}, {0.2f}, {0.2625f, 0.1f}}, {0.84375}},
        {"blur does not reach the interior", 401, {{}, {}, {}, {0.2f}, {0.375f, 0.1f}}, {1}},
        {"3D first cube", 402, {{}, {}, {}, {}, {0.1f, 0.1f, 0.1f}}, {0}},
        {"3D next along X", 402, {{}, {}, {}, {}, {0.3f, 0.1f, 0.1f}}, {1}},
        {"3D diagonal in XY", 402, {{}, {}, {}, {}, {0.3f, 0.3f, 0.1f}}, {0}},
        {"3D next along Z", 402, {{}, {}, {}, {}, {0.1f, 0.1f, 0.3f}}, {1}},
        {"3D body diagonal", 402, {{}, {}, {}, {}, {0.3f, 0.3f, 0.3f}}, {1}},
        {"3D zero size", 402, {{2}, {3}, {1, 1, 0}, {}, {0.1f, 0.1f, 0.1f}}, {2.5}},
        {"3D blurred face", 402, {{}, {}, {}, {0.2f}, {0.1f, 0.1f, 0.25f}}, {0.5}},
    };
    test::CheckRows(rows, kRun);
}

TEST(Patterns, BrickRowsAndMortar) {
    // Size 0.25 and MortarWidth 0.01: half a joint is 0.02 tiles. Blur 0.5 makes the soft edge
    // run from 0.01 to 0.03 tiles, 0.5 at 0.02; Blur 5 counts as 1 (0 to 0.04).
    const Case rows[] = {
        {"inside a tile", 403, {{}, {}, {}, {}, {}, {}, {0.1f, 0.1f}}, {0}},
        {"vertical joint", 403, {{}, {}, {}, {}, {}, {}, {0.252f, 0.1f}}, {1}},
        {"vertical joint, other side", 403, {{}, {}, {}, {}, {}, {}, {0.248f, 0.1f}}, {1}},
        {"horizontal joint", 403, {{}, {}, {}, {}, {}, {}, {0.1f, 0.004f}}, {1}},
        {"just beside the joint", 403, {{}, {}, {}, {}, {}, {}, {0.1f, 0.006f}}, {0}},
        {"joint of row 0", 403, {{}, {}, {}, {}, {}, {}, {0.25f, 0.1f}}, {1}},
        {"row 1 is shifted off it", 403, {{}, {}, {}, {}, {}, {}, {0.25f, 0.3f}}, {0}},
        {"row 1 has its joint mid-tile", 403, {{}, {}, {}, {}, {}, {}, {0.125f, 0.3f}}, {1}},
        {"row 0 mid-tile", 403, {{}, {}, {}, {}, {}, {}, {0.125f, 0.1f}}, {0}},
        {"row -1 is shifted too", 403, {{}, {}, {}, {}, {}, {}, {0.125f, -0.1f}}, {1}},
        {"blur edge", 403, {{}, {}, {}, {}, {}, {0.5f}, {0.005f, 0.1f}}, {0.5}},
        {"blur above 1 counts as 1", 403, {{}, {}, {}, {}, {}, {5}, {0.0025f, 0.1f}}, {0.84375}},
        {"negative blur counts as 0", 403, {{}, {}, {}, {}, {}, {-1}, {0.006f, 0.1f}}, {0}},
        {"values mixed by the amount", 403, {{2}, {7}, {}, {}, {}, {0.5f}, {0.005f, 0.1f}}, {4.5}},
        {"zero size drops that axis", 403, {{}, {}, {0, 0.25f}, {}, {}, {}, {123, 0.1f}}, {0}},
        {"the other axis stays", 403, {{}, {}, {0, 0.25f}, {}, {}, {}, {123, 0.002f}}, {1}},
        {"3D inside", 404, {{}, {}, {}, {}, {}, {}, {0.1f, 0.1f, 0.1f}}, {0}},
        {"3D joint along X", 404, {{}, {}, {}, {}, {}, {}, {0.252f, 0.1f, 0.1f}}, {1}},
        {"3D joint along Z", 404, {{}, {}, {}, {}, {}, {}, {0.1f, 0.1f, 0.002f}}, {1}},
        {"3D rows are not shifted", 404, {{}, {}, {}, {}, {}, {}, {0.25f, 0.3f, 0.1f}}, {1}},
        {"3D odd layer shifts X", 404, {{}, {}, {}, {}, {}, {}, {0.25f, 0.1f, 0.3f}}, {0}},
        {"3D odd layer shifts Y", 404, {{}, {}, {}, {}, {}, {}, {0.1f, 0.125f, 0.3f}}, {1}},
        {"3D shift V alone", 404, {{}, {}, {}, {0, 0.5f}, {}, {}, {0.25f, 0.1f, 0.3f}}, {1}},
    };
    test::CheckRows(rows, kRun);
}

TEST(Patterns, PolkaCentreAndCorner) {
    const Case rows[] = {
        {"cell centre", 406, {{}, {}, {}, {}, {}, {0.125f, 0.125f}}, {1}},
        {"cell corner", 406, {{}, {}, {}, {}, {}, {0, 0}}, {0}},
        {"rim touches the cell side", 406, {{}, {}, {}, {}, {}, {0.125f, 0}}, {1}},
        {"blurred rim", 406, {{}, {}, {}, {}, {0.2f}, {0.125f, 0}}, {0.5}},
        {"negative blur is 0", 406, {{}, {}, {}, {}, {-0.2f}, {0.125f, 0}}, {1}},
        {"other values", 406, {{3}, {-1}, {}, {}, {}, {0.01f, 0.01f}}, {3}},
        {"band along U", 406, {{}, {}, {}, {0, 0.5f}, {}, {0.01f, 0.125f}}, {1}},
        {"band is narrow in V", 406, {{}, {}, {}, {0, 0.5f}, {}, {0.01f, 0.01f}}, {0}},
        {"zero size acts like zero dot size", 406, {{}, {}, {0.25f, 0}, {}, {}, {0.125f, 9}}, {1}},
        {"3D centre", 407, {{}, {}, {}, {}, {}, {0.2f, 0.2f, 0.2f}}, {1}},
        {"3D corner", 407, {{}, {}, {}, {}, {}, {0, 0, 0}}, {0}},
        {"3D beyond the rim", 407, {{}, {}, {}, {}, {}, {0, 0.2f, 0.05f}}, {0}},
        {"3D cylinders", 407, {{}, {}, {}, {1, 1, 0}, {}, {0.2f, 0.2f, 0.0f}}, {1}},
    };
    test::CheckRows(rows, kRun);
}

TEST(Patterns, StripesRaysAndCircles) {
    const float c10 = static_cast<float>(std::cos(kPi / 18)), s10 = std::sin(kPi / 18);
    const float c20 = static_cast<float>(std::cos(kPi / 9)), s20 = std::sin(kPi / 9);
    const float c30 = static_cast<float>(std::cos(kPi / 6)), s30 = 0.5f;
    const float c15 = static_cast<float>(std::cos(kPi / 12)), s15 = std::sin(kPi / 12);
    const Case rows[] = {
        {"stripes: zero period", 408, {{0.3f}, {}, {0}, {}, {}, {}, {0, 0.1f}}, {0.3}},
        {"stripes: zero width", 408, {{0.3f}, {}, {}, {0}, {}, {}, {0, 0.1f}}, {0.3}},
        {"stripes: centre", 408, {{}, {}, {}, {}, {}, {}, {0, 0.1f}}, {1}},
        {"stripes: between", 408, {{}, {}, {}, {}, {}, {}, {0, 0}}, {0}},
        {"stripes: inside the width", 408, {{}, {}, {}, {}, {}, {}, {0, 0.06f}}, {1}},
        {"stripes: outside the width", 408, {{}, {}, {}, {}, {}, {}, {0, 0.04f}}, {0}},
        {"stripes: blurred edge", 408, {{}, {}, {}, {}, {0.5f}, {}, {0, 0.05f}}, {0.5}},
        {"stripes: U ignored", 408, {{}, {}, {}, {}, {}, {}, {0.1f, 0}}, {0}},
        {"stripes: direction 1", 408, {{}, {}, {}, {}, {}, {}, {0.1f, 0}, {1}}, {1}},
        {"stripes: direction 1 ignores V", 408, {{}, {}, {}, {}, {}, {}, {0, 0.1f}, {1}}, {0}},
        {"stripes: turned a quarter",
         408,
         {{}, {}, {}, {}, {}, {static_cast<float>(kPi / 2)}, {-0.1f, 0}, {2}},
         {1}},
        {"stripes: unknown direction is V", 408, {{}, {}, {}, {}, {}, {}, {0, 0.1f}, {7}}, {1}},
        {"rays: zero width", 410, {{0.3f}, {}, {}, {0}, {}, {}, {1, 0}}, {0.3}},
        {"rays: negative width", 410, {{0.3f}, {}, {}, {-1}, {}, {}, {1, 0}}, {0.3}},
        {"rays: first on the U axis", 410, {{}, {}, {}, {}, {}, {}, {1, 0}}, {1}},
        {"rays: 10 degrees", 410, {{}, {}, {}, {}, {}, {}, {c10, s10}}, {1}},
        {"rays: 20 degrees", 410, {{}, {}, {}, {}, {}, {}, {c20, s20}}, {0}},
        {"rays: between two", 410, {{}, {}, {}, {}, {}, {}, {c30, s30}}, {0}},
        {"rays: second", 410, {{}, {}, {}, {}, {}, {}, {0.5f, c30}}, {1}},
        {"rays: opposite", 410, {{}, {}, {}, {}, {}, {}, {-2, 0}}, {1}},
        {"rays: turned", 410, {{}, {}, {}, {}, {}, {static_cast<float>(kPi / 6)}, {c30, s30}}, {1}},
        {"rays: blurred edge", 410, {{}, {}, {}, {}, {0.5f}, {}, {c15, s15}}, {0.5}},
        {"rays: V axis", 410, {{}, {}, {}, {}, {}, {}, {0, 1}}, {0}},
        {"rays: V axis, four rays", 410, {{}, {}, {4}, {}, {}, {}, {0, 1}}, {1}},
        {"rays: origin as the V axis", 410, {{}, {}, {4}, {}, {}, {}, {0, 0}}, {1}},
        {"rays: origin, six rays", 410, {{}, {}, {}, {}, {}, {}, {0, 0}}, {0}},
        {"circles: zero period", 409, {{0.3f}, {}, {0}, {}, {}, {}, {0.2f, 0}}, {0.3}},
        {"circles: origin", 409, {{}, {}, {}, {}, {}, {}, {0, 0}}, {1}},
        {"circles: between rings", 409, {{}, {}, {}, {}, {}, {}, {0.1f, 0}}, {0}},
        {"circles: first ring", 409, {{}, {}, {}, {}, {}, {}, {0.2f, 0}}, {1}},
        {"circles: inside the ring", 409, {{}, {}, {}, {}, {}, {}, {0, 0.24f}}, {1}},
        {"circles: outside the ring", 409, {{}, {}, {}, {}, {}, {}, {0, 0.26f}}, {0}},
        {"circles: any direction", 409, {{}, {}, {}, {}, {}, {}, {0.12f, -0.16f}}, {1}},
        {"circles: blurred edge", 409, {{}, {}, {}, {}, {}, {0.25f}, {0.05f, 0}}, {0.5}},
        {"circles: radius offset", 409, {{}, {}, {}, {}, {0.1f}, {}, {0.1f, 0}}, {1}},
        {"circles: offset moves the ring", 409, {{}, {}, {}, {}, {0.1f}, {}, {0.2f, 0}}, {0}},
        {"disc: inside", 409, {{}, {}, {}, {}, {}, {}, {0.04f, 0}, {1}}, {1}},
        {"disc: outside", 409, {{}, {}, {}, {}, {}, {}, {0.06f, 0}, {1}}, {0}},
        {"disc: no ring", 409, {{}, {}, {}, {}, {}, {}, {0.2f, 0}, {1}}, {0}},
        {"disc: any other mode", 409, {{}, {}, {}, {}, {}, {}, {0.2f, 0}, {-3}}, {0}},
        {"spiral: U axis like rings", 409, {{}, {}, {}, {}, {}, {}, {0.2f, 0}, {2}}, {1}},
        {"spiral: half a turn out", 409, {{}, {}, {}, {}, {}, {}, {-0.2f, 0}, {2}}, {0}},
        {"spiral: half a turn in", 409, {{}, {}, {}, {}, {}, {}, {-0.1f, 0}, {2}}, {1}},
        {"spiral: quarter turn", 409, {{}, {}, {}, {}, {}, {}, {0, 0.05f}, {2}}, {1}},
        {"spiral: three quarters", 409, {{}, {}, {}, {}, {}, {}, {0, -0.15f}, {2}}, {1}},
        // Five million periods out a quarter turn is 0.75 of a period, however far.
        {"spiral: far out", 409, {{}, {}, {1}, {0.25f}, {}, {}, {0, 5000000}, {2}}, {0}},
    };
    test::CheckRows(rows, kRun);
}

TEST(Patterns, CrossWeaveThreads) {
    // Cell (0, 0): A over B. Cell (1, 0): B over A. The cell's edges are 0.92 from its middle at
    // 0.01 input units in.
    const Case rows[] = {
        {"zero size", 411, {{}, {}, {0.3f}, {0, 0.25f}, {}, {}, {0.1f, 0.1f}}, {0.3}},
        {"A over B at the crossing", 411, {{}, {}, {}, {}, {}, {}, {0.125f, 0.125f}}, {1}},
        {"B alone", 411, {{}, {}, {}, {}, {}, {}, {0.01f, 0.125f}}, {0.5}},
        {"A alone", 411, {{}, {}, {}, {}, {}, {}, {0.125f, 0.01f}}, {1}},
        {"gap", 411, {{}, {}, {0.3f}, {}, {}, {}, {0.01f, 0.01f}}, {0.3}},
        {"B over A at the crossing", 411, {{}, {}, {}, {}, {}, {}, {0.375f, 0.125f}}, {0.5}},
        {"A alone in the next cell", 411, {{}, {}, {}, {}, {}, {}, {0.375f, 0.01f}}, {1}},
        {"blurred thread edge", 411, {{}, {}, {}, {}, {}, {0.2f}, {0.0625f, 0.01f}}, {0.5}},
        {"negative blur is a step", 411, {{}, {}, {}, {}, {}, {-0.2f}, {0.07f, 0.01f}}, {1}},
        {"thread width", 411, {{}, {}, {}, {}, {0.2f, 0.5f}, {}, {0.07f, 0.01f}}, {0}},
    };
    test::CheckRows(rows, kRun);
}

}  // namespace
}  // namespace vandrel

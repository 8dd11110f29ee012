#include <gtest/gtest.h>

#include "hostapi/hostapi.h"

namespace {

TEST(SmoothStep, EdgesAndTheHermiteCurveBetween) {
    struct Row {
        double lower, upper, x, expected;
    };
    const Row rows[] = {
        // Zero at or below the lower edge, tested first: it wins even where x also reaches the
        // upper edge (equal or reversed edges).
        {0.0, 1.0, 0.0, 0.0},
        {0.0, 1.0, -0.5, 0.0},
        {0.0, 1.0, -1e300, 0.0},
        {2.0, 4.0, 2.0, 0.0},
        {1.0, 1.0, 1.0, 0.0},
        {3.0, 1.0, 2.0, 0.0},
        {3.0, 1.0, 3.0, 0.0},
        {-1.0, -1.0, -2.0, 0.0},
        // One at or above the upper edge.
        {0.0, 1.0, 1.0, 1.0},
        {0.0, 1.0, 1.5, 1.0},
        {0.0, 1.0, 1e300, 1.0},
        {2.0, 4.0, 4.0, 1.0},
        {3.0, 1.0, 3.5, 1.0},
        // Equal edges make a step.
        {0.5, 0.5, 0.4999, 0.0},
        {0.5, 0.5, 0.5001, 1.0},
        {0.0, 0.0, -0.0, 0.0},
        {0.0, 0.0, 1e-300, 1.0},
        // 3t^2 - 2t^3 by hand: t = 1/4 gives 5/32, t = 1/2 gives 1/2, t = 3/4 gives 27/32.
        {0.0, 1.0, 0.25, 5.0 / 32},
        {0.0, 1.0, 0.5, 0.5},
        {0.0, 1.0, 0.75, 27.0 / 32},
        {2.0, 4.0, 2.5, 5.0 / 32},
        {2.0, 4.0, 3.0, 0.5},
        {-4.0, 4.0, 2.0, 27.0 / 32},
        {0.0, 1.0, 0.1, 0.028},
    };
    for (const Row& r : rows) {
        // The edge values are exact; the curve's, to rounding.
        const double tolerance = r.expected == 0.0 || r.expected == 1.0 ? 0.0 : 1e-12;
        EXPECT_NEAR(hsSmoothStep(r.lower, r.upper, r.x), r.expected, tolerance)
            << r.lower << " " << r.upper << " " << r.x;
    }
    // Rising, symmetric about the middle, and flat where it meets 0 and 1.
    double previous = 0.0;
    for (int i = 1; i < 100; ++i) {
        const double x = i / 100.0;
        const double y = hsSmoothStep(0.0, 1.0, x);
        EXPECT_GT(y, previous);
        EXPECT_NEAR(y + hsSmoothStep(0.0, 1.0, 1.0 - x), 1.0, 1e-12);
        previous = y;
    }
    EXPECT_LT(hsSmoothStep(0.0, 1.0, 1e-4), 1e-7);
    EXPECT_GT(hsSmoothStep(0.0, 1.0, 1.0 - 1e-4), 1.0 - 1e-7);
}

}  // namespace

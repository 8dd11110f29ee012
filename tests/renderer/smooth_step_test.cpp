#include <gtest/gtest.h>

#include "hostapi/hostapi.h"

namespace {

struct Row {
    double lower, upper, x, expected;
};

TEST(SmoothStep, ZeroAtOrBelowTheLowerEdgeTestedFirst) {
    // The lower edge wins even where x also reaches the upper edge: equal or reversed edges.
    const Row rows[] = {
        {0.0, 1.0, 0.0, 0.0}, {0.0, 1.0, -0.5, 0.0},   {0.0, 1.0, -1e300, 0.0},
        {2.0, 4.0, 2.0, 0.0}, {1.0, 1.0, 1.0, 0.0},    {3.0, 1.0, 2.0, 0.0},
        {3.0, 1.0, 3.0, 0.0}, {-1.0, -1.0, -2.0, 0.0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(hsSmoothStep(r.lower, r.upper, r.x), r.expected)
            << r.lower << " " << r.upper << " " << r.x;
    }
}

TEST(SmoothStep, OneAtOrAboveTheUpperEdge) {
    const Row rows[] = {
        {0.0, 1.0, 1.0, 1.0}, {0.0, 1.0, 1.5, 1.0}, {0.0, 1.0, 1e300, 1.0},
        {2.0, 4.0, 4.0, 1.0}, {3.0, 1.0, 3.5, 1.0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(hsSmoothStep(r.lower, r.upper, r.x), r.expected)
            << r.lower << " " << r.upper << " " << r.x;
    }
}

TEST(SmoothStep, FollowsTheHermiteCurveBetween) {
    // 3t^2 - 2t^3 by hand: t = 1/4 gives 3/16 - 2/64 = 5/32, t = 1/2 gives 1/2, t = 3/4 gives
    // 27/32.
    const Row rows[] = {
        {0.0, 1.0, 0.25, 5.0 / 32}, {0.0, 1.0, 0.5, 0.5}, {0.0, 1.0, 0.75, 27.0 / 32},
        {2.0, 4.0, 2.5, 5.0 / 32},  {2.0, 4.0, 3.0, 0.5}, {-4.0, 4.0, 2.0, 27.0 / 32},
        {0.0, 1.0, 0.1, 0.028},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(hsSmoothStep(r.lower, r.upper, r.x), r.expected, 1e-12)
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

TEST(SmoothStep, EqualEdgesMakeAStep) {
    const Row rows[] = {
        {0.5, 0.5, 0.5, 0.0}, {0.5, 0.5, 0.4999, 0.0}, {0.5, 0.5, 0.5001, 1.0},
        {0.0, 0.0, 0.0, 0.0}, {0.0, 0.0, -0.0, 0.0},   {0.0, 0.0, 1e-300, 1.0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(hsSmoothStep(r.lower, r.upper, r.x), r.expected)
            << r.lower << " " << r.upper << " " << r.x;
    }
}

}  // namespace

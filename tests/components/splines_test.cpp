// Splines: knots and end behaviour, the hand-calculated curve between knots, and knot counts out
// of range.
#include "components/generators/splines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "component_checks.h"
#include "components/shared/catmull_rom.h"

namespace vandrel {
namespace {

using test::Fresh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A numerical spline with these knots (missing ones 0), KnotCount and Input.
float Spline(const std::vector<float>& knots, int32_t knotCount, double input) {
    Fresh c(113);
    for (size_t k = 0; k < knots.size(); ++k) {
        c->SetConstant(static_cast<int32_t>(k), kWholeProperty, knots[k]);
    }
    c->SetEnumValue(6, knotCount);
    c->SetConstant(5, kWholeProperty, static_cast<float>(input));
    c->Evaluate(true);
    return c->OutputAddress()[0];
}

TEST(Splines, TwoKnotsEaseInAndOut) {
    EXPECT_EQ(Spline({0, 1}, 0, 0.5), 0.5f);
    EXPECT_EQ(Spline({0, 1}, 0, 0.25), 0.203125f);  // 0.5·f + 1.5·f² - f³
    EXPECT_EQ(Spline({0, 1}, 0, 0.75), 0.796875f);
    EXPECT_EQ(Spline({0, 1}, 0, 0), 0.0f);
    EXPECT_EQ(Spline({0, 1}, 0, 1), 1.0f);
}

TEST(Splines, EndsYieldTheEndKnotsExactly) {
    const std::vector<float> knots = {0.1f, 0.7f, 0.3f, 0.9f, 0.0f};
    for (int32_t n = 0; n <= 3; ++n) {
        for (double below : {0.0, -0.5, -1e30, kNaN}) {
            EXPECT_EQ(Spline(knots, n, below), 0.1f) << n << " " << below;
        }
        for (double above : {1.0, 1.5, 1e30}) {
            EXPECT_EQ(Spline(knots, n, above), knots[n + 1]) << n << " " << above;
        }
    }
}

TEST(Splines, InnerKnotsAreReachedExactly) {
    const std::vector<float> knots = {0.3f, -1.7f, 2.9f, 0.11f, 5.0f};
    EXPECT_EQ(Spline(knots, 3, 0.25), knots[1]);
    EXPECT_EQ(Spline(knots, 3, 0.5), knots[2]);
    EXPECT_EQ(Spline(knots, 3, 0.75), knots[3]);
    EXPECT_EQ(Spline(knots, 1, 0.5), knots[1]);
    EXPECT_EQ(Spline(knots, 2, 0.25 * 4 / 3), Spline(knots, 2, 1.0 / 3));
    EXPECT_NEAR(Spline(knots, 2, 1.0 / 3), knots[1], 1e-6);
    EXPECT_NEAR(Spline(knots, 2, 2.0 / 3), knots[2], 1e-6);
}

TEST(Splines, BetweenKnotsTheUniformCatmullRomCurve) {
    // Three knots 0, 1, 0: at Input 0.25 the control values are 0, 0, 1, 0 and f = 0.5.
    EXPECT_EQ(Spline({0, 1, 0}, 1, 0.25), 0.5625f);
    EXPECT_EQ(Spline({0, 1, 0}, 1, 0.75), 0.5625f);
    // Four knots 0, 1, 0, 1 at Input 0.5: segment 1, f = 0.5, control values 0, 1, 0, 1.
    EXPECT_EQ(Spline({0, 1, 0, 1}, 2, 0.5), 0.5f);
    // A general point against the shared cubic, with the end knots repeated.
    const std::vector<float> k = {0.3f, -1.7f, 2.9f, 0.11f, 5.0f};
    const double input = 0.6;
    const double s = 4 * static_cast<double>(static_cast<float>(input));
    const double f = s - 2;
    EXPECT_FLOAT_EQ(Spline(k, 3, input), static_cast<float>(CatmullRom(k[1], k[2], k[3], k[4], f)));
    const double s0 = 4 * static_cast<double>(0.1f);
    EXPECT_FLOAT_EQ(Spline(k, 3, 0.1), static_cast<float>(CatmullRom(k[0], k[0], k[1], k[2], s0)));
    const double s3 = 4 * static_cast<double>(0.9f) - 3;
    EXPECT_FLOAT_EQ(Spline(k, 3, 0.9), static_cast<float>(CatmullRom(k[2], k[3], k[4], k[4], s3)));
}

TEST(Splines, SegmentLocation) {
    const TSplineSegment end = LocateSplineSegment(1.0, 3);
    EXPECT_TRUE(end.atEnd);
    EXPECT_EQ(end.f, 1.0);
    EXPECT_EQ(end.knots[1], 3);
    EXPECT_EQ(end.knots[2], 4);
    EXPECT_EQ(end.knots[3], 4);
    const TSplineSegment start = LocateSplineSegment(-2.0, 2);
    EXPECT_FALSE(start.atEnd);
    EXPECT_EQ(start.f, 0.0);
    EXPECT_EQ(start.knots[0], 0);
    EXPECT_EQ(start.knots[1], 0);
    EXPECT_EQ(start.knots[2], 1);
    EXPECT_EQ(start.knots[3], 2);
    const TSplineSegment two = LocateSplineSegment(0.5, 0);
    EXPECT_EQ(two.f, 0.5);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(two.knots[k], k < 2 ? 0 : 1);
    EXPECT_EQ(LocateSplineSegment(kNaN, 3).f, 0.0);
}

TEST(Splines, KnotsBeyondTheCountHaveNoInfluence) {
    for (int32_t n = 0; n < 3; ++n) {
        for (double input : {0.0, 0.2, 0.5, 0.9, 1.0}) {
            Fresh c(113);
            for (int32_t k = 0; k < 5; ++k) c->SetConstant(k, kWholeProperty, 0.5f * k - 0.3f);
            c->SetEnumValue(6, n);
            c->SetConstant(5, kWholeProperty, static_cast<float>(input));
            c->Evaluate(true);
            const float plain = c->OutputAddress()[0];
            float poison = static_cast<float>(kNaN);
            for (int32_t k = n + 2; k < 5; ++k) {
                c->Connect(k, kWholeProperty, &poison);
                c->SetConstant(k, kWholeProperty, 1e30f);
            }
            c->Evaluate(true);
            EXPECT_EQ(c->OutputAddress()[0], plain) << n << " " << input;
        }
    }
}

TEST(Splines, KnotCountOutsideTheRangeIsClamped) {
    const std::vector<float> k = {0.3f, -1.7f, 2.9f, 0.11f, 5.0f};
    for (double input : {0.1, 0.4, 0.77, 1.0}) {
        EXPECT_EQ(Spline(k, 7, input), Spline(k, 3, input)) << input;
        EXPECT_EQ(Spline(k, 1000000, input), Spline(k, 3, input)) << input;
        EXPECT_EQ(Spline(k, -2, input), Spline(k, 0, input)) << input;
        EXPECT_EQ(Spline(k, std::numeric_limits<int32_t>::min(), input), Spline(k, 0, input));
    }
    Fresh c(113);
    c->SetEnumValue(6, 9);
    c->Evaluate(true);
    EXPECT_EQ(c->GetEnumValue(6), 9);  // the stored value is kept
}

// The UV and 3D splines are the numerical spline applied part by part.
TEST(Splines, UvAndVectorSplinesArePerPart) {
    const float values[5][3] = {
        {0.3f, 1.0f, -2.0f},   {-1.7f, 0.5f, 4.0f}, {2.9f, 0.0f, 1.0f},
        {0.11f, -3.0f, 0.25f}, {5.0f, 2.0f, 0.75f},
    };
    for (int32_t id : {114, 115}) {
        const int parts = id == 114 ? 2 : 3;
        for (int32_t n = 0; n <= 3; ++n) {
            for (double input : {-0.5, 0.0, 0.13, 0.5, 0.61, 0.99, 1.0, 3.0}) {
                Fresh c(id);
                for (int32_t knot = 0; knot < 5; ++knot) {
                    for (int k = 0; k < parts; ++k) c->SetConstant(knot, k, values[knot][k]);
                }
                c->SetEnumValue(6, n);
                c->SetConstant(5, kWholeProperty, static_cast<float>(input));
                c->Evaluate(true);
                for (int k = 0; k < parts; ++k) {
                    std::vector<float> knots;
                    for (int knot = 0; knot < 5; ++knot) knots.push_back(values[knot][k]);
                    EXPECT_EQ(c->OutputAddress()[k], Spline(knots, n, input))
                        << id << " n " << n << " input " << input << " part " << k;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vandrel

#include "components/math/vectors_colors.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "component_checks.h"
#include "components/families.h"
#include "core/factory.h"

namespace vandrel {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kSqrt2 = std::numbers::sqrt2;

using test::Case;
using test::Check;
using test::Output;
using test::SameFloat;
using test::Set;

TEST(Vectors3D, ArithmeticAndProducts) {
    const Case rows[] = {
        {"add", 701, {{1, 2, 3}, {4, -5, 0.5f}}, {5, -3, 3.5}},
        {"subtract", 702, {{1, 2, 3}, {4, -5, 0.5f}}, {-3, 7, 2.5}},
        {"multiply", 706, {{1, 2, 3}, {4, -5, 0.5f}}, {4, -10, 1.5}},
        {"scale", 709, {{1, -2, 3}, {2.5f}}, {2.5, -5, 7.5}},
        {"scale, default factor 1", 709, {{1, -2, 3}}, {1, -2, 3}},
        {"cross of X and Y", 704, {{1, 0, 0}, {0, 1, 0}}, {0, 0, 1}},
        {"cross of Y and X", 704, {{0, 1, 0}, {1, 0, 0}}, {0, 0, -1}},
        {"cross", 704, {{1, 2, 3}, {4, 5, 6}}, {-3, 6, -3}},
        {"length", 705, {{3, 0, 4}}, {5}},
        {"length, negative parts", 705, {{-1, 2, -2}}, {3}},
        {"length of zero", 705, {{0, 0, 0}}, {0}},
        {"normalize", 707, {{3, 0, 4}}, {0.6, 0, 0.8}},
        {"normalize, one axis", 707, {{0, -2, 0}}, {0, -1, 0}},
        {"normalize zero", 707, {{0, 0, 0}}, {0, 0, 0}},
        {"switch 0", 712, {{1, 2, 3}, {4, 5, 6}, {0}}, {1, 2, 3}},
        {"switch 1", 712, {{1, 2, 3}, {4, 5, 6}, {1}}, {4, 5, 6}},
        {"switch -1 counts as not 0", 712, {{1, 2, 3}, {4, 5, 6}, {-1}}, {4, 5, 6}},
        {"switch 7", 712, {{1, 2, 3}, {4, 5, 6}, {7}}, {4, 5, 6}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Vectors3D, InvertTurnsVectorsAndComplementsColours) {
    const Case rows[] = {
        {"mode 0 negates", 708, {{0.2f, 0.5f, 1}, {0}}, {-0.2, -0.5, -1}},
        {"mode 1 complements", 708, {{0.2f, 0.5f, 1}, {1}}, {0.8, 0.5, 0}},
        {"mode -3 behaves as 0", 708, {{0.2f, 0.5f, 1}, {-3}}, {-0.2, -0.5, -1}},
        {"mode 9 behaves as 1", 708, {{0.2f, 0.5f, 1}, {9}}, {0.8, 0.5, 0}},
        {"complement outside [0, 1]", 708, {{-1, 2, 0}, {1}}, {2, -1, 1}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Vectors3D, DotProductModes) {
    const Case rows[] = {
        {"dot", 703, {{1, 2, 3}, {4, -5, 6}}, {12}},
        {"negate 1", 703, {{1, 2, 3}, {4, -5, 6}, {0}, {1}}, {-12}},
        {"negate 2 leaves it", 703, {{1, 2, 3}, {4, -5, 6}, {0}, {2}}, {12}},
        {"negate -1 leaves it", 703, {{1, 2, 3}, {4, -5, 6}, {0}, {-1}}, {12}},
        {"mode -1 behaves as 0", 703, {{1, 2, 3}, {4, -5, 6}, {-1}}, {12}},
        {"cosine of parallel", 703, {{2, 0, 0}, {3, 0, 0}, {1}}, {1}},
        {"cosine of opposite", 703, {{0, 0, 2}, {0, 0, -5}, {1}}, {-1}},
        {"cosine of 45 degrees", 703, {{1, 0, 0}, {1, 1, 0}, {1}}, {1 / kSqrt2}},
        {"cosine with a zero operand", 703, {{0, 0, 0}, {0, 2, 0}, {1}}, {0}},
        {"angle of perpendicular", 703, {{1, 0, 0}, {0, 2, 0}, {2}}, {kPi / 2}},
        {"angle of 45 degrees", 703, {{1, 0, 0}, {1, 1, 0}, {2}}, {kPi / 4}},
        {"angle of the negated cosine", 703, {{1, 0, 0}, {1, 1, 0}, {2}, {1}}, {3 * kPi / 4}},
        {"angle of opposite", 703, {{1, 0, 0}, {-4, 0, 0}, {2}}, {kPi}},
        {"mode 5 behaves as 2", 703, {{1, 0, 0}, {0, 2, 0}, {5}}, {kPi / 2}},
        // The normalised value is 0, and the angle of a cosine of 0 is a right angle.
        {"angle with a zero operand", 703, {{0, 0, 0}, {0, 2, 0}, {2}}, {kPi / 2}},
    };
    for (const Case& row : rows) Check(row);
}

// The product of the lengths is rounded to a float, so the cosine of a vector with itself comes
// out a float step above or below 1. Above, the angle must be 0, not the arc cosine's NaN; below,
// it is the small angle of that cosine, under acos(1 − 2⁻²³) ≈ 3.5e-4.
TEST(Vectors3D, AngleOfAVectorWithItselfSurvivesRounding) {
    int pushedPastOne = 0;
    for (int i = 1; i <= 200; ++i) {
        const float v[3] = {0.01f * static_cast<float>(i), 0.3f, 0.7f / static_cast<float>(i)};
        const double lengthSquared =
            double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2];
        const bool past = lengthSquared / static_cast<float>(lengthSquared) > 1;
        TXRCDot3D dot;
        Set(dot, 0, {v[0], v[1], v[2]});
        Set(dot, 1, {v[0], v[1], v[2]});
        Set(dot, 2, {2});
        dot.Evaluate(true);
        const float angle = Output(dot)[0];
        if (past) {
            ++pushedPastOne;
            EXPECT_EQ(angle, 0.0f) << i;
        } else {
            EXPECT_GE(angle, 0.0f) << i;
            EXPECT_LT(angle, 3.5e-4f) << i;
        }
    }
    EXPECT_GT(pushedPastOne, 0);  // the loop did meet the case it is about
}

TEST(Vectors3D, Distances) {
    const Case rows[] = {
        {"distance", 710, {{1, 2, 3}, {4, 6, 3}}, {5}},
        {"squared", 710, {{1, 2, 3}, {4, 6, 3}, {1}}, {25}},
        {"squared -1 counts as not 0", 710, {{1, 2, 3}, {4, 6, 3}, {-1}}, {25}},
        {"same point", 710, {{1, 2, 3}, {1, 2, 3}}, {0}},
        // Line from the origin along X, point beyond the end.
        {"line", 715, {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}}, {1}},
        {"segment, past the end", 715, {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1}}, {kSqrt2}},
        {"segment, just past the end",
         715,
         {{0, 0, 0}, {2, 0, 0}, {3, 0, 4}, {1}},
         {std::sqrt(17.0)}},
        {"line, just past the end", 715, {{0, 0, 0}, {2, 0, 0}, {3, 0, 4}}, {4}},
        {"segment, squared", 715, {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1}, {1}}, {2}},
        {"line, squared", 715, {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {0}, {1}}, {1}},
        {"line, before the start", 715, {{0, 0, 0}, {1, 0, 0}, {-3, 4, 0}}, {4}},
        {"segment, before the start", 715, {{0, 0, 0}, {1, 0, 0}, {-3, 4, 0}, {1}}, {5}},
        {"segment, over the inside", 715, {{0, 0, 0}, {2, 0, 0}, {1, 3, 4}, {1}}, {5}},
        {"line, over the inside", 715, {{0, 0, 0}, {2, 0, 0}, {1, 3, 4}}, {5}},
        {"point on the line", 715, {{1, 1, 1}, {3, 3, 3}, {7, 7, 7}}, {0}},
        {"shifted oblique line", 715, {{1, 1, 0}, {1, 3, 0}, {4, 2, 4}, {0}, {1}}, {25}},
        {"zero-length line", 715, {{1, 2, 3}, {1, 2, 3}, {5, 5, 5}}, {0}},
        {"zero-length segment", 715, {{1, 2, 3}, {1, 2, 3}, {5, 5, 5}, {1}, {1}}, {0}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Vectors3D, BlendAndInterpolate) {
    const Case rows[] = {
        {"blend, default weights", 711, {{2, 4, 6}, {}, {0, 0, 2}}, {1, 2, 4}},
        {"blend, weights 1 and 3", 711, {{2, 4, 6}, {1}, {0, 0, 2}, {3}}, {0.5, 1, 3}},
        {"blend, negative weight counts as positive",
         711,
         {{2, 4, 6}, {-1}, {0, 0, 2}, {3}},
         {0.5, 1, 3}},
        {"blend, only A", 711, {{2, 4, 6}, {2}, {0, 0, 2}, {0}}, {2, 4, 6}},
        {"blend, both weights 0", 711, {{2, 4, 6}, {0}, {8, 8, 8}, {0}}, {0, 0, 0}},
        {"interpolate, default fraction", 601, {{0, 0, 0}, {2, 4, -2}}, {1, 2, -1}},
        {"interpolate, fraction 0.25", 601, {{1, 1, 1}, {5, 1, -3}, {0.25f}}, {2, 1, 0}},
        {"interpolate, fraction 2 gives B", 601, {{1, 1, 1}, {5, 1, -3}, {2}}, {5, 1, -3}},
        {"interpolate, fraction -1 gives A", 601, {{1, 1, 1}, {5, 1, -3}, {-1}}, {1, 1, 1}},
        {"interpolate, NaN gives A", 601, {{1, 1, 1}, {5, 1, -3}, {kNaN}}, {1, 1, 1}},
        {"ease in", 601, {{0, 0, 0}, {2, 4, -2}, {0.5f}, {1}}, {0.5, 1, -0.5}},
        {"ease out", 601, {{0, 0, 0}, {2, 4, -2}, {0.5f}, {2}}, {1.5, 3, -1.5}},
        // A smooth step is symmetric about the middle, and 3t² − 2t³ at 0.25 is 0.15625.
        {"smooth, middle", 601, {{0, 0, 0}, {2, 4, -2}, {0.5f}, {3}}, {1, 2, -1}},
        {"smooth, quarter", 601, {{0, 0, 0}, {2, 4, -2}, {0.25f}, {3}}, {0.3125, 0.625, -0.3125}},
        {"easing 4 is linear", 601, {{0, 0, 0}, {2, 4, -2}, {0.25f}, {4}}, {0.5, 1, -0.5}},
        {"easing -1 is linear", 601, {{0, 0, 0}, {2, 4, -2}, {0.25f}, {-1}}, {0.5, 1, -0.5}},
        {"ease in, clamped above", 601, {{0, 0, 0}, {2, 4, -2}, {3}, {1}}, {2, 4, -2}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Vectors3D, Rotations) {
    const float q = kPi / 2;
    const Case rows[] = {
        {"about Z", 713, {{1, 0, 0}, {0, 0, 0}, {0, 0, q}}, {0, 1, 0}},
        {"about X", 713, {{0, 1, 0}, {0, 0, 0}, {q, 0, 0}}, {0, 0, 1}},
        {"about Y", 713, {{0, 0, 1}, {0, 0, 0}, {0, q, 0}}, {1, 0, 0}},
        {"Z about X", 713, {{0, 0, 1}, {0, 0, 0}, {q, 0, 0}}, {0, -1, 0}},
        {"X about Y", 713, {{1, 0, 0}, {0, 0, 0}, {0, q, 0}}, {0, 0, -1}},
        {"Y about Z", 713, {{0, 1, 0}, {0, 0, 0}, {0, 0, q}}, {-1, 0, 0}},
        // X comes first: (0, 1, 0) turns to (0, 0, 1), which Z leaves; Z first would give −X.
        {"X before Z", 713, {{0, 1, 0}, {0, 0, 0}, {q, 0, q}}, {0, 0, 1}},
        {"X before Y", 713, {{0, 1, 0}, {0, 0, 0}, {q, q, 0}}, {1, 0, 0}},
        {"around a center", 713, {{2, 1, 0}, {1, 1, 0}, {0, 0, q}}, {1, 2, 0}},
        {"half turn keeps the length", 713, {{1, 2, 3}, {0, 0, 0}, {0, 0, kPi}}, {-1, -2, 3}},
        {"zero angles", 713, {{1, 2, 3}, {4, 5, 6}, {0, 0, 0}}, {1, 2, 3}},
        {"axis, default Z", 714, {{1, 0, 0}, {}, {}, {q}}, {0, -1, 0}},
        {"axis X", 714, {{0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {q}}, {0, 0, -1}},
        {"axis X, Z", 714, {{0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {q}}, {0, 1, 0}},
        {"axis Y", 714, {{1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {q}}, {0, 0, 1}},
        {"axis Z, Y", 714, {{0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {q}}, {1, 0, 0}},
        // A third of a turn about the diagonal permutes the axes (this form turns X toward Z).
        {"diagonal axis",
         714,
         {{1, 0, 0}, {0, 0, 0}, {0.57735027f, 0.57735027f, 0.57735027f}, {2 * kPi / 3}},
         {0, 0, 1}},
        {"axis around a center", 714, {{1, 1, 5}, {0, 1, 5}, {0, 0, 1}, {q}}, {0, 0, 5}},
        {"axis, angle 0 is the identity", 714, {{1, 2, 3}, {0, 0, 0}, {5, 6, 7}, {0}}, {1, 2, 3}},
        // An axis of length 2 is not normalised: a half turn gives 1 − 2·2² = −7 along X.
        {"axis of length 2", 714, {{1, 0, 0}, {0, 0, 0}, {0, 0, 2}, {kPi}}, {-7, 0, 0}},
    };
    for (const Case& row : rows) Check(row);
}

// A long-lived rotation, whose cosines and sines are cached per axis, must agree bit for bit with
// a fresh one for every angle, whichever way the angles move.
TEST(Vectors3D, RotateCacheAgreesWithAFreshComponent) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::vector<float>> angles = {
        {0, 0, 0},    {1, 0, 0},          {1, 0, 0},    {1, 2, 0},          {1, 2, 3},
        {0, 2, 3},    {1, 2, 3},          {-0.f, 2, 3}, {0, 0, 0},          {kNaN, 0, 0},
        {kNaN, 0, 0}, {0.5f, 0.5f, 0.5f}, {0, inf, -1}, {0.5f, 0.5f, 0.5f}, {-0.f, -0.f, -0.f},
        {0, 0, 0},    {1, 2, 3},
    };
    TXRCRotate3D cached;
    Set(cached, 0, {0.3f, -1.2f, 2.5f});
    Set(cached, 1, {0.1f, 0.2f, -0.4f});
    for (size_t i = 0; i < angles.size(); ++i) {
        Set(cached, 2, angles[i]);
        cached.Evaluate(true);
        TXRCRotate3D fresh;
        Set(fresh, 0, {0.3f, -1.2f, 2.5f});
        Set(fresh, 1, {0.1f, 0.2f, -0.4f});
        Set(fresh, 2, angles[i]);
        fresh.Evaluate(true);
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(SameFloat(Output(cached)[k], Output(fresh)[k]))
                << "step " << i << ", part " << k;
        }
    }
}

// A NaN or out-of-range trigger reads as INT32_MIN, the value the conversion rule gives.
TEST(Vectors3D, UnroundableEnumerationTriggers) {
    float trigger = kNaN;
    TXRCInvert3D invert;
    Set(invert, 0, {0.25f, 0.5f, 2});
    invert.Connect(1, kWholeProperty, &trigger);
    invert.Evaluate(true);
    EXPECT_EQ(invert.GetEnumValue(1), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Output(invert), (std::vector<float>{-0.25f, -0.5f, -2}));

    TXRCSwitch3D sw;
    Set(sw, 0, {1, 2, 3});
    Set(sw, 1, {4, 5, 6});
    sw.Connect(2, kWholeProperty, &trigger);
    trigger = 1e10f;
    sw.Evaluate(true);
    EXPECT_EQ(Output(sw), (std::vector<float>{4, 5, 6}));
}

// Untrusted inputs: every class takes zeros of both signs, huge, tiny, infinite and NaN values and
// enumerations far out of range (also under the sanitizers); the outputs keep the guarantees that
// hold for any input.
void CheckSpecialValues(std::span<const CatalogueRow> classes) {
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {0,   -0.f, 1,      -1,      0.5f, 3e38f, -3e38f,
                            inf, -inf, 1e-40f, -1e-40f, kNaN, 2,     -7.25f};
    const int32_t enums[] = {
        0, 1, 2, 3, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    std::mt19937 rng(7);
    for (const CatalogueRow& entry : classes) {
        for (int trial = 0; trial < 300; ++trial) {
            std::unique_ptr<TXRComponent> c = entry.create();
            std::vector<std::vector<float>> in(c->PropertyCount());
            for (int32_t p = 0; p < c->PropertyCount(); ++p) {
                const int32_t kind = c->PropertyKind(p);
                if (kind == kEnumeration) {
                    c->SetEnumValue(p, enums[rng() % std::size(enums)]);
                    continue;
                }
                for (int k = 0; k < FloatCount(kind); ++k) {
                    in[p].push_back(values[rng() % std::size(values)]);
                    c->SetConstant(p, k, in[p].back());
                }
            }
            c->Evaluate(true);
            const std::vector<float> out = Output(*c);
            const int32_t id = entry.id;
            if (id == 705 || id == 710 || id == 715 || id == 605 || id == 611 || id == 615) {
                EXPECT_TRUE(std::isnan(out[0]) || out[0] >= 0) << id << ": " << out[0];
            }
            if ((id == 703 || id == 604) && c->GetEnumValue(2) >= 2) {
                EXPECT_TRUE(std::isnan(out[0]) || (out[0] >= 0 && out[0] <= kPi)) << id;
            }
            if (id == 707 || id == 607) {
                double length = 0;
                for (const float x : out) length += double(x) * x;
                // The length is rounded to a float, which is coarse for denormal lengths.
                EXPECT_TRUE(std::isnan(length) || length <= 1 + 1e-4) << id << ": " << length;
            }
            if (id == 601 || id == 608) {  // between A and B whatever the fraction
                for (size_t k = 0; k < out.size(); ++k) {
                    const float a = in[0][k], b = in[1][k];
                    if (!std::isfinite(a) || !std::isfinite(b)) continue;
                    // A + (B − A)·t cancels at the scale of the larger end.
                    const double slack = 1e-15 * std::max(std::fabs(a), std::fabs(b));
                    EXPECT_GE(out[k], std::min(a, b) - slack) << id;
                    EXPECT_LE(out[k], std::max(a, b) + slack) << id;
                }
            }
        }
    }
}

TEST(Vectors3D, SpecialValuesKeepTheirGuarantees) { CheckSpecialValues(VectorColorRows()); }

TEST(UVVectors, SpecialValuesKeepTheirGuarantees) { CheckSpecialValues(UVRows()); }

}  // namespace
}  // namespace vandrel

// Hand-calculated cases of the UV vector family.
#include "components/math/uv.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

#include "component_checks.h"
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

TEST(UVVectors, ArithmeticLengthAndSwitch) {
    const Case rows[] = {
        {"add", 602, {{1, 2}, {3, -4}}, {4, -2}},
        {"subtract", 603, {{1, 2}, {3, -4}}, {-2, 6}},
        {"multiply", 606, {{1, 2}, {3, -4}}, {3, -8}},
        {"scale", 610, {{1, -2}, {-1.5f}}, {-1.5, 3}},
        {"scale, default factor 1", 610, {{1, -2}}, {1, -2}},
        {"invert", 609, {{0.25f, -1}}, {-0.25, 1}},
        {"length", 605, {{3, 4}}, {5}},
        {"length, negative parts", 605, {{-5, -12}}, {13}},
        {"normalize", 607, {{3, 4}}, {0.6, 0.8}},
        {"normalize, one axis", 607, {{0, -0.5f}}, {0, -1}},
        {"normalize zero", 607, {{0, 0}}, {0, 0}},
        {"switch 0", 613, {{1, 2}, {3, 4}, {0}}, {1, 2}},
        {"switch 1", 613, {{1, 2}, {3, 4}, {1}}, {3, 4}},
        {"switch -2 counts as not 0", 613, {{1, 2}, {3, 4}, {-2}}, {3, 4}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(UVVectors, DotProductModes) {
    const Case rows[] = {
        {"dot", 604, {{1, 2}, {3, 4}}, {11}},
        {"negate 1", 604, {{1, 2}, {3, 4}, {0}, {1}}, {-11}},
        {"negate 3 leaves it", 604, {{1, 2}, {3, 4}, {0}, {3}}, {11}},
        {"cosine", 604, {{3, 4}, {4, 3}, {1}}, {24.0 / 25}},
        {"cosine with a zero operand", 604, {{0, 0}, {3, 4}, {1}}, {0}},
        {"angle of perpendicular", 604, {{1, 0}, {0, 1}, {2}}, {kPi / 2}},
        {"angle of 45 degrees", 604, {{2, 0}, {1, 1}, {2}}, {kPi / 4}},
        {"angle of the negated cosine", 604, {{2, 0}, {1, 1}, {2}, {1}}, {3 * kPi / 4}},
        {"angle of a vector with itself", 604, {{3, 4}, {3, 4}, {2}}, {0}},
        {"mode -4 behaves as 0", 604, {{1, 2}, {3, 4}, {-4}}, {11}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(UVVectors, Rotation) {
    const float q = kPi / 2;
    const Case rows[] = {
        {"quarter turn, U toward V", 614, {{1, 0}, {0, 0}, {q}}, {0, 1}},
        {"quarter turn of V", 614, {{0, 2}, {0, 0}, {q}}, {-2, 0}},
        {"negative quarter turn", 614, {{1, 0}, {0, 0}, {-q}}, {0, -1}},
        {"around (1, 1)", 614, {{1, 0}, {1, 1}, {q}}, {2, 1}},
        {"half turn around a center", 614, {{3, 1}, {2, 2}, {kPi}}, {1, 3}},
        {"angle 0", 614, {{0.3f, -0.7f}, {5, 5}, {0}}, {0.3f, -0.7f}},
    };
    for (const Case& row : rows) Check(row);
}

// The cached cosine and sine must give bit for bit what a fresh component gives, whichever way the
// angle moves (also through −0, NaN and infinity).
TEST(UVVectors, RotateCacheAgreesWithAFreshComponent) {
    const float inf = std::numeric_limits<float>::infinity();
    const float angles[] = {0, 1, 1, -2, 1, 0, -0.f, 0, kNaN, kNaN, 0.5f, inf, 0.5f, -0.f, 3};
    TXRCRotate2D cached;
    Set(cached, 0, {0.75f, 1.5f});
    Set(cached, 1, {-0.5f, 0.25f});
    for (size_t i = 0; i < std::size(angles); ++i) {
        Set(cached, 2, {angles[i]});
        cached.Evaluate(true);
        TXRCRotate2D fresh;
        Set(fresh, 0, {0.75f, 1.5f});
        Set(fresh, 1, {-0.5f, 0.25f});
        Set(fresh, 2, {angles[i]});
        fresh.Evaluate(true);
        for (int k = 0; k < 2; ++k) {
            const float a = Output(cached)[k], b = Output(fresh)[k];
            EXPECT_TRUE(std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) ||
                        (std::isnan(a) && std::isnan(b)))
                << "step " << i << ", part " << k;
        }
    }
}

TEST(UVVectors, Distances) {
    const Case rows[] = {
        {"distance", 611, {{1, 2}, {4, 6}}, {5}},
        {"squared", 611, {{1, 2}, {4, 6}, {1}}, {25}},
        {"squared 5 counts as not 0", 611, {{1, 2}, {4, 6}, {5}}, {25}},
        // Line from the origin along U, point before the start.
        {"line", 615, {{0, 0}, {2, 0}, {-1, 1}}, {1}},
        {"segment, before the start", 615, {{0, 0}, {2, 0}, {-1, 1}, {1}}, {kSqrt2}},
        {"segment, squared", 615, {{0, 0}, {2, 0}, {-1, 1}, {1}, {1}}, {2}},
        {"segment, past the end", 615, {{0, 0}, {2, 0}, {5, 4}, {1}}, {5}},
        {"line, past the end", 615, {{0, 0}, {2, 0}, {5, 4}}, {4}},
        {"segment, just past the end", 615, {{0, 0}, {2, 0}, {3, 4}, {1}}, {std::sqrt(17.0)}},
        {"line, just past the end", 615, {{0, 0}, {2, 0}, {3, 4}}, {4}},
        {"segment, over the inside", 615, {{0, 0}, {2, 0}, {1, -3}, {1}}, {3}},
        {"oblique line", 615, {{0, 0}, {1, 1}, {0, 2}, {0}, {1}}, {2}},
        {"zero-length line", 615, {{1, 1}, {1, 1}, {-7, 3}}, {0}},
        {"zero-length segment", 615, {{1, 1}, {1, 1}, {-7, 3}, {1}, {1}}, {0}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(UVVectors, BlendAndInterpolate) {
    const Case rows[] = {
        {"blend, default weights", 612, {{2, 4}, {}, {0, 2}}, {1, 3}},
        {"blend, weights 3 and -1", 612, {{4, 0}, {3}, {0, 4}, {-1}}, {3, 1}},
        {"blend, both weights 0", 612, {{2, 4}, {0}, {6, 6}, {0}}, {0, 0}},
        {"interpolate, default fraction", 608, {{0, 0}, {2, -4}}, {1, -2}},
        {"interpolate, fraction 2 gives B", 608, {{1, 1}, {3, 5}, {2}}, {3, 5}},
        {"interpolate, fraction -0.2 gives A", 608, {{1, 1}, {3, 5}, {-0.2f}}, {1, 1}},
        {"interpolate, NaN gives A", 608, {{1, 1}, {3, 5}, {kNaN}}, {1, 1}},
        {"ease in", 608, {{0, 0}, {4, -8}, {0.5f}, {1}}, {1, -2}},
        {"ease out", 608, {{0, 0}, {4, -8}, {0.5f}, {2}}, {3, -6}},
        {"smooth, quarter", 608, {{0, 0}, {4, -8}, {0.25f}, {3}}, {0.625, -1.25}},
        {"easing 9 is linear", 608, {{0, 0}, {4, -8}, {0.25f}, {9}}, {1, -2}},
    };
    for (const Case& row : rows) Check(row);
}

}  // namespace
}  // namespace vandrel

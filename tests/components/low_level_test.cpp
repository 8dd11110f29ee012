// Numerical operations: known answers of every class and their edge cases.
#include "components/math/low_level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "component_checks.h"
#include "hostapi/hostapi.h"

namespace vandrel {
namespace {

using test::EvaluateWith;
using test::Fresh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A float constant as the component reads it.
double F(double v) { return static_cast<float>(v); }

using Row = test::ValueRow;
constexpr auto ExpectRows = test::ExpectValueRows;

TEST(LowLevel, Arithmetic) {
    ExpectRows({
        {901, {2, 3}, 5},
        {901, {0.1, 0.2}, F(0.1) + F(0.2)},
        {901, {1e30, -1e30}, 0},
        {902, {2, 3}, -1},
        {902, {-1.5, -1.5}, 0},
        {903, {2, -3}, -6},
        {903, {0, kInf}, kNaN},
        {904, {6, 3}, 2},
        {904, {1, 4}, 0.25},
        {904, {1, 0}, 0},
        {904, {-1, -0.0}, 0},
        {904, {0, 0}, 0},
        {904, {1, kNaN}, 0},
        {904, {kNaN, 2}, kNaN},
        {904, {1, 3}, 1.0 / 3},
    });
}

TEST(LowLevel, ModuloCarriesTheSignOfA) {
    ExpectRows({
        {905, {-7, 3}, -1},
        {905, {7, -3}, 1},
        {905, {7, 3}, 1},
        {905, {-7, -3}, -1},
        {905, {5, 0}, 0},
        {905, {-5, -0.0}, 0},
        {905, {5.5, 2}, 1.5},
        {905, {-5.5, 2}, -1.5},
        {905, {0, 5}, 0},
        {905, {1, 0.3}, 1 - 3 * F(0.3)},
        {905, {2.5, 5}, 2.5},
    });
    // The quotient is truncated into 64 bits: 1e10 / 3 = 3333333333.3 does not wrap at 32.
    EXPECT_EQ(EvaluateWith(905, {1e10, 3}), 1.0f);
    EXPECT_EQ(EvaluateWith(905, {-1e10, 3}), -1.0f);
}

TEST(LowLevel, PowerOfTheAbsoluteBase) {
    ExpectRows({
        {911, {-2, 2}, 4},
        {911, {-2, 3}, 8},  // |A| is the base
        {911, {0, 0}, 1},
        {911, {5, 0}, 1},
        {911, {kNaN, 0}, 1},
        {911, {0, 3}, 0},
        {911, {0, 0.5}, 0},
        {911, {2, -2}, 0.25},
        {911, {10, -3}, 0.001},
        {911, {2, 31}, 2147483648.0},
        {911, {4, 0.5}, 2},
        {911, {-8, 1.0 / 3}, std::exp(F(1.0 / 3) * std::log(8.0))},
        {911, {2.5, 1.5}, std::exp(1.5 * std::log(2.5))},
        {911, {1, 3e9}, 1},  // beyond the integer range: exp(B · ln |A|)
        {911, {2, 1e10}, kInf},
        {911, {0.5, 1e10}, 0},
        // Left to the implementer: a zero base with a negative exponent gives 0, not an infinity.
        {911, {0, -1}, 0},
        {911, {0, -0.5}, 0},
        {911, {-0.0, -3}, 0},
        {911, {0, -kInf}, 0},
    });
}

TEST(LowLevel, MaxMinTiesYieldB) {
    ExpectRows({
        {916, {2, 1, 0}, 2},
        {916, {1, 2, 0}, 2},
        {916, {2, 1, 1}, 1},
        {916, {1, 2, 1}, 1},
        {916, {2, 1, 2}, 1},  // any other selection is the minimum
        {916, {2, 1, -1}, 1},
        {916, {3, 3, 0}, 3},
        {916, {3, 3, 1}, 3},
        {916, {kNaN, 1, 0}, kNaN},  // neither A < B nor A = B: A
        {916, {1, kNaN, 1}, 1},     // not A >= B: A
    });
    // A tie yields B itself: +0 and -0 compare equal, and the sign shows which was taken.
    for (int32_t selection : {0, 1}) {
        EXPECT_TRUE(std::signbit(EvaluateWith(916, {0.0, -0.0, double(selection)})));
        EXPECT_FALSE(std::signbit(EvaluateWith(916, {-0.0, 0.0, double(selection)})));
    }
}

TEST(LowLevel, FxEveryFunction) {
    const double pi = std::numbers::pi;
    ExpectRows({
        {910, {-2.5, 0}, 2.5},
        {910, {2.5, 0}, 2.5},
        {910, {2, 1}, -2},
        {910, {4, 2}, 0.25},
        {910, {0, 2}, 0},
        {910, {-3, 3}, 9},
        {910, {9, 4}, 3},
        {910, {-4, 4}, 0},
        {910, {0, 4}, 0},
        {910, {-1.5, 5}, -2},
        {910, {1.5, 5}, 1},
        {910, {-1.5, 6}, -1},
        {910, {1.2, 6}, 2},
        {910, {2.5, 7}, 2},
        {910, {3.5, 7}, 4},
        {910, {-2.5, 7}, -2},
        {910, {1.4, 7}, 1},
        {910, {-1.7, 8}, -1},
        {910, {1.7, 8}, 1},
        {910, {-1.75, 9}, -0.75},
        {910, {2.25, 9}, 0.25},
        {910, {1, 10}, std::numbers::e},
        {910, {0, 10}, 1},
        {910, {std::numbers::e, 11}, std::log(F(std::numbers::e))},
        {910, {0, 11}, 0},
        {910, {-1, 11}, 0},
        {910, {1000, 12}, 3},
        {910, {0, 12}, 0},
        {910, {-10, 12}, 0},
        {910, {8, 13}, 3},
        {910, {-8, 13}, 0},
        {910, {0, 13}, 0},
        {910, {pi / 2, 14}, 1},
        {910, {0.5, 14}, std::sin(0.5)},
        {910, {0, 15}, 1},
        {910, {pi, 15}, -1},
        {910, {0.5, 16}, std::tan(0.5)},
        // π/2 in single precision is not π/2: the tangent is computed, a large negative value.
        {910, {pi / 2, 16}, std::tan(F(pi / 2))},
        {910, {0.5, 17}, 1 / std::tan(0.5)},
        {910, {0, 17}, 0},
        {910, {1, 18}, pi / 2},
        {910, {-1, 18}, -pi / 2},
        {910, {0.5, 18}, std::asin(0.5)},
        {910, {1.5, 18}, 0},
        {910, {-1.0000001, 18}, 0},
        {910, {0, 19}, 1.5707964f},
        {910, {1, 19}, 0},
        {910, {-1, 19}, pi},
        {910, {0.5, 19}, std::acos(0.5)},
        {910, {1.0000001, 19}, 0},
        {910, {-1.0000001, 19}, 0},
        {910, {kNaN, 19}, 0},
        {910, {1, 20}, pi / 4},
        {910, {-kInf, 20}, -pi / 2},
        {910, {3, 21}, 0},
        {910, {3, -1}, 0},
        {910, {3, 100}, 0},
    });
    EXPECT_EQ(EvaluateWith(910, {0, 19}), 1.5707964f);
}

TEST(LowLevel, BooleanOperations) {
    // A = 0.25, B = 0.5.
    ExpectRows({
        {912, {0.25, 0.5, 0}, 0.125},
        {912, {0.25, 0.5, 1}, 0.625},
        {912, {0.25, 0.5, 2}, 0.25},
        {912, {0.25, 0.5, 3}, 0.125},
        {912, {0.25, 0.5, 4}, 0.875},
        {912, {0.25, 0.5, 5}, 0.375},
        {912, {0.25, 0.5, 6}, 0.75},
        {912, {0.25, 0.5, 7}, 0.875},
        {912, {0.25, 0.5, 8}, 0},
        {912, {0.25, 0.5, -1}, 0},
    });
    // Crisp truth tables, rows (A, B) = (0, 0), (0, 1), (1, 0), (1, 1).
    const int tables[8][4] = {
        {0, 0, 0, 1},  // and
        {0, 1, 1, 1},  // or
        {0, 1, 1, 0},  // exclusive or
        {0, 0, 1, 0},  // and not
        {1, 1, 1, 0},  // not and
        {1, 0, 0, 0},  // not or
        {1, 0, 0, 1},  // equivalent
        {1, 1, 0, 1},  // implies
    };
    for (int op = 0; op < 8; ++op) {
        for (int k = 0; k < 4; ++k) {
            const double a = k / 2, b = k % 2;
            EXPECT_EQ(EvaluateWith(912, {a, b, double(op)}), tables[op][k])
                << "operation " << op << " A " << a << " B " << b;
        }
    }
}

TEST(LowLevel, InterpolateClampsAndEasesTheFraction) {
    ExpectRows({
        {913, {2, 6, 0.5, 0}, 4},
        {913, {2, 6, 1.5, 0}, 6},
        {913, {2, 6, -0.2, 0}, 2},
        {913, {2, 6, kNaN, 0}, 2},
        {913, {2, 6, 0.5, 1}, 3},
        {913, {2, 6, 0.5, 2}, 2 + 0.75 * 4},
        {913, {2, 6, 0.25, 2}, 2 + 0.4375 * 4},
        {913, {2, 6, 0.5, 3}, 2 + 4 * hsSmoothStep(0, 1, 0.5)},
        {913, {2, 6, 0.25, 3}, 2 + 4 * hsSmoothStep(0, 1, 0.25)},
        {913, {2, 6, 0.25, 4}, 3},
        {913, {2, 6, 0.25, -1}, 3},
        {913, {2, 6, 1.5, 1}, 6},
        {913, {2, 6, -3, 2}, 2},
        {913, {6, 2, 0.25, 0}, 5},
    });
}

TEST(LowLevel, BlendUsesAbsoluteWeights) {
    ExpectRows({
        {914, {1, 0, 5, 0}, 0},
        {914, {2, -1, 4, 1}, 3},
        {914, {2, 1, 4, 1}, 3},
        {914, {2, 1, 4, 3}, 3.5},
        {914, {2, 0, 4, 2}, 4},
        {914, {2, -0.25, 4, -0.75}, 3.5},
        {914, {3, 0.5, 3, 0.5}, 3},
    });
}

TEST(LowLevel, SwitchSelectsBForAnyNonZeroValue) {
    ExpectRows({
        {915, {1, 2, 0}, 1},
        {915, {1, 2, 1}, 2},
        {915, {1, 2, -1}, 2},
        {915, {1, 2, 5}, 2},
    });
    // Connected to a variable: the value rounds to the nearest integer, halves to even.
    const struct {
        float variable;
        float expected;
    } rows[] = {{0.4f, 1}, {0.6f, 2}, {0.5f, 1}, {1.5f, 2}, {-0.4f, 1}, {-0.6f, 2}, {2.5f, 2}};
    for (const auto& row : rows) {
        Fresh c(915);
        c->SetConstant(0, kWholeProperty, 1);
        c->SetConstant(1, kWholeProperty, 2);
        float variable = row.variable;
        c->Connect(2, kWholeProperty, &variable);
        c->Evaluate(true);
        EXPECT_EQ(c->OutputAddress()[0], row.expected) << row.variable;
        EXPECT_EQ(c->GetEnumValue(2), RoundHalfEven(row.variable));  // the rounded value stays
    }
}

TEST(LowLevel, CompareRelationsWithTolerance) {
    // Rows: A, B, Tolerance, TrueValue, FalseValue, Relation.
    ExpectRows({
        // 0: A = B
        {909, {1, 1, 0, 1, 0, 0}, 1},
        {909, {1, 2, 0, 1, 0, 0}, 0},
        {909, {1, 1.25, 0.5, 1, 0, 0}, 0.5},
        {909, {1, 1.5, 0.5, 1, 0, 0}, 0},
        {909, {1, 1.125, 0.5, 1, 0, 0}, 1 - hsSmoothStep(0, 0.5, 0.125)},
        {909, {1, 1.25, 0.5, 4, 2, 0}, 3},
        // 1: A ≠ B
        {909, {1, 1, 0, 1, 0, 1}, 0},
        {909, {1, 2, 0, 1, 0, 1}, 1},
        {909, {1, 1.25, 0.5, 1, 0, 1}, 0.5},
        {909, {1, 1.125, 0.5, 1, 0, 1}, hsSmoothStep(0, 0.5, 0.125)},
        // 2: A ≤ B
        {909, {1, 2, 0, 1, 0, 2}, 1},
        {909, {1, 1, 0, 1, 0, 2}, 1},
        {909, {2, 1, 0, 1, 0, 2}, 0},
        {909, {1.25, 1, 0.5, 1, 0, 2}, 0.5},
        {909, {3, 1, 0.5, 1, 0, 2}, 0},
        // 3: A < B (the boundary itself still gives TrueValue)
        {909, {1, 2, 0, 1, 0, 3}, 1},
        {909, {1, 1, 0.5, 1, 0, 3}, 1},
        {909, {1.25, 1, 0.5, 1, 0, 3}, 0.5},
        {909, {2, 1, 0, 1, 0, 3}, 0},
        // 4: A > B
        {909, {2, 1, 0, 1, 0, 4}, 1},
        {909, {1, 1, 0.5, 1, 0, 4}, 1},
        {909, {1, 1.25, 0.5, 1, 0, 4}, 0.5},
        {909, {1, 2, 0, 1, 0, 4}, 0},
        // 5: A ≥ B
        {909, {2, 1, 0, 1, 0, 5}, 1},
        {909, {1, 1, 0, 1, 0, 5}, 1},
        {909, {1, 1.25, 0.5, 1, 0, 5}, 0.5},
        {909, {1, 2, 0, 1, 0, 5}, 0},
        // Any other relation: FalseValue.
        {909, {1, 1, 0, 3, -2, 7}, -2},
        {909, {1, 2, 0.5, 3, -2, 6}, -2},
        {909, {1, 1, 0, 3, -2, -1}, -2},
    });
}

}  // namespace
}  // namespace vandrel

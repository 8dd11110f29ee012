#include "components/math/low_level.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "components/families.h"
#include "components/shared/easing.h"
#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

// Truncation toward zero into 64 bits without undefined behaviour: NaN and values outside the
// range give INT64_MIN, the x86 "integer indefinite", which stored shaders were tuned against.
int64_t TruncToInt64(double v) {
    if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) {
        return std::numeric_limits<int64_t>::min();
    }
    return static_cast<int64_t>(v);
}

// base^n by repeated squaring; a negative exponent takes the reciprocal of base^|n|.
double IntegerPower(double base, int64_t n) {
    uint64_t e = n < 0 ? static_cast<uint64_t>(-(n + 1)) + 1 : static_cast<uint64_t>(n);
    double result = 1.0;
    double square = base;
    while (e != 0) {
        if ((e & 1u) != 0) result *= square;
        e >>= 1;
        if (e != 0) square *= square;
    }
    return n < 0 ? 1.0 / result : result;
}

double Power(double a, double b) {
    const double base = std::fabs(a);
    if (b == 0.0) return 1.0;
    if (base == 0.0) {
        // B > 0 gives 0 by the rule; B < 0 (no rule covers it) gives 0 as well rather than an
        // infinity, like every other division by zero of the family. NaN B falls through to NaN.
        if (b > 0.0 || b < 0.0) return 0.0;
    }
    if (b == std::trunc(b) && std::fabs(b) <= 2147483647.0) {
        return IntegerPower(base, static_cast<int64_t>(b));
    }
    return std::exp(b * std::log(base));
}

double Fx(double x, int32_t function) {
    switch (function) {
        case 0:
            return std::fabs(x);
        case 1:
            return -x;
        case 2:
            return x != 0.0 ? 1.0 / x : 0.0;
        case 3:
            return x * x;
        case 4:
            return x > 0.0 ? std::sqrt(x) : 0.0;
        case 5:
            return std::floor(x);
        case 6:
            return std::ceil(x);
        case 7:
            return std::nearbyint(x);  // halves to even under the default rounding mode
        case 8:
            return std::trunc(x);
        case 9:
            return x - std::trunc(x);
        case 10:
            return std::exp(x);
        case 11:
            return x > 0.0 ? std::log(x) : 0.0;
        case 12:
            return x > 0.0 ? std::log10(x) : 0.0;
        case 13:
            return x > 0.0 ? std::log2(x) : 0.0;
        case 14:
            return std::sin(x);
        case 15:
            return std::cos(x);
        case 16:
            // Never true for a single-precision input, kept as the rule states it.
            return x == std::numbers::pi / 2 ? 0.0 : std::tan(x);
        case 17:
            return x != 0.0 ? 1.0 / std::tan(x) : 0.0;
        case 18:
            return std::fabs(x) <= 1.0 ? std::asin(x) : 0.0;
        case 19:
            if (x == 0.0) return 1.5707964f;
            return std::fabs(x) <= 1.0 ? std::acos(x) : 0.0;
        case 20:
            return std::atan2(x, 1.0);
        default:
            return 0.0;
    }
}

double Boolean(double a, double b, int32_t operation) {
    switch (operation) {
        case 0:
            return a * b;
        case 1:
            return a + b - a * b;
        case 2:
            return std::fabs(a - b);
        case 3:
            return a - a * b;
        case 4:
            return 1.0 - a * b;
        case 5:
            return a * b + 1.0 - a - b;
        case 6:
            return 1.0 - std::fabs(a - b);
        case 7:
            return 1.0 - a + a * b;
        default:
            return 0.0;
    }
}

}  // namespace

void TXRCAdd::Evaluate(bool) { SetOut(Num(0) + Num(1)); }

void TXRCSubtract::Evaluate(bool) { SetOut(Num(0) - Num(1)); }

void TXRCMultiply::Evaluate(bool) { SetOut(Num(0) * Num(1)); }

void TXRCDivide::Evaluate(bool) {
    const double b = Num(1);
    SetOut(b == 0.0 || std::isnan(b) ? 0.0 : Num(0) / b);
}

void TXRCModulo::Evaluate(bool) {
    const double a = Num(0);
    const double b = Num(1);
    if (b == 0.0) {
        SetOut(0.0);
        return;
    }
    SetOut(a - static_cast<double>(TruncToInt64(a / b)) * b);
}

void TXRCCompare::Evaluate(bool) {
    const int32_t relation = Enum(5);
    const double a = Num(0);
    const double b = Num(1);
    const double trueValue = Num(3);
    const double falseValue = Num(4);
    if (relation < 0 || relation > 5) {
        SetOut(falseValue);
        return;
    }
    const double s = hsSmoothStep(0.0, Num(2), std::fabs(a - b));
    const auto soft = [s](double p, double q) { return s * (q - p) + p; };
    double out = trueValue;
    switch (relation) {
        case 0:
            out = soft(trueValue, falseValue);
            break;
        case 1:
            out = soft(falseValue, trueValue);
            break;
        case 2:
            if (a > b) out = soft(trueValue, falseValue);
            break;
        case 3:
            if (a >= b) out = soft(trueValue, falseValue);
            break;
        case 4:
            if (!(a > b)) out = soft(trueValue, falseValue);  // also when unordered
            break;
        default:  // 5
            if (a < b) out = soft(trueValue, falseValue);
            break;
    }
    SetOut(out);
}

void TXRCMaxMin::Evaluate(bool) {
    const int32_t selection = Enum(2);
    const double a = Num(0);
    const double b = Num(1);
    if (selection == 0) {
        SetOut(a < b || a == b ? b : a);
    } else {
        SetOut(a >= b ? b : a);
    }
}

void TXRCFx::Evaluate(bool) {
    const int32_t function = Enum(1);
    SetOut(Fx(Num(0), function));
}

void TXRCPower::Evaluate(bool) { SetOut(Power(Num(0), Num(1))); }

void TXRCBoolean::Evaluate(bool) {
    const int32_t operation = Enum(2);
    SetOut(Boolean(Num(0), Num(1), operation));
}

void TXRCInterpolate1D::Evaluate(bool) {
    const int32_t easing = Enum(3);
    SetOut(Lerp(Num(0), Num(1), EaseFraction(Num(2), easing)));
}

void TXRCBlend::Evaluate(bool) {
    const double wA = std::fabs(static_cast<float>(Num(1)));
    const double wB = std::fabs(static_cast<float>(Num(3)));
    const double s = wA + wB;
    const double factor = s != 0.0 ? 1.0 / s : 1.0;
    SetOut((Num(0) * wA + Num(2) * wB) * factor);
}

void TXRCSwitch1D::Evaluate(bool) {
    const int32_t which = Enum(2);
    SetOut(which != 0 ? Num(1) : Num(0));
}

namespace {
// Palette order of the "Low-level" tab.
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCAdd, 8, 0, "Add (A+B)"),
    VANDREL_ROW(TXRCSubtract, 8, 1, "Subtract (A-B)"),
    VANDREL_ROW(TXRCMultiply, 8, 2, "Multiply (A*B)"),
    VANDREL_ROW(TXRCDivide, 8, 3, "Divide (A/B)"),
    VANDREL_ROW(TXRCModulo, 8, 4, "Remainder (A mod B)"),
    VANDREL_ROW(TXRCCompare, 8, 5, "Compare"),
    VANDREL_ROW(TXRCMaxMin, 8, 6, "Maximum/Minimum"),
    VANDREL_ROW(TXRCFx, 8, 7, "Commonly Used Simple Functions"),
    VANDREL_ROW(TXRCPower, 8, 8, "Power"),
    VANDREL_ROW(TXRCBoolean, 8, 9, "Boolean Operations"),
    VANDREL_ROW(TXRCInterpolate1D, 8, 10, "Interpolate 2 Numerical Values"),
    VANDREL_ROW(TXRCBlend, 8, 11, "Average 2 Weighted Numerical Values"),
    VANDREL_ROW(TXRCSwitch1D, 8, 12, "Switch 2 Numerical Values"),
};
}  // namespace

std::span<const CatalogueRow> LowLevelRows() { return kRows; }

}  // namespace vandrel

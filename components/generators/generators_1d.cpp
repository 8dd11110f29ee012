#include "components/generators/generators_1d.h"

#include <cmath>
#include <numbers>

#include "components/families.h"
#include "components/shared/cell_hash.h"
#include "components/shared/noise_select.h"
#include "components/shared/octaves.h"
#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

// Channel shifts of the colour noises: three unrelated samples of one noise.
constexpr double kGreenShift = 671.0;
constexpr double kBlueShift = 1111.0;

double PositiveOrZero(double v) { return v > 0.0 ? v : 0.0; }  // NaN gives 0 as well

}  // namespace

void TXRCSine::Evaluate(bool) {
    SetOut(Num(0) * 0.5 * std::sin(2.0 * std::numbers::pi * Num(1) * Num(3)) + Num(2));
}

void TXRCGauss::Evaluate(bool) {
    const double width = Num(3);
    if (width == 0.0) {
        SetOut(0.0);
        return;
    }
    const double d = (Num(4) - Num(2)) / width;
    SetOut(Num(0) * std::exp(-7.0 * d * d) + Num(1));
}

void TXRCNoise1D::Evaluate(bool) {
    const int32_t type = Enum(4);
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));  // no noise is evaluated, whatever the type
        return;
    }
    double n;
    if (!Noise1(type, Num(3) * Num(1), &n)) return;
    SetOut(n * amplitude + Num(2));
}

void TXRCTurbulence1D::Evaluate(bool) {
    const int32_t type = Enum(4);
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));
        return;
    }
    double n;
    if (!Turbulence1(type, Num(3) * Num(1), OctaveCount(Num(5)), &n)) return;
    SetOut(n * amplitude + Num(2));
}

void TXRCRepeat::Evaluate(bool) {
    const double minimum = Num(0);
    // Both stored as floats, as the rule says.
    const double w = static_cast<float>(std::fabs(Num(1) - minimum));
    const double d = static_cast<float>(Num(2) - minimum);
    if (w == 0.0) {
        SetOut(minimum);
        return;
    }
    SetOut(d - std::floor(d / w) * w + minimum);
}

void TXRCSawTooth::Evaluate(bool) {
    const int32_t riseShape = Enum(3);
    const int32_t fallShape = Enum(6);
    const int32_t periodic = Enum(10);
    const double amplitude = Num(0);
    const double base = Num(1);
    const double a = PositiveOrZero(Num(2));
    const double b = PositiveOrZero(Num(4));
    const double c = PositiveOrZero(Num(5));
    const double d = PositiveOrZero(Num(7));
    const double period = static_cast<float>(a + b + c + d);
    if (!(period > 0.0)) {
        SetOut(base);
        return;
    }
    double t = Num(9) - Num(8);
    if (periodic == 0) t -= std::floor(t / period) * period;
    if (t < 0.0 || t > period - d) {
        SetOut(base);
        return;
    }
    if (t < a) {
        const double rise = riseShape == 0 ? t / a : hsSmoothStep(0.0, a, t);
        SetOut(base + amplitude * rise);
        return;
    }
    double out = base + amplitude;
    const double u = t - a;
    if (u >= b) {
        const double u2 = u - b;
        if (u2 < c) {
            const double fall = fallShape == 0 ? u2 / c : hsSmoothStep(0.0, c, u2);
            out = base + amplitude - amplitude * fall;
        }
    }
    SetOut(out);
}

void TXRCClamp::Evaluate(bool) {
    const int32_t mode = Enum(2);
    const double maximum = Num(0);
    const double minimum = Num(1);
    const double x = Num(3);
    switch (mode) {
        case 0:
            SetOut(x < minimum ? minimum : (x > maximum ? maximum : x));
            break;
        case 1:
            SetOut(x > maximum ? maximum : x);
            break;
        case 2:
            SetOut(x < minimum ? minimum : x);
            break;
        default:
            break;  // the output keeps its previous value
    }
}

void TXRCSmoothStep::Evaluate(bool) {
    const double s = hsSmoothStep(Num(1), Num(0), Num(4));
    const double low = Num(3);
    SetOut(s * (Num(2) - low) + low);
}

void TXRCStairCase::Evaluate(bool) {
    const double step = Num(0);
    SetOut(step == 0.0 ? 0.0 : std::floor(Num(1) / step) * step);
}

void TXRCNoise1DColor::Evaluate(bool) {
    const Noise1Function noise = SelectNoise1(Enum(4));
    if (noise == nullptr) return;
    const double x = Num(3) * Num(1);
    const TVec3 amplitude = Vec(0);
    const TVec3 offset = Vec(2);
    SetOut(TVec3{noise(x) * amplitude.x + offset.x, noise(x + kGreenShift) * amplitude.y + offset.y,
                 noise(x + kBlueShift) * amplitude.z + offset.z});
}

void TXRCTurbulence1DColor::Evaluate(bool) {
    const Turbulence1Function turbulence = SelectTurbulence1(Enum(4));
    if (turbulence == nullptr) return;
    const double x = Num(3) * Num(1);
    const int octaves = OctaveCount(Num(5));
    const TVec3 amplitude = Vec(0);
    const TVec3 offset = Vec(2);
    SetOut(TVec3{turbulence(x, octaves) * amplitude.x + offset.x,
                 turbulence(x + kGreenShift, octaves) * amplitude.y + offset.y,
                 turbulence(x + kBlueShift, octaves) * amplitude.z + offset.z});
}

void TXRCShuffle1D::Evaluate(bool) {
    const double cellSize = Num(2);
    const double c = cellSize == 0.0 ? 0.0 : static_cast<float>(Num(3) / cellSize);
    const int32_t seed = WrapAdd(CellHash1(CellIndex(c)), ToInt32(Num(4)));
    RandomSeed(seed);
    const double r = RandomNext();
    SetOut(r * Num(0) + Num(1));
}

namespace {
// Type-id order; the palette order is the catalogue's.
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCSine, 0, 0, "Sine Function"),
    VANDREL_ROW(TXRCGauss, 0, 1, "Gauss' Function (1D)"),
    VANDREL_ROW(TXRCNoise1D, 0, 4, "Noise Function (1D)"),
    VANDREL_ROW(TXRCTurbulence1D, 0, 6, "Fractal 1/F Noise Function (1D)"),
    VANDREL_ROW(TXRCRepeat, 0, 9, "Repeat Range"),
    VANDREL_ROW(TXRCSawTooth, 0, 2, "Sawtooth Generator"),
    VANDREL_ROW(TXRCClamp, 0, 10, "Clamps"),
    VANDREL_ROW(TXRCSmoothStep, 0, 3, "Smooth Step"),
    VANDREL_ROW(TXRCStairCase, 0, 11, "Staircase"),
    VANDREL_ROW(TXRCNoise1DColor, 0, 5, "Color Noise Function (1D)"),
    VANDREL_ROW(TXRCTurbulence1DColor, 0, 7, "Color Fractal 1/F Noise Function (1D)"),
    VANDREL_ROW(TXRCShuffle1D, 0, 8, "Random (1D)"),
};
}  // namespace

std::span<const CatalogueRow> Generators1DRows() { return kRows; }

}  // namespace vandrel

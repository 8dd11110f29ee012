#include "components/generators/generators_2d.h"

#include <cmath>

#include "components/families.h"
#include "components/shared/cell_hash.h"
#include "components/shared/noise_select.h"
#include "components/shared/octaves.h"

namespace vandrel {

namespace {

// Channel shifts of the colour noises: three unrelated samples of one noise.
constexpr double kRedShiftU = 975.0;
constexpr double kGreenShiftV = 1111.0;
constexpr double kBlueShiftU = 873.0;
constexpr double kBlueShiftV = 1213.0;

constexpr double kEscapeRadiusSquared = 4.0;

// A coordinate divided by a cell size, stored as a float; 0 for a cell size of 0.
double CellCoordinate(double coordinate, double cellSize) {
    return cellSize == 0.0 ? 0.0 : static_cast<float>(coordinate / cellSize);
}

}  // namespace

double FractalEscapeRatio(float zx, float zy, float cx, float cy, double iterations) {
    int32_t n = 0;
    for (;;) {
        // The new y comes from the old x; each part is stored as a float.
        const float x = static_cast<float>(double(zx) * zx - double(zy) * zy + cx);
        const float y = static_cast<float>(2.0 * zx * zy + cy);
        zx = x;
        zy = y;
        ++n;
        if (double(zx) * zx + double(zy) * zy > kEscapeRadiusSquared) break;
        if (!(n <= iterations)) break;
        if (n == kMaxFractalSteps) {
            // Still inside with steps to go: counted as never escaping, which ends the uncapped
            // loop at n = floor(iterations) + 1.
            if (std::isinf(iterations)) return 1.0;
            return (std::floor(iterations) + 1.0) / iterations;
        }
    }
    return n / iterations;
}

void TXRCGauss2D::Evaluate(bool) {
    const double width = Num(3);
    if (width == 0.0) {
        SetOut(0.0);
        return;
    }
    const TVec2 center = Uv(2);
    const TVec2 input = Uv(4);
    const double du = (input.u - center.u) / width;
    const double dv = (input.v - center.v) / width;
    SetOut(std::exp(-7.0 * (du * du + dv * dv)) * Num(0) + Num(1));
}

void TXRCNoise2D::Evaluate(bool) {
    const int32_t type = Enum(4);
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));  // no noise is evaluated, whatever the type
        return;
    }
    const double frequency = Num(1);
    const TVec2 input = Uv(3);
    double n;
    if (!Noise2(type, input.u * frequency, input.v * frequency, &n)) return;
    SetOut(n * amplitude + Num(2));
}

void TXRCTurbulence2D::Evaluate(bool) {
    const int32_t type = Enum(4);
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));
        return;
    }
    const double frequency = Num(1);
    const TVec2 input = Uv(3);
    double n;
    if (!Turbulence2(type, input.u * frequency, input.v * frequency, OctaveCount(Num(5)), &n)) {
        return;
    }
    SetOut(n * amplitude + Num(2));
}

void TXRCNoise2DColor::Evaluate(bool) {
    const Noise2Function noise = SelectNoise2(Enum(4));
    if (noise == nullptr) return;
    const double frequency = Num(1);
    const TVec2 input = Uv(3);
    const double x = input.u * frequency;
    const double y = input.v * frequency;
    const TVec3 amplitude = Vec(0);
    const TVec3 offset = Vec(2);
    SetOut(TVec3{noise(x + kRedShiftU, y) * amplitude.x + offset.x,
                 noise(x, y + kGreenShiftV) * amplitude.y + offset.y,
                 noise(x + kBlueShiftU, y + kBlueShiftV) * amplitude.z + offset.z});
}

void TXRCTurbulence2DColor::Evaluate(bool) {
    const Turbulence2Function turbulence = SelectTurbulence2(Enum(4));
    if (turbulence == nullptr) return;
    const double frequency = Num(1);
    const TVec2 input = Uv(3);
    const double x = input.u * frequency;
    const double y = input.v * frequency;
    const int octaves = OctaveCount(Num(5));
    const TVec3 amplitude = Vec(0);
    const TVec3 offset = Vec(2);
    SetOut(TVec3{turbulence(x + kRedShiftU, y, octaves) * amplitude.x + offset.x,
                 turbulence(x, y + kGreenShiftV, octaves) * amplitude.y + offset.y,
                 turbulence(x + kBlueShiftU, y + kBlueShiftV, octaves) * amplitude.z + offset.z});
}

void TXRCShuffle2D::Evaluate(bool) {
    const TVec2 size = Uv(2);
    const TVec2 input = Uv(3);
    const double cu = CellCoordinate(input.u, size.u);
    const double cv = CellCoordinate(input.v, size.v);
    const int32_t seed = WrapAdd(CellHash2(CellIndex(cu), CellIndex(cv)), ToInt32(Num(4)));
    RandomSeed(seed);
    const double r = RandomNext();
    SetOut(r * Num(0) + Num(1));
}

void TXRCMandelbrot::Evaluate(bool) {
    const double amplitude = Num(0);
    const double offset = Num(1);
    if (amplitude == 0.0) {
        SetOut(offset);
        return;
    }
    SetOut(0.0);
    const double scale = Num(3);
    const double iterations = Num(5);
    if (iterations == 0.0 || scale == 0.0) return;
    const TVec2 center = Uv(2);
    const TVec2 input = Uv(4);
    const float cx = static_cast<float>((input.u - center.u) / scale);
    const float cy = static_cast<float>((input.v - center.v) / scale);
    SetOut(FractalEscapeRatio(0.0f, 0.0f, cx, cy, iterations) * amplitude + offset);
}

void TXRCJulia::Evaluate(bool) {
    const double amplitude = Num(0);
    const double offset = Num(1);
    if (amplitude == 0.0) {
        SetOut(offset);
        return;
    }
    SetOut(0.0);
    const double scale = Num(3);
    const double iterations = Num(6);
    if (iterations == 0.0 || scale == 0.0) return;
    const TVec2 center = Uv(2);
    const TVec2 input = Uv(4);
    const TVec2 constant = Uv(5);
    const float zx = static_cast<float>((input.u - center.u) / scale);
    const float zy = static_cast<float>((input.v - center.v) / scale);
    SetOut(FractalEscapeRatio(zx, zy, static_cast<float>(constant.u),
                              static_cast<float>(constant.v), iterations) *
               amplitude +
           offset);
}

namespace {
// Type-id order; the palette order is the catalogue's. Cell2D (204) and Birdshot2D (210) are in
// cellular.cpp.
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCNoise2D, 1, 1, "Noise Function (2D)"),
    VANDREL_ROW(TXRCTurbulence2D, 1, 3, "Fractal 1/F Noise Function (2D)"),
    VANDREL_ROW(TXRCGauss2D, 1, 0, "Gauss' Function (2D)"),
    VANDREL_ROW(TXRCMandelbrot, 1, 8, "Mandelbrot Set"),
    VANDREL_ROW(TXRCNoise2DColor, 1, 2, "Color Noise Function (2D)"),
    VANDREL_ROW(TXRCTurbulence2DColor, 1, 4, "Color Fractal 1/F Noise Function (2D)"),
    VANDREL_ROW(TXRCJulia, 1, 9, "Julia Set"),
    VANDREL_ROW(TXRCShuffle2D, 1, 7, "Random (2D)"),
};
}  // namespace

std::span<const CatalogueRow> Generators2DRows() { return kRows; }

}  // namespace vandrel

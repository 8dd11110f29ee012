#include "components/generators/generators_3d.h"

#include <array>
#include <cmath>

#include "components/families.h"
#include "components/shared/cell_hash.h"
#include "components/shared/noise_select.h"
#include "components/shared/octaves.h"

namespace vandrel {

namespace {

// Channel shifts of the colour noises, one axis each.
constexpr double kRedShiftX = 975.0;
constexpr double kGreenShiftY = 1111.0;
constexpr double kBlueShiftZ = 871.0;

using TPoint = std::array<float, 3>;

// Input · Frequency, stored as three floats: the point the host noise reads.
TPoint ScaledPoint(const TVec3& input, double frequency) {
    return {static_cast<float>(input.x * frequency), static_cast<float>(input.y * frequency),
            static_cast<float>(input.z * frequency)};
}

// A fresh copy of p with one coordinate shifted, stored as a float.
TPoint Shifted(TPoint p, int axis, double shift) {
    p[axis] = static_cast<float>(p[axis] + shift);
    return p;
}

double CellCoordinate(double coordinate, double cellSize) {
    return cellSize == 0.0 ? 0.0 : static_cast<float>(coordinate / cellSize);
}

}  // namespace

void TXRCGauss3D::Evaluate(bool) {
    const double width = Num(3);
    if (width == 0.0) {
        SetOut(0.0);
        return;
    }
    const TVec3 center = Vec(2);
    const TVec3 input = Vec(4);
    const double dx = (input.x - center.x) / width;
    const double dy = (input.y - center.y) / width;
    const double dz = (input.z - center.z) / width;
    SetOut(std::exp(-7.0 * (dx * dx + dy * dy + dz * dz)) * Num(0) + Num(1));
}

void TXRCNoise3D::Evaluate(bool) {
    const int32_t type = Enum(4);
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));  // the host is not called, whatever the type
        return;
    }
    const TPoint p = ScaledPoint(Vec(3), Num(1));
    double n;
    if (!Noise3(type, p.data(), &n)) return;
    SetOut(n * amplitude + Num(2));
}

void TXRCTurbulence3D::Evaluate(bool) {
    const int32_t type = Enum(4);
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));
        return;
    }
    const TPoint p = ScaledPoint(Vec(3), Num(1));
    double n;
    if (!Turbulence3(type, p.data(), OctaveCount(Num(5)), &n)) return;
    SetOut(n * amplitude + Num(2));
}

void TXRCNoise3DColor::Evaluate(bool) {
    const Noise3Function noise = SelectNoise3(Enum(4));
    if (noise == nullptr) return;
    const TPoint p = ScaledPoint(Vec(3), Num(1));
    const TPoint r = Shifted(p, 0, kRedShiftX);
    const TPoint g = Shifted(p, 1, kGreenShiftY);
    const TPoint b = Shifted(p, 2, kBlueShiftZ);
    const TVec3 amplitude = Vec(0);
    const TVec3 offset = Vec(2);
    SetOut(TVec3{noise(r.data()) * amplitude.x + offset.x, noise(g.data()) * amplitude.y + offset.y,
                 noise(b.data()) * amplitude.z + offset.z});
}

void TXRCTurbulence3DColor::Evaluate(bool) {
    const Turbulence3Function turbulence = SelectTurbulence3(Enum(4));
    if (turbulence == nullptr) return;
    const TPoint p = ScaledPoint(Vec(3), Num(1));
    const int octaves = OctaveCount(Num(5));
    const TPoint r = Shifted(p, 0, kRedShiftX);
    const TPoint g = Shifted(p, 1, kGreenShiftY);
    const TPoint b = Shifted(p, 2, kBlueShiftZ);
    const TVec3 amplitude = Vec(0);
    const TVec3 offset = Vec(2);
    SetOut(TVec3{turbulence(r.data(), octaves) * amplitude.x + offset.x,
                 turbulence(g.data(), octaves) * amplitude.y + offset.y,
                 turbulence(b.data(), octaves) * amplitude.z + offset.z});
}

void TXRCShuffle3D::Evaluate(bool) {
    const TVec3 size = Vec(2);
    const TVec3 input = Vec(3);
    const double cx = CellCoordinate(input.x, size.x);
    const double cy = CellCoordinate(input.y, size.y);
    const double cz = CellCoordinate(input.z, size.z);
    const int32_t hash = CellHash3(CellIndex(cx), CellIndex(cy), CellIndex(cz));
    RandomSeed(WrapAdd(hash, ToInt32(Num(4))));
    const double r = RandomNext();
    SetOut(r * Num(0) + Num(1));
}

namespace {
// Type-id order; the palette order is the catalogue's. Cell3D (303) and Birdshot3D (308) are in
// cellular.cpp.
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCNoise3D, 2, 1, "Noise Function (3D)"),
    VANDREL_ROW(TXRCTurbulence3D, 2, 3, "Fractal 1/F Noise Function (3D)"),
    VANDREL_ROW(TXRCGauss3D, 2, 0, "Gauss' Function (3D)"),
    VANDREL_ROW(TXRCNoise3DColor, 2, 2, "Color Noise Function (3D)"),
    VANDREL_ROW(TXRCTurbulence3DColor, 2, 4, "Color Fractal 1/F Noise Function (3D)"),
    VANDREL_ROW(TXRCShuffle3D, 2, 7, "Random (3D)"),
};
}  // namespace

std::span<const CatalogueRow> Generators3DRows() { return kRows; }

}  // namespace vandrel

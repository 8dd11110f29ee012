#include "components/effects/color_effects.h"

#include <cmath>

#include "components/families.h"
#include "components/shared/hsv.h"

namespace vandrel {

namespace {

double Luminance(const TVec3& c) { return 0.299 * c.x + 0.587 * c.y + 0.114 * c.z; }

// Clamped to [0, 1]; NaN stays NaN (the HSV conversion still gives a defined sector).
double Clamp01(double v) {
    if (v < 0.0) return 0.0;
    return v > 1.0 ? 1.0 : v;
}
TVec3 Clamp01(const TVec3& c) { return {Clamp01(c.x), Clamp01(c.y), Clamp01(c.z)}; }
THsv Clamp01(const THsv& c) { return {Clamp01(c.h), Clamp01(c.s), Clamp01(c.v)}; }

double Frac(double x) { return x - std::floor(x); }

enum BlendMode : int32_t {
    kNormal = 0,
    kMultiply = 1,
    kScreen = 2,
    kDarken = 3,
    kLighten = 4,
    kDifference = 5,
    kHue = 6,
    kSaturation = 7,
    kValue = 8,
    kColor = 9,
};

TVec3 BlendColor(int32_t mode, const TVec3& a, const TVec3& b) {
    switch (mode) {
        case kMultiply:
            return {a.x * b.x, a.y * b.y, a.z * b.z};
        case kScreen:
            return {1.0 - (1.0 - a.x) * (1.0 - b.x), 1.0 - (1.0 - a.y) * (1.0 - b.y),
                    1.0 - (1.0 - a.z) * (1.0 - b.z)};
        case kDarken:
            return Luminance(b) < Luminance(a) ? b : a;
        case kLighten:
            return Luminance(b) >= Luminance(a) ? b : a;
        case kDifference:
            return {std::fabs(a.x - b.x), std::fabs(a.y - b.y), std::fabs(a.z - b.z)};
        case kHue:
        case kSaturation:
        case kValue:
        case kColor: {
            const THsv ha = RgbToHsv(a);
            const THsv hb = RgbToHsv(b);
            THsv m = ha;
            if (mode == kHue || mode == kColor) m.h = hb.h;
            if (mode == kSaturation || mode == kColor) m.s = hb.s;
            if (mode == kValue) m.v = hb.v;
            m.h = Frac(m.h);
            return HsvToRgb(Clamp01(m));
        }
        default:
            return b;  // normal, and every mode outside the list
    }
}

// Tile index and position of one mosaic axis; a zero size gives 0.
double MosaicAxis(double input, double size) { return size == 0.0 ? 0.0 : input / size; }

}  // namespace

void TXRCPosterize::Evaluate(bool) {
    const TVec3 color = Vec(0);
    const double step = Num(1);
    if (step <= 0.0) {
        SetOut(color);
        return;
    }
    // nearbyint keeps huge channels exact where a 32-bit round would not.
    SetOut(TVec3{std::nearbyint(color.x / step) * step, std::nearbyint(color.y / step) * step,
                 std::nearbyint(color.z / step) * step});
}

void TXRCHSVShift::Evaluate(bool) {
    const int32_t mode = Enum(2);
    THsv hsv = RgbToHsv(Clamp01(Vec(0)));
    const TVec3 by = Vec(1);
    switch (mode) {
        case 0:
            hsv.h = Frac(hsv.h + by.x);
            hsv.s += by.y;
            hsv.v += by.z;
            break;
        case 1:
            hsv.h = by.x;
            break;
        case 2:
            hsv.s = by.y;
            break;
        case 3:
            hsv.v = by.z;
            break;
        case 4:
            hsv.h = by.x;
            hsv.s = by.y;
            break;
        case 5:
            hsv.s = by.y;
            hsv.v = by.z;
            break;
        case 6:
            hsv.h = by.x;
            hsv.v = by.z;
            break;
        default:
            break;  // no change: the clamped colour
    }
    SetOut(HsvToRgb(Clamp01(hsv)));
}

void TXRCTint::Evaluate(bool) {
    const int32_t mode = Enum(3);
    const TVec3 a = Vec(0);
    const TVec3 m = BlendColor(mode, a, Vec(1));
    SetOut(a + (m - a) * Num(2));
}

void TXRCGamma::Evaluate(bool) {
    const TVec3 color = Vec(0);
    const TVec3 gamma = Vec(1);
    auto channel = [](double c, double g) {
        if (c == 0.0 || g <= 0.0) return 0.0;
        return std::pow(std::fabs(c), 1.0 / g);
    };
    SetOut(TVec3{channel(color.x, gamma.x), channel(color.y, gamma.y), channel(color.z, gamma.z)});
}

void TXRCSample2D::Evaluate(bool) {
    const TVec2 size = Uv(0);
    const TVec2 in = Uv(2);
    double a = MosaicAxis(in.u, size.u);
    const double c = MosaicAxis(in.v, size.v);
    const double row = std::floor(c);
    if ((FloorToInt(c) & 1) != 0) a += Num(1);  // RowShift, in tiles
    if (Enum(3) == 1) {
        SetOut(TVec2{(a - std::floor(a)) * size.u, (c - row) * size.v});
    } else {
        SetOut(TVec2{std::floor(a) * size.u, row * size.v});
    }
}

void TXRCSample3D::Evaluate(bool) {
    const TVec3 size = Vec(0);
    const TVec3 in = Vec(2);
    double a = MosaicAxis(in.x, size.x);
    double c = MosaicAxis(in.y, size.y);
    const double e = MosaicAxis(in.z, size.z);
    if ((FloorToInt(e) & 1) != 0) {
        const TVec2 shift = Uv(1);
        a += shift.u;
        c += shift.v;
    }
    const TVec3 tile{std::floor(a), std::floor(c), std::floor(e)};
    if (Enum(3) == 0) {
        SetOut(TVec3{tile.x * size.x, tile.y * size.y, tile.z * size.z});
    } else {
        SetOut(TVec3{(a - tile.x) * size.x, (c - tile.y) * size.y, (e - tile.z) * size.z});
    }
}

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCPosterize, 4, 0, "Posterize (Reduce Color Palette)"),
    VANDREL_ROW(TXRCHSVShift, 4, 1, "HSV Shift/Replace"),
    VANDREL_ROW(TXRCTint, 4, 2, "Blend 2 Colors"),
    VANDREL_ROW(TXRCSample2D, 4, 4, "Mosaic (2D)"),
    VANDREL_ROW(TXRCSample3D, 4, 5, "Mosaic (3D)"),
    VANDREL_ROW(TXRCGamma, 4, 3, "Apply Gamma"),
};
}  // namespace

std::span<const CatalogueRow> ColorEffectRows() { return kRows; }

}  // namespace vandrel

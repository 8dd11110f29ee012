#include "components/patterns/patterns.h"

#include <cmath>
#include <numbers>

#include "components/families.h"
#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double Frac(double x) { return x - std::floor(x); }
double AsFloat(double x) { return static_cast<float>(x); }

// Q below e0, P above e1, the host's smooth step between; stored as a float like every result.
double Mix(double t, double p, double q, double e0, double e1) {
    return AsFloat(q + (p - q) * hsSmoothStep(e0, e1, t));
}

// Parity of the cell a floor lands in; out-of-range cells (INT32_MIN) count as even.
int32_t FloorParity(double x) { return FloorToInt(x) & 1; }

// Checker cells are mirrored at 0: Round(|a|) keeps the cell [0, Size) even on both sides.
int32_t MirroredParity(double a) { return RoundHalfEven(std::fabs(a)) & 1; }

// Distance, in cells, to the nearest grid line of a checker coordinate shifted by half a cell.
double GridLineDistance(double a) {
    const double x = a + 0.5;
    return std::fabs(x - std::nearbyint(x));
}

// atan2 with the angle of the V axis where U is 0 (also at the origin).
double AngleOf(double u, double v) {
    if (u == 0.0) return v < 0.0 ? -std::numbers::pi / 2 : std::numbers::pi / 2;
    return std::atan2(v, u);
}

// Mortar amount of one brick axis: f the position in the tile, mu half the joint in tiles, b the
// blur in [0, 1]. A candidate replaces m only when it is strictly greater.
double MortarAxis(double m, double f, double mu, double b) {
    const double outer = (1.0 + b) * mu;
    const double inner = (1.0 - b) * mu;
    if (f < outer) {
        const double candidate = 1.0 - hsSmoothStep(inner, outer, f);
        if (candidate > m) m = candidate;
    }
    if (f > 1.0 - outer) {
        const double candidate = hsSmoothStep(1.0 - outer, 1.0 - inner, f);
        if (candidate > m) m = candidate;
    }
    return m;
}

double BrickBlur(double blur) {
    if (!(blur > 0.0)) return 0.0;  // NaN too
    return blur > 1.0 ? 1.0 : blur;
}

// Tile coordinate and half joint width of one brick axis; a zero size drops the axis.
struct TBrickAxis {
    double a = 0, mu = 0;
};
TBrickAxis BrickAxis(double input, double size, double mortar) {
    if (size == 0.0) return {};
    return {input / size, mortar / size * 0.5};
}

// Offset of one polka axis from the dot's centre, 1 on its rim; 0 when the axis is switched off.
double PolkaAxis(double input, double size, double dotSize) {
    if (size == 0.0 || dotSize == 0.0) return 0.0;
    const double a = AsFloat(input / size);
    return (Frac(a) - 0.5) * 2.0 / dotSize;
}

double PolkaOutput(double background, double dot, double blur, double r) {
    const double b = blur < 0.0 ? 0.0 : blur;
    return dot + (background - dot) * hsSmoothStep(-b, b, r - 1.0);
}

}  // namespace

void TXRCChecker::Evaluate(bool) {
    const double valueA = Num(0);
    const double valueB = Num(1);
    const TVec2 size = Uv(2);
    if (size.u == 0.0 || size.v == 0.0) {
        SetOut((valueA + valueB) * 0.5);
        return;
    }
    const TVec2 in = Uv(4);
    const double a = AsFloat(in.u / size.u - 0.5);
    const double b = AsFloat(in.v / size.v - 0.5);
    const bool same = MirroredParity(a) == MirroredParity(b);
    const double x = same ? valueA : valueB;  // the cell's interior
    const double y = same ? valueB : valueA;
    const double h = Num(3) * 0.5;
    const double du = GridLineDistance(a);
    const double dv = GridLineDistance(b);
    const double r1 = Mix(du, y, x, -h, h);
    const double r2 = Mix(du, x, y, -h, h);
    SetOut(Mix(dv, r2, r1, -h, h));
}

void TXRCChecker3D::Evaluate(bool) {
    const double valueA = Num(0);
    const double valueB = Num(1);
    const TVec3 size = Vec(2);
    if (size.x == 0.0 || size.y == 0.0 || size.z == 0.0) {
        SetOut((valueA + valueB) * 0.5);
        return;
    }
    const TVec3 in = Vec(4);
    const double a = AsFloat(in.x / size.x - 0.5);
    const double b = AsFloat(in.y / size.y - 0.5);
    const double c = AsFloat(in.z / size.z - 0.5);
    const bool first = (MirroredParity(a) ^ MirroredParity(b)) == MirroredParity(c);
    const double x = first ? valueA : valueB;
    const double y = first ? valueB : valueA;
    const double h = Num(3) * 0.5;
    const double du = GridLineDistance(a);
    const double dv = GridLineDistance(b);
    const double dw = GridLineDistance(c);
    const double r1 = Mix(du, y, x, -h, h);
    const double r2 = Mix(du, x, y, -h, h);
    const double r3 = Mix(dv, r2, r1, -h, h);
    const double r4 = Mix(dv, r1, r2, -h, h);
    SetOut(Mix(dw, r3, r4, -h, h));
}

void TXRCQuadTile::Evaluate(bool) {
    const double b = BrickBlur(Num(5));
    const TVec2 size = Uv(2);
    const TVec2 mortar = Uv(4);
    const TVec2 in = Uv(6);
    TBrickAxis u = BrickAxis(in.u, size.u, mortar.u);
    const TBrickAxis v = BrickAxis(in.v, size.v, mortar.v);
    if (FloorParity(v.a) == 1) u.a += Num(3);
    double m = MortarAxis(0.0, Frac(u.a), u.mu, b);
    m = MortarAxis(m, Frac(v.a), v.mu, b);
    const double tile = Num(0);
    SetOut(tile + (Num(1) - tile) * m);
}

void TXRCBoxTile::Evaluate(bool) {
    const double b = BrickBlur(Num(5));
    const TVec3 size = Vec(2);
    const TVec3 mortar = Vec(4);
    const TVec3 in = Vec(6);
    TBrickAxis x = BrickAxis(in.x, size.x, mortar.x);
    TBrickAxis y = BrickAxis(in.y, size.y, mortar.y);
    const TBrickAxis z = BrickAxis(in.z, size.z, mortar.z);
    if (FloorParity(z.a) == 1) {
        const TVec2 shift = Uv(3);
        x.a += shift.u;
        y.a += shift.v;
    }
    double m = MortarAxis(0.0, Frac(x.a), x.mu, b);
    m = MortarAxis(m, Frac(y.a), y.mu, b);
    m = MortarAxis(m, Frac(z.a), z.mu, b);
    const double tile = Num(0);
    SetOut(tile + (Num(1) - tile) * m);
}

void TXRCPolka2D::Evaluate(bool) {
    const TVec2 size = Uv(2);
    const TVec2 dot = Uv(3);
    const TVec2 in = Uv(5);
    const double du = PolkaAxis(in.u, size.u, dot.u);
    const double dv = PolkaAxis(in.v, size.v, dot.v);
    SetOut(PolkaOutput(Num(0), Num(1), Num(4), std::sqrt(du * du + dv * dv)));
}

void TXRCPolka3D::Evaluate(bool) {
    const TVec3 size = Vec(2);
    const TVec3 dot = Vec(3);
    const TVec3 in = Vec(5);
    const double dx = PolkaAxis(in.x, size.x, dot.x);
    const double dy = PolkaAxis(in.y, size.y, dot.y);
    const double dz = PolkaAxis(in.z, size.z, dot.z);
    SetOut(PolkaOutput(Num(0), Num(1), Num(4), std::sqrt(dx * dx + dy * dy + dz * dz)));
}

void TXRCStripes::Evaluate(bool) {
    const int32_t direction = Enum(7);
    const double background = Num(0);
    const double period = Num(2);
    const double width = Num(3);
    if (period == 0.0 || width == 0.0) {
        SetOut(background);
        return;
    }
    const TVec2 in = Uv(6);
    double t = in.v;  // Direction 0 and every undefined direction
    if (direction == 1) {
        t = in.u;
    } else if (direction == 2) {
        const double angle = Num(5);
        t = std::cos(angle) * in.v - std::sin(angle) * in.u;
    }
    const double a = AsFloat(t / period);
    const double d = AsFloat(std::fabs((Frac(a) - 0.5) * 2.0 / width));
    const double b = std::fabs(Num(4));
    const double stripe = Num(1);
    SetOut(stripe + (background - stripe) * hsSmoothStep(1.0 - b, 1.0 + b, d));
}

void TXRCRays::Evaluate(bool) {
    const double background = Num(0);
    const double width = Num(3);
    if (!(width > 0.0)) {
        SetOut(background);
        return;
    }
    const TVec2 in = Uv(6);
    const double theta = AngleOf(in.u, in.v) - Num(5);
    const double t = AsFloat(theta / kTwoPi * Num(2) + 0.5);
    const double d = AsFloat(std::fabs((Frac(t) - 0.5) * 2.0 / width));
    const double b = std::fabs(Num(4));
    const double ray = Num(1);
    SetOut(ray + (background - ray) * hsSmoothStep(1.0 - b, 1.0 + b, d));
}

void TXRCCircles::Evaluate(bool) {
    const int32_t mode = Enum(7);
    const double background = Num(0);
    const double period = Num(2);
    if (period == 0.0) {
        SetOut(background);
        return;
    }
    const TVec2 in = Uv(6);
    double c = AsFloat((std::sqrt(in.u * in.u + in.v * in.v) - Num(4)) / period);
    const double b = std::fabs(Num(5));
    if (mode == 2) {
        // One period outwards per turn; kept in double, since at a large radius a float would
        // round the turn's fraction away.
        c -= AngleOf(in.u, in.v) / kTwoPi;
    }
    double w;
    if (mode == 0 || mode == 2) {
        w = 2.0 * Frac(c);  // twice the distance to the nearest whole ring
        if (w > 1.0) w = 2.0 - w;
    } else {
        w = std::fabs(2.0 * c);
    }
    const double width = Num(3);
    const double circle = Num(1);
    SetOut(circle + (background - circle) * hsSmoothStep(width - b, width + b, w));
}

void TXRCCrossWeave::Evaluate(bool) {
    const double gap = Num(2);
    const TVec2 size = Uv(3);
    if (size.u == 0.0 || size.v == 0.0) {
        SetOut(gap);
        return;
    }
    const TVec2 in = Uv(6);
    const double a = AsFloat(in.u / size.u);
    const double c = AsFloat(in.v / size.v);
    const double ta =
        std::fabs(Frac(a) * 2.0 - 1.0);  // 0 in the middle of the cell, 1 at its edges
    const double tc = std::fabs(Frac(c) * 2.0 - 1.0);
    const TVec2 thread = Uv(4);
    const double blur = Num(5);
    double ha = blur * thread.u;
    double hc = blur * thread.v;
    if (ha < 0.0) ha = 0.0;
    if (hc < 0.0) hc = 0.0;
    const double valueA = Num(0);
    const double valueB = Num(1);
    if (FloorParity(a) == FloorParity(c)) {  // A over B
        const double r = Mix(tc, gap, valueB, thread.v - hc, thread.v + hc);
        SetOut(Mix(ta, r, valueA, thread.u - ha, thread.u + ha));
    } else {  // B over A
        const double r = Mix(ta, gap, valueA, thread.u - ha, thread.u + ha);
        SetOut(Mix(tc, r, valueB, thread.v - hc, thread.v + hc));
    }
}

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCChecker, 3, 0, "Checker"),
    VANDREL_ROW(TXRCChecker3D, 3, 1, "Checker (3D)"),
    VANDREL_ROW(TXRCQuadTile, 3, 2, "Brick/Tile (2D)"),
    VANDREL_ROW(TXRCBoxTile, 3, 3, "Brick/Tile (3D)"),
    VANDREL_ROW(TXRCPolka2D, 3, 4, "Polka Dots (2D)"),
    VANDREL_ROW(TXRCPolka3D, 3, 5, "Polka Dots (3D)"),
    VANDREL_ROW(TXRCStripes, 3, 6, "Stripes"),
    VANDREL_ROW(TXRCCircles, 3, 7, "Circles/Spiral"),
    VANDREL_ROW(TXRCRays, 3, 8, "Rays"),
    VANDREL_ROW(TXRCCrossWeave, 3, 9, "Cross-Weave Pattern"),
};
}  // namespace

std::span<const CatalogueRow> PatternRows() { return kRows; }

}  // namespace vandrel

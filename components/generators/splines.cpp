#include "components/generators/splines.h"

#include <algorithm>

#include "components/families.h"
#include "components/shared/catmull_rom.h"

namespace vandrel {

namespace {

constexpr int kInputProp = 5;
constexpr int kKnotCountProp = 6;

double Cubic(const TSplineSegment& seg, double p0, double p1, double p2, double p3) {
    // At the end the exact knot: the cubic's value there is P2 only up to rounding.
    return seg.atEnd ? p2 : CatmullRom(p0, p1, p2, p3, seg.f);
}

}  // namespace

TSplineSegment LocateSplineSegment(double input, int32_t knotCount) {
    const int n = std::clamp<int32_t>(knotCount, 0, 3);
    double t = input;
    if (t > 1.0) t = 1.0;
    if (!(t >= 0.0)) t = 0.0;  // below 0 or NaN
    const double s = (n + 1) * t;
    int i = static_cast<int>(s);  // s lies in [0, 4]
    TSplineSegment seg{};
    if (i > n) {
        i = n;
        seg.f = 1.0;
        seg.atEnd = true;
    } else {
        seg.f = s - i;
    }
    for (int k = 0; k < 4; ++k) seg.knots[k] = std::clamp(i - 1 + k, 0, n + 1);
    return seg;
}

void TXRCSpline::Evaluate(bool) {
    const int32_t knotCount = Enum(kKnotCountProp);
    const TSplineSegment seg = LocateSplineSegment(Num(kInputProp), knotCount);
    SetOut(Cubic(seg, Num(seg.knots[0]), Num(seg.knots[1]), Num(seg.knots[2]), Num(seg.knots[3])));
}

void TXRCSpline2D::Evaluate(bool) {
    const int32_t knotCount = Enum(kKnotCountProp);
    const TSplineSegment seg = LocateSplineSegment(Num(kInputProp), knotCount);
    const TVec2 p0 = Uv(seg.knots[0]), p1 = Uv(seg.knots[1]);
    const TVec2 p2 = Uv(seg.knots[2]), p3 = Uv(seg.knots[3]);
    SetOut(TVec2{Cubic(seg, p0.u, p1.u, p2.u, p3.u), Cubic(seg, p0.v, p1.v, p2.v, p3.v)});
}

void TXRCSpline3D::Evaluate(bool) {
    const int32_t knotCount = Enum(kKnotCountProp);
    const TSplineSegment seg = LocateSplineSegment(Num(kInputProp), knotCount);
    const TVec3 p0 = Vec(seg.knots[0]), p1 = Vec(seg.knots[1]);
    const TVec3 p2 = Vec(seg.knots[2]), p3 = Vec(seg.knots[3]);
    SetOut(TVec3{Cubic(seg, p0.x, p1.x, p2.x, p3.x), Cubic(seg, p0.y, p1.y, p2.y, p3.y),
                 Cubic(seg, p0.z, p1.z, p2.z, p3.z)});
}

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCSpline, 0, 12, "Spline"),
    VANDREL_ROW(TXRCSpline2D, 0, 13, "UV Vector Spline"),
    VANDREL_ROW(TXRCSpline3D, 0, 14, "3D Vector/Color Spline"),
};
}  // namespace

std::span<const CatalogueRow> SplineRows() { return kRows; }

}  // namespace vandrel

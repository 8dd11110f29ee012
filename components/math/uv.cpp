#include "components/math/uv.h"

#include <cmath>

#include "components/families.h"
#include "components/shared/easing.h"

namespace vandrel {

namespace {
double Dot2(TVec2 a, TVec2 b) { return a.u * b.u + a.v * b.v; }
double Length2(TVec2 a) { return std::sqrt(Dot2(a, a)); }
}  // namespace

void TXRCMul2D::Evaluate(bool) {
    const TVec2 a = Uv(0), b = Uv(1);
    SetOut(TVec2{a.u * b.u, a.v * b.v});
}

void TXRCRotate2D::Evaluate(bool) {
    const TVec2 c = Uv(1);
    const TVec2 d = Uv(0) - c;
    angle_.Update(static_cast<float>(Num(2)));
    SetOut(TVec2{d.u * angle_.cos - d.v * angle_.sin + c.u,
                 d.u * angle_.sin + d.v * angle_.cos + c.v});
}

void TXRCDot2D::Evaluate(bool) {
    const int32_t angleMode = Enum(2), negate = Enum(3);
    const TVec2 a = Uv(0), b = Uv(1);
    SetOut(AngleModeDot(Dot2(a, b), Length2(a), Length2(b), angleMode, negate));
}

void TXRCLength2D::Evaluate(bool) { SetOut(Length2(Uv(0))); }

void TXRCNormalize2D::Evaluate(bool) {
    const TVec2 v = Uv(0);
    const double length = static_cast<float>(Length2(v));
    SetOut(length != 0 ? TVec2{v.u / length, v.v / length} : TVec2{});
}

void TXRCInterpolate2D::Evaluate(bool) {
    const double t = EaseFraction(Num(2), Enum(3));
    const TVec2 a = Uv(0), b = Uv(1);
    SetOut(TVec2{Lerp(a.u, b.u, t), Lerp(a.v, b.v, t)});
}

void TXRCBlend2D::Evaluate(bool) {
    const TBlendWeights w = BlendWeights(Num(1), Num(3));
    SetOut((Uv(0) * w.a + Uv(2) * w.b) * w.scale);
}

void TXRCDistance2D::Evaluate(bool) {
    const bool squared = Enum(2) != 0;
    const TVec2 d = Uv(0) - Uv(1);
    const double s = Dot2(d, d);
    SetOut(squared ? s : std::sqrt(s));
}

void TXRCDist2Line2D::Evaluate(bool) {
    const bool segmentOnly = Enum(3) != 0, squared = Enum(4) != 0;
    const TVec2 p1 = Uv(0), p2 = Uv(1), q = Uv(2);
    const TVec2 d = p2 - p1;
    const double l = static_cast<float>(Dot2(d, d));
    if (l <= 0) {  // the ends coincide
        SetOut(0.0);
        return;
    }
    const double t = static_cast<float>(Dot2(q - p1, d) / l);
    TVec2 e;
    if (segmentOnly && t > 1) {
        e = q - p2;
    } else if (segmentOnly && t < 0) {
        e = q - p1;
    } else {
        const TVec2 f = p1 + d * t;
        e = q - TVec2{static_cast<float>(f.u), static_cast<float>(f.v)};
    }
    const double s = Dot2(e, e);
    SetOut(squared ? s : std::sqrt(s));
}

void TXRCSwitch2D::Evaluate(bool) { SetOut(Enum(2) != 0 ? Uv(1) : Uv(0)); }

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCAdd2D, 7, 0, "UV Vector Add"),
    VANDREL_ROW(TXRCSub2D, 7, 1, "UV Vector Subtract"),
    VANDREL_ROW(TXRCMul2D, 7, 2, "UV Vector Multiply"),
    VANDREL_ROW(TXRCScale2D, 7, 3, "UV Vector Scale"),
    VANDREL_ROW(TXRCRotate2D, 7, 4, "UV Vector Rotate"),
    VANDREL_ROW(TXRCDot2D, 7, 5, "UV Vector Dot Product"),
    VANDREL_ROW(TXRCLength2D, 7, 6, "UV Vector Length"),
    VANDREL_ROW(TXRCNormalize2D, 7, 7, "UV Vector Normalize"),
    VANDREL_ROW(TXRCInvert2D, 7, 8, "UV Vector Invert"),
    VANDREL_ROW(TXRCInterpolate2D, 7, 9, "Interpolate 2 UV Vectors"),
    VANDREL_ROW(TXRCBlend2D, 7, 10, "Average 2 Weighted UV Vectors"),
    VANDREL_ROW(TXRCDistance2D, 7, 11, "UV Vector Distance"),
    VANDREL_ROW(TXRCDist2Line2D, 7, 12, "UV Vector Distance to Line"),
    VANDREL_ROW(TXRCSwitch2D, 7, 13, "Switch 2 UV Vectors"),
};
}  // namespace

std::span<const CatalogueRow> UVRows() { return kRows; }

}  // namespace vandrel

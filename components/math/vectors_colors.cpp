#include "components/math/vectors_colors.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "components/families.h"
#include "components/shared/easing.h"

namespace vandrel {

void TAngleCache::Update(float a) {
    if (std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(angle)) return;
    angle = a;
    cos = std::cos(static_cast<double>(a));
    sin = std::sin(static_cast<double>(a));
}

double AngleModeDot(double dot, double lengthA, double lengthB, int32_t angleMode, int32_t negate) {
    if (negate == 1) dot = -dot;
    if (angleMode > 0) {
        const float m = static_cast<float>(lengthA * lengthB);
        dot = m != 0 ? dot / m : 0.0;
        // Rounding can push the cosine just past ±1, where acos has no value.
        if (angleMode > 1) dot = std::acos(std::clamp(dot, -1.0, 1.0));
    }
    return dot;
}

TBlendWeights BlendWeights(double weightA, double weightB) {
    const double wa = static_cast<float>(std::fabs(weightA));
    const double wb = static_cast<float>(std::fabs(weightB));
    const double sum = wa + wb;
    return {wa, wb, sum != 0 ? 1.0 / sum : 1.0};
}

void TXRCMul3D::Evaluate(bool) {
    const TVec3 a = Vec(0), b = Vec(1);
    SetOut(TVec3{a.x * b.x, a.y * b.y, a.z * b.z});
}

void TXRCRotate3D::Evaluate(bool) {
    const TVec3 v = Vec(0), c = Vec(1), angles = Vec(2);
    const TVec3 d = v - c;
    x_.Update(static_cast<float>(angles.x));
    y_.Update(static_cast<float>(angles.y));
    z_.Update(static_cast<float>(angles.z));
    const double x1 = d.x;
    const double y1 = d.y * x_.cos - d.z * x_.sin;
    const double z1 = d.y * x_.sin + d.z * x_.cos;
    const double z2 = z1 * y_.cos - x1 * y_.sin;
    const double x2 = z1 * y_.sin + x1 * y_.cos;
    const double x3 = x2 * z_.cos - y1 * z_.sin;
    const double y3 = x2 * z_.sin + y1 * z_.cos;
    SetOut(TVec3{x3 + c.x, y3 + c.y, z2 + c.z});
}

void TXRCRotateAxis::Evaluate(bool) {
    const TVec3 v = Vec(0), c = Vec(1), axis = Vec(2);
    const double h = Num(3) * 0.5;
    const double w = std::cos(h);
    const double s = static_cast<float>(std::sin(h));
    const double x = axis.x * s, y = axis.y * s, z = axis.z * s;
    const TVec3 d = v - c;
    SetOut(TVec3{
        d.x * (1 - 2 * y * y - 2 * z * z) + d.y * (2 * x * y + 2 * w * z) +
            d.z * (2 * x * z - 2 * w * y) + c.x,
        d.x * (2 * x * y - 2 * w * z) + d.y * (1 - 2 * x * x - 2 * z * z) +
            d.z * (2 * y * z + 2 * w * x) + c.y,
        d.x * (2 * x * z + 2 * w * y) + d.y * (2 * y * z - 2 * w * x) +
            d.z * (1 - 2 * x * x - 2 * y * y) + c.z,
    });
}

void TXRCDot3D::Evaluate(bool) {
    const int32_t angleMode = Enum(2), negate = Enum(3);
    const TVec3 a = Vec(0), b = Vec(1);
    SetOut(AngleModeDot(Dot(a, b), Length(a), Length(b), angleMode, negate));
}

void TXRCNormalize3D::Evaluate(bool) {
    const TVec3 v = Vec(0);
    const double length = static_cast<float>(Length(v));
    SetOut(length != 0 ? TVec3{v.x / length, v.y / length, v.z / length} : TVec3{});
}

void TXRCInvert3D::Evaluate(bool) {
    const TVec3 v = Vec(0);
    SetOut(Enum(1) <= 0 ? TVec3{-v.x, -v.y, -v.z} : TVec3{1 - v.x, 1 - v.y, 1 - v.z});
}

void TXRCGrad2C::Evaluate(bool) {
    const double t = EaseFraction(Num(2), Enum(3));
    const TVec3 a = Vec(0), b = Vec(1);
    SetOut(TVec3{Lerp(a.x, b.x, t), Lerp(a.y, b.y, t), Lerp(a.z, b.z, t)});
}

void TXRCBlend3D::Evaluate(bool) {
    const TBlendWeights w = BlendWeights(Num(1), Num(3));
    SetOut((Vec(0) * w.a + Vec(2) * w.b) * w.scale);
}

void TXRCDistance3D::Evaluate(bool) {
    const bool squared = Enum(2) != 0;
    const TVec3 d = Vec(0) - Vec(1);
    const double s = Dot(d, d);
    SetOut(squared ? s : std::sqrt(s));
}

namespace {
// Each part rounded to float, as the line's direction and foot point are stored.
TVec3 Rounded(TVec3 v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}
}  // namespace

void TXRCDist2Line3D::Evaluate(bool) {
    const bool segmentOnly = Enum(3) != 0, squared = Enum(4) != 0;
    const TVec3 p1 = Vec(0), p2 = Vec(1), q = Vec(2);
    const TVec3 w = Rounded(q - p1), d = Rounded(p2 - p1);
    const double l = static_cast<float>(Dot(d, d));
    if (l <= 0) {  // the ends coincide
        SetOut(0.0);
        return;
    }
    const double t = Dot(w, d) / l;
    TVec3 e;
    if (segmentOnly && t > 1) {
        e = q - p2;
    } else if (segmentOnly && t < 0) {
        e = q - p1;
    } else {
        e = q - Rounded(p1 + d * t);
    }
    const double s = Dot(e, e);
    SetOut(squared ? s : std::sqrt(s));
}

void TXRCSwitch3D::Evaluate(bool) { SetOut(Enum(2) != 0 ? Vec(1) : Vec(0)); }

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCAdd3D, 6, 0, "3D Vector/Color Add"),
    VANDREL_ROW(TXRCSub3D, 6, 1, "3D Vector/Color Subtract"),
    VANDREL_ROW(TXRCMul3D, 6, 2, "3D Vector/Color Multiply"),
    VANDREL_ROW(TXRCScale3D, 6, 3, "3D Vector Scale"),
    VANDREL_ROW(TXRCRotate3D, 6, 4, "3D Vector Rotate"),
    VANDREL_ROW(TXRCRotateAxis, 6, 5, "3D Vector Rotate (Axis)"),
    VANDREL_ROW(TXRCDot3D, 6, 6, "3D Vector Dot Product"),
    VANDREL_ROW(TXRCCross3D, 6, 7, "3D Vector Cross Product"),
    VANDREL_ROW(TXRCLength3D, 6, 8, "3D Vector Length"),
    VANDREL_ROW(TXRCNormalize3D, 6, 9, "3D Vector Normalize"),
    VANDREL_ROW(TXRCInvert3D, 6, 10, "3D Vector/Color Invert"),
    VANDREL_ROW(TXRCGrad2C, 6, 11, "Interpolate 2 3D Vectors/Colors"),
    VANDREL_ROW(TXRCBlend3D, 6, 12, "Average 2 Weighted 3D Vectors/Colors"),
    VANDREL_ROW(TXRCDistance3D, 6, 13, "3D Vector/Color Distance"),
    VANDREL_ROW(TXRCDist2Line3D, 6, 14, "3D Vector Distance to Line"),
    VANDREL_ROW(TXRCSwitch3D, 6, 15, "Switch 2 3D Vectors/Colors"),
};
}  // namespace

std::span<const CatalogueRow> VectorColorRows() { return kRows; }

}  // namespace vandrel

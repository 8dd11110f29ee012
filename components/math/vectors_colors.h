// 3D vector and colour math.
//
// One Vector kind carries points, directions, normals and RGB colours, so every operation here
// serves both geometry and colour. Every degenerate input has a defined result and Evaluate never
// fails: a zero vector normalises to (0, 0, 0), a normalised dot product with a zero-length
// operand is 0, a line of zero length is at distance 0 from every point, two zero weights average
// to (0, 0, 0). Enumerations take every integer: values outside the listed items behave as each
// class says. Outputs are stored as floats; intermediate arithmetic runs in double.
#pragma once

#include <cstdint>

#include "core/component.h"

namespace vandrel {

// Shared with the UV family.

// Cosine and sine of the last angle seen, recomputed only when the angle changes: the angles are
// usually constant over a whole render. The angle is compared bit for bit, so a cached pair is
// always exactly what the current angle would give (also for −0 and NaN).
struct TAngleCache {
    float angle = 0;
    double cos = 1;
    double sin = 0;
    void Update(float a);
};

// A dot product turned by the AngleMode and Negate options: Negate 1 negates it; AngleMode above
// 0 divides it by lengthA · lengthB (0 when that product is 0); above 1 takes the angle of that
// cosine, 0 … π.
double AngleModeDot(double dot, double lengthA, double lengthB, int32_t angleMode, int32_t negate);

// |weightA|, |weightB| and the factor that makes them sum to 1 (1 when both are 0).
struct TBlendWeights {
    double a, b, scale;
};
TBlendWeights BlendWeights(double weightA, double weightB);

inline constexpr PropertySpec kAdd3DProps[] = {
    {"A", kVector, {0, 0, 0}, false, "XYZ"},
    {"B", kVector, {0, 0, 0}, false, "XYZ"},
};

// A + B, part by part.
class TXRCAdd3D final : public TXRTableComponent<kAdd3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 701;
    void Evaluate(bool) override { SetOut(Vec(0) + Vec(1)); }
};

// A − B, part by part.
class TXRCSub3D final : public TXRTableComponent<kAdd3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 702;
    void Evaluate(bool) override { SetOut(Vec(0) - Vec(1)); }
};

// A · B, part by part (tints a colour, scales a vector per axis).
class TXRCMul3D final : public TXRTableComponent<kAdd3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 706;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kScale3DProps[] = {
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"Factor", kNumerical, {1}},
};

// Input · Factor.
class TXRCScale3D final : public TXRTableComponent<kScale3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 709;
    void Evaluate(bool) override { SetOut(Vec(0) * Num(1)); }
};

inline constexpr PropertySpec kRotate3DProps[] = {
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"Center", kVector, {0, 0, 0}, false, "XYZ"},
    {"Angles", kVector, {0, 0, 0}, false, "XYZ"},
};

// Rotation of Input around Center about the fixed X, then Y, then Z axes by Angles (radians).
class TXRCRotate3D final : public TXRTableComponent<kRotate3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 713;
    void Evaluate(bool inHost) override;

  private:
    TAngleCache x_, y_, z_;
};

inline constexpr PropertySpec kRotateAxisProps[] = {
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"Center", kVector, {0, 0, 0}, false, "XYZ"},
    {"Axis", kVector, {0, 0, 1}, false, "XYZ"},
    {"Angle", kNumerical, {0}},
};

// Rotation of Input around Center through the quaternion (cos(Angle/2), Axis · sin(Angle/2)).
// The axis is not normalised: one that is not of unit length scales and shears as well.
class TXRCRotateAxis final : public TXRTableComponent<kRotateAxisProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 714;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kDot3DProps[] = {
    {"A", kVector, {0, 0, 0}, false, "XYZ"},
    {"B", kVector, {0, 0, 0}, false, "XYZ"},
    {"AngleMode", kEnumeration, {0}},
    {"Negate", kEnumeration, {0}},
};

// A·B. AngleMode 0 (or below): the dot product; 1: divided by |A|·|B| (the cosine of the angle,
// 0 when either length is 0); 2 and above: that cosine's angle in radians, 0 … π. Negate 1
// negates the dot product first; every other Negate value leaves it.
class TXRCDot3D final : public TXRTableComponent<kDot3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 703;
    void Evaluate(bool inHost) override;
};

// A × B.
class TXRCCross3D final : public TXRTableComponent<kAdd3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 704;
    void Evaluate(bool) override { SetOut(Cross(Vec(0), Vec(1))); }
};

inline constexpr PropertySpec kLength3DProps[] = {
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
};

// |Input|.
class TXRCLength3D final : public TXRTableComponent<kLength3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 705;
    void Evaluate(bool) override { SetOut(Length(Vec(0))); }
};

// Input / |Input|; (0, 0, 0) for a zero vector.
class TXRCNormalize3D final : public TXRTableComponent<kLength3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 707;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kInvert3DProps[] = {
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"InvertMode", kEnumeration, {0}},
};

// InvertMode 0 (or below): −Input (a vector turned around); 1 (or above): 1 − Input per part
// (a colour's complement).
class TXRCInvert3D final : public TXRTableComponent<kInvert3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 708;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kGrad2CProps[] = {
    {"A", kVector, {0, 0, 0}, false, "XYZ"},
    {"B", kVector, {0, 0, 0}, false, "XYZ"},
    {"Fraction", kNumerical, {0.5f}},
    {"Easing", kEnumeration, {0}},
};

// A + (B − A) · t, with t the eased Fraction clamped to [0, 1] (NaN counts as 0).
class TXRCGrad2C final : public TXRTableComponent<kGrad2CProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 601;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kBlend3DProps[] = {
    {"A", kVector, {0, 0, 0}, false, "XYZ"},
    {"WeightA", kNumerical, {0.5f}},
    {"B", kVector, {0, 0, 0}, false, "XYZ"},
    {"WeightB", kNumerical, {0.5f}},
};

// (A·|WeightA| + B·|WeightB|) / (|WeightA| + |WeightB|); with both weights 0 the sum is not
// divided, which gives (0, 0, 0).
class TXRCBlend3D final : public TXRTableComponent<kBlend3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 711;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kDistance3DProps[] = {
    {"A", kVector, {0, 0, 0}, false, "XYZ"},
    {"B", kVector, {0, 0, 0}, false, "XYZ"},
    {"Squared", kEnumeration, {0}},
};

// |A − B|, or its square when Squared is not 0.
class TXRCDistance3D final : public TXRTableComponent<kDistance3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 710;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kDist2Line3DProps[] = {
    {"LineStart", kVector, {0, 0, 0}, false, "XYZ"},
    {"LineEnd", kVector, {0, 0, 0}, false, "XYZ"},
    {"Point", kVector, {0, 0, 0}, false, "XYZ"},
    {"SegmentOnly", kEnumeration, {0}},
    {"Squared", kEnumeration, {0}},
};

// Distance from Point to the line through LineStart and LineEnd, or to the segment between them
// when SegmentOnly is not 0; squared when Squared is not 0; 0 when the two ends coincide.
class TXRCDist2Line3D final : public TXRTableComponent<kDist2Line3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 715;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSwitch3DProps[] = {
    {"A", kVector, {0, 0, 0}, false, "XYZ"},
    {"B", kVector, {0, 0, 0}, false, "XYZ"},
    {"Switch", kEnumeration, {0}},
};

// B when Switch is not 0, otherwise A.
class TXRCSwitch3D final : public TXRTableComponent<kSwitch3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 712;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

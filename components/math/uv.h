// UV vector math: texture coordinates, 2D positions and 2D directions.
//
// The group mirrors the 3D vector operations, without the cross product and the axis rotation and
// with one in-plane rotation. Every degenerate input has a defined result and Evaluate never
// fails: a zero vector normalises to (0, 0), a normalised dot product with a zero-length operand
// is 0, a line of zero length is at distance 0 from every point, two zero weights average to
// (0, 0). Outputs are stored as floats; intermediate arithmetic runs in double.
#pragma once

#include <cstdint>

#include "components/math/vectors_colors.h"
#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kAdd2DProps[] = {
    {"A", kUV, {0, 0}, false, "UV"},
    {"B", kUV, {0, 0}, false, "UV"},
};

// A + B.
class TXRCAdd2D final : public TXRTableComponent<kAdd2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 602;
    void Evaluate(bool) override { SetOut(Uv(0) + Uv(1)); }
};

// A − B.
class TXRCSub2D final : public TXRTableComponent<kAdd2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 603;
    void Evaluate(bool) override { SetOut(Uv(0) - Uv(1)); }
};

// A · B, part by part.
class TXRCMul2D final : public TXRTableComponent<kAdd2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 606;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kScale2DProps[] = {
    {"Input", kUV, {0, 0}, false, "UV"},
    {"Factor", kNumerical, {1}},
};

// Input · Factor.
class TXRCScale2D final : public TXRTableComponent<kScale2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 610;
    void Evaluate(bool) override { SetOut(Uv(0) * Num(1)); }
};

inline constexpr PropertySpec kRotate2DProps[] = {
    {"Input", kUV, {0, 0}, false, "UV"},
    {"Center", kUV, {0, 0}, false, "UV"},
    {"Angle", kNumerical, {0}},
};

// Rotation of Input around Center by Angle (radians); a positive angle turns U toward V.
class TXRCRotate2D final : public TXRTableComponent<kRotate2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 614;
    void Evaluate(bool inHost) override;

  private:
    TAngleCache angle_;
};

inline constexpr PropertySpec kDot2DProps[] = {
    {"A", kUV, {0, 0}, false, "UV"},
    {"B", kUV, {0, 0}, false, "UV"},
    {"AngleMode", kEnumeration, {0}},
    {"Negate", kEnumeration, {0}},
};

// A·B, turned by AngleMode and Negate as the 3D dot product is.
class TXRCDot2D final : public TXRTableComponent<kDot2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 604;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kLength2DProps[] = {
    {"Input", kUV, {0, 0}, false, "UV"},
};

// |Input|.
class TXRCLength2D final : public TXRTableComponent<kLength2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 605;
    void Evaluate(bool inHost) override;
};

// Input / |Input|; (0, 0) for a zero vector.
class TXRCNormalize2D final : public TXRTableComponent<kLength2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 607;
    void Evaluate(bool inHost) override;
};

// −Input.
class TXRCInvert2D final : public TXRTableComponent<kLength2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 609;
    void Evaluate(bool) override { SetOut(Uv(0) * -1.0); }
};

inline constexpr PropertySpec kInterpolate2DProps[] = {
    {"A", kUV, {0, 0}, false, "UV"},
    {"B", kUV, {0, 0}, false, "UV"},
    {"Fraction", kNumerical, {0.5f}},
    {"Easing", kEnumeration, {0}},
};

// A + (B − A) · t, with t the eased Fraction clamped to [0, 1] (NaN counts as 0).
class TXRCInterpolate2D final : public TXRTableComponent<kInterpolate2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 608;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kBlend2DProps[] = {
    {"A", kUV, {0, 0}, false, "UV"},
    {"WeightA", kNumerical, {0.5f}},
    {"B", kUV, {0, 0}, false, "UV"},
    {"WeightB", kNumerical, {0.5f}},
};

// (A·|WeightA| + B·|WeightB|) / (|WeightA| + |WeightB|); (0, 0) when both weights are 0.
class TXRCBlend2D final : public TXRTableComponent<kBlend2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 612;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kDistance2DProps[] = {
    {"A", kUV, {0, 0}, false, "UV"},
    {"B", kUV, {0, 0}, false, "UV"},
    {"Squared", kEnumeration, {0}},
};

// |A − B|, or its square when Squared is not 0.
class TXRCDistance2D final : public TXRTableComponent<kDistance2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 611;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kDist2Line2DProps[] = {
    {"LineStart", kUV, {0, 0}, false, "UV"}, {"LineEnd", kUV, {0, 0}, false, "UV"},
    {"Point", kUV, {0, 0}, false, "UV"},     {"SegmentOnly", kEnumeration, {0}},
    {"Squared", kEnumeration, {0}},
};

// Distance from Point to the line through LineStart and LineEnd, or to the segment between them
// when SegmentOnly is not 0; squared when Squared is not 0; 0 when the two ends coincide.
class TXRCDist2Line2D final : public TXRTableComponent<kDist2Line2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 615;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSwitch2DProps[] = {
    {"A", kUV, {0, 0}, false, "UV"},
    {"B", kUV, {0, 0}, false, "UV"},
    {"Switch", kEnumeration, {0}},
};

// B when Switch is not 0, otherwise A.
class TXRCSwitch2D final : public TXRTableComponent<kSwitch2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 613;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

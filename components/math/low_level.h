// Numerical operations (palette tab "Low-level", type ids 901-916):
// scalar arithmetic, comparison, simple functions, fuzzy booleans, interpolation, weighted average
// and switching. Every class reads Numerical properties (and at most one Enumeration) and yields
// one Numerical value.
//
// Contracts shared by the family:
//   - Evaluate reads every property through its input reference, ignores InHost, never allocates,
//     never fails; it calls only the standard maths functions and the host's hsSmoothStep.
//   - Degenerate inputs have defined results: division by zero (Divide, Modulo, reciprocal,
//     cotangent) gives 0, as do square roots and logarithms of non-positive values and arc sine or
//     arc cosine outside [-1, 1]; an Enumeration value outside its list gives the "any other value"
//     result of its class.
//   - Power of a zero base with a negative exponent (a choice of ours) gives 0, like the
//     family's other divisions by zero, so that no infinity flows into later components.
#pragma once

#include "core/component.h"

namespace vandrel {

// Two numbers A and B, both 1.0: Add, Subtract, Multiply, Divide, Modulo, Power.
inline constexpr PropertySpec kAbProps[] = {
    {"A", kNumerical, {1}},
    {"B", kNumerical, {1}},
};

// A + B.
class TXRCAdd final : public TXRTableComponent<kAbProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 901;
    void Evaluate(bool inHost) override;
};

// A - B.
class TXRCSubtract final : public TXRTableComponent<kAbProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 902;
    void Evaluate(bool inHost) override;
};

// A · B.
class TXRCMultiply final : public TXRTableComponent<kAbProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 903;
    void Evaluate(bool inHost) override;
};

// A / B; 0 when B is 0 or NaN.
class TXRCDivide final : public TXRTableComponent<kAbProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 904;
    void Evaluate(bool inHost) override;
};

// A - trunc(A / B) · B with trunc into a 64-bit integer: the remainder carries the sign of A
// (-7 mod 3 = -1, 7 mod -3 = 1); 0 when B is 0.
class TXRCModulo final : public TXRTableComponent<kAbProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 905;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kCompareProps[] = {
    {"A", kNumerical, {1}},          {"B", kNumerical, {1}},
    {"Tolerance", kNumerical, {0}},  {"TrueValue", kNumerical, {1}},
    {"FalseValue", kNumerical, {0}}, {"Relation", kEnumeration, {0}},
};

// Relation 0 =, 1 ≠, 2 ≤, 3 <, 4 >, 5 ≥ between A and B, softened over Tolerance through
// hsSmoothStep(0, Tolerance, |A - B|); any other Relation gives FalseValue.
class TXRCCompare final : public TXRTableComponent<kCompareProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 909;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kMaxMinProps[] = {
    {"A", kNumerical, {1}},
    {"B", kNumerical, {1}},
    {"Selection", kEnumeration, {0}},
};

// Selection 0: maximum, any other: minimum; a tie yields B in both.
class TXRCMaxMin final : public TXRTableComponent<kMaxMinProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 916;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kFxProps[] = {
    {"Input", kNumerical, {0}},
    {"Function", kEnumeration, {0}},
};

// One of 21 simple functions of Input (Function 0 … 20); others give 0.
class TXRCFx final : public TXRTableComponent<kFxProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 910;
    void Evaluate(bool inHost) override;
};

// |A| raised to B (the base is always made non-negative).
class TXRCPower final : public TXRTableComponent<kAbProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 911;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kBooleanProps[] = {
    {"A", kNumerical, {1}},
    {"B", kNumerical, {1}},
    {"Operation", kEnumeration, {0}},
};

// Fuzzy logic on values in [0, 1]: 0 and, 1 or, 2 xor, 3 and-not, 4 nand, 5 nor, 6 equivalence,
// 7 implication; any other Operation gives 0.
class TXRCBoolean final : public TXRTableComponent<kBooleanProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 912;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kInterpolate1DProps[] = {
    {"A", kNumerical, {0}},
    {"B", kNumerical, {1}},
    {"Fraction", kNumerical, {0.5f}},
    {"Easing", kEnumeration, {0}},
};

// A + (B - A) · t with t the eased fraction of components/shared/easing.h.
class TXRCInterpolate1D final : public TXRTableComponent<kInterpolate1DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 913;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kBlendProps[] = {
    {"A", kNumerical, {1}},
    {"WeightA", kNumerical, {0.5f}},
    {"B", kNumerical, {1}},
    {"WeightB", kNumerical, {0.5f}},
};

// (A·|WeightA| + B·|WeightB|) / (|WeightA| + |WeightB|); 0 when both weights are 0.
class TXRCBlend final : public TXRTableComponent<kBlendProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 914;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSwitch1DProps[] = {
    {"A", kNumerical, {0}},
    {"B", kNumerical, {0}},
    {"Switch", kEnumeration, {0}},
};

// B when Switch is non-zero (negative values included), otherwise A.
class TXRCSwitch1D final : public TXRTableComponent<kSwitch1DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 915;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

// The root component: the last component of every shader tree. It gathers the shader's results
// and copies them into the output variables of its Context.
#pragma once

#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kRootProps[] = {
    {"Color", kVector, {0, 0, 0}, false, "RGB"},
    {"Alpha", kNumerical, {1}},
    {"TransparencyFilter", kVector, {0, 0, 0}, false, "RGB"},
    {"Normal", kVector, {0, 0, 0}, false, "XYZ"},
    {"Displacement", kNumerical, {0}},
    {"DisplacementMode", kEnumeration, {0}},
    {"EvaluationMode", kEnumeration, {0}},
};

enum RootProperty : int32_t {
    kRootColor = 0,
    kRootAlpha = 1,
    kRootTransparencyFilter = 2,
    kRootNormal = 3,
    kRootDisplacement = 4,
    kRootDisplacementMode = 5,
    kRootEvaluationMode = 6,
};

class TXRCRoot final : public TXRTableComponent<kRootProps, kNone> {
  public:
    static constexpr int32_t kTypeId = 1;

    // Colour, transparency filter, the normal unless DisplacementMode is set, then Alpha.
    void Evaluate(bool inHost) override;

    int32_t DisplacementMode() { return Enum(kRootDisplacementMode); }
    int32_t EvaluationMode() { return Enum(kRootEvaluationMode); }
    // The height the displacement protocol reads.
    double Displacement() const { return Num(kRootDisplacement); }
};

}  // namespace vandrel

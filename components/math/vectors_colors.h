// 3D vector and colour math.
#pragma once

#include "core/component.h"

namespace vandrel {

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

}  // namespace vandrel

// One-dimensional generators: functions of one numerical value.
#pragma once

#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kSineProps[] = {
    {"Amplitude", kNumerical, {1}},
    {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0.5f}},
    {"Input", kNumerical, {0}},
};

// 0.5 · Amplitude · sin(2π · Frequency · Input) + Offset: with the defaults it swings over [0, 1].
class TXRCSine final : public TXRTableComponent<kSineProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 101;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

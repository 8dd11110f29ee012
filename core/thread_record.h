// The evaluation record of one rendering thread: its random generator and its shading variables.
//
// A record belongs to one thread; nothing in it is shared. The variable block starts with a
// byte-for-byte copy of the first 188 bytes of the host's shading record (so the host's offsets are
// offsets into it), followed by SrfRev, the four animation values and 20 trigger values of three
// floats each.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/random.h"

namespace vandrel {

inline constexpr int kHostBlockWords = 47;  // 188 bytes
inline constexpr int kSrfRevIndex = 47;
inline constexpr int kFrameIndex = 48;
inline constexpr int kStartFrameIndex = 49;
inline constexpr int kEndFrameIndex = 50;
inline constexpr int kFrameRateIndex = 51;
inline constexpr int kTriggerAreaIndex = 52;
inline constexpr int kTriggerCount = 20;
inline constexpr int kVariableFloats = kTriggerAreaIndex + 3 * kTriggerCount;

// Word offsets in the host block that are not variables.
inline constexpr int kReversalFlagWord = 124 / 4;
inline constexpr int kNodeHandleWord = 184 / 4;

class TShaderInstance;

// Cache-line aligned: the records of threads rendering side by side share no line.
struct alignas(64) TThreadRecord {
    TRandomState RandomState;
    alignas(16) std::array<float, kVariableFloats> Variables{};
    uint32_t ThreadId = 0;
    std::vector<std::unique_ptr<TShaderInstance>> Instances;
    // Per output type (0 Displacement … 3 Reflectance): the material last shaded and its instance.
    std::array<int32_t, 4> LastInfo{};
    std::array<TShaderInstance*, 4> Current{};
    // Whose trigger values the variable block holds: an instance and the position of its material.
    const TShaderInstance* TriggersOf = nullptr;
    int32_t TriggersPosition = -1;

    TThreadRecord();
    TThreadRecord(const TThreadRecord&) = delete;
    TThreadRecord& operator=(const TThreadRecord&) = delete;
    ~TThreadRecord();
};

inline void RecordRandomSeed(TThreadRecord* record, int32_t seed) {
    RandomSeed(record->RandomState, seed);
}
inline double RecordRandomNext(TThreadRecord* record) { return RandomNext(record->RandomState); }

}  // namespace vandrel

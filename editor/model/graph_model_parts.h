// What the graph model's files share: its limits and small helpers. Only the model's own files
// include this.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "editor/model/graph_model.h"

namespace vandrel::graph_parts {

inline constexpr int32_t kRootTypeId = 1;
inline constexpr int32_t kLastTrigger = kVarTrigger1 + kTriggerCount - 1;
inline constexpr std::string_view kNoSource = "Unable to rebuild shader; source data not found.";
// Positions are stored as signed 16-bit fields.
inline constexpr int32_t kMaxPosition = 32767 - kContainerWidth;

inline int32_t TriggerOf(int32_t variable) {
    return variable >= kVarTrigger1 && variable <= kLastTrigger ? variable - kVarTrigger1 : -1;
}

// The whole variable shown by a new UV or Vector property.
inline int32_t DefaultVariable(int32_t kind) {
    const std::string_view name = kind == kUV ? "UV" : "Object";
    for (int32_t n = 1; n <= kVariableCount; ++n) {
        if (VariableShortName(n) == name && VariableKind(n) == kind) return n;
    }
    return 0;
}

inline std::vector<std::string> SplitItems(std::string_view items) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= items.size()) {
        const size_t end = items.find(';', start);
        out.emplace_back(items.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

inline bool SameBits(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

}  // namespace vandrel::graph_parts

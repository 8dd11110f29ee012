// The 85 shading-context variables, the output types and the lookups the editor, the stream writer
// and the interface use.
//
// Variables are numbered 1 … 85. Part variables (".R", ".X", ".U" …) are the single floats of the
// whole variable next to them, so a whole Vector or UV variable is two or three adjacent floats
// starting at its first part. Any number outside 1 … 85 is named "Error!" and has kind Undefined
// and a null address.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/thread_record.h"
#include "core/value_kind.h"

namespace vandrel {

inline constexpr int kVariableCount = 85;

// Every variable by number. A variable with parts is named by its first part (kVarURay is
// "URay.X"), its other parts by their letter (kVarURayY) and the whole by kVar…Whole.
enum Variable : int32_t {
    kVarAlpha = 1,
    kVarColorIn = 2,
    kVarColorInG = 3,
    kVarColorInB = 4,
    kVarColorInWhole = 5,
    kVarColorOut = 6,
    kVarColorOutG = 7,
    kVarColorOutB = 8,
    kVarColorOutWhole = 9,
    kVarTrIn = 10,
    kVarTrInG = 11,
    kVarTrInB = 12,
    kVarTrInWhole = 13,
    kVarTrOut = 14,
    kVarTrOutG = 15,
    kVarTrOutB = 16,
    kVarTrOutWhole = 17,
    kVarUV = 18,
    kVarUVV = 19,
    kVarUVDelta = 20,
    kVarUVDeltaV = 21,
    kVarUDir = 22,
    kVarUDirY = 23,
    kVarUDirZ = 24,
    kVarUDirWhole = 25,
    kVarVDir = 26,
    kVarVDirY = 27,
    kVarVDirZ = 28,
    kVarVDirWhole = 29,
    kVarRay = 30,
    kVarRayY = 31,
    kVarRayZ = 32,
    kVarRayWhole = 33,
    kVarURay = 34,
    kVarURayY = 35,
    kVarURayZ = 36,
    kVarURayWhole = 37,
    kVarRayLength = 38,
    kVarViewer = 39,
    kVarViewerY = 40,
    kVarViewerZ = 41,
    kVarViewerWhole = 42,
    kVarSNorm = 43,
    kVarSNormY = 44,
    kVarSNormZ = 45,
    kVarSNormWhole = 46,
    kVarGNorm = 47,
    kVarGNormY = 48,
    kVarGNormZ = 49,
    kVarGNormWhole = 50,
    kVarObject = 51,
    kVarObjectY = 52,
    kVarObjectZ = 53,
    kVarObjectWhole = 54,
    kVarWorld = 55,
    kVarWorldY = 56,
    kVarWorldZ = 57,
    kVarWorldWhole = 58,
    kVarSrfRev = 59,
    kVarFrame = 60,
    kVarStartFrame = 61,
    kVarEndFrame = 62,
    kVarUVWhole = 63,
    kVarUVDeltaWhole = 64,
    kVarTrigger1 = 65,
    kVarTrigger2 = 66,
    kVarTrigger3 = 67,
    kVarTrigger4 = 68,
    kVarTrigger5 = 69,
    kVarTrigger6 = 70,
    kVarTrigger7 = 71,
    kVarTrigger8 = 72,
    kVarTrigger9 = 73,
    kVarTrigger10 = 74,
    kVarTrigger11 = 75,
    kVarTrigger12 = 76,
    kVarTrigger13 = 77,
    kVarTrigger14 = 78,
    kVarTrigger15 = 79,
    kVarTrigger16 = 80,
    kVarTrigger17 = 81,
    kVarTrigger18 = 82,
    kVarTrigger19 = 83,
    kVarTrigger20 = 84,
    kVarFrameRate = 85,
};

std::string_view VariableShortName(int32_t number);
std::string_view VariableLongName(int32_t number);
int32_t VariableKind(int32_t number);

// 0 when no variable has this long name (exact, case-sensitive).
int32_t VariableByLongName(std::string_view longName);

// Index of the variable's first float in TThreadRecord::Variables, -1 outside 1 … 85.
int VariableFloatIndex(int32_t number);

// The same indices, as constants, for the variables that every sample writes or reads back: the
// per-sample path then needs no table lookup. The table is checked against them.
inline constexpr int kAlphaFloat = 0;
inline constexpr int kColorOutFloat = 4;
inline constexpr int kTrOutFloat = 37;
inline constexpr int kSNormFloat = 19;
inline constexpr int kUVFloat = 32;
inline constexpr int kWorldFloat = 28;

// Address of variable n in a record; null outside 1 … 85 or without a record.
float* VariableAddress(TThreadRecord* record, int32_t number);

// Reverse lookups: the lowest variable number at this address (a part wins over the whole that
// shares its first float), 0 when none.
int32_t VariableAtAddress(const TThreadRecord* record, const float* address);
// The first number at this address whose kind is wanted or Trigger, 0 when none.
int32_t VariableAtAddress(const TThreadRecord* record, const float* address, int32_t wantedKind);

// The connection-menu text for a value kind: "$Disconnect;$Constant;-;" (Numerical) or
// "$Disconnect;-;", then "$" + the long name of every variable of exactly that kind, 2 … 85.
std::string ConnectionMenuText(int32_t kind);

// How many properties read each variable, with one shared counter for the colour output (6 … 9).
class TVariableUsage {
  public:
    void Increment(int32_t number);
    void Decrement(int32_t number);
    int32_t Count(int32_t number) const;
    int32_t ColorOutputCount() const { return colorOutput_; }
    void Reset();

  private:
    std::array<int32_t, kVariableCount + 1> counts_{};
    int32_t colorOutput_ = 0;
};

// Output types and their evaluation masks.
enum OutputType : int32_t {
    kDisplacement = 0,
    kTransparency = 1,
    kColor = 2,
    kReflectance = 3,
};
inline constexpr int kOutputTypeCount = 4;
inline constexpr int32_t kMaskAll = 31;

std::string_view OutputTypeName(int32_t type);  // empty outside 0 … 3
// 1, 2, 4, 8; 0 outside 0 … 3. Inline: the per-sample path asks for it.
constexpr int32_t OutputTypeMask(int32_t type) {
    return type >= 0 && type < kOutputTypeCount ? int32_t{1} << type : 0;
}

}  // namespace vandrel

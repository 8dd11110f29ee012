#include "core/context.h"

namespace vandrel {

namespace {

struct VariableRow {
    const char* shortName;
    const char* longName;
    int32_t kind;
    int floatIndex;  // into TThreadRecord::Variables
};

constexpr int Host(int byteOffset) { return byteOffset / 4; }
constexpr int Trigger(int n) { return kTriggerAreaIndex + 3 * (n - 1); }

// Row n-1 describes variable n.
constexpr VariableRow kVariables[kVariableCount] = {
    {"Alpha", "Alpha", kNumerical, Host(0)},
    {"ColorIn.R", "Color Input.R", kNumerical, Host(4)},
    {"ColorIn.G", "Color Input.G", kNumerical, Host(8)},
    {"ColorIn.B", "Color Input.B", kNumerical, Host(12)},
    {"ColorIn", "Color Input", kVector, Host(4)},
    {"ColOut.R", "Color Output.R", kNumerical, Host(16)},
    {"ColOut.G", "Color Output.G", kNumerical, Host(20)},
    {"ColOut.B", "Color Output.B", kNumerical, Host(24)},
    {"ColOut", "Color Output", kVector, Host(16)},
    {"TrIn.R", "Transparency Filter Input.R", kNumerical, Host(136)},
    {"TrIn.G", "Transparency Filter Input.G", kNumerical, Host(140)},
    {"TrIn.B", "Transparency Filter Input.B", kNumerical, Host(144)},
    {"TrIn", "Transparency Filter Input", kVector, Host(136)},
    {"TrOut.R", "Transparency Filter Output.R", kNumerical, Host(148)},
    {"TrOut.G", "Transparency Filter Output.G", kNumerical, Host(152)},
    {"TrOut.B", "Transparency Filter Output.B", kNumerical, Host(156)},
    {"TrOut", "Transparency Filter Output", kVector, Host(148)},
    {"UV.U", "UV Mapping.U", kNumerical, Host(128)},
    {"UV.V", "UV Mapping.V", kNumerical, Host(132)},
    {"UV Delta.U", "UV Delta.U", kNumerical, Host(52)},
    {"UV Delta.V", "UV Delta.V", kNumerical, Host(56)},
    {"UDir.X", "U Direction.X", kNumerical, Host(28)},
    {"UDir.Y", "U Direction.Y", kNumerical, Host(32)},
    {"UDir.Z", "U Direction.Z", kNumerical, Host(36)},
    {"UDir", "U Direction", kVector, Host(28)},
    {"VDir.X", "V Direction.X", kNumerical, Host(40)},
    {"VDir.Y", "V Direction.Y", kNumerical, Host(44)},
    {"VDir.Z", "V Direction.Z", kNumerical, Host(48)},
    {"VDir", "V Direction", kVector, Host(40)},
    {"Ray.X", "Ray.X", kNumerical, Host(60)},
    {"Ray.Y", "Ray.Y", kNumerical, Host(64)},
    {"Ray.Z", "Ray.Z", kNumerical, Host(68)},
    {"Ray", "Ray", kVector, Host(60)},
    {"URay.X", "Unitary Ray.X", kNumerical, Host(160)},
    {"URay.Y", "Unitary Ray.Y", kNumerical, Host(164)},
    {"URay.Z", "Unitary Ray.Z", kNumerical, Host(168)},
    {"URay", "Unitary Ray", kVector, Host(160)},
    {"|Ray|", "Ray Length", kNumerical, Host(72)},
    {"Viewer.X", "Viewer Position.X", kNumerical, Host(172)},
    {"Viewer.Y", "Viewer Position.Y", kNumerical, Host(176)},
    {"Viewer.Z", "Viewer Position.Z", kNumerical, Host(180)},
    {"Viewer", "Viewer Position", kVector, Host(172)},
    {"SNorm.X", "Shading Normal.X", kNumerical, Host(76)},
    {"SNorm.Y", "Shading Normal.Y", kNumerical, Host(80)},
    {"SNorm.Z", "Shading Normal.Z", kNumerical, Host(84)},
    {"SNorm", "Shading Normal", kVector, Host(76)},
    {"GNorm.X", "Geometric Normal.X", kNumerical, Host(88)},
    {"GNorm.Y", "Geometric Normal.Y", kNumerical, Host(92)},
    {"GNorm.Z", "Geometric Normal.Z", kNumerical, Host(96)},
    {"GNorm", "Geometric Normal", kVector, Host(88)},
    {"Object.X", "Object Space.X", kNumerical, Host(100)},
    {"Object.Y", "Object Space.Y", kNumerical, Host(104)},
    {"Object.Z", "Object Space.Z", kNumerical, Host(108)},
    {"Object", "Object Space", kVector, Host(100)},
    {"World.X", "World Space.X", kNumerical, Host(112)},
    {"World.Y", "World Space.Y", kNumerical, Host(116)},
    {"World.Z", "World Space.Z", kNumerical, Host(120)},
    {"World", "World Space", kVector, Host(112)},
    {"SrfRev", "Surface Reversal Flag", kNumerical, kSrfRevIndex},
    {"Frame", "Frame", kNumerical, kFrameIndex},
    {"StartFrm", "Start Frame", kNumerical, kStartFrameIndex},
    {"EndFrm", "End Frame", kNumerical, kEndFrameIndex},
    {"UV", "UV Mapping", kUV, Host(128)},
    {"UV Delta", "UV Delta", kUV, Host(52)},
    {"Trigger1", "Trigger 1", kTrigger, Trigger(1)},
    {"Trigger2", "Trigger 2", kTrigger, Trigger(2)},
    {"Trigger3", "Trigger 3", kTrigger, Trigger(3)},
    {"Trigger4", "Trigger 4", kTrigger, Trigger(4)},
    {"Trigger5", "Trigger 5", kTrigger, Trigger(5)},
    {"Trigger6", "Trigger 6", kTrigger, Trigger(6)},
    {"Trigger7", "Trigger 7", kTrigger, Trigger(7)},
    {"Trigger8", "Trigger 8", kTrigger, Trigger(8)},
    {"Trigger9", "Trigger 9", kTrigger, Trigger(9)},
    {"Trigger10", "Trigger 10", kTrigger, Trigger(10)},
    {"Trigger11", "Trigger 11", kTrigger, Trigger(11)},
    {"Trigger12", "Trigger 12", kTrigger, Trigger(12)},
    {"Trigger13", "Trigger 13", kTrigger, Trigger(13)},
    {"Trigger14", "Trigger 14", kTrigger, Trigger(14)},
    {"Trigger15", "Trigger 15", kTrigger, Trigger(15)},
    {"Trigger16", "Trigger 16", kTrigger, Trigger(16)},
    {"Trigger17", "Trigger 17", kTrigger, Trigger(17)},
    {"Trigger18", "Trigger 18", kTrigger, Trigger(18)},
    {"Trigger19", "Trigger 19", kTrigger, Trigger(19)},
    {"Trigger20", "Trigger 20", kTrigger, Trigger(20)},
    {"FrmRate", "Frame Rate", kNumerical, kFrameRateIndex},
};

constexpr bool Named(int32_t number, std::string_view shortName) {
    return std::string_view(kVariables[number - 1].shortName) == shortName;
}
// The names of context.h and the rows agree where a slip would be easiest to make.
static_assert(Named(kVarColorInWhole, "ColorIn") && Named(kVarColorOutWhole, "ColOut") &&
              Named(kVarTrInWhole, "TrIn") && Named(kVarTrOutWhole, "TrOut") &&
              Named(kVarUVDeltaV, "UV Delta.V") && Named(kVarUDirWhole, "UDir") &&
              Named(kVarVDirWhole, "VDir") && Named(kVarRayWhole, "Ray") &&
              Named(kVarURay, "URay.X") && Named(kVarURayWhole, "URay") &&
              Named(kVarRayLength, "|Ray|") && Named(kVarViewerWhole, "Viewer") &&
              Named(kVarSNormWhole, "SNorm") && Named(kVarGNormWhole, "GNorm") &&
              Named(kVarObjectWhole, "Object") && Named(kVarWorldWhole, "World") &&
              Named(kVarSrfRev, "SrfRev") && Named(kVarEndFrame, "EndFrm") &&
              Named(kVarUVWhole, "UV") && Named(kVarUVDeltaWhole, "UV Delta") &&
              Named(kVarTrigger1, "Trigger1") && Named(kVarTrigger20, "Trigger20") &&
              Named(kVarFrameRate, "FrmRate"));

constexpr bool FloatAt(int32_t number, int index) {
    return kVariables[number - 1].floatIndex == index;
}
static_assert(FloatAt(kVarAlpha, kAlphaFloat) && FloatAt(kVarColorOut, kColorOutFloat) &&
              FloatAt(kVarTrOut, kTrOutFloat) && FloatAt(kVarSNorm, kSNormFloat) &&
              FloatAt(kVarUV, kUVFloat) && FloatAt(kVarWorld, kWorldFloat));

// Every variable lies inside the record's variable area.
constexpr bool InsideTheRecord() {
    for (const VariableRow& row : kVariables) {
        if (row.floatIndex < 0 || row.floatIndex + FloatCount(row.kind) > kVariableFloats)
            return false;
    }
    return true;
}
static_assert(InsideTheRecord());

const VariableRow* Row(int32_t number) {
    if (number < 1 || number > kVariableCount) return nullptr;
    return &kVariables[number - 1];
}

constexpr std::string_view kErrorName = "Error!";

bool IsColorOutput(int32_t number) { return number >= kVarColorOut && number <= kVarColorOutWhole; }

int FloatIndexOf(const TThreadRecord* record, const float* address) {
    if (record == nullptr || address == nullptr) return -1;
    const float* base = record->Variables.data();
    // Compare as integers: relational comparison of unrelated pointers is unspecified.
    const auto a = reinterpret_cast<uintptr_t>(address);
    const auto b = reinterpret_cast<uintptr_t>(base);
    if (a < b || a >= b + sizeof(float) * kVariableFloats || (a - b) % sizeof(float) != 0)
        return -1;
    return static_cast<int>((a - b) / sizeof(float));
}

}  // namespace

std::string_view VariableShortName(int32_t number) {
    const VariableRow* row = Row(number);
    return row != nullptr ? row->shortName : kErrorName;
}

std::string_view VariableLongName(int32_t number) {
    const VariableRow* row = Row(number);
    return row != nullptr ? row->longName : kErrorName;
}

int32_t VariableKind(int32_t number) {
    const VariableRow* row = Row(number);
    return row != nullptr ? row->kind : kUndefined;
}

int32_t VariableByLongName(std::string_view longName) {
    for (int32_t n = 1; n <= kVariableCount; ++n) {
        if (kVariables[n - 1].longName == longName) return n;
    }
    return 0;
}

int VariableFloatIndex(int32_t number) {
    const VariableRow* row = Row(number);
    return row != nullptr ? row->floatIndex : -1;
}

float* VariableAddress(TThreadRecord* record, int32_t number) {
    const VariableRow* row = Row(number);
    if (row == nullptr || record == nullptr) return nullptr;
    return record->Variables.data() + row->floatIndex;
}

int32_t VariableAtAddress(const TThreadRecord* record, const float* address) {
    const int index = FloatIndexOf(record, address);
    if (index < 0) return 0;
    for (int32_t n = 1; n <= kVariableCount; ++n) {
        if (kVariables[n - 1].floatIndex == index) return n;
    }
    return 0;
}

int32_t VariableAtAddress(const TThreadRecord* record, const float* address, int32_t wantedKind) {
    const int index = FloatIndexOf(record, address);
    if (index < 0) return 0;
    for (int32_t n = 1; n <= kVariableCount; ++n) {
        const VariableRow& row = kVariables[n - 1];
        if (row.floatIndex == index && (row.kind == wantedKind || row.kind == kTrigger)) return n;
    }
    return 0;
}

std::string ConnectionMenuText(int32_t kind) {
    std::string text = kind == kNumerical ? "$Disconnect;$Constant;-;" : "$Disconnect;-;";
    bool first = true;
    for (int32_t n = 2; n <= kVariableCount; ++n) {
        if (kVariables[n - 1].kind != kind) continue;
        if (!first) text += ';';
        text += '$';
        text += kVariables[n - 1].longName;
        first = false;
    }
    return text;
}

void TVariableUsage::Increment(int32_t number) {
    if (number < 1 || number > kVariableCount) return;
    ++counts_[number];
    if (IsColorOutput(number)) ++colorOutput_;
}

void TVariableUsage::Decrement(int32_t number) {
    if (number < 1 || number > kVariableCount) return;
    --counts_[number];
    if (IsColorOutput(number)) --colorOutput_;
}

int32_t TVariableUsage::Count(int32_t number) const {
    if (number < 1 || number > kVariableCount) return 0;
    return counts_[number];
}

void TVariableUsage::Reset() {
    counts_.fill(0);
    colorOutput_ = 0;
}

std::string_view OutputTypeName(int32_t type) {
    static constexpr std::string_view kNames[kOutputTypeCount] = {"Displacement", "Transparency",
                                                                  "Color", "Reflectance"};
    if (type < 0 || type >= kOutputTypeCount) return {};
    return kNames[type];
}

}  // namespace vandrel

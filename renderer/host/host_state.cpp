#include "renderer/host/host_state.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "hostapi/hostapi.h"

namespace vandrel::host {

namespace {

// A parameter value keeps its data at a stable address until it is next changed, so the pointer
// hxParameterValueGetData returns stays valid while the plug-in copies from it.
struct Value {
    std::string text;
    std::array<float, 3> floats{};
    uint8_t byte = 0;
    enum Kind { kText, kFloats, kByte } kind = kText;
    const void* Data() const {
        switch (kind) {
            case kText:
                return text.c_str();
            case kFloats:
                return floats.data();
            case kByte:
                return &byte;
        }
        return nullptr;
    }
};

struct State {
    std::shared_mutex mutex;
    std::map<int32_t, std::array<int32_t, kMaterialParameterCount>> materials;  // value handles
    std::map<int32_t, Value> values;
    std::map<int32_t, Node> nodes;
    int32_t nextHandle = 1;
    Animation animation;
    int32_t version = 430;
    std::string dataFolder = ".";
    std::vector<int32_t> updates;
    std::shared_ptr<const ShaderUpdateListener> updateListener;
    std::atomic<int64_t> transformFetches{0};
};

State& S() {
    static State state;
    return state;
}

Value* ValueFor(State& s, int32_t material, int32_t index) {
    const auto m = s.materials.find(material);
    if (m == s.materials.end() || index < 0 || index >= kMaterialParameterCount) return nullptr;
    int32_t& handle = m->second[static_cast<size_t>(index)];
    if (handle == 0) handle = s.nextHandle++;
    return &s.values[handle];
}

const Node* NodeFor(State& s, int32_t node) {
    const auto it = s.nodes.find(node);
    return it != s.nodes.end() ? &it->second : nullptr;
}

template <size_t N>
void CopyOut(float* out, const std::array<float, N>& values) {
    if (out != nullptr) std::memcpy(out, values.data(), sizeof(float) * N);
}

}  // namespace

int32_t CreateMaterial() {
    State& s = S();
    std::unique_lock lock(s.mutex);
    const int32_t handle = s.nextHandle++;
    s.materials[handle] = {};
    return handle;
}

void SetTextParameter(int32_t material, int32_t index, const std::string& text) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    if (Value* v = ValueFor(s, material, index)) {
        v->kind = Value::kText;
        v->text = text;
    }
}

void SetFloatParameter(int32_t material, int32_t index, const std::array<float, 3>& values) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    if (Value* v = ValueFor(s, material, index)) {
        v->kind = Value::kFloats;
        v->floats = values;
    }
}

void SetByteParameter(int32_t material, int32_t index, uint8_t value) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    if (Value* v = ValueFor(s, material, index)) {
        v->kind = Value::kByte;
        v->byte = value;
    }
}

void DestroyMaterials() {
    State& s = S();
    std::unique_lock lock(s.mutex);
    s.materials.clear();
    s.values.clear();
}

int32_t CreateNode(const Node& node) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    const int32_t handle = s.nextHandle++;
    s.nodes[handle] = node;
    return handle;
}

void DestroyNodes() {
    State& s = S();
    std::unique_lock lock(s.mutex);
    s.nodes.clear();
}

int64_t TransformFetches() { return S().transformFetches.load(); }

void SetAnimation(const Animation& animation) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    s.animation = animation;
}

void SetVersion(int32_t version) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    s.version = version;
}

void SetDataFolder(const std::string& folder) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    s.dataFolder = folder;
}

namespace {
thread_local const hxShadingRecord* tCurrentSample = nullptr;
thread_local uint64_t tSampleSerial = 0;
thread_local int32_t tCurrentMaterial = 0;
}  // namespace

void SetCurrentMaterial(int32_t material) { tCurrentMaterial = material; }
int32_t CurrentMaterial() { return tCurrentMaterial; }

void SetCurrentSample(const hxShadingRecord* record) {
    tCurrentSample = record;
    ++tSampleSerial;
}
const hxShadingRecord* CurrentSample() { return tCurrentSample; }
uint64_t CurrentSampleSerial() { return tSampleSerial; }

std::vector<int32_t> TakeShaderUpdates() {
    State& s = S();
    std::unique_lock lock(s.mutex);
    return std::exchange(s.updates, {});
}

ShaderUpdateListener SetShaderUpdateListener(ShaderUpdateListener listener) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    auto previous = std::exchange(
        s.updateListener,
        listener ? std::make_shared<const ShaderUpdateListener>(std::move(listener)) : nullptr);
    return previous ? *previous : ShaderUpdateListener{};
}

}  // namespace vandrel::host

using namespace vandrel::host;

extern "C" {

int32_t hxShaderInfoGetParameterValue(int32_t shaderInfo, int32_t index) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    const auto m = s.materials.find(shaderInfo);
    if (m == s.materials.end() || index < 0 || index >= kMaterialParameterCount) return 0;
    return m->second[static_cast<size_t>(index)];
}

const void* hxParameterValueGetData(int32_t value) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    const auto it = s.values.find(value);
    return it != s.values.end() ? it->second.Data() : nullptr;
}

void hxShaderUpdate(int32_t shaderHandle) {
    State& s = S();
    std::shared_ptr<const ShaderUpdateListener> listener;
    {
        std::unique_lock lock(s.mutex);
        s.updates.push_back(shaderHandle);
        listener = s.updateListener;
    }
    if (listener) (*listener)(shaderHandle);
}

void hsCustomShaderSetBitmapID(int32_t, int32_t) {}

float hxAnimGetActiveTime(void) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    return s.animation.activeTime;
}

void hxAnimGetPlayRanges(float* start, float* end) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    if (start != nullptr) *start = s.animation.playStart;
    if (end != nullptr) *end = s.animation.playEnd;
}

float hxAnimGetBaseFramerate(void) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    return s.animation.frameRate;
}

int32_t hxGNodeGetTransform(int32_t node, float* matrix) {
    State& s = S();
    s.transformFetches.fetch_add(1);
    std::shared_lock lock(s.mutex);
    const Node* n = NodeFor(s, node);
    if (n == nullptr || matrix == nullptr) return 0;
    CopyOut(matrix, n->transform);
    return 1;
}

#define VANDREL_NODE_GETTER(function, field, empty)    \
    void function(int32_t node, float* out) {          \
        State& s = S();                                \
        std::shared_lock lock(s.mutex);                \
        const Node* n = NodeFor(s, node);              \
        CopyOut(out, n != nullptr ? n->field : empty); \
    }
VANDREL_NODE_GETTER(hxGNodeGetLocation, location, (std::array<float, 3>{}))
VANDREL_NODE_GETTER(hxGNodeGetRotation, rotation, (std::array<float, 3>{}))
VANDREL_NODE_GETTER(hxGNodeGetSize, size, (std::array<float, 3>{}))
VANDREL_NODE_GETTER(hxGNodeGetAxesPosition, axesPosition, (std::array<float, 3>{}))
VANDREL_NODE_GETTER(hxGNodeGetAxesOrientation, axesOrientation, (std::array<float, 9>{}))
#undef VANDREL_NODE_GETTER

void hxBBoxInit(float* box) {
    if (box == nullptr) return;
    for (int k = 0; k < 3; ++k) {
        box[k] = 1e30f;
        box[3 + k] = -1e30f;
    }
}

void hxGNodeGetBBox(int32_t node, float* box) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    const Node* n = NodeFor(s, node);
    if (n == nullptr) return;  // the caller's initialised box stays empty
    CopyOut(box, n->box);
}

int32_t hxGNodeGetUnits(int32_t node) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    const Node* n = NodeFor(s, node);
    return n != nullptr ? n->units : 2;
}

void hxInvertMx3f(float* inverse, const float* m) {
    if (inverse == nullptr || m == nullptr) return;
    // Inverse of an affine 3 x 4 matrix: invert the 3 x 3 part, then carry the translation.
    const double a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9],
                 i = m[10];
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (det == 0 || !std::isfinite(det)) {
        static constexpr float kIdentity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
        std::memcpy(inverse, kIdentity, sizeof kIdentity);
        return;
    }
    const double r[9] = {(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det,
                         (f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det,
                         (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det};
    const double t[3] = {m[3], m[7], m[11]};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            inverse[row * 4 + col] = static_cast<float>(r[row * 3 + col]);
        inverse[row * 4 + 3] = static_cast<float>(
            -(r[row * 3] * t[0] + r[row * 3 + 1] * t[1] + r[row * 3 + 2] * t[2]));
    }
}

void hxTransformVect3f(float* out, const float* p, const float* m) {
    if (out == nullptr || p == nullptr || m == nullptr) return;
    const double x = p[0], y = p[1], z = p[2];
    for (int row = 0; row < 3; ++row) {
        out[row] = static_cast<float>(m[row * 4] * x + m[row * 4 + 1] * y + m[row * 4 + 2] * z +
                                      m[row * 4 + 3]);
    }
}

int32_t hxGetHostVersionNbrs(void) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    return s.version;
}

void* hxGetMainViewHwnd(void) { return nullptr; }

int32_t hxGetHostDir(int32_t kind, char* buffer, int32_t size) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    const std::string folder = kind == 4 ? s.dataFolder : std::string();
    if (buffer == nullptr || size <= 0) return static_cast<int32_t>(folder.size());
    const size_t n = std::min(folder.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, folder.data(), n);
    buffer[n] = '\0';
    return static_cast<int32_t>(n);
}

}  // extern "C"

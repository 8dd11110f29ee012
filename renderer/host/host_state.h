// The stand-in host's own state behind the host operations: materials and their parameter values,
// scene nodes and their transforms, animation settings, the version it reports, its folders, and
// the shader update requests it received. The renderer, the command line and the tests set it up
// through this C++ interface; the plug-in sees it only through hostapi/hostapi.h.
//
// Setters are meant for the host's user-interface thread between renders; getters may run on every
// rendering thread at once. Both take a reader-writer lock, so neither needs outside locking.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct hxShadingRecord;

namespace vandrel::host {

inline constexpr int32_t kMaterialParameterCount = 27;

// A material ("shader info") with one value per parameter of the plug-in's descriptor.
int32_t CreateMaterial();
void SetTextParameter(int32_t material, int32_t index, const std::string& text);
void SetFloatParameter(int32_t material, int32_t index, const std::array<float, 3>& values);
void SetByteParameter(int32_t material, int32_t index, uint8_t value);
void DestroyMaterials();

using Matrix3x4 = std::array<float, 12>;  // row-major, the last column the translation

struct Node {
    Matrix3x4 transform{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    std::array<float, 3> location{};
    std::array<float, 3> rotation{};  // degrees
    std::array<float, 3> size{1, 1, 1};
    std::array<float, 3> axesPosition{};
    std::array<float, 9> axesOrientation{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::array<float, 6> box{-1, -1, -1, 1, 1, 1};
    int32_t units = 2;  // metre
};
int32_t CreateNode(const Node& node);
void DestroyNodes();
// Number of hxGNodeGetTransform calls so far (tests check that it is fetched once per material).
int64_t TransformFetches();

struct Animation {
    float activeTime = 0;
    float playStart = 0;
    float playEnd = 100;
    float frameRate = 30;
};
void SetAnimation(const Animation& animation);

void SetVersion(int32_t version);  // 430 unless set
void SetDataFolder(const std::string& folder);

// The sample the calling rendering thread is shading: the host operations that work "at the current
// sample" (normals from samples, lighting, texture sampling) read it. Null when none.
void SetCurrentSample(const hxShadingRecord* record);
const hxShadingRecord* CurrentSample();
// Changes with every SetCurrentSample on the calling thread: what was worked out for one sample is
// good while it stays the same.
uint64_t CurrentSampleSerial();

// The material the calling rendering thread is shading (0 when none), so that what the plug-in
// reports meanwhile can be put down to it.
void SetCurrentMaterial(int32_t material);
int32_t CurrentMaterial();

// The plug-in's messages (hxShowMessage, hxAskQuestion). Without a listener each distinct text is
// printed once per run to stderr as "error: TEXT" (error icon) or "warning: TEXT", and questions
// are answered No. A listener is told instead, on the thread that shows the message and with no
// lock held; for a question it gives the answer. An empty function removes it; the previous one
// is returned.
enum class MessageKind { kError, kWarning, kQuestion };
using MessageListener = std::function<bool(MessageKind kind, std::string_view text)>;
MessageListener SetMessageListener(MessageListener listener);

// The shader handles passed to hxShaderUpdate, in order; Take empties the list.
std::vector<int32_t> TakeShaderUpdates();

// Told of every hxShaderUpdate after it is recorded, on the thread that called it, with no lock
// held (so it may call the host again). An empty function removes it; the previous one is returned.
using ShaderUpdateListener = std::function<void(int32_t shaderHandle)>;
ShaderUpdateListener SetShaderUpdateListener(ShaderUpdateListener listener);

}  // namespace vandrel::host

#include "core/instance.h"

#include <unistd.h>

#include <cstring>

#include "core/context.h"
#include "core/messages.h"
#include "core/root.h"
#include "core/shader_cache.h"
#include "core/shader_file.h"
#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

constexpr int32_t kMaskHeight = 1;
constexpr int32_t kMaskShared = 15;

TXRCRoot* RootOf(TXRTree& tree) {
    return tree.RootEntry != nullptr ? dynamic_cast<TXRCRoot*>(tree.RootEntry->Component.get())
                                     : nullptr;
}

std::string TextParameter(int32_t info, int32_t index) {
    const void* data = hxParameterValueGetData(hxShaderInfoGetParameterValue(info, index));
    return data != nullptr ? std::string(static_cast<const char*>(data)) : std::string();
}

float* World(TThreadRecord& r) { return r.Variables.data() + kWorldFloat; }

// The displacement protocol's samplers, called back by the host.
double UVSampler(double u, double v, void* data) {
    auto* instance = static_cast<TShaderInstance*>(data);
    const int32_t n = instance->UVSampleCount;
    if (n == 0) {
        instance->UVSamples[0] = {static_cast<float>(u), static_cast<float>(v)};
    } else if (n < 3) {
        const auto& base = instance->UVSamples[0];
        instance->UVSamples[static_cast<size_t>(n)] = {
            static_cast<float>(base[0] + (u - base[0]) * 0.001),
            static_cast<float>(base[1] + (v - base[1]) * 0.001)};
    }
    if (n < 3) instance->UVSampleCount = n + 1;
    return 0.0;
}

float HeightSampler(const float* point, void* data) {
    auto* instance = static_cast<TShaderInstance*>(data);
    TThreadRecord& r = *instance->Record;
    // Calls pair with the UV samples 2, 1, 0; a host calling more often keeps the base sample.
    const int32_t n = instance->UVSampleCount;
    const auto& uv = instance->UVSamples[static_cast<size_t>(n >= 0 && n <= 2 ? 2 - n : 0)];
    float* vars = r.Variables.data();
    vars[kUVFloat] = uv[0];
    vars[kUVFloat + 1] = uv[1];
    float* world = World(r);
    std::memcpy(world, point, 3 * sizeof(float));
    // A height pass runs the displacement alone, around the sample and with the sampler's UV: no
    // other output type at this position may reuse it.
    instance->LastWorld = kNoWorldPosition;
    float* object = VariableAddress(&r, kVarObject);
    const auto& inverse = instance->InverseTransforms[static_cast<size_t>(instance->CurrentInfo)];
    if (inverse) {
        hxTransformVect3f(object, point, inverse->data());
    } else {
        std::memcpy(object, point, 3 * sizeof(float));
    }
    instance->Tree.Evaluate(kMaskHeight);
    ++instance->UVSampleCount;
    return instance->Root != nullptr ? static_cast<float>(instance->Root->Displacement()) : 0.0f;
}

// Shows the message; a report that fails for want of memory is dropped.
void Report(std::string_view text) noexcept {
    try {
        ShowError(text);
    } catch (...) {
    }
}

void CopyOut(float* target, const float* source, int floats) {
    std::memcpy(target, source, sizeof(float) * static_cast<size_t>(floats));
}

}  // namespace

TThreadRecord::TThreadRecord() = default;
TThreadRecord::~TThreadRecord() = default;

uint32_t CurrentThreadId() { return static_cast<uint32_t>(gettid()); }

TShaderInstance::TShaderInstance(TThreadRecord& record, std::string name)
    : Record(&record), Name(std::move(name)) {
    Tree.Context = Record;
    Tree.Instance = this;
}

bool BuildShaderTree(TXRTree& tree, const TSharedShader& shader) {
    const std::optional<TTreeSection>& section = shader.Section;
    std::string_view problem;
    if (!section) {
        problem = kNoTreeMessage;
    } else if (!section->Complete) {
        problem = section->Fault == TTreeFault::kNotHex ? kNotHexMessage : kCutShortMessage;
    } else if (section->Entries.empty()) {
        problem = kNoComponentsMessage;
    }
    if (!problem.empty()) {
        tree.Clear();
        ShowError(problem);
        return false;
    }
    return tree.BuildFromStream(shader.File.stream, &*section);
}

void TShaderInstance::Build() {
    try {
        const std::shared_ptr<const TSharedShader> shader = ShaderFileCache().Get(Name);
        Built = BuildShaderTree(Tree, *shader);
    } catch (const std::exception&) {
        // Out of memory (or of locks): what was built goes, the shader renders as none.
        Tree.Clear();
        Built = false;
        Report(kOutOfMemoryMessage);
    }
    Root = Built ? RootOf(Tree) : nullptr;
    DisplacementMode = Root != nullptr ? Root->DisplacementMode() : 0;
}

int32_t TShaderInstance::IndexOfInfo(int32_t info) const {
    for (size_t i = 0; i < Infos.size(); ++i) {
        if (Infos[i] == info) return static_cast<int32_t>(i);
    }
    return -1;
}

void TShaderInstance::AddInfo(int32_t info) {
    TMaterialParameters parameters;
    for (int32_t t = 0; t < kTriggerCount; ++t) {
        const void* data = hxParameterValueGetData(
            hxShaderInfoGetParameterValue(info, kFirstTriggerParameter + t));
        if (data != nullptr) std::memcpy(&parameters.Triggers[3 * t], data, 3 * sizeof(float));
    }
    std::array<TMediaHandle, kFileSlots> handles{};
    for (int32_t f = 0; f < kFileSlots; ++f) {
        parameters.Files[f] = TextParameter(info, kFirstFileParameter + f);
        // Empty, or kind "N" ("N:*.*"): no file chosen.
        if (parameters.Files[f].empty() || parameters.Files[f][0] == 'N') continue;
        handles[f] = PluginMediaCache().Open(parameters.Files[f]);
        if (handles[f].Empty()) {
            Report(std::string(kUnusableFileMessage) + " \"" + parameters.Files[f] + "\".");
        }
    }
    // Room first, so that the four parallel lists grow together or not at all.
    Infos.reserve(Infos.size() + 1);
    Parameters.reserve(Parameters.size() + 1);
    FileHandles.reserve(FileHandles.size() + 1);
    InverseTransforms.reserve(InverseTransforms.size() + 1);
    Infos.push_back(info);
    Parameters.push_back(std::move(parameters));
    FileHandles.push_back(handles);
    InverseTransforms.emplace_back();
}

TMediaHandle TShaderInstance::FileHandle(int32_t file) const {
    if (file < 0 || file >= kFileSlots || CurrentInfo < 0 ||
        static_cast<size_t>(CurrentInfo) >= FileHandles.size()) {
        return {};
    }
    return FileHandles[static_cast<size_t>(CurrentInfo)][static_cast<size_t>(file)];
}

namespace {

struct TRecordCache {
    const TRecordRegistry* registry = nullptr;
    uint64_t generation = 0;
    TThreadRecord* record = nullptr;
};
// Read on every sample: the initial-exec model spares the __tls_get_addr call that a library
// opened with dlopen otherwise makes (the cache is small enough for the static TLS reserve).
thread_local TRecordCache tRecordCache __attribute__((tls_model("initial-exec")));

}  // namespace

TThreadRecord& TRecordRegistry::RecordForThisThread() {
    TRecordCache& cache = tRecordCache;
    if (cache.registry == this && cache.generation == generation_.load(std::memory_order_acquire)) {
        return *cache.record;
    }
    return FindRecordForThisThread();
}

TThreadRecord& TRecordRegistry::FindRecordForThisThread() {
    TRecordCache& cache = tRecordCache;
    const uint32_t id = CurrentThreadId();
    std::lock_guard lock(mutex_);
    TThreadRecord* found = nullptr;
    for (const auto& r : records_) {
        if (r->ThreadId == id) found = r.get();
    }
    if (found == nullptr) {
        auto record = std::make_unique<TThreadRecord>();
        record->ThreadId = id;
        float* vars = record->Variables.data();
        vars[kFrameIndex] = hxAnimGetActiveTime();
        hxAnimGetPlayRanges(&vars[kStartFrameIndex], &vars[kEndFrameIndex]);
        vars[kFrameRateIndex] = hxAnimGetBaseFramerate();
        found = record.get();
        records_.push_back(std::move(record));
    }
    cache = {this, generation_.load(std::memory_order_relaxed), found};
    return *found;
}

void TRecordRegistry::ClearAll() {
    {
        std::lock_guard lock(mutex_);
        generation_.fetch_add(1, std::memory_order_acq_rel);
        records_.clear();
    }
    ShaderFileCache().Clear();
}

size_t TRecordRegistry::RecordCount() {
    std::lock_guard lock(mutex_);
    return records_.size();
}

TRecordRegistry& Registry() {
    static TRecordRegistry registry;
    return registry;
}

TShaderInstance* FindOrCreateInstance(TThreadRecord& record, std::string_view name, int32_t info) {
    for (const auto& instance : record.Instances) {
        if (instance->Name == name) {
            if (instance->IndexOfInfo(info) < 0) instance->AddInfo(info);
            return instance.get();
        }
    }
    // Kept before it is built: a shader that cannot be built stays a failed instance, not one
    // that every sample tries to build again.
    record.Instances.push_back(std::make_unique<TShaderInstance>(record, std::string(name)));
    TShaderInstance* instance = record.Instances.back().get();
    instance->Build();
    instance->AddInfo(info);
    return instance;
}

namespace {

// Inlined into Shade, which runs it for every sample.
[[gnu::always_inline]] inline bool EvaluateSample(TThreadRecord& r, int32_t t, int32_t info) {
    if (t < 0 || t >= kOutputTypeCount) return false;
    TShaderInstance* i = r.Current[static_cast<size_t>(t)];
    if (i == nullptr || !i->Built) return false;
    // The material shaded last is the usual one: check it before searching.
    const int32_t position = i->CurrentInfo >= 0 &&
                                     static_cast<size_t>(i->CurrentInfo) < i->Infos.size() &&
                                     i->Infos[static_cast<size_t>(i->CurrentInfo)] == info
                                 ? i->CurrentInfo
                                 : i->IndexOfInfo(info);
    if (position < 0) return false;
    i->CurrentInfo = position;
    // The trigger values are the material's; most samples find them in place already.
    if (r.TriggersOf != i || r.TriggersPosition != position) {
        std::memcpy(r.Variables.data() + kTriggerAreaIndex,
                    i->Parameters[static_cast<size_t>(position)].Triggers.data(),
                    sizeof(float) * 3 * kTriggerCount);
        r.TriggersOf = i;
        r.TriggersPosition = position;
    }
    TXRCRoot* root = i->Root;
    float* world = World(r);
    // EvaluationMode on: the first output type asked for at a world position runs the whole tree,
    // the others at that position the root alone.
    const auto shared = [&] {
        if (std::memcmp(world, i->LastWorld.data(), 3 * sizeof(float)) == 0) {
            root->Evaluate(true);
        } else {
            i->Tree.EvaluateInEnvironment(kMaskShared);
            std::memcpy(i->LastWorld.data(), world, 3 * sizeof(float));
        }
    };
    const bool sharing = root != nullptr && root->EvaluationMode() != 0;
    if (t != kDisplacement) {
        if (sharing) {
            shared();
        } else {
            i->Tree.EvaluateInEnvironment(OutputTypeMask(t));
        }
        return true;
    }
    if (root == nullptr || root->DisplacementMode() == 0) {
        if (sharing) {
            shared();
        } else {
            i->Tree.EvaluateInEnvironment(kMaskHeight);
            std::memcpy(i->LastWorld.data(), world, 3 * sizeof(float));
        }
        return true;
    }
    // Height mode: the host samples the tree three times around the point and derives the normal.
    auto& inverse = i->InverseTransforms[static_cast<size_t>(position)];
    int32_t node = 0;
    std::memcpy(&node, &r.Variables[kNodeHandleWord], sizeof node);
    if (!inverse && node != 0) {
        TTransform transform{};
        if (hxGNodeGetTransform(node, transform.data()) != 0) {
            TTransform inverted{};
            hxInvertMx3f(inverted.data(), transform.data());
            inverse = inverted;
        }
    }
    float* normal = VariableAddress(&r, kVarSNorm);
    const float* uv = VariableAddress(&r, kVarUV);
    i->UVSampleCount = 0;
    hsCalculateNormal2D(normal, uv[0], uv[1], &UVSampler, i);
    i->UVSampleCount = 0;
    const std::array<float, 3> point = {world[0], world[1], world[2]};
    hsCalculateNormal3D(normal, point.data(), &HeightSampler, i);
    return true;
}

}  // namespace

bool EvaluateForOutputType(TThreadRecord& r, int32_t t, int32_t info) {
    return EvaluateSample(r, t, info);
}

void Shade(TRecordRegistry& registry, int32_t t, int32_t info, hxShadingRecord* h) {
    if (h == nullptr || t < 0 || t >= kOutputTypeCount) return;
    // First: reading the control register waits for the host's arithmetic in flight, and the
    // record lookup and copy below can overlap that wait.
    EnsureFloatEnvironment();
    TThreadRecord& r = registry.RecordForThisThread();
    const auto slot = static_cast<size_t>(t);
    if (r.LastInfo[slot] != info || r.Current[slot] == nullptr) {
        // Cleared first: should finding or creating fail, no other material's instance stays.
        r.Current[slot] = nullptr;
        r.LastInfo[slot] = info;
        r.Current[slot] = FindOrCreateInstance(r, TextParameter(info, kDataParameter), info);
    }
    static_assert(sizeof(hxShadingRecord) == kHostBlockWords * sizeof(float));
    std::memcpy(r.Variables.data(), h, sizeof(hxShadingRecord));
    // The host has just stored the point float by float, and the copy's wide loads of it wait
    // until those stores reach the cache. Stored again from float loads, the point that most
    // trees start from comes straight from the host's stores.
    for (int k = 0; k < 3; ++k) r.Variables[kWorldFloat + k] = h->worldPoint[k];
    r.Variables[kSrfRevIndex] = h->reversed != 0 ? 1.0f : 0.0f;
    if (!EvaluateSample(r, t, info)) return;
    const float* vars = r.Variables.data();
    switch (t) {
        case kColor:
        case kReflectance:
            CopyOut(h->colorOut, vars + kColorOutFloat, 3);
            break;
        case kTransparency:
            h->alpha = vars[kAlphaFloat];
            CopyOut(h->filterOut, vars + kTrOutFloat, 3);
            break;
        default:
            CopyOut(h->shadingNormal, vars + kSNormFloat, 3);
            break;
    }
}

}  // namespace vandrel

// Shader instances and per-thread evaluation.
//
// Every rendering thread gets its own evaluation record and, inside it, its own shader instances,
// each with its own tree; so no tree, output or variable is shared between threads and evaluation
// takes no lock. The registry of records is the only shared structure: each thread keeps a cached
// pointer to its record, validated by the registry's render generation, so the per-sample path
// does not touch the registry's lock after a thread's first sample of a render.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/media/media_cache.h"
#include "core/thread_record.h"
#include "core/tree.h"

struct hxShadingRecord;

namespace vandrel {
class TXRCRoot;
}

namespace vandrel {

inline constexpr int32_t kFileSlots = 5;
inline constexpr int32_t kDataParameter = 0;
inline constexpr int32_t kFirstTriggerParameter = 2;
inline constexpr int32_t kFirstFileParameter = 22;

// One material's exposed values, as read from the host.
struct TMaterialParameters {
    std::array<float, 3 * kTriggerCount> Triggers{};
    std::array<std::string, kFileSlots> Files;
};

using TTransform = std::array<float, 12>;  // the host's 3 x 4 node transform

// A world position no sample has: LastWorld holds it until a pass of the whole tree has run.
inline constexpr std::array<float, 3> kNoWorldPosition = {0.0f, 10000000.0f, -10000000.0f};

class TShaderInstance {
  public:
    TShaderInstance(TThreadRecord& record, std::string name);
    TShaderInstance(const TShaderInstance&) = delete;
    TShaderInstance& operator=(const TShaderInstance&) = delete;

    // Fields, in declaration order; the lists Infos … Parameters are parallel.
    TThreadRecord* Record;
    std::vector<int32_t> Infos;
    int32_t CurrentInfo = 0;
    std::vector<std::array<TMediaHandle, kFileSlots>> FileHandles;
    std::vector<std::optional<TTransform>> InverseTransforms;
    std::string Name;
    TXRTree Tree;
    int32_t DisplacementMode = 0;
    int32_t UVSampleCount = 0;
    std::array<std::array<float, 2>, 3> UVSamples{};
    std::vector<TMaterialParameters> Parameters;
    // Where the last pass of the whole tree ran, with EvaluationMode on.
    std::array<float, 3> LastWorld = kNoWorldPosition;

    // False when the tree could not be built: the instance then behaves as no instance.
    bool Built = false;
    // The tree's result component when it is a root, found once at build time.
    TXRCRoot* Root = nullptr;

    // Builds the tree from the shader file, read once per render for all threads (falling back to
    // the default stream). Never throws: a tree that cannot be built, for want of memory too, is
    // reported and leaves Built false.
    void Build();
    // Reads the material's trigger values and file texts from the host and opens the files; a
    // file that cannot be used is reported. All or nothing: when it throws (out of memory) the
    // material is not added.
    void AddInfo(int32_t info);
    // Position of info in Infos; -1 when absent.
    int32_t IndexOfInfo(int32_t info) const;
    // The handle of exposed file `file` of the material being shaded; empty outside 0 … 4.
    TMediaHandle FileHandle(int32_t file) const;
};

struct TSharedShader;

// What the plug-in reports when a shader cannot be rendered or an exposed file cannot be used
// (shown once per text; the factory reports unknown type ids itself).
inline constexpr std::string_view kNoTreeMessage =
    "Invalid bytecode: the shader does not begin with \"XR\".";
inline constexpr std::string_view kCutShortMessage =
    "Invalid bytecode: the shader's tree ends too early.";
inline constexpr std::string_view kNotHexMessage =
    "Invalid bytecode: a field of the shader's tree holds a character other than 0-9 and A-F.";
inline constexpr std::string_view kNoComponentsMessage =
    "Invalid bytecode: the shader's tree has no components.";
inline constexpr std::string_view kOutOfMemoryMessage = "Not enough memory to build the shader.";
inline constexpr std::string_view kShadeFailedMessage = "Not enough memory to shade the sample.";
// Followed by the file reference in quotes and ".".
inline constexpr std::string_view kUnusableFileMessage = "Unable to open the file";

// Builds a render tree from a shared shader file; false, after reporting why through Messages,
// when the tree must not be evaluated.
bool BuildShaderTree(TXRTree& tree, const TSharedShader& shader);

// The process-wide list of evaluation records.
class TRecordRegistry {
  public:
    // The calling thread's record, created on first use.
    TThreadRecord& RecordForThisThread();
    // Destroys every record with its instances and trees; cached pointers become stale. The
    // shader files the instances shared are let go too (ShaderFileCache()).
    void ClearAll();
    size_t RecordCount();

  private:
    // The first sample of a thread, or the first after ClearAll.
    [[gnu::noinline]] TThreadRecord& FindRecordForThisThread();

    std::mutex mutex_;
    std::vector<std::unique_ptr<TThreadRecord>> records_;
    std::atomic<uint64_t> generation_{1};
};

TRecordRegistry& Registry();

// Finds the record's instance of this shader or creates it, and adds the material to it.
TShaderInstance* FindOrCreateInstance(TThreadRecord& record, std::string_view name, int32_t info);

// One sample for output type t: the work behind the shading callbacks.
void Shade(TRecordRegistry& registry, int32_t outputType, int32_t info, hxShadingRecord* host);
// False when the output type has no usable instance: the host record is then left untouched.
// The caller has made sure of the floating-point environment.
bool EvaluateForOutputType(TThreadRecord& record, int32_t outputType, int32_t info);

// The operating system's identifier of the calling thread.
uint32_t CurrentThreadId();

}  // namespace vandrel

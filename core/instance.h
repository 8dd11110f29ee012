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

#include "components/media/media_cache.h"
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

    // Loads the shader file (falling back to the default stream) and builds the tree.
    void Build();
    // Reads the material's trigger values and file texts from the host and opens the files.
    void AddInfo(int32_t info);
    // Position of info in Infos; -1 when absent.
    int32_t IndexOfInfo(int32_t info) const;
    // The handle of exposed file `file` of the material being shaded; empty outside 0 … 4.
    TMediaHandle FileHandle(int32_t file) const;
};

// The process-wide list of evaluation records.
class TRecordRegistry {
  public:
    // The calling thread's record, created on first use.
    TThreadRecord& RecordForThisThread();
    // Destroys every record with its instances and trees; cached pointers become stale.
    void ClearAll();
    size_t RecordCount();

  private:
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
bool EvaluateForOutputType(TThreadRecord& record, int32_t outputType, int32_t info);

// The operating system's identifier of the calling thread.
uint32_t CurrentThreadId();

}  // namespace vandrel

// The shader files of one render, each read and its tree section parsed once, then shared
// read-only by every rendering thread that builds a tree from it (each thread still builds its own
// tree). Filled under a lock when a thread creates an instance, never on the per-sample path, and
// emptied with the evaluation records at the end of the render (TRecordRegistry::ClearAll), so
// that the next render reads the files afresh.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/shader_file.h"
#include "core/tree_section.h"

namespace vandrel {

struct TSharedShader {
    TLoadedShader File;                   // the stream, or the default stream, and why
    std::optional<TTreeSection> Section;  // its tree section; none without "XR"
};

// Loads and parses a stream as it would be shared.
std::shared_ptr<const TSharedShader> ShareShader(TLoadedShader file);

class TShaderFileCache {
  public:
    // The shader file by this name along the published search path (LoadShaderFile), read on
    // first use. Names that resolve to the same file share one entry. Safe from any thread; two
    // threads asking for the same file wait for one read, other files are read meanwhile.
    std::shared_ptr<const TSharedShader> Get(std::string_view name);
    void Clear();
    size_t Size();

  private:
    struct TSlot {
        std::mutex mutex;
        std::shared_ptr<const TSharedShader> shader;
    };
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<TSlot>, std::less<>> slots_;
};

// The plug-in's one cache.
TShaderFileCache& ShaderFileCache();

}  // namespace vandrel

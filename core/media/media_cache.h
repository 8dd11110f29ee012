// The media cache: the exposed files of all shaders, loaded for the length of a render.
//
// A file reference is a text: the kind letter "T" (texture), "B" (bump map), "I" (image) or "A"
// (audio), a separator, then the path from the third character on. The path resolves as shader
// file names do: an existing file at the path itself, else its file-name part along the search
// path. Anything else (a shorter text, another letter, no such file, a file the host or the WAV
// reader refuses) gives an empty handle.
//
// Open returns a TMediaHandle: `host` is the host's texture, bump or image handle (0 = none) for
// "T", "B" and "I", `audio` the audio record (null = none) for "A"; the other member is always
// empty. Host handles are shared: every Open of the same reference text returns the same handle
// until ReleaseAll. Every Open of an "A" reference opens the file again with a record of its own,
// so a record serves the one thread whose instance opened it, which reads it with
// `audio->ReadSample(offset)` without any lookup or lock. The decoded data of a file (for the
// window modes) is made once and shared by all the records of that file.
//
// Open and ReleaseAll may be called from any thread; they serialise on one mutex. ReleaseAll
// destroys every host handle once, through the destroy operation of its kind, closes every audio
// file and frees its buffer; the handles it gave out are dead afterwards, so it runs only when no
// thread evaluates (at the end of a render).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "core/media/wav_file.h"
#include "core/search_path.h"

namespace vandrel {

struct TMediaHandle {
    int32_t host = 0;             // "T", "B", "I": the host's handle; 0 = none
    TAudioFile* audio = nullptr;  // "A": the audio record, owned by the cache; null = none

    bool Empty() const { return host == 0 && audio == nullptr; }
};
static_assert(std::is_trivially_copyable_v<TMediaHandle> && sizeof(TMediaHandle) <= 16);

// The mode passed to the host's texture read.
inline constexpr int32_t kTextureReadMode = 3;

// The host's file operations the cache calls; tests substitute recording ones.
struct THostFileOperations {
    int32_t (*textureRead)(const char* path, int32_t mode);
    int32_t (*bumpRead)(const char* path);
    int32_t (*imageRead)(const char* path);
    void (*textureDestroy)(int32_t texture);
    void (*bumpDestroy)(int32_t bump);
    void (*imageDestroy)(int32_t image);
};

// hsTextureRead, hsBumpRead, hsImageRead and their destroy operations.
THostFileOperations HostApiFileOperations();

class TMediaCache {
  public:
    explicit TMediaCache(THostFileOperations host = HostApiFileOperations());
    ~TMediaCache();  // releases all
    TMediaCache(const TMediaCache&) = delete;
    TMediaCache& operator=(const TMediaCache&) = delete;

    // Along the published search path (CurrentSearchPath()).
    TMediaHandle Open(std::string_view reference);
    TMediaHandle Open(std::string_view reference, const TSearchPath& searchPath);

    void ReleaseAll();

    // What the cache holds now.
    size_t HostHandleCount() const;
    size_t AudioRecordCount() const;

  private:
    struct THostEntry {
        int32_t handle;
        char kind;
    };

    THostFileOperations host_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, THostEntry> hostEntries_;
    std::vector<std::unique_ptr<TAudioFile>> audioRecords_;
    TAudioWindowCache audioWindows_;
};

// The plug-in's one cache, shared by all shaders and rendering threads.
TMediaCache& PluginMediaCache();

}  // namespace vandrel

#include "core/media/media_cache.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "hostapi/hostapi.h"

namespace vandrel {
namespace {

bool IsHostKind(char kind) { return kind == 'T' || kind == 'B' || kind == 'I'; }

}  // namespace

THostFileOperations HostApiFileOperations() {
    return {hsTextureRead,    hsBumpRead,    hsImageRead,
            hsTextureDestroy, hsBumpDestroy, hsImageDestroy};
}

TMediaCache::TMediaCache(THostFileOperations host) : host_(host) {}

TMediaCache::~TMediaCache() { ReleaseAll(); }

TMediaHandle TMediaCache::Open(std::string_view reference) {
    try {
        return Open(reference, *CurrentSearchPath());
    } catch (...) {
        return {};  // the path's lock could not be taken
    }
}

TMediaHandle TMediaCache::Open(std::string_view reference, const TSearchPath& searchPath) {
    if (reference.size() < 3) return {};
    const char kind = reference[0];
    const std::string_view name = reference.substr(2);
    try {
        if (kind == 'A') {
            // Read outside the lock: a record is never shared, so two opens need not wait.
            const std::optional<std::filesystem::path> path = ResolveFileName(name, searchPath);
            if (!path) return {};
            std::unique_ptr<TAudioFile> record = TAudioFile::Open(*path, &audioWindows_);
            if (!record) return {};
            TAudioFile* const audio = record.get();
            std::lock_guard lock(mutex_);
            audioRecords_.push_back(std::move(record));
            return TMediaHandle{0, audio};
        }
        if (!IsHostKind(kind)) return {};

        // The read stays under the lock so that threads opening the same file at once load it
        // once and share the handle.
        std::string key(reference);
        std::lock_guard lock(mutex_);
        if (const auto found = hostEntries_.find(key); found != hostEntries_.end()) {
            return TMediaHandle{found->second.handle, nullptr};
        }
        const std::optional<std::filesystem::path> path = ResolveFileName(name, searchPath);
        if (!path) return {};
        const std::string file = path->string();
        const int32_t handle = kind == 'T'   ? host_.textureRead(file.c_str(), kTextureReadMode)
                               : kind == 'B' ? host_.bumpRead(file.c_str())
                                             : host_.imageRead(file.c_str());
        if (handle == 0) return {};
        try {
            hostEntries_.emplace(std::move(key), THostEntry{handle, kind});
        } catch (...) {
            // Not kept, so nobody would destroy it.
            (kind == 'T'   ? host_.textureDestroy
             : kind == 'B' ? host_.bumpDestroy
                           : host_.imageDestroy)(handle);
            return {};
        }
        return TMediaHandle{handle, nullptr};
    } catch (...) {
        return {};
    }
}

void TMediaCache::ReleaseAll() {
    std::unordered_map<std::string, THostEntry> entries;
    std::vector<std::unique_ptr<TAudioFile>> records;
    {
        std::lock_guard lock(mutex_);
        entries.swap(hostEntries_);
        records.swap(audioRecords_);
    }
    for (const auto& [reference, entry] : entries) {
        switch (entry.kind) {
            case 'T':
                host_.textureDestroy(entry.handle);
                break;
            case 'B':
                host_.bumpDestroy(entry.handle);
                break;
            default:
                host_.imageDestroy(entry.handle);
                break;
        }
    }
    // The records close their files and free their buffers as they go.
}

size_t TMediaCache::HostHandleCount() const {
    std::lock_guard lock(mutex_);
    return hostEntries_.size();
}

size_t TMediaCache::AudioRecordCount() const {
    std::lock_guard lock(mutex_);
    return audioRecords_.size();
}

TMediaCache& PluginMediaCache() {
    // An object, not a leaked pointer: the plug-in may be unloaded, and its statics with it. The
    // host's handle tables live as long as the process, so releasing at destruction is safe.
    static TMediaCache cache;
    return cache;
}

}  // namespace vandrel

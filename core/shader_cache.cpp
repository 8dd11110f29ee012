#include "core/shader_cache.h"

#include "core/search_path.h"

namespace vandrel {

std::shared_ptr<const TSharedShader> ShareShader(TLoadedShader file) {
    auto shared = std::make_shared<TSharedShader>();
    shared->File = std::move(file);
    shared->Section = ParseTreeSection(shared->File.stream);
    return shared;
}

std::shared_ptr<const TSharedShader> TShaderFileCache::Get(std::string_view name) {
    // One search-path snapshot for the lookup and the read.
    const std::shared_ptr<const TSearchPath> searchPath = CurrentSearchPath();
    const std::optional<std::filesystem::path> path = ResolveFileName(name, *searchPath);
    const std::string key = path ? path->string() : std::string();
    std::shared_ptr<TSlot> slot;
    {
        const std::lock_guard lock(mutex_);
        auto found = slots_.find(key);
        if (found == slots_.end()) found = slots_.emplace(key, std::make_shared<TSlot>()).first;
        slot = found->second;
    }
    const std::lock_guard lock(slot->mutex);
    if (!slot->shader) {
        slot->shader = ShareShader(path ? LoadShaderFile(key, TSearchPath{})
                                        : LoadShaderFile(name, *searchPath));
    }
    return slot->shader;
}

void TShaderFileCache::Clear() {
    std::map<std::string, std::shared_ptr<TSlot>, std::less<>> slots;
    const std::lock_guard lock(mutex_);
    slots.swap(slots_);
}

size_t TShaderFileCache::Size() {
    const std::lock_guard lock(mutex_);
    return slots_.size();
}

TShaderFileCache& ShaderFileCache() {
    static TShaderFileCache cache;
    return cache;
}

}  // namespace vandrel

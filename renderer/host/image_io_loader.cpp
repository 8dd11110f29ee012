#include "renderer/host/image_io_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

namespace vandrel::host {
namespace {

struct TLoaded {
    const TImageIo* io = nullptr;
    std::string error;
};

TLoaded Load() {
    TLoaded loaded;
    // Next to this library, as the plug-in sits next to the host.
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&ImageIo), &info) == 0 || info.dli_fname == nullptr) {
        loaded.error = "cannot locate the host library";
        return loaded;
    }
    const std::filesystem::path module =
        std::filesystem::path(info.dli_fname).parent_path() / kImageIoModule;
    // Never closed: decoded images and other threads may still use it at exit. Lazy binding
    // spares resolving the functions of some 260 libraries that are never called.
    void* handle = dlopen(module.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        loaded.error = "image support is not available: " + std::string(reason ? reason : "");
        return loaded;
    }
    const auto entry = reinterpret_cast<const TImageIo* (*)()>(dlsym(handle, kImageIoEntry));
    loaded.io = entry != nullptr ? entry() : nullptr;
    if (loaded.io == nullptr) loaded.error = "image support is not available: no entry point";
    return loaded;
}

}  // namespace

const TImageIo* ImageIo(std::string* error) {
    static std::once_flag once;
    static TLoaded* loaded = nullptr;  // never destroyed, for threads still running at exit
    std::call_once(once, [] { loaded = new TLoaded(Load()); });
    if (loaded->io == nullptr && error != nullptr) *error = loaded->error;
    return loaded->io;
}

}  // namespace vandrel::host

#include "host/plugin.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "components/registry.h"
#include "core/context.h"
#include "core/instance.h"
#include "core/language.h"
#include "core/media/media_cache.h"
#include "core/messages.h"
#include "core/search_path.h"
#include "core/shader_cache.h"
#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

constexpr const char* kShaderName = "FSW Vandrel";
constexpr int32_t kParameterCount = 27;
constexpr int32_t kTypeText = 9, kTypeByte = 2, kTypeFloats = 10;
constexpr int32_t kMinimumVersion = 430;

// "Data", "Aux", "00" … "19", "S0" … "S4".
struct ParameterTable {
    std::array<std::string, kParameterCount> names;
    std::array<const char*, kParameterCount> pointers{};
    std::array<int32_t, kParameterCount> types{};
    ParameterTable() {
        names[0] = "Data";
        types[0] = kTypeText;
        names[1] = "Aux";
        types[1] = kTypeByte;
        for (int t = 0; t < 20; ++t) {
            names[2 + t] = {static_cast<char>('0' + t / 10), static_cast<char>('0' + t % 10)};
            types[2 + t] = kTypeFloats;
        }
        for (int f = 0; f < 5; ++f) {
            names[22 + f] = {'S', static_cast<char>('0' + f)};
            types[22 + f] = kTypeText;
        }
        for (int i = 0; i < kParameterCount; ++i) pointers[i] = names[i].c_str();
    }
};

const ParameterTable& Parameters() {
    static const ParameterTable table;
    return table;
}

std::filesystem::path PluginFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&PluginFolder), &info) == 0 || info.dli_fname == nullptr) {
        return std::filesystem::current_path();
    }
    return std::filesystem::absolute(info.dli_fname).parent_path();
}

std::string HostFolder() {
    char buffer[4096];
    const int32_t n = hxGetHostDir(4, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer) : std::string();
}

// A stand-in for the named mutex "FerrowSoftwareVandrel": a file of that name, locked shared while
// the plug-in is loaded, so other processes can tell that one is.
int gLockFile = -1;

void OpenNamedLock() {
    if (gLockFile >= 0) return;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime != nullptr && *runtime != '\0' ? runtime : "/tmp";
    gLockFile =
        ::open((folder + "/FerrowSoftwareVandrel").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (gLockFile >= 0) ::flock(gLockFile, LOCK_SH | LOCK_NB);
}

void CloseNamedLock() {
    if (gLockFile < 0) return;
    ::close(gLockFile);
    gLockFile = -1;
}

// The digit after the first character of "0"d, "1"d or "S"d; -1 when there is none.
int DigitOf(const char* name) { return name[1] >= '0' && name[1] <= '9' ? name[1] - '0' : -1; }

float* TriggerOf(int32_t t, const char* name) {
    const int d = DigitOf(name);
    if (d < 0) return nullptr;
    const int trigger = (name[0] == '1' ? 10 : 0) + d;
    TLocalKeyframes* values = Plugin().Interface.OutputValues(t);
    return values != nullptr ? values->Triggers[static_cast<size_t>(trigger)].data() : nullptr;
}

std::string* FileOf(int32_t t, const char* name) {
    const int d = DigitOf(name);
    TLocalKeyframes* values = Plugin().Interface.OutputValues(t);
    if (d < 0 || d >= static_cast<int>(values->Files.size())) return nullptr;
    return &values->Files[static_cast<size_t>(d)];
}

void DeliverPendingUpdates() {
    TPluginState& p = Plugin();
    for (int32_t t = 0; t < kOutputTypeCount; ++t) {
        if (!p.PendingUpdate[t]) continue;
        p.PendingUpdate[t] = false;
        RequestUpdate(t);
    }
}

template <int32_t T>
void PanelAction(int32_t action) {
    TPluginState& p = Plugin();
    if (p.SkipNextPanelCall[T]) {
        p.SkipNextPanelCall[T] = false;
        return;
    }
    switch (action) {
        case 1:
            if (p.Disabled) {
                CurrentMessages().Show("Vandrel requires host version 4.3 or higher",
                                       MessageIcon::Exclamation, "Vandrel");
                return;
            }
            if (p.Windows != nullptr) p.Windows->OpenPanel(T);
            break;
        case 2:
            if (p.Windows != nullptr) p.Windows->ClosePanel(T);
            break;
        case 4:
            if (p.Windows != nullptr) p.Windows->RefreshPanel(T);
            break;
        default:
            break;
    }
}

template <int32_t T>
void* GetParameter(const char* name) {
    if (name == nullptr) return nullptr;
    TPluginState& p = Plugin();
    switch (name[0]) {
        case 'D':
            return p.CurrentShader[T].data();
        case 'A':
            return &p.UpdateCounter;
        case '0':
        case '1':
            return TriggerOf(T, name);
        case 'S': {
            std::string* file = FileOf(T, name);
            return file != nullptr ? file->data() : nullptr;
        }
        default:
            return nullptr;
    }
}

template <int32_t T>
void SetParameter(const char* name, const void* value) {
    if (name == nullptr || value == nullptr) return;
    TPluginState& p = Plugin();
    switch (name[0]) {
        case 'D': {
            const char* text = static_cast<const char*>(value);
            const auto resolved = ResolveFileName(text);
            const std::string file = resolved ? resolved->string() : std::string(text);
            if (strcasecmp(file.c_str(), p.CurrentShader[T].c_str()) != 0) {
                p.CurrentShader[T] = file;
                if (p.Windows != nullptr) p.Windows->ShaderChosen(T);
            }
            return;
        }
        case 'A':
            p.UpdateCounter = static_cast<uint8_t>(*static_cast<const uint8_t*>(value) + 1);
            break;
        case '0':
        case '1':
            if (float* trigger = TriggerOf(T, name)) std::memcpy(trigger, value, 3 * sizeof(float));
            break;
        case 'S':
            if (std::string* file = FileOf(T, name)) *file = static_cast<const char*>(value);
            break;
        default:
            return;
    }
    if (p.Windows != nullptr) p.Windows->ValuesChanged(T);
}

void BeginRender() {
    TPluginState& p = Plugin();
    static bool initialised = false;
    if (!initialised && p.Windows != nullptr) {
        p.Windows->InitialiseOnce();
        initialised = true;
    }
    // The recent folders come with the editor's settings; without windows the path has none.
    const TRecentFolders recent =
        p.Windows != nullptr ? p.Windows->RecentFolders() : TRecentFolders{};
    PublishSearchPath(TSearchPath::Build(HostFolder(), PluginFolder().string(), recent));
    p.Rendering = true;
}

void EndRender() {
    Registry().ClearAll();
    PluginMediaCache().ReleaseAll();
    Plugin().Rendering = false;
    // Every pending request goes out now: a host may end the render through one callback only.
    DeliverPendingUpdates();
}

template <int32_t T>
void ShadeAction(int32_t shaderInfo, hxShadingRecord* record, int32_t callKind) {
    if (Plugin().Disabled) return;
    switch (callKind) {
        case 0:
            BeginRender();
            break;
        case 1:
            EndRender();
            break;
        case 3:
        case 4:
            if (record != nullptr) Shade(Registry(), T, shaderInfo, record);
            break;
        default:
            break;
    }
}

// Nothing may leave a callback into the host: an exception (out of memory, mostly) ends the call
// as if there had been nothing to do, leaves the host's record untouched and is reported (once per
// text).
template <typename Call>
void Guarded(Call call, std::string_view failure) noexcept {
    try {
        call();
    } catch (...) {
        try {
            ShowError(failure);
        } catch (...) {
        }
    }
}

constexpr std::string_view kCallbackFailed = "Not enough memory for the plug-in.";

template <int32_t T>
void PanelCallback(int32_t action) {
    Guarded([&] { PanelAction<T>(action); }, kCallbackFailed);
}

template <int32_t T>
void* GetParameterCallback(const char* name) {
    void* value = nullptr;
    Guarded([&] { value = GetParameter<T>(name); }, kCallbackFailed);
    return value;
}

template <int32_t T>
void SetParameterCallback(const char* name, const void* value) {
    Guarded([&] { SetParameter<T>(name, value); }, kCallbackFailed);
}

template <int32_t T>
void ShadeCallback(int32_t shaderInfo, hxShadingRecord* record, int32_t callKind) {
    Guarded([&] { ShadeAction<T>(shaderInfo, record, callKind); },
            callKind == 3 || callKind == 4 ? kShadeFailedMessage : kCallbackFailed);
}

struct CallbackSet {
    int32_t category;
    int32_t outputType;
    hxPanelCallback panel;
    hxGetParameterCallback get;
    hxSetParameterCallback set;
    hxShadeCallback shade;
};

template <int32_t T>
constexpr CallbackSet Set(int32_t category) {
    return {
        category,         T, &PanelCallback<T>, &GetParameterCallback<T>, &SetParameterCallback<T>,
        &ShadeCallback<T>};
}

// Registration order: colour, transparency, reflectance, displacement.
constexpr CallbackSet kSets[4] = {Set<kColor>(1), Set<kTransparency>(2), Set<kReflectance>(3),
                                  Set<kDisplacement>(4)};

using SetBitmapFunction = void (*)(int32_t, int32_t);

void SetShaderIcon(int32_t handle) {
    const TPluginState& p = Plugin();
    if (p.HostVersion < 500) return;
    static SetBitmapFunction function = [] {
        void* module = dlopen("libhostapi.so", RTLD_NOW | RTLD_NOLOAD);
        void* symbol = module != nullptr ? dlsym(module, "hsCustomShaderSetBitmapID") : nullptr;
        if (module != nullptr) dlclose(module);
        return reinterpret_cast<SetBitmapFunction>(symbol);
    }();
    if (function != nullptr) function(handle, p.HostVersion == 500 ? 100 : 101);
}

}  // namespace

TPluginState& Plugin() {
    static TPluginState state;
    return state;
}

void RequestUpdate(int32_t outputType) {
    if (outputType < 0 || outputType >= kOutputTypeCount) return;
    TPluginState& p = Plugin();
    if (p.Rendering) {
        p.PendingUpdate[outputType] = true;
        return;
    }
    ++p.UpdateCounter;  // 8 bits: wraps at 256
    hxShaderUpdate(p.ShaderHandles[outputType]);
}

}  // namespace vandrel

using namespace vandrel;

namespace {

void Initialize(hxShaderDescriptor* descriptor, int32_t shaderHandle, int32_t* counter) {
    OpenNamedLock();
    TPluginState& p = Plugin();
    if (p.HostVersion < kMinimumVersion) p.Disabled = true;
    std::memset(descriptor, 0, sizeof *descriptor);
    if (*counter >= 0 && *counter < 4) {
        const CallbackSet& set = kSets[*counter];
        descriptor->category = set.category;
        descriptor->panel = set.panel;
        descriptor->getParameter = set.get;
        descriptor->setParameter = set.set;
        descriptor->shade = set.shade;
        p.ShaderHandles[set.outputType] = shaderHandle;
        *counter = *counter == 3 ? -1 : *counter + 1;
    }
    descriptor->name = kShaderName;
    descriptor->one = 1;
    descriptor->two = 2;
    descriptor->parameterCount = kParameterCount;
    descriptor->parameterNames = Parameters().pointers.data();
    descriptor->parameterTypes = Parameters().types.data();
    SetShaderIcon(shaderHandle);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void hxShaderInitialize(
    hxShaderDescriptor* descriptor, int32_t shaderHandle, int32_t* counter) {
    if (descriptor == nullptr || counter == nullptr) return;
    Guarded([&] { Initialize(descriptor, shaderHandle, counter); }, kCallbackFailed);
}

namespace {

void Detach();
void DetachNow();
void AttachNow();

// Process attach and detach. Detach is registered after the globals it releases exist, so it runs
// before they are destroyed, at exit as at unload.
__attribute__((constructor)) void Attach() { Guarded(AttachNow, kCallbackFailed); }

void AttachNow() {
    InstallComponents();
    TPluginState& p = Plugin();
    p.HostVersion = hxGetHostVersionNbrs();
    (void)hxGetMainViewHwnd();  // owner of message boxes: the windows layer asks for it again
    LoadLanguage(PluginFolder() / std::string(kLanguageFileName));
    Registry();
    PluginMediaCache();
    ShaderFileCache();  // before the exit handler, which empties it
    CurrentSearchPath();
    if (VandrelPluginWindows != nullptr) p.Windows = VandrelPluginWindows();
    std::atexit(&Detach);
}

void Detach() { Guarded(DetachNow, kCallbackFailed); }

void DetachNow() {
    TPluginState& p = Plugin();
    for (int32_t t = 0; t < kOutputTypeCount; ++t) {
        if (p.Windows != nullptr) p.Windows->ClosePanel(t);
    }
    if (p.Windows != nullptr) p.Windows->Unloading();
    Registry().ClearAll();
    PluginMediaCache().ReleaseAll();
    ResetLanguage();
    CloseNamedLock();
}

}  // namespace

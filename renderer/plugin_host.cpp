#include "renderer/plugin_host.h"

#include <dlfcn.h>

#include "core/context.h"
#include "core/instance.h"
#include "core/stream_sections.h"
#include "interface/interface_string.h"
#include "renderer/host/host_state.h"

namespace vandrel {

TPluginHost::~TPluginHost() {
    if (library_ != nullptr) dlclose(library_);
}

bool TPluginHost::Load(const std::filesystem::path& plugin, std::string& error) {
    library_ = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "cannot load the plug-in";
        return false;
    }
    auto* initialize =
        reinterpret_cast<hxShaderInitializeFunction>(dlsym(library_, "hxShaderInitialize"));
    if (initialize == nullptr) {
        error = "the plug-in has no hxShaderInitialize";
        return false;
    }
    // Registration order colour, transparency, reflectance, displacement; the counter says when
    // the plug-in has no more shaders.
    int32_t counter = 0;
    for (int32_t handle = 1; counter >= 0 && handle <= 8; ++handle) {
        hxShaderDescriptor descriptor{};
        initialize(&descriptor, handle, &counter);
        const int32_t type = descriptor.category == 1   ? kColor
                             : descriptor.category == 2 ? kTransparency
                             : descriptor.category == 3 ? kReflectance
                             : descriptor.category == 4 ? kDisplacement
                                                        : -1;
        if (type >= 0) shaders_[static_cast<size_t>(type)] = descriptor;
    }
    for (const hxShaderDescriptor& d : shaders_) {
        if (d.shade == nullptr) {
            error = "the plug-in did not register all four shaders";
            return false;
        }
    }
    return true;
}

void TPluginHost::BeginRender() { shaders_[kColor].shade(0, nullptr, 0); }

void TPluginHost::EndRender() {
    for (const hxShaderDescriptor& d : shaders_) d.shade(0, nullptr, 1);
}

void TPluginHost::Shade(int32_t outputType, int32_t material, hxShadingRecord& record) const {
    host::SetCurrentSample(&record);
    host::SetCurrentMaterial(material);
    shaders_[static_cast<size_t>(outputType)].shade(material, &record, 3);
    host::SetCurrentMaterial(0);
    host::SetCurrentSample(nullptr);
}

std::filesystem::path DefaultPluginPath() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::current_path() : exe.parent_path()) / "libvandrel.so";
}

int32_t CreateMaterial(const std::filesystem::path& shader, const TLocalKeyframes& values) {
    const int32_t material = host::CreateMaterial();
    host::SetTextParameter(material, kDataParameter, shader.string());
    for (int32_t t = 0; t < kTriggerCount; ++t) {
        host::SetFloatParameter(material, kFirstTriggerParameter + t, values.Triggers[t]);
    }
    for (int32_t f = 0; f < kFileSlots; ++f) {
        host::SetTextParameter(material, kFirstFileParameter + f, values.Files[f]);
    }
    return material;
}

TLocalKeyframes InterfaceDefaults(const std::string& stream) {
    return DefaultKeyframes(ParseInterfaceString(StreamSection(stream, kInterfaceSection)));
}

}  // namespace vandrel

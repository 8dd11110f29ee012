// Loads the plug-in as a host does: dlopen, the one export, four registrations. Then renders
// through its callbacks: begin of render, shade samples (from any thread), end of render.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "hostapi/hostapi.h"
#include "interface/interface_model.h"

namespace vandrel {

class TPluginHost {
  public:
    TPluginHost() = default;
    TPluginHost(const TPluginHost&) = delete;
    TPluginHost& operator=(const TPluginHost&) = delete;
    ~TPluginHost();

    // False with a readable reason when the library or its export cannot be loaded.
    bool Load(const std::filesystem::path& plugin, std::string& error);
    // Renders through shaders the plug-in has already registered with another host object (the
    // studio's); nothing is unloaded at the end.
    void Adopt(const std::array<hxShaderDescriptor, 4>& shaders) { shaders_ = shaders; }

    // The descriptor registered for an output type (0 Displacement … 3 Reflectance).
    const hxShaderDescriptor& Shader(int32_t outputType) const { return shaders_[outputType]; }

    void BeginRender();
    void EndRender();
    // One sample of a material; the record is the thread's current sample meanwhile.
    void Shade(int32_t outputType, int32_t material, hxShadingRecord& record) const;

  private:
    void* library_ = nullptr;
    std::array<hxShaderDescriptor, 4> shaders_{};
};

// libvandrel.so next to the running executable.
std::filesystem::path DefaultPluginPath();

// A host material for a shader file: "Data", the 20 trigger values and the five file texts.
int32_t CreateMaterial(const std::filesystem::path& shader, const TLocalKeyframes& values);

// The values a shader's interface starts from: its defaults, or all zero and no files.
TLocalKeyframes InterfaceDefaults(const std::string& stream);

}  // namespace vandrel

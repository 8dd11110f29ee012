// A studio material: what the host stores for each of the four slots of a material, the shader
// file ("D"), the 20 trigger values ("00" … "19") and the five file texts ("S0" … "S4"). It moves
// between the plug-in and the studio only through the plug-in's get- and set-parameter callbacks,
// as it does between the plug-in and a host.
//
// Material files are small JSON documents:
//   {"format": "vandrel-material", "version": 1,
//    "slots": {"Color": {"shader": "…", "triggers": [[r, g, b] × 20], "files": ["…" × 5]},
//              "Transparency": {…}, "Reflectance": {…}, "Displacement": {…}}}
// They are untrusted: reading checks every field and reports the first fault in words; a file that
// fails leaves nothing half-applied.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "hostapi/hostapi.h"
#include "interface/interface_model.h"

namespace vandrel::studio {

// The plug-in's four registrations, by output type (0 Displacement … 3 Reflectance).
using TPluginShaders = std::array<hxShaderDescriptor, 4>;

struct TStudioSlot {
    std::string Shader;  // empty: the slot is unused and renders as the host's default
    TLocalKeyframes Values;
    bool operator==(const TStudioSlot&) const = default;
};

using TStudioMaterial = std::array<TStudioSlot, 4>;  // by output type

// "Color", "Transparency", "Reflectance", "Displacement" for output types 2, 1, 3, 0.
std::string_view SlotName(int32_t outputType);

// Reads every slot through the get-parameter callbacks; null answers read as empty values.
TStudioMaterial ReadMaterial(const TPluginShaders& shaders);
// Writes one slot, or all, through the set-parameter callbacks: "D" first, then the values.
void WriteSlot(const TPluginShaders& shaders, int32_t outputType, const TStudioSlot& slot);
void WriteMaterial(const TPluginShaders& shaders, const TStudioMaterial& material);

std::string MaterialJson(const TStudioMaterial& material);
// Nothing, with the reason in error, unless the text is a complete, well-formed material.
std::optional<TStudioMaterial> ParseMaterialJson(std::string_view text, std::string& error);

inline constexpr size_t kMaxMaterialFileBytes = 1 << 20;

// Written whole, through a temporary file renamed over the target.
bool SaveMaterialFile(const std::filesystem::path& path, const TStudioMaterial& material,
                      std::string& error);
std::optional<TStudioMaterial> LoadMaterialFile(const std::filesystem::path& path,
                                                std::string& error);

}  // namespace vandrel::studio

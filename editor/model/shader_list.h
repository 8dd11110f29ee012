// The shader files a manager panel offers for one output type, and the file names it builds.
//
// A folder's list holds every regular "*.xrb" file (extension in any case) whose categories
// section has "T" at the output type's position, or that has no full categories section; a file
// that does not load counts as the default stream, which is meant for all four. Names come without
// their extension, sorted without regard to case (ties in byte order), so the list is the same on
// every run. A folder that does not exist, or cannot be read, gives an empty list.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream_sections.h"

namespace vandrel {

// What New writes into a new shader file: a root and nothing else.
inline constexpr std::string_view kNewShaderStream = kDefaultStream;

// Whether a stream is meant for the output type (0 … 3); false outside that range.
bool StreamServesOutputType(std::string_view stream, int32_t outputType);

std::vector<std::string> ShaderList(const std::filesystem::path& folder, int32_t outputType);

// folder + name + ".xrb"; the folder gets its trailing "/" when it lacks one. An empty name
// gives an empty path (no shader chosen).
std::string ShaderFilePath(std::string_view folder, std::string_view name);

// The list entry of a file: its name without folder and extension, when the file lies in the
// folder (compared without regard to case); empty otherwise.
std::string ShaderNameInFolder(std::string_view folder, std::string_view file);

// Case-insensitive comparison of two file names (ASCII letters only), as the panels use.
bool SameFileName(std::string_view a, std::string_view b);

// Where a shader's information file lies: next to the shader when it is there, else along the
// published search path, else next to the shader all the same. Empty for an empty name; only the
// file-name part of the stored name counts, so a stream cannot point outside those folders.
std::string InformationFilePath(std::string_view shaderFile, std::string_view infoName);

}  // namespace vandrel

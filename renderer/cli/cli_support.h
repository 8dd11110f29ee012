// What the subcommands of `vandrel` share: error reporting, option values, loading the plug-in.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interface/interface_model.h"
#include "renderer/plugin_host.h"

namespace vandrel::cli {

// "vandrel ERROR: "<context>" : <message>" on stderr; commands then return 1.
void PrintError(std::string_view context, std::string_view message);
void PrintWarning(std::string_view context, std::string_view message);

// "a,b,c" into floats; nothing when an item is not a number or the count is outside 1 … max.
std::optional<std::vector<float>> ParseFloats(std::string_view text, size_t max);

// The options that choose a material's values, shared by eval and render.
struct TMaterialOptions {
    std::vector<std::string> triggers;  // N=V[,V,V]
    std::vector<std::string> files;     // N=KIND:PATH
    void Add(CLI::App& command);
    // Applies the options over the shader's interface defaults; false after printing an error.
    bool Apply(TLocalKeyframes& values) const;
};

// Reads a shader file for a command: false after printing an error when it is missing or
// unreadable; warns when its checksum fails (the plug-in then renders the default shader).
bool CheckShaderFile(const std::string& path, std::string& stream);

// Loads libvandrel.so from beside the executable; false after printing an error.
bool LoadPlugin(TPluginHost& host);

// The status main returns: commands set it to 1 on failure.
int& ExitStatus();

void AddCatalogueCommand(CLI::App& app);
void AddEvalCommand(CLI::App& app);
void AddRenderCommand(CLI::App& app);
void AddInfoCommand(CLI::App& app);
void AddStudioCommand(CLI::App& app);

}  // namespace vandrel::cli

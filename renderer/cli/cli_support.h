// What the subcommands of `vandrel` share: error reporting, option values, loading the plug-in.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/shader_file.h"
#include "interface/interface_model.h"
#include "renderer/plugin_host.h"

namespace vandrel::cli {

// "vandrel ERROR: "<context>" : <message>" on stderr; commands then return 1. Line breaks in the
// message become blanks, so that every report is one line, and the rest is PrintableText.
void PrintError(std::string_view context, std::string_view message);
void PrintWarning(std::string_view context, std::string_view message);
void PrintNote(std::string_view context, std::string_view message);

// Text from a file made fit for a terminal: control characters (C0, DEL, C1) and bytes that are not
// UTF-8 become \xHH, so that what a shader file holds cannot drive the terminal; valid UTF-8
// stays as it is.
std::string PrintableText(std::string_view text);

// Turns every message of the plug-in (and of this program's own shader checks) into such a line,
// each distinct line once; an error message makes the command fail (FinalStatus). The context is
// the input that was being used: the innermost TInputScope of the thread, else the shader of the
// material the thread is shading (NameMaterial), else "plug-in".
void ReportMessagesAsLines();
void NameMaterial(int32_t material, std::string input);
class TInputScope {
  public:
    explicit TInputScope(std::string input);
    ~TInputScope();
    TInputScope(const TInputScope&) = delete;
    TInputScope& operator=(const TInputScope&) = delete;

  private:
    std::string input_;
    const std::string* outer_;
};

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

// Reads a shader file for a command. Nothing, after an error line, when there is no such file;
// otherwise what the plug-in will read, after an error line (the command then fails but goes on,
// as the host renders the default shader) when the file cannot be used as it is: unreadable, too
// long or with a wrong checksum. The same words for the same file in every subcommand.
std::optional<TLoadedShader> ReadShaderInput(const std::string& path);

// Builds the shader's tree as a rendering thread would, so that a shader that cannot be built is
// reported (through messages, as the plug-in reports it) without rendering; false then.
bool CheckShaderBuilds(const std::string& path, const TLoadedShader& loaded);

// Loads libvandrel.so from beside the executable; false after printing an error.
bool LoadPlugin(TPluginHost& host);

// The status a command sets: 1 on failure.
int& ExitStatus();
// What main returns: 1 when the command failed or an error was reported, else 0.
int FinalStatus();
// Marks the command failed without ending it.
void MarkFailed();

void AddCatalogueCommand(CLI::App& app);
void AddEvalCommand(CLI::App& app);
void AddRenderCommand(CLI::App& app);
void AddInfoCommand(CLI::App& app);
void AddStudioCommand(CLI::App& app);

}  // namespace vandrel::cli

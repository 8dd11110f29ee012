// What the subcommands of `vandrel` share: error reporting, option values, loading the plug-in.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
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

// The options that set variables of the shading record, shared by eval and bake.
struct TRecordOptions {
    std::vector<std::string> sets;  // VAR=V[,V,V]
    void Add(CLI::App& command);
    // Checks and decodes the options once; false after printing an error.
    bool Parse();
    // Writes the decoded values into a record; allocates nothing, so that it may run per sample.
    void Apply(hxShadingRecord& record) const;

  private:
    struct TSet {
        int index = 0;  // float word of the record
        int count = 0;
        float values[3] = {};
    };
    std::vector<TSet> parsed_;
};

// --type color|transparency|reflectance|displacement, shared by eval and bake; the output type
// (kColor …) of a value it accepted.
void AddTypeOption(CLI::App& command, std::string& type);
int32_t TypeOption(const std::string& type);

// The record `eval` shades before --set: all zero but both normals, which are (0, 0, 1).
hxShadingRecord EvalRecord();

// "W" or "WxH", each side 1 … 16384, at most 2^26 pixels; false after printing an error.
bool ParseImageSize(const std::string& text, int& width, int& height);

// --samples 1 … 4096 and --threads 0 (all cores) … 1024; false after printing an error.
bool CheckSamplesAndThreads(int samples, int threads);

// --frame, --frames, --shard and --skip-existing, shared by render and bake.
struct TFrameOptions {
    std::optional<int> frame;
    std::string frames;  // A-B
    std::string shard;   // K/N
    bool skipExisting = false;
    void Add(CLI::App& command);
};

// The frames a command makes: first … last is the whole range (both the one frame without
// --frames), of which this shard takes every step-th frame from start. 64 bits: the frame after
// the last may lie beyond the 32-bit range.
struct TFramePlan {
    int first = 0, last = 0;
    int64_t start = 0, step = 1;
    bool range = false;  // --frames was given
    bool skipExisting = false;
    std::vector<int64_t> Frames() const;
};

// Checks the options against the output name (a range needs %04d); false after printing an error.
bool PlanFrames(const TFrameOptions& options, const std::string& output, TFramePlan& plan);

// A shard with no frame of the range (more shards than frames) has nothing to do: it says so and
// succeeds, so that a job array wider than the animation does not fail. The status to return.
int NoFramesInShard(const TFrameOptions& options);

// With --skip-existing, the outputs already there: each is complete, since an output only ever
// appears under its final name whole. Report names how many were left alone, once.
class TFrameSkips {
  public:
    bool Skip(const TFramePlan& plan, const std::string& path);
    void Report(const std::string& output) const;

  private:
    int64_t skipped_ = 0;
};

// OUT with its "%04d" replaced by the frame number.
std::string FramePath(const std::string& pattern, int64_t frame);

// The files a command reads (shader files and the files their materials name), which no output
// may replace.
class TOutputGuard {
  public:
    void AddShader(const std::string& shader, const TLocalKeyframes& values);
    void AddInput(const std::string& path) { inputs_.push_back(path); }
    // True, after printing an error, when the path is one of the inputs.
    bool Refuses(const std::string& path) const;

  private:
    std::vector<std::string> inputs_;
};

// A host material for a shader file, named for the messages its shading reports.
int32_t CreateNamedMaterial(const std::string& shader, const TLocalKeyframes& values);

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
void AddBakeCommand(CLI::App& app);
void AddInfoCommand(CLI::App& app);
void AddStudioCommand(CLI::App& app);

}  // namespace vandrel::cli

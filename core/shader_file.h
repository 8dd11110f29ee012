// Shader files: two lines, the shader stream and hex(8) of its checksum.
//
// Loading never fails outright: whatever goes wrong, the result is the default stream, and the
// status says why. Line ends may be LF or CRLF and the last line break may be missing. Only the
// first line (at most kMaxStreamBytes) and the second are read, never the rest of a file. Saving
// writes a temporary file in the target's folder and renames it over the target, so a target is
// either the old file or the whole new one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/search_path.h"

namespace vandrel {

inline constexpr std::string_view kShaderFileExtension = ".xrb";
inline constexpr std::string_view kShaderFileFilter = "Vandrel Bytecode (.xrb)|*.xrb";
inline constexpr std::string_view kComponentFileExtension = ".xrc";
inline constexpr std::string_view kComponentFileFilter = "Vandrel Component (.xrc)|*.xrc";

// Longest stream line a file may have; a longer one loads as the default stream (kTooLong).
inline constexpr size_t kMaxStreamBytes = size_t{64} << 20;

enum class ShaderFileStatus {
    kCurrent,     // the checksum line holds the current checksum
    kOlder,       // it holds the older checksum (sum plus xor)
    kMismatch,    // it holds neither, or is missing: default stream
    kNotFound,    // no file by that name, nor along the search path: default stream
    kUnreadable,  // found but not a readable regular file: default stream
    kTooLong,     // its stream line is longer than kMaxStreamBytes: default stream
};

struct TLoadedShader {
    std::string stream;  // the file's stream, or the default stream
    ShaderFileStatus status = ShaderFileStatus::kNotFound;
    std::filesystem::path path;  // the file that was read; empty when not found
};

// Why a file with this status gives the default stream, in words ("no such shader file" …); empty
// for kCurrent and kOlder. The same words wherever a shader file is reported.
std::string_view ShaderFileProblem(ShaderFileStatus status);

// Resolves the name (an existing file, else its file-name part along the path) and reads it.
TLoadedShader LoadShaderFile(std::string_view name, const TSearchPath& searchPath);
TLoadedShader LoadShaderFile(std::string_view name);  // along the published search path

// Reads the two lines from a file's text; the same rules as LoadShaderFile.
TLoadedShader ReadShaderText(std::string_view text);

struct TSaveResult {
    bool ok = false;
    std::string error;  // a readable reason when not ok
};

// Writes stream, line break, checksum, line break. A stream holding a line break is refused, since
// it would not read back.
TSaveResult SaveShaderFile(const std::filesystem::path& path, std::string_view stream);

// Loads the file and answers whether its editor-source section is empty. A file that does not
// load gives the default stream, which is not protected.
bool IsProtectedShader(std::string_view name, const TSearchPath& searchPath);
bool IsProtectedShader(std::string_view name);

}  // namespace vandrel

#include "core/shader_file.h"

#include <cstdio>
#include <system_error>

#include "core/checksum.h"
#include "core/regular_file.h"
#include "core/stream_codec.h"
#include "core/stream_sections.h"
#include "core/whole_file.h"

namespace vandrel {

namespace {

// "XXXXXXXX" and a CR: a longer second line cannot match, so reading stops there.
constexpr size_t kChecksumLineBytes = 9;
constexpr size_t kBlockBytes = size_t{64} << 10;

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

TLoadedShader DefaultWith(ShaderFileStatus status) {
    return {std::string(kDefaultStream), status, {}};
}

// Reads up to the end of the second line, the cap or the end of the file, whichever comes first.
bool ReadHead(const std::filesystem::path& path, std::string& data) {
    const TFileHandle file = OpenRegularFile(path);
    if (!file) return false;
    size_t scanned = 0;
    size_t firstBreak = std::string::npos;
    for (;;) {
        if (firstBreak == std::string::npos) {
            firstBreak = data.find('\n', scanned);
            scanned = data.size();
            if (firstBreak == std::string::npos && data.size() > kMaxStreamBytes + 1) return true;
        }
        if (firstBreak != std::string::npos) {
            if (data.find('\n', firstBreak + 1) != std::string::npos) return true;
            if (data.size() - firstBreak - 1 > kChecksumLineBytes) return true;
        }
        const size_t old = data.size();
        data.resize(old + kBlockBytes);
        const size_t got = std::fread(data.data() + old, 1, kBlockBytes, file.get());
        data.resize(old + got);
        if (got == 0) return !std::ferror(file.get());
    }
}

}  // namespace

std::string_view ShaderFileProblem(ShaderFileStatus status) {
    switch (status) {
        case ShaderFileStatus::kMismatch:
            return "the checksum does not match: the default shader is used instead";
        case ShaderFileStatus::kNotFound:
            return "no such shader file";
        case ShaderFileStatus::kUnreadable:
            return "cannot read the shader file";
        case ShaderFileStatus::kTooLong:
            return "the shader stream is longer than 64 MiB";
        default:
            return {};
    }
}

TLoadedShader ReadShaderText(std::string_view text) {
    const size_t firstBreak = text.find('\n');
    const std::string_view stream = WithoutCr(text.substr(0, firstBreak));
    if (stream.size() > kMaxStreamBytes) return DefaultWith(ShaderFileStatus::kTooLong);
    if (firstBreak == std::string_view::npos) return DefaultWith(ShaderFileStatus::kMismatch);
    std::string_view rest = text.substr(firstBreak + 1);
    const std::string_view line = WithoutCr(rest.substr(0, rest.find('\n')));

    const TStreamChecksums sums = StreamChecksums(stream);
    std::string current;
    std::string older;
    AppendHex(current, sums.current, 8);
    AppendHex(older, sums.older, 8);
    if (line == current) return {std::string(stream), ShaderFileStatus::kCurrent, {}};
    if (line == older) return {std::string(stream), ShaderFileStatus::kOlder, {}};
    return DefaultWith(ShaderFileStatus::kMismatch);
}

TLoadedShader LoadShaderFile(std::string_view name, const TSearchPath& searchPath) {
    const auto path = ResolveFileName(name, searchPath);
    if (!path) return DefaultWith(ShaderFileStatus::kNotFound);
    std::string data;
    TLoadedShader loaded =
        ReadHead(*path, data) ? ReadShaderText(data) : DefaultWith(ShaderFileStatus::kUnreadable);
    loaded.path = *path;
    return loaded;
}

TLoadedShader LoadShaderFile(std::string_view name) {
    return LoadShaderFile(name, *CurrentSearchPath());
}

TSaveResult SaveShaderFile(const std::filesystem::path& path, std::string_view stream) {
    if (stream.find_first_of("\r\n") != std::string_view::npos) {
        return {false, "the stream holds a line break"};
    }
    if (path.empty() || !path.has_filename()) return {false, "no file name"};

    std::string text;
    text.reserve(stream.size() + 10);
    text += stream;
    text += '\n';
    text += ChecksumLine(stream);
    text += '\n';

    std::string error;
    if (!WriteWholeFile(path, text, error)) return {false, error};
    return {true, {}};
}

bool IsProtectedShader(std::string_view name, const TSearchPath& searchPath) {
    return StreamSection(LoadShaderFile(name, searchPath).stream, kEditorSourceSection).empty();
}

bool IsProtectedShader(std::string_view name) {
    return IsProtectedShader(name, *CurrentSearchPath());
}

}  // namespace vandrel

#include "renderer/cli/cli_support.h"

#include <charconv>
#include <cstdio>
#include <fstream>

#include "core/search_path.h"
#include "core/shader_file.h"

namespace vandrel::cli {

void PrintError(std::string_view context, std::string_view message) {
    std::fprintf(stderr, "vandrel ERROR: \"%.*s\" : %.*s\n", static_cast<int>(context.size()),
                 context.data(), static_cast<int>(message.size()), message.data());
}

void PrintWarning(std::string_view context, std::string_view message) {
    std::fprintf(stderr, "vandrel WARNING: \"%.*s\" : %.*s\n", static_cast<int>(context.size()),
                 context.data(), static_cast<int>(message.size()), message.data());
}

std::optional<std::vector<float>> ParseFloats(std::string_view text, size_t max) {
    std::vector<float> values;
    while (true) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        float value = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (item.empty() || error != std::errc() || end != item.data() + item.size()) return {};
        values.push_back(value);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (values.empty() || values.size() > max) return {};
    return values;
}

namespace {

// "N=REST" with N in 1 … count; nothing otherwise.
std::optional<std::pair<int, std::string_view>> Numbered(std::string_view text, int count) {
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) return {};
    int n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + eq, n);
    if (error != std::errc() || end != text.data() + eq || n < 1 || n > count) return {};
    return std::make_pair(n, text.substr(eq + 1));
}

}  // namespace

void TMaterialOptions::Add(CLI::App& command) {
    command.add_option("--trigger", triggers, "Trigger value, N=V[,V,V] with N from 1 to 20")
        ->type_name("N=V[,V,V]");
    command
        .add_option("--file", files,
                    "Exposed file, N=KIND:PATH with N from 1 to 5, KIND T, B, I or A")
        ->type_name("N=KIND:PATH");
}

bool TMaterialOptions::Apply(TLocalKeyframes& values) const {
    for (const std::string& option : triggers) {
        const auto numbered = Numbered(option, kTriggerCount);
        const auto floats = numbered ? ParseFloats(numbered->second, 3) : std::nullopt;
        if (!floats) {
            PrintError("--trigger " + option, "expected N=V[,V,V] with N from 1 to 20");
            return false;
        }
        auto& trigger = values.Triggers[static_cast<size_t>(numbered->first - 1)];
        for (size_t k = 0; k < floats->size(); ++k) trigger[k] = (*floats)[k];
    }
    for (const std::string& option : files) {
        const auto numbered = Numbered(option, kFileSlotCount);
        const std::string_view reference = numbered ? numbered->second : std::string_view{};
        if (!numbered || reference.size() < 3 || reference[1] != ':' ||
            std::string_view("TBIA").find(reference[0]) == std::string_view::npos) {
            PrintError("--file " + option,
                       "expected N=KIND:PATH with N from 1 to 5, KIND T, B, I or A");
            return false;
        }
        values.Files[static_cast<size_t>(numbered->first - 1)] = std::string(reference);
    }
    return true;
}

bool CheckShaderFile(const std::string& path, std::string& stream) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        PrintError(path, "no such shader file");
        return false;
    }
    if (!std::ifstream(path).good()) {
        PrintError(path, "cannot read the shader file");
        return false;
    }
    const TLoadedShader loaded = LoadShaderFile(path, TSearchPath{});
    stream = loaded.stream;
    if (loaded.status == ShaderFileStatus::kMismatch ||
        loaded.status == ShaderFileStatus::kUnreadable) {
        PrintWarning(path, "the checksum does not match: the default shader is used instead");
    }
    return true;
}

int& ExitStatus() {
    static int status = 0;
    return status;
}

bool LoadPlugin(TPluginHost& host) {
    const auto path = DefaultPluginPath();
    std::string error;
    if (!host.Load(path, error)) {
        PrintError(path.string(), error);
        return false;
    }
    return true;
}

}  // namespace vandrel::cli

#include "renderer/cli/cli_support.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>

#include "core/instance.h"
#include "core/search_path.h"
#include "core/shader_cache.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "renderer/host/host_state.h"

namespace vandrel::cli {

namespace {

std::atomic<bool> gFailed{false};

std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return PrintableText(line);
}

void Print(const char* kind, std::string_view context, std::string_view message) {
    std::fprintf(stderr, "vandrel %s: \"%s\" : %s\n", kind, OneLine(context).c_str(),
                 OneLine(message).c_str());
}

// Bytes of the well-formed UTF-8 sequence at the start; 0 when there is none.
size_t Utf8Length(std::string_view text) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) return 1;
    size_t length = 0;
    uint32_t point = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, point = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, point = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, point = lead & 0x07;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= text.size() || (b(i) & 0xC0) != 0x80) return 0;
        point = (point << 6) | (b(i) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    static constexpr uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return 0;
    }
    return length;
}

struct TMessageLines {
    std::mutex mutex;
    std::map<int32_t, std::string> materials;
    std::set<std::string> printed;
};

TMessageLines& Lines() {
    static TMessageLines* lines = new TMessageLines;  // rendering threads may still report at exit
    return *lines;
}

thread_local const std::string* tInput = nullptr;

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string out;
    const auto escape = [&out](unsigned char byte) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        out += escaped;
    };
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = Utf8Length(text.substr(i));
        const bool control = (length == 1 && (lead < 0x20 || lead == 0x7F)) ||
                             (length == 2 && lead == 0xC2 &&
                              static_cast<unsigned char>(text[i + 1]) < 0xA0);  // U+0080 … U+009F
        if (length == 0 || control) {
            for (size_t k = 0; k < std::max<size_t>(length, 1); ++k) {
                escape(static_cast<unsigned char>(text[i + k]));
            }
            i += std::max<size_t>(length, 1);
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

void PrintError(std::string_view context, std::string_view message) {
    Print("ERROR", context, message);
}

void PrintWarning(std::string_view context, std::string_view message) {
    Print("WARNING", context, message);
}

void PrintNote(std::string_view context, std::string_view message) {
    Print("NOTE", context, message);
}

void ReportMessagesAsLines() {
    host::SetMessageListener([](host::MessageKind kind, std::string_view text) {
        TMessageLines& lines = Lines();
        const std::lock_guard lock(lines.mutex);
        std::string context = "plug-in";
        if (tInput != nullptr) {
            context = *tInput;
        } else if (const auto found = lines.materials.find(host::CurrentMaterial());
                   found != lines.materials.end()) {
            context = found->second;
        }
        const bool error = kind == host::MessageKind::kError;
        if (error) gFailed = true;
        // Questions are answered No: a command line has nobody to ask.
        if (lines.printed.insert(context + '\n' + std::string(text)).second) {
            Print(error ? "ERROR" : "WARNING", context, text);
        }
        return false;
    });
}

void NameMaterial(int32_t material, std::string input) {
    TMessageLines& lines = Lines();
    const std::lock_guard lock(lines.mutex);
    lines.materials[material] = std::move(input);
}

TInputScope::TInputScope(std::string input) : input_(std::move(input)), outer_(tInput) {
    tInput = &input_;
}

TInputScope::~TInputScope() { tInput = outer_; }

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

std::optional<TLoadedShader> ReadShaderInput(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        PrintError(path, ShaderFileProblem(ShaderFileStatus::kNotFound));
        return std::nullopt;
    }
    TLoadedShader loaded = LoadShaderFile(path, TSearchPath{});
    if (!ShaderFileProblem(loaded.status).empty()) {
        PrintError(path, ShaderFileProblem(loaded.status));
        MarkFailed();
    }
    return loaded;
}

bool CheckShaderBuilds(const std::string& path, const TLoadedShader& loaded) {
    const TInputScope scope(path);
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    return BuildShaderTree(tree, *ShareShader(loaded));
}

int& ExitStatus() {
    static int status = 0;
    return status;
}

int FinalStatus() { return ExitStatus() != 0 || gFailed ? 1 : 0; }

void MarkFailed() { gFailed = true; }

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

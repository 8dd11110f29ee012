#include "renderer/cli/cli_support.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "core/context.h"
#include "core/instance.h"
#include "core/search_path.h"
#include "core/shader_cache.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "core/whole_file.h"
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

namespace {

// Variables the host record carries: 1 … 58, 63, 64.
int32_t RecordVariable(std::string_view shortName) {
    for (int32_t n = 1; n <= kVariableCount; ++n) {
        if ((n <= 58 || n == 63 || n == 64) && VariableShortName(n) == shortName) return n;
    }
    return 0;
}

bool ParseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

constexpr int kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t{1} << 26;
// At most this many frames in one command.
constexpr int64_t kMaxFrames = 100000;

// "A-B" with A <= B and at most kMaxFrames frames, worked out in 64 bits so that no range of
// 32-bit frame numbers wraps.
bool ParseFrames(const std::string& text, int& first, int& last) {
    const size_t dash = text.find('-', 1);  // a leading '-' is a sign
    return dash != std::string::npos && ParseInt(std::string_view(text).substr(0, dash), first) &&
           ParseInt(std::string_view(text).substr(dash + 1), last) && first <= last &&
           int64_t{last} - int64_t{first} < kMaxFrames;
}

// "K/N" with 1 <= K <= N.
bool ParseShard(const std::string& text, int& k, int& n) {
    const size_t slash = text.find('/');
    return slash != std::string::npos && ParseInt(std::string_view(text).substr(0, slash), k) &&
           ParseInt(std::string_view(text).substr(slash + 1), n) && k >= 1 && k <= n;
}

}  // namespace

void TRecordOptions::Add(CLI::App& command) {
    command
        .add_option(
            "--set", sets,
            "A shading variable, VAR=V[,V,V] (short names: World, World.X, UV, SNorm, ColorIn ...)")
        ->type_name("VAR=V[,V,V]");
}

bool TRecordOptions::Parse() {
    parsed_.clear();
    for (const std::string& set : sets) {
        const size_t eq = set.find('=');
        const int32_t variable = eq == std::string::npos ? 0 : RecordVariable(set.substr(0, eq));
        const auto floats =
            variable != 0 ? ParseFloats(std::string_view(set).substr(eq + 1), 3) : std::nullopt;
        if (!floats || floats->size() != static_cast<size_t>(FloatCount(VariableKind(variable)))) {
            PrintError(
                "--set " + set,
                "expected VAR=V[,V,V]: a variable of the shading record and one value per part");
            return false;
        }
        TSet decoded;
        decoded.index = VariableFloatIndex(variable);
        decoded.count = static_cast<int>(floats->size());
        std::copy(floats->begin(), floats->end(), decoded.values);
        parsed_.push_back(decoded);
    }
    return true;
}

void TRecordOptions::Apply(hxShadingRecord& record) const {
    float* words = reinterpret_cast<float*>(&record);
    for (const TSet& set : parsed_) {
        std::memcpy(words + set.index, set.values, static_cast<size_t>(set.count) * sizeof(float));
    }
}

namespace {

constexpr std::array<std::pair<const char*, int32_t>, 4> kTypeOptions = {
    {{"color", kColor},
     {"transparency", kTransparency},
     {"reflectance", kReflectance},
     {"displacement", kDisplacement}}};

}  // namespace

void AddTypeOption(CLI::App& command, std::string& type) {
    std::vector<std::string> names;
    for (const auto& [name, value] : kTypeOptions) names.emplace_back(name);
    command.add_option("--type", type, "Output type")
        ->check(CLI::IsMember(names))
        ->capture_default_str();
}

int32_t TypeOption(const std::string& type) {
    for (const auto& [name, value] : kTypeOptions) {
        if (type == name) return value;
    }
    return kColor;
}

hxShadingRecord EvalRecord() {
    hxShadingRecord record{};
    record.shadingNormal[2] = 1.0f;
    record.geometricNormal[2] = 1.0f;
    return record;
}

bool CheckSamplesAndThreads(int samples, int threads) {
    if (samples < 1 || samples > 4096) {
        PrintError("--samples " + std::to_string(samples), "expected 1 to 4096 samples per pixel");
        return false;
    }
    if (threads < 0 || threads > 1024) {
        PrintError("--threads " + std::to_string(threads), "expected 0 (all cores) to 1024");
        return false;
    }
    return true;
}

bool ParseImageSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    bool ok = ParseInt(std::string_view(text).substr(0, x), width);
    if (ok && x == std::string::npos) {
        height = width;
    } else if (ok) {
        ok = ParseInt(std::string_view(text).substr(x + 1), height);
    }
    ok = ok && width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
         int64_t{width} * height <= kMaxPixels;
    if (!ok) {
        PrintError("--size " + text,
                   "expected W or WxH, each from 1 to 16384, at most 2^26 pixels");
    }
    return ok;
}

void TFrameOptions::Add(CLI::App& command) {
    command.add_option("--frame", frame, "The frame the host reports");
    command.add_option("--frames", frames, "Frames A to B (OUT needs %04d)")->type_name("A-B");
    command
        .add_option("--shard", shard,
                    "With --frames: only every N-th frame, from frame A + K - 1 (K from 1 to N)")
        ->type_name("K/N");
    command.add_flag("--skip-existing", skipExisting,
                     "Leave the frames whose output file is already there alone");
}

std::vector<int64_t> TFramePlan::Frames() const {
    std::vector<int64_t> frames;
    for (int64_t f = start; f <= last; f += step) frames.push_back(f);
    return frames;
}

bool PlanFrames(const TFrameOptions& o, const std::string& output, TFramePlan& plan) {
    plan = TFramePlan{};
    plan.first = plan.last = o.frame.value_or(0);
    plan.skipExisting = o.skipExisting;
    if (!o.frames.empty()) {
        if (o.frame) {
            PrintError("--frames " + o.frames, "give either --frame or --frames");
            return false;
        }
        if (!ParseFrames(o.frames, plan.first, plan.last)) {
            PrintError("--frames " + o.frames, "expected A-B with A <= B, at most 100000 frames");
            return false;
        }
        plan.range = true;
        if (plan.first != plan.last && output.find("%04d") == std::string::npos) {
            PrintError(output, "a frame range needs %04d in the output name");
            return false;
        }
    }
    plan.start = plan.first;
    if (!o.shard.empty()) {
        int k = 0, n = 0;
        if (!ParseShard(o.shard, k, n)) {
            PrintError("--shard " + o.shard, "expected K/N with 1 <= K <= N <= 2147483647");
            return false;
        }
        if (!plan.range) {
            PrintError("--shard " + o.shard, "a shard needs a frame range (--frames A-B)");
            return false;
        }
        plan.start = int64_t{plan.first} + k - 1;
        plan.step = n;
    }
    return true;
}

int NoFramesInShard(const TFrameOptions& options) {
    PrintNote("--shard " + options.shard, "no frame of " + options.frames + " falls in this shard");
    return 0;
}

bool TFrameSkips::Skip(const TFramePlan& plan, const std::string& path) {
    std::error_code error;
    if (!plan.skipExisting || !std::filesystem::exists(path, error)) return false;
    ++skipped_;
    return true;
}

void TFrameSkips::Report(const std::string& output) const {
    if (skipped_ == 0) return;
    PrintNote(output, std::to_string(skipped_) + (skipped_ == 1 ? " output was" : " outputs were") +
                          " already there and left alone (--skip-existing)");
}

std::string FramePath(const std::string& pattern, int64_t frame) {
    const size_t at = pattern.find("%04d");
    if (at == std::string::npos) return pattern;
    char number[32];
    std::snprintf(number, sizeof number, "%04lld", static_cast<long long>(frame));
    return pattern.substr(0, at) + number + pattern.substr(at + 4);
}

void TOutputGuard::AddShader(const std::string& shader, const TLocalKeyframes& values) {
    inputs_.push_back(shader);
    for (const std::string& file : values.Files) {
        if (file.size() > 2) inputs_.push_back(file.substr(2));
    }
}

bool TOutputGuard::Refuses(const std::string& path) const {
    for (const std::string& input : inputs_) {
        if (SameFile(path, input)) {
            PrintError(path, "the output is the input \"" + input + "\"; it is not replaced");
            return true;
        }
    }
    return false;
}

int32_t CreateNamedMaterial(const std::string& shader, const TLocalKeyframes& values) {
    const int32_t material = CreateMaterial(std::filesystem::absolute(shader), values);
    NameMaterial(material, shader);
    return material;
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

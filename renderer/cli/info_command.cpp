// vandrel info: what a shader file holds, as text or as JSON. The file is read once into a plain
// description; the two spellings only print it.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "core/context.h"
#include "core/factory.h"
#include "core/language.h"
#include "core/messages.h"
#include "core/regular_file.h"
#include "core/shader_file.h"
#include "core/stream_codec.h"
#include "core/stream_sections.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "core/tree_section.h"
#include "interface/interface_string.h"
#include "renderer/cli/cli_support.h"

namespace vandrel::cli {

namespace {

struct InfoOptions {
    std::string shader;
    bool json = false;
};

// One instruction of a component: a property (or one part of it) and where its value comes from.
struct TSetting {
    enum class Source { kValue, kVariable, kComponent, kTrigger, kInvalid };
    std::string property;
    std::string part;  // which float of the value: its letter or index; empty for all of them
    Source source = Source::kInvalid;
    double value = 0;       // kValue
    std::string variable;   // kVariable, kTrigger: the variable's long name
    int64_t component = 0;  // kComponent: its index in evaluation order
    int32_t trigger = 0;    // kTrigger: 1 to 20
};

struct TComponentInfo {
    int32_t id = 0;
    std::string name;
    uint32_t mask = 0;
    std::vector<TSetting> settings;
};

struct TTriggerInfo {
    int32_t number = 0;
    const char* kind = "";
    std::string label;
    std::array<float, 3> defaults{};
};

struct TFileInfo {
    int32_t number = 0;
    char type = 0;
    std::string label, defaultFile;
};

struct TShaderInfo {
    const char* checksum = "";
    std::vector<TComponentInfo> components;  // in evaluation order
    std::vector<TTriggerInfo> triggers;
    std::vector<TFileInfo> files;
    std::vector<std::string> categories;
    std::string informationFile;
    std::vector<int32_t> customComponents;
    bool isProtected = false;
};

const char* StatusName(ShaderFileStatus status) {
    switch (status) {
        case ShaderFileStatus::kCurrent:
            return "current";
        case ShaderFileStatus::kOlder:
            return "older";
        case ShaderFileStatus::kMismatch:
            return "mismatch";
        case ShaderFileStatus::kNotFound:
            return "not found";
        case ShaderFileStatus::kUnreadable:
            return "unreadable";
        case ShaderFileStatus::kTooLong:
            return "too long";
    }
    return "";
}

const char* KindName(int32_t kind) {
    switch (kind) {
        case kNumerical:
            return "numerical";
        case kUV:
            return "uv";
        case kVector:
            return "vector";
        case kEnumeration:
            return "enumeration";
        default:
            return "unknown";
    }
}

TSetting Read(const TTreeInstruction& in, const TXRComponent* c) {
    TSetting s;
    s.property = c != nullptr ? c->GetPropertyName(in.Prop) : "Error";
    if (s.property == "Error") s.property = "property " + std::to_string(in.Prop);
    if (in.Part >= 0) {
        // By its letter where the property names its parts ("Color.G"), else by number.
        const std::string letters = c != nullptr ? c->GetPartLetters(in.Prop) : std::string();
        s.part = static_cast<size_t>(in.Part) < letters.size() && letters != "Error"
                     ? std::string(1, letters[static_cast<size_t>(in.Part)])
                     : std::to_string(in.Part);
    }
    switch (in.Letter) {
        case 'C':
            s.source = TSetting::Source::kValue;
            s.value = in.Constant;
            break;
        case 'V': {
            // A whole UV or Vector property names the whole variable that starts at that float.
            auto variable = static_cast<int32_t>(in.Value);
            const int32_t kind = c != nullptr ? c->PropertyKind(in.Prop) : kUndefined;
            for (int32_t n = 1;
                 in.Part < 0 && (kind == kUV || kind == kVector) && n <= kVariableCount; ++n) {
                if (VariableKind(n) == kind &&
                    VariableFloatIndex(n) == VariableFloatIndex(variable)) {
                    variable = n;
                    break;
                }
            }
            s.variable = VariableLongName(variable);
            if (variable >= kVarTrigger1 && variable <= kVarTrigger20) {
                s.source = TSetting::Source::kTrigger;
                s.trigger = variable - kVarTrigger1 + 1;
            } else {
                s.source = TSetting::Source::kVariable;
            }
            break;
        }
        case 'S':
            s.source = TSetting::Source::kComponent;
            s.component = in.Value;
            break;
        case 'M':
            if ((in.Value & kTriggerConnectionBit) != 0) {
                const auto variable = static_cast<int32_t>(in.Value - kTriggerConnectionBit);
                s.variable = VariableLongName(variable);
                // A stream may name any variable here; only a trigger's is reported as one.
                const bool trigger = variable >= kVarTrigger1 && variable <= kVarTrigger20;
                s.source = trigger ? TSetting::Source::kTrigger : TSetting::Source::kVariable;
                s.trigger = trigger ? variable - kVarTrigger1 + 1 : 0;
            } else {
                s.source = TSetting::Source::kValue;
                s.value = static_cast<float>(in.Value);
            }
            break;
        default:
            break;
    }
    return s;
}

// The stream the file holds: even when its checksum fails, what is there is shown.
std::string StreamOf(const std::string& path, const TLoadedShader& loaded) {
    if (loaded.status == ShaderFileStatus::kMismatch) {
        if (const TFileHandle f = OpenRegularFile(path)) {
            std::string line;
            for (int ch; line.size() <= kMaxStreamBytes && (ch = std::fgetc(f.get())) != EOF &&
                         ch != '\n' && ch != '\r';)
                line += static_cast<char>(ch);
            return line;
        }
    }
    if (loaded.status == ShaderFileStatus::kCurrent || loaded.status == ShaderFileStatus::kOlder) {
        (void)CheckShaderBuilds(path, loaded);
    }
    return loaded.stream;
}

std::vector<TComponentInfo> ReadComponents(const std::string& stream) {
    std::vector<TComponentInfo> components;
    const auto section = ParseTreeSection(stream);
    if (!section) return components;
    // Custom components are made from the shader's own definitions, for their texts; making them
    // reports nothing, the shader is only being described.
    class Quiet final : public Messages {
        void Show(std::string_view, MessageIcon, std::string_view) override {}
        bool Ask(std::string_view, std::string_view) override { return false; }
    } quiet;
    TThreadRecord record;
    TXRTree customs;
    customs.Context = &record;
    Messages* previous = InstallMessages(&quiet);
    customs.SetCustomTable(StreamSection(stream, kCustomSection));
    for (const TTreeSectionEntry& e : section->Entries) {
        const auto component = CreateComponent(e.TypeId, &customs);
        const CatalogueRow* row = FindCatalogueRow(e.TypeId);
        TComponentInfo& info = components.emplace_back();
        info.id = e.TypeId;
        info.name = e.TypeId == 1          ? "Shader Output"
                    : row != nullptr       ? row->name
                    : component != nullptr ? component->GetTitle() + " (custom)"
                                           : "unknown";
        info.mask = e.Mask;
        for (const TTreeInstruction& in : e.Instructions) {
            info.settings.push_back(Read(in, component.get()));
        }
    }
    InstallMessages(previous);
    return components;
}

TShaderInfo Describe(const std::string& path, const TLoadedShader& loaded) {
    TShaderInfo info;
    info.checksum = StatusName(loaded.status);
    const std::string stream = StreamOf(path, loaded);
    info.components = ReadComponents(stream);
    const TInterfaceData interface = ParseInterfaceString(StreamSection(stream, kInterfaceSection));
    for (int t = 0; t < kTriggerCount; ++t) {
        if (!interface.Triggers[t]) continue;
        const TTriggerSettings& s = *interface.Triggers[t];
        info.triggers.push_back(
            {t + 1, KindName(s.Kind), UnescapeText(s.Label), TriggerDefaultValue(s)});
    }
    for (int f = 0; f < kFileSlotCount; ++f) {
        if (!interface.Files[f]) continue;
        const TFileEntry& e = *interface.Files[f];
        info.files.push_back({f + 1, e.Type, e.Settings.Label, e.Settings.DefaultFile});
    }
    const TCategories categories = ParseCategories(StreamSection(stream, kCategoriesSection));
    for (int t = 0; t < kOutputTypeCount; ++t) {
        if (categories[t]) info.categories.emplace_back(OutputTypeName(t));
    }
    info.informationFile = UnescapeText(StreamSection(stream, kInfoFileSection));
    for (const auto& custom : SplitCustomSection(StreamSection(stream, kCustomSection))) {
        info.customComponents.push_back(custom.typeId);
    }
    info.isProtected = StreamSection(stream, kEditorSourceSection).empty();
    return info;
}

// The shortest digits that read back as the same float: "1.6", not "1.60000002".
std::string Number(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// `Frequency = 4`, `Input <- World Space.X`, `Input <- component 2`.
std::string InWords(const TSetting& s) {
    const std::string prop = s.part.empty() ? s.property : s.property + "." + s.part;
    switch (s.source) {
        case TSetting::Source::kValue:
            return prop + " = " + Number(s.value);
        case TSetting::Source::kVariable:
        case TSetting::Source::kTrigger:
            return prop + " <- " + s.variable;
        case TSetting::Source::kComponent:
            return prop + " <- component " + std::to_string(s.component);
        case TSetting::Source::kInvalid:
            break;
    }
    return "invalid instruction";
}

std::string Joined(const std::vector<std::string>& items, const char* none) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
    return out.empty() ? none : out;
}

std::string AsText(const TShaderInfo& info) {
    std::string out;
    const auto line = [&](const std::string& s) { out += s + "\n"; };
    line(std::string("checksum: ") + info.checksum);
    line("components (evaluation order):");
    for (size_t i = 0; i < info.components.size(); ++i) {
        const TComponentInfo& c = info.components[i];
        char mask[8];
        std::snprintf(mask, sizeof mask, "%04X", static_cast<unsigned>(c.mask));
        line("  " + std::to_string(i) + ": " + std::to_string(c.id) + " " + PrintableText(c.name) +
             "  mask " + mask);
        for (const TSetting& s : c.settings) line("      " + PrintableText(InWords(s)));
    }
    line("triggers:");
    for (const TTriggerInfo& t : info.triggers) {
        line("  Trigger" + std::to_string(t.number) + ": " + t.kind + " \"" +
             PrintableText(t.label) + "\" default " + Number(t.defaults[0]) + " " +
             Number(t.defaults[1]) + " " + Number(t.defaults[2]));
    }
    line("files:");
    for (const TFileInfo& f : info.files) {
        line("  File" + std::to_string(f.number) + ": " +
             PrintableText(std::string(1, f.type) + " \"" + f.label + "\" default " +
                           f.defaultFile));
    }
    line("categories: " + Joined(info.categories, "none"));
    line("information file: " + (info.informationFile.empty()
                                     ? std::string("none")
                                     : PrintableText(info.informationFile)));
    std::vector<std::string> ids;
    for (const int32_t id : info.customComponents) ids.push_back(std::to_string(id));
    line("custom components: " + Joined(ids, "none"));
    line(std::string("protected: ") + (info.isProtected ? "yes" : "no"));
    return out;
}

// The number JSON writes as the float's shortest digits, not its widening's
// ("1.600000023841858").
double Shortest(float value) { return std::strtod(Number(value).c_str(), nullptr); }

nlohmann::ordered_json AsJson(const TSetting& s) {
    nlohmann::ordered_json j;
    j["property"] = s.property;
    if (!s.part.empty()) j["part"] = s.part;
    switch (s.source) {
        case TSetting::Source::kValue:
            j["value"] = Shortest(s.value);
            break;
        case TSetting::Source::kVariable:
            j["variable"] = s.variable;
            break;
        case TSetting::Source::kComponent:
            j["component"] = s.component;
            break;
        case TSetting::Source::kTrigger:
            j["trigger"] = s.trigger;
            break;
        case TSetting::Source::kInvalid:
            j["invalid"] = true;
            break;
    }
    return j;
}

std::string AsJson(const std::string& path, const TShaderInfo& info) {
    nlohmann::ordered_json j;
    j["file"] = path;
    j["checksum"] = info.checksum;
    j["components"] = nlohmann::ordered_json::array();
    for (size_t i = 0; i < info.components.size(); ++i) {
        const TComponentInfo& c = info.components[i];
        nlohmann::ordered_json& row = j["components"].emplace_back();
        row["index"] = i;
        row["id"] = c.id;
        row["name"] = c.name;
        row["mask"] = c.mask;
        row["settings"] = nlohmann::ordered_json::array();
        for (const TSetting& s : c.settings) row["settings"].push_back(AsJson(s));
    }
    j["triggers"] = nlohmann::ordered_json::array();
    for (const TTriggerInfo& t : info.triggers) {
        j["triggers"].push_back(
            {{"trigger", t.number},
             {"kind", t.kind},
             {"label", t.label},
             {"default",
              {Shortest(t.defaults[0]), Shortest(t.defaults[1]), Shortest(t.defaults[2])}}});
    }
    j["files"] = nlohmann::ordered_json::array();
    for (const TFileInfo& f : info.files) {
        j["files"].push_back({{"file", f.number},
                              {"type", std::string(1, f.type)},
                              {"label", f.label},
                              {"default", f.defaultFile}});
    }
    j["categories"] = info.categories;
    j["informationFile"] = info.informationFile;
    j["customComponents"] = info.customComponents;
    j["protected"] = info.isProtected;
    // Every text as ASCII escapes: a terminal shown the report meets no control character, and
    // bytes that are not UTF-8 become replacement characters instead of an exception.
    return j.dump(2, ' ', true, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

int Run(const InfoOptions& o) {
    const std::optional<TLoadedShader> loaded = ReadShaderInput(o.shader);
    if (!loaded) return 1;
    LoadLanguage(DefaultPluginPath().parent_path() / std::string(kLanguageFileName));
    const TShaderInfo info = Describe(o.shader, *loaded);
    const std::string out = o.json ? AsJson(o.shader, info) : AsText(info);
    std::fputs(out.c_str(), stdout);
    return 0;
}

}  // namespace

void AddInfoCommand(CLI::App& app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command = app.add_subcommand("info", "Show what a shader file holds");
    command->add_option("SHADER", options->shader, "Shader file (.xrb)")->required();
    command->add_flag("--json", options->json, "Print the same as JSON");
    command->callback([options] { ExitStatus() = Run(*options); });
}

}  // namespace vandrel::cli

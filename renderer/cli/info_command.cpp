// vandrel info: what a shader file holds, as text or as JSON.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

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

// A growing JSON or text report: one writer, two spellings.
class TReport {
  public:
    static std::string Quote(std::string_view text) {
        std::string out = "\"";
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (u < 0x20 || u >= 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else {
                out += c;
            }
        }
        return out + "\"";
    }
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

// One instruction in words, e.g. `Frequency = 4` or `Input <- World Space.X`.
std::string Describe(const TTreeInstruction& in, const TXRComponent* c) {
    std::string prop = c != nullptr ? c->GetPropertyName(in.Prop) : "Error";
    if (prop == "Error") prop = "property " + std::to_string(in.Prop);
    if (in.Part >= 0) {
        // By its letter where the property names its parts ("Color.G"), else by number.
        const std::string letters = c != nullptr ? c->GetPartLetters(in.Prop) : std::string();
        prop += '.';
        prop += static_cast<size_t>(in.Part) < letters.size() && letters != "Error"
                    ? std::string(1, letters[static_cast<size_t>(in.Part)])
                    : std::to_string(in.Part);
    }
    char number[32];
    switch (in.Letter) {
        case 'C':
            std::snprintf(number, sizeof number, "%.9g", in.Constant);
            return prop + " = " + number;
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
            return prop + " <- " + std::string(VariableLongName(variable));
        }
        case 'S':
            return prop + " <- component " + std::to_string(in.Value);
        case 'M':
            if ((in.Value & kTriggerConnectionBit) != 0) {
                return prop + " <- " +
                       std::string(VariableLongName(
                           static_cast<int32_t>(in.Value - kTriggerConnectionBit)));
            }
            return prop + " = " + std::to_string(in.Value);
        default:
            return "invalid instruction";
    }
}

int Run(const InfoOptions& o) {
    const std::optional<TLoadedShader> loaded = ReadShaderInput(o.shader);
    if (!loaded) return 1;
    LoadLanguage(DefaultPluginPath().parent_path() / std::string(kLanguageFileName));
    // Inspect what the file holds, even when its checksum fails.
    std::string stream = loaded->stream;
    if (loaded->status == ShaderFileStatus::kMismatch) {
        if (const TFileHandle f = OpenRegularFile(o.shader)) {
            std::string line;
            for (int ch; line.size() <= kMaxStreamBytes && (ch = std::fgetc(f.get())) != EOF &&
                         ch != '\n' && ch != '\r';)
                line += static_cast<char>(ch);
            stream = line;
        }
    } else if (loaded->status == ShaderFileStatus::kCurrent ||
               loaded->status == ShaderFileStatus::kOlder) {
        (void)CheckShaderBuilds(o.shader, *loaded);
    }
    const auto section = ParseTreeSection(stream);
    const TInterfaceData interface = ParseInterfaceString(StreamSection(stream, 2));
    const TCategories categories = ParseCategories(StreamSection(stream, 3));
    const std::string infoFile = UnescapeText(StreamSection(stream, 4));
    const auto customs = SplitCustomSection(StreamSection(stream, 5));
    const bool isProtected = StreamSection(stream, 1).empty();

    const bool json = o.json;
    std::string out;
    const auto line = [&](const std::string& s) { out += s + "\n"; };
    if (json)
        out += "{\"file\": " + TReport::Quote(o.shader) +
               ", \"checksum\": " + TReport::Quote(StatusName(loaded->status)) +
               ", \"components\": [";
    else
        line("checksum: " + std::string(StatusName(loaded->status)));
    if (!json) line("components (evaluation order):");
    if (section) {
        // Custom components are made from the shader's own definitions, for their texts.
        TThreadRecord record;
        TXRTree customs;
        customs.Context = &record;
        customs.SetCustomTable(StreamSection(stream, 5));
        for (size_t i = 0; i < section->Entries.size(); ++i) {
            const TTreeSectionEntry& e = section->Entries[i];
            Messages* previous = InstallMessages(nullptr);
            class Quiet final : public Messages {
                void Show(std::string_view, MessageIcon, std::string_view) override {}
                bool Ask(std::string_view, std::string_view) override { return false; }
            } quiet;
            InstallMessages(&quiet);
            const auto component = CreateComponent(e.TypeId, &customs);
            InstallMessages(previous);
            const CatalogueRow* row = FindCatalogueRow(e.TypeId);
            const std::string name = e.TypeId == 1          ? "Shader Output"
                                     : row != nullptr       ? row->name
                                     : component != nullptr ? component->GetTitle() + " (custom)"
                                                            : "unknown";
            char mask[8];
            std::snprintf(mask, sizeof mask, "%04X", static_cast<unsigned>(e.Mask));
            if (json) {
                out += std::string(i == 0 ? "" : ", ") + "{\"index\": " + std::to_string(i) +
                       ", \"id\": " + std::to_string(e.TypeId) +
                       ", \"name\": " + TReport::Quote(name) +
                       ", \"mask\": " + std::to_string(e.Mask) + ", \"settings\": [";
                for (size_t k = 0; k < e.Instructions.size(); ++k) {
                    out += std::string(k == 0 ? "" : ", ") +
                           TReport::Quote(Describe(e.Instructions[k], component.get()));
                }
                out += "]}";
            } else {
                line("  " + std::to_string(i) + ": " + std::to_string(e.TypeId) + " " +
                     PrintableText(name) + "  mask " + mask);
                for (const TTreeInstruction& in : e.Instructions)
                    line("      " + PrintableText(Describe(in, component.get())));
            }
        }
    }
    if (json)
        out += "], \"triggers\": [";
    else
        line("triggers:");
    bool first = true;
    for (int t = 0; t < kTriggerCount; ++t) {
        if (!interface.Triggers[t]) continue;
        const TTriggerSettings& s = *interface.Triggers[t];
        const auto value = TriggerDefaultValue(s);
        char defaults[96];
        std::snprintf(defaults, sizeof defaults, "%.9g %.9g %.9g", value[0], value[1], value[2]);
        const std::string label = UnescapeText(s.Label);
        if (json) {
            out += std::string(first ? "" : ", ") + "{\"trigger\": " + std::to_string(t + 1) +
                   ", \"kind\": " + TReport::Quote(KindName(s.Kind)) +
                   ", \"label\": " + TReport::Quote(label) +
                   ", \"default\": " + TReport::Quote(defaults) + "}";
        } else {
            line("  Trigger" + std::to_string(t + 1) + ": " + KindName(s.Kind) + " \"" +
                 PrintableText(label) + "\" default " + defaults);
        }
        first = false;
    }
    if (json)
        out += "], \"files\": [";
    else
        line("files:");
    first = true;
    for (int f = 0; f < kFileSlotCount; ++f) {
        if (!interface.Files[f]) continue;
        const TFileEntry& e = *interface.Files[f];
        const std::string text = std::string(1, e.Type) + " \"" + e.Settings.Label + "\" default " +
                                 e.Settings.DefaultFile;
        if (json) {
            out += std::string(first ? "" : ", ") + "{\"file\": " + std::to_string(f + 1) +
                   ", \"type\": " + TReport::Quote(std::string(1, e.Type)) +
                   ", \"label\": " + TReport::Quote(e.Settings.Label) +
                   ", \"default\": " + TReport::Quote(e.Settings.DefaultFile) + "}";
        } else {
            line("  File" + std::to_string(f + 1) + ": " + PrintableText(text));
        }
        first = false;
    }
    std::string categoryText;
    for (int t = 0; t < kOutputTypeCount; ++t) {
        if (!categories[t]) continue;
        if (!categoryText.empty()) categoryText += ", ";
        categoryText += OutputTypeName(t);
    }
    if (json) {
        out += "], \"categories\": " + TReport::Quote(categoryText) +
               ", \"informationFile\": " + TReport::Quote(infoFile) + ", \"customComponents\": [";
        for (size_t k = 0; k < customs.size(); ++k)
            out += std::string(k == 0 ? "" : ", ") + std::to_string(customs[k].typeId);
        out += std::string("], \"protected\": ") + (isProtected ? "true" : "false") + "}\n";
    } else {
        line("categories: " + (categoryText.empty() ? std::string("none") : categoryText));
        line("information file: " +
             (infoFile.empty() ? std::string("none") : PrintableText(infoFile)));
        std::string ids;
        for (const auto& c : customs) ids += (ids.empty() ? "" : ", ") + std::to_string(c.typeId);
        line("custom components: " + (ids.empty() ? std::string("none") : ids));
        line(std::string("protected: ") + (isProtected ? "yes" : "no"));
    }
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

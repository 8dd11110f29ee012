// Writes the component reference of the HTML help: one page per palette tab with every component's
// properties (kind, default, hint) and an alphabetical index whose anchors are the keywords the
// help router opens. Texts come from the language file, signatures and defaults from the classes
// themselves, so the pages cannot drift from the components.
//
//   vandrel_make_help LANGUAGE_FILE OUTPUT_FOLDER     (writes OUTPUT_FOLDER/reference/)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "components/registry.h"
#include "core/catalogue.h"
#include "core/component.h"
#include "core/context.h"
#include "core/factory.h"
#include "core/help_anchor.h"
#include "core/language.h"
#include "core/root.h"
#include "core/shader_file.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "core/whole_file.h"

namespace {

using namespace vandrel;
namespace fs = std::filesystem;

std::string Html(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string TabPage(int32_t tab) { return "tab" + std::to_string(tab) + ".html"; }

std::string Number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> items;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        items.push_back(text.substr(start, at - start));
        if (at == std::string::npos) break;
        start = at + 1;
    }
    return items;
}

struct TPropertyText {
    std::string name, kind, defaults, hint;
};

std::vector<TPropertyText> Properties(TXRComponent& c) {
    std::vector<TPropertyText> rows;
    for (int32_t p = 0; p < c.PropertyCount(); ++p) {
        TPropertyText row;
        row.name = c.GetPropertyName(p);
        row.hint = c.GetPropertyHint(p);
        const float* constants = c.ConstantAddress(p);
        const std::string letters = c.GetPartLetters(p);
        switch (c.PropertyKind(p)) {
            case kNumerical:
                row.kind = c.IsIntegerProperty(p) ? "Numerical (whole)" : "Numerical";
                if (constants != nullptr) row.defaults = Number(constants[0]);
                break;
            case kUV:
                row.kind = "UV";
                if (constants != nullptr)
                    row.defaults = "U " + Number(constants[0]) + ", V " + Number(constants[1]);
                break;
            case kVector:
                row.kind = "Vector (" + letters + ")";
                if (constants != nullptr) {
                    for (size_t k = 0; k < 3; ++k) {
                        if (k > 0) row.defaults += ", ";
                        row.defaults += (k < letters.size() ? std::string(1, letters[k]) : "") +
                                        " " + Number(constants[k]);
                    }
                }
                break;
            case kEnumeration: {
                row.kind = "Enumeration";
                const std::vector<std::string> items = Split(c.GetEnumItems(p), ';');
                const int32_t value = c.GetEnumValue(p);
                row.defaults = value >= 0 && static_cast<size_t>(value) < items.size()
                                   ? items[static_cast<size_t>(value)]
                                   : std::to_string(value);
                std::string list;
                for (const std::string& item : items) list += (list.empty() ? "" : ", ") + item;
                row.hint += " (choices: " + list + ")";
                break;
            }
            case kFile:
                row.kind = "File";
                row.defaults = "none";
                break;
            default:
                row.kind = "?";
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

const char* kKindNames[] = {"None", "Undefined",   "Numerical", "UV",  "Vector",
                            "",     "Enumeration", "Trigger",   "File"};

std::string OutputName(int32_t kind) { return kind >= 0 && kind <= 8 ? kKindNames[kind] : "?"; }

std::string Page(std::string_view title, std::string_view body) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           Html(title) +
           " - Vandrel</title>\n<link rel=\"stylesheet\" href=\"../style.css\">\n</head>\n<body>\n"
           "<p class=\"nav\"><a href=\"../index.html\">Contents</a> | <a "
           "href=\"index.html\">Component index</a></p>\n" +
           std::string(body) + "</body>\n</html>\n";
}

// The inputs a picture feeds from the shading context, so that it shows how the output varies
// over the UV plane: where the component is evaluated (a UV input reads the mapping, a vector
// input the world point (u, v, 0), a number the mapping's U), the first operand and the colour of
// the math and colour components the same way, and directions and normals from the record. The
// other properties keep their defaults. The variable for a UV, a vector and a numerical property.
struct TFedInput {
    const char* name;
    int32_t uv, vector, number;
};
constexpr int32_t kVarUVU = 18, kVarURay = 37, kVarSNorm = 46, kVarGNorm = 50, kVarWorld = 58,
                  kVarUV = 63;
constexpr TFedInput kFedInputs[] = {
    {"Input", kVarUV, kVarWorld, kVarUVU},
    {"Point", kVarUV, kVarWorld, kVarUVU},
    {"Position", kVarUV, kVarWorld, kVarUVU},
    {"Coordinates", kVarUV, kVarWorld, kVarUVU},
    {"A", kVarUV, kVarWorld, kVarUVU},
    {"Color", 0, kVarWorld, 0},
    {"ColorA", 0, kVarWorld, 0},
    {"Incident", 0, kVarURay, 0},
    {"Normal", 0, kVarSNorm, 0},
    {"ShadingNormal", 0, kVarSNorm, 0},
    {"GeometricNormal", 0, kVarGNorm, 0},
};

int32_t FedVariable(const std::string& name, int32_t kind) {
    for (const TFedInput& input : kFedInputs) {
        if (name != input.name) continue;
        return kind == kUV          ? input.uv
               : kind == kVector    ? input.vector
               : kind == kNumerical ? input.number
                                    : 0;
    }
    return 0;
}

// The picture's shader for a component: its output as the root's colour. Nothing when the output
// is no value a picture can show.
std::optional<std::string> PictureShader(int32_t id) {
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    TXRComponent* root = tree.AddComponent(CreateComponent(TXRCRoot::kTypeId, &tree));
    auto created = CreateComponent(id, &tree);
    if (root == nullptr || created == nullptr) return std::nullopt;
    TXRComponent* c = tree.AddComponent(std::move(created));
    float* output = c->OutputAddress();
    const int32_t kind = c->OutputKind();
    if (output == nullptr || (kind != kNumerical && kind != kUV && kind != kVector)) {
        return std::nullopt;
    }
    for (int32_t p = 0; p < c->PropertyCount(); ++p) {
        const int32_t variable = FedVariable(c->GetPropertyName(p), c->PropertyKind(p));
        if (variable != 0) c->Connect(p, kWholeProperty, VariableAddress(&record, variable));
    }
    if (kind == kVector) {
        root->Connect(kRootColor, kWholeProperty, output);
    } else if (kind == kUV) {
        root->Connect(kRootColor, 0, output);  // blue stays at its constant 0
        root->Connect(kRootColor, 1, output + 1);
    } else {
        for (int32_t part = 0; part < 3; ++part) root->Connect(kRootColor, part, output);
    }
    if (!tree.Link(c, root)) return std::nullopt;
    tree.SetRoot(root);
    return "XR" + tree.WriteTree();
}

struct TIndexEntry {
    std::string title;
    std::string link;
};

bool Write(const fs::path& path, const std::string& text) {
    std::string error;
    if (!WriteWholeFile(path, text, error)) {
        std::fprintf(stderr, "vandrel_make_help ERROR: \"%s\" : %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr,
                     "usage: vandrel_make_help LANGUAGE_FILE OUTPUT_FOLDER "
                     "[PICTURE_SHADER_FOLDER]\n");
        return 1;
    }
    InstallComponents();
    if (!LoadLanguage(argv[1])) {
        std::fprintf(stderr, "vandrel_make_help ERROR: \"%s\" : cannot read the language file\n",
                     argv[1]);
        return 1;
    }
    const fs::path folder = fs::path(argv[2]) / "reference";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "vandrel_make_help ERROR: \"%s\" : %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }

    const fs::path pictures = argc == 4 ? fs::path(argv[3]) : fs::path();
    if (!pictures.empty()) {
        // Left-over shaders of components that no longer exist would be baked too.
        fs::remove_all(pictures, error);
        fs::create_directories(pictures, error);
        if (error) {
            std::fprintf(stderr, "vandrel_make_help ERROR: \"%s\" : %s\n", pictures.c_str(),
                         error.message().c_str());
            return 1;
        }
    }

    std::vector<TIndexEntry> index;
    std::string tabList;
    for (int32_t tab = 0; tab < kCatalogueTabCount; ++tab) {
        const std::string caption(CatalogueTabCaption(tab));
        std::string contents, sections;
        for (const CatalogueRow& row : Catalogue()) {
            if (row.tab != tab) continue;
            const auto component = CreateComponent(row.id);
            if (component == nullptr) continue;
            const std::string id = "c" + std::to_string(row.id);
            const std::string title = component->GetTitle();
            contents += "<li><a href=\"#" + id + "\">" + Html(title) + "</a></li>\n";
            index.push_back({title, TabPage(tab) + "#" + id});
            sections += "<h2 id=\"" + id + "\">" + Html(title) + "</h2>\n";
            const std::string hint = component->GetTitleHint();
            if (hint != title) sections += "<p>" + Html(hint) + "</p>\n";
            sections += "<p class=\"output\">Output: " + OutputName(row.output) + "</p>\n";
            if (const auto shader = pictures.empty() ? std::nullopt : PictureShader(row.id)) {
                const fs::path file = pictures / (id + ".xrb");
                const TSaveResult saved = SaveShaderFile(file, *shader);
                if (!saved.ok) {
                    std::fprintf(stderr, "vandrel_make_help ERROR: \"%s\" : cannot write it\n",
                                 file.c_str());
                    return 1;
                }
                sections += "<p class=\"picture\"><img src=\"pictures/" + id +
                            ".png\" width=\"48\" height=\"48\" alt=\"" + Html(title) +
                            " on the UV plane\"></p>\n";
            }
            const std::vector<TPropertyText> properties = Properties(*component);
            if (properties.empty()) {
                sections += "<p>This component has no properties.</p>\n";
                continue;
            }
            sections +=
                "<table>\n<tr><th>Property</th><th>Kind</th><th>Default</th>"
                "<th>Description</th></tr>\n";
            for (const TPropertyText& p : properties) {
                sections += "<tr><td>" + Html(p.name) + "</td><td>" + Html(p.kind) + "</td><td>" +
                            Html(p.defaults) + "</td><td>" + Html(p.hint) + "</td></tr>\n";
            }
            sections += "</table>\n";
        }
        const std::string body = "<h1>" + Html(caption) + " components</h1>\n<ul class=\"toc\">\n" +
                                 contents + "</ul>\n" + sections;
        if (!Write(folder / TabPage(tab), Page(caption + " components", body))) return 1;
        tabList += "<li><a href=\"" + TabPage(tab) + "\">" + Html(caption) + "</a></li>\n";
    }

    std::sort(index.begin(), index.end(), [](const TIndexEntry& a, const TIndexEntry& b) {
        return HelpKeyAnchor(a.title) < HelpKeyAnchor(b.title);
    });
    std::string entries;
    std::map<std::string, int> anchors;
    for (const TIndexEntry& e : index) {
        const std::string anchor = HelpKeyAnchor(e.title);
        // The first of equal keywords owns the anchor; the others still get their line.
        const bool fresh = anchors[anchor]++ == 0;
        entries += std::string("<li") + (fresh ? " id=\"" + anchor + "\"" : "") + "><a href=\"" +
                   e.link + "\">" + Html(e.title) + "</a></li>\n";
    }
    const std::string body =
        "<h1>Component index</h1>\n<p>The palette's tabs:</p>\n<ul class=\"toc\">\n" + tabList +
        "</ul>\n<h2>All components</h2>\n<ul class=\"index\">\n" + entries + "</ul>\n";
    if (!Write(folder / "index.html", Page("Component index", body))) return 1;
    return 0;
}

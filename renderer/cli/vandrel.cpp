// vandrel: the stand-in host's command line.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/catalogue.h"
#include "core/context.h"
#include "core/factory.h"
#include "core/language.h"
#include "core/root.h"
#include "core/thread_record.h"

namespace {

using namespace vandrel;

std::filesystem::path ExecutableFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : exe.parent_path();
}

void PrintCatalogue() {
    int32_t tab = -1;
    for (const CatalogueRow& row : Catalogue()) {
        if (row.tab != tab) {
            tab = row.tab;
            std::printf("%s[%.*s]\n", tab == 0 ? "" : "\n",
                        static_cast<int>(CatalogueTabCaption(tab).size()),
                        CatalogueTabCaption(tab).data());
        }
        const bool exists = FindBuiltinCreator(row.id) != nullptr;
        std::printf("%5d  %s%s\n", row.id, row.name, exists ? "" : "  (not yet built)");
    }
}

// The root of a new shader passes the host's colour, transparency filter and normal through.
int EvaluateDefaultRoot() {
    TThreadRecord record;
    auto root = CreateComponent(TXRCRoot::kTypeId);
    if (root == nullptr) return 1;
    root->Bind(&record, nullptr);
    root->Connect(kRootColor, kWholeProperty, VariableAddress(&record, kVarColorIn));
    root->Connect(kRootTransparencyFilter, kWholeProperty, VariableAddress(&record, kVarTrIn));
    root->Connect(kRootNormal, kWholeProperty, VariableAddress(&record, kVarSNorm));
    const float colorIn[3] = {0.8f, 0.4f, 0.2f};
    const float filterIn[3] = {0.1f, 0.2f, 0.3f};
    const float normal[3] = {0.0f, 0.0f, 1.0f};
    std::copy(colorIn, colorIn + 3, VariableAddress(&record, kVarColorIn));
    std::copy(filterIn, filterIn + 3, VariableAddress(&record, kVarTrIn));
    std::copy(normal, normal + 3, VariableAddress(&record, kVarSNorm));
    root->Evaluate(true);
    const float* out = VariableAddress(&record, kVarColorOut);
    const float* tr = VariableAddress(&record, kVarTrOut);
    const float* n = VariableAddress(&record, kVarSNorm);
    std::printf(
        "\ndefault shader root: colour %.9g %.9g %.9g, alpha %.9g, filter %.9g %.9g %.9g, "
        "normal %.9g %.9g %.9g\n",
        out[0], out[1], out[2], *VariableAddress(&record, kVarAlpha), tr[0], tr[1], tr[2], n[0],
        n[1], n[2]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Vandrel procedural shaders: the stand-in host"};
    app.require_subcommand(1);
    auto* catalogue = app.add_subcommand(
        "catalogue",
        "List the component catalogue tab by tab and evaluate the default shader once");
    CLI11_PARSE(app, argc, argv);

    LoadLanguage(ExecutableFolder() / std::string(kLanguageFileName));
    if (*catalogue) {
        PrintCatalogue();
        return EvaluateDefaultRoot();
    }
    return 0;
}

// vandrel catalogue: the component catalogue tab by tab, then one sample of the default shader
// through the plug-in.
#include <cstdio>

#include "core/catalogue.h"
#include "core/factory.h"
#include "core/instance.h"
#include "renderer/cli/cli_support.h"

namespace vandrel::cli {

namespace {

int Run() {
    int32_t tab = -1;
    for (const CatalogueRow& row : Catalogue()) {
        if (row.tab != tab) {
            tab = row.tab;
            const std::string_view caption = CatalogueTabCaption(tab);
            std::printf("%s[%.*s]\n", tab == 0 ? "" : "\n", static_cast<int>(caption.size()),
                        caption.data());
        }
        const bool exists = FindBuiltinCreator(row.id) != nullptr;
        std::printf("%5d  %s%s\n", row.id, row.name, exists ? "" : "  (not yet built)");
    }

    TPluginHost plugin;
    if (!LoadPlugin(plugin)) return 1;
    // No shader file: the plug-in falls back to the default shader, which passes the host through.
    const int32_t material = CreateMaterial("", TLocalKeyframes{});
    hxShadingRecord record{};
    record.colorIn[0] = 0.8f, record.colorIn[1] = 0.4f, record.colorIn[2] = 0.2f;
    record.filterIn[0] = 0.1f, record.filterIn[1] = 0.2f, record.filterIn[2] = 0.3f;
    record.shadingNormal[2] = 1.0f;
    plugin.BeginRender();
    plugin.Shade(kColor, material, record);
    plugin.Shade(kTransparency, material, record);
    plugin.Shade(kDisplacement, material, record);
    plugin.EndRender();
    std::printf(
        "\ndefault shader through the plug-in: colour %.9g %.9g %.9g, alpha %.9g, "
        "filter %.9g %.9g %.9g, normal %.9g %.9g %.9g\n",
        record.colorOut[0], record.colorOut[1], record.colorOut[2], record.alpha,
        record.filterOut[0], record.filterOut[1], record.filterOut[2], record.shadingNormal[0],
        record.shadingNormal[1], record.shadingNormal[2]);
    return 0;
}

}  // namespace

void AddCatalogueCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "catalogue", "List the component catalogue and evaluate the default shader once");
    command->callback([] { ExitStatus() = Run(); });
}

}  // namespace vandrel::cli

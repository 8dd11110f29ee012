#include "editor/model/output_values.h"

#include <map>
#include <string>

#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "core/tree_section.h"
#include "host/plugin.h"

namespace vandrel {

void UpdateOutputTypeLinks(TPluginState& plugin) {
    std::map<std::string, bool> standAlone;  // by file, so that a shared file is read once
    for (int32_t t = 0; t < kOutputTypeCount; ++t) {
        const std::string& file = plugin.CurrentShader[t];
        bool alone = true;
        if (!file.empty()) {
            auto it = standAlone.find(file);
            if (it == standAlone.end()) {
                it = standAlone.emplace(file, Scan(LoadShaderFile(file).stream)).first;
            }
            alone = it->second;
        }
        plugin.Interface.SetOutputTypeShader(t, file, alone);
    }
}

void TakeInterfaceDefaults(TPluginState& plugin, int32_t outputType, std::string_view stream) {
    *plugin.Interface.OutputValues(outputType) =
        DefaultKeyframes(ParseInterfaceString(StreamSection(stream, kInterfaceSection)));
}

void TakeChosenShaderValues(TPluginState& plugin, int32_t outputType, std::string_view stream) {
    TakeInterfaceDefaults(plugin, outputType, stream);
    UpdateOutputTypeLinks(plugin);
    for (int32_t other = 0; other < kOutputTypeCount; ++other) {
        if (other == outputType || !plugin.Interface.Linked(outputType, other)) continue;
        *plugin.Interface.OutputValues(outputType) = *plugin.Interface.OutputValues(other);
        break;
    }
}

}  // namespace vandrel

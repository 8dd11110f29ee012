// vandrel eval: one sample through the real plug-in callbacks, printed as one line that scripts
// parse: colour and reflectance "r g b", transparency "alpha r g b", displacement "x y z".
#include <cstdio>

#include "core/context.h"
#include "renderer/cli/cli_support.h"
#include "renderer/host/host_state.h"

namespace vandrel::cli {

namespace {

struct EvalOptions {
    std::string shader;
    std::string type = "color";
    TRecordOptions record;
    TMaterialOptions material;
    float frame = 0;
};

int Run(EvalOptions& o) {
    const int32_t type = TypeOption(o.type);
    const std::optional<TLoadedShader> loaded = ReadShaderInput(o.shader);
    if (!loaded) return 1;
    TLocalKeyframes values = InterfaceDefaults(loaded->stream);
    if (!o.material.Apply(values)) return 1;

    if (!o.record.Parse()) return 1;
    hxShadingRecord record = EvalRecord();
    o.record.Apply(record);

    TPluginHost plugin;
    if (!LoadPlugin(plugin)) return 1;
    host::SetAnimation({o.frame, 0.0f, 100.0f, 30.0f});
    const int32_t material = CreateNamedMaterial(o.shader, values);
    plugin.BeginRender();
    plugin.Shade(type, material, record);
    plugin.EndRender();
    switch (type) {
        case kTransparency:
            std::printf("%.9g %.9g %.9g %.9g\n", record.alpha, record.filterOut[0],
                        record.filterOut[1], record.filterOut[2]);
            break;
        case kDisplacement:
            std::printf("%.9g %.9g %.9g\n", record.shadingNormal[0], record.shadingNormal[1],
                        record.shadingNormal[2]);
            break;
        default:
            std::printf("%.9g %.9g %.9g\n", record.colorOut[0], record.colorOut[1],
                        record.colorOut[2]);
            break;
    }
    return 0;
}

}  // namespace

void AddEvalCommand(CLI::App& app) {
    auto options = std::make_shared<EvalOptions>();
    CLI::App* command = app.add_subcommand(
        "eval", "Evaluate one sample of a shader through the plug-in and print the result");
    command->add_option("SHADER", options->shader, "Shader file (.xrb)")->required();
    AddTypeOption(*command, options->type);
    options->record.Add(*command);
    options->material.Add(*command);
    command->add_option("--frame", options->frame, "The frame the host reports");
    command->callback([options] { ExitStatus() = Run(*options); });
}

}  // namespace vandrel::cli

// vandrel eval: one sample through the real plug-in callbacks, printed as one line that scripts
// parse: colour and reflectance "r g b", transparency "alpha r g b", displacement "x y z".
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "core/context.h"
#include "renderer/cli/cli_support.h"
#include "renderer/host/host_state.h"

namespace vandrel::cli {

namespace {

struct EvalOptions {
    std::string shader;
    std::string type = "color";
    std::vector<std::string> sets;
    TMaterialOptions material;
    float frame = 0;
};

// Variables the host record carries: 1 … 58, 63, 64.
int32_t RecordVariable(std::string_view shortName) {
    for (int32_t n = 1; n <= kVariableCount; ++n) {
        if ((n <= 58 || n == 63 || n == 64) && VariableShortName(n) == shortName) return n;
    }
    return 0;
}

int Run(const EvalOptions& o) {
    const std::map<std::string, int32_t> types = {{"color", kColor},
                                                  {"transparency", kTransparency},
                                                  {"reflectance", kReflectance},
                                                  {"displacement", kDisplacement}};
    const int32_t type = types.at(o.type);
    const std::optional<TLoadedShader> loaded = ReadShaderInput(o.shader);
    if (!loaded) return 1;
    TLocalKeyframes values = InterfaceDefaults(loaded->stream);
    if (!o.material.Apply(values)) return 1;

    hxShadingRecord record{};
    record.shadingNormal[2] = 1.0f;
    record.geometricNormal[2] = 1.0f;
    float* words = reinterpret_cast<float*>(&record);
    for (const std::string& set : o.sets) {
        const size_t eq = set.find('=');
        const int32_t variable = eq == std::string::npos ? 0 : RecordVariable(set.substr(0, eq));
        const auto floats =
            variable != 0 ? ParseFloats(std::string_view(set).substr(eq + 1), 3) : std::nullopt;
        if (!floats || floats->size() != static_cast<size_t>(FloatCount(VariableKind(variable)))) {
            PrintError(
                "--set " + set,
                "expected VAR=V[,V,V]: a variable of the shading record and one value per part");
            return 1;
        }
        std::memcpy(words + VariableFloatIndex(variable), floats->data(),
                    floats->size() * sizeof(float));
    }

    TPluginHost plugin;
    if (!LoadPlugin(plugin)) return 1;
    host::SetAnimation({o.frame, 0.0f, 100.0f, 30.0f});
    const int32_t material = CreateMaterial(std::filesystem::absolute(o.shader), values);
    NameMaterial(material, o.shader);
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
    command->add_option("--type", options->type, "Output type")
        ->check(CLI::IsMember({"color", "transparency", "reflectance", "displacement"}))
        ->capture_default_str();
    command
        ->add_option(
            "--set", options->sets,
            "A shading variable, VAR=V[,V,V] (short names: World, World.X, UV, SNorm, ColorIn ...)")
        ->type_name("VAR=V[,V,V]");
    options->material.Add(*command);
    command->add_option("--frame", options->frame, "The frame the host reports");
    command->callback([options] { ExitStatus() = Run(*options); });
}

}  // namespace vandrel::cli

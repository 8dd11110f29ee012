// vandrel bake: a shader baked into a texture map on the UV plane or a mesh's UV layout through the
// plug-in's callbacks, one map per frame, written whole as PNG, EXR or TIFF.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "core/context.h"
#include "renderer/bake.h"
#include "renderer/bake_mesh.h"
#include "renderer/cli/cli_support.h"
#include "renderer/host/host_state.h"
#include "renderer/image_writer.h"

namespace vandrel::cli {

namespace {

struct BakeOptions {
    std::string shader;
    std::string type = "color";
    std::string size = "1024x1024";
    int samples = 1;
    int threads = 0;
    std::string mesh;
    int padding = 4;
    TRecordOptions record;
    TMaterialOptions material;
    TFrameOptions frames;
    std::string output;
};

int Run(BakeOptions& o) {
    const std::optional<TLoadedShader> loaded = ReadShaderInput(o.shader);
    if (!loaded) return 1;
    int width = 0, height = 0;
    if (!ParseImageSize(o.size, width, height)) return 1;
    if (!CheckSamplesAndThreads(o.samples, o.threads)) return 1;
    if (o.padding < 0 || o.padding > 1024) {
        PrintError("--padding " + std::to_string(o.padding), "expected 0 to 1024 pixels");
        return 1;
    }
    TFramePlan plan;
    if (!PlanFrames(o.frames, o.output, plan)) return 1;
    if (!IsMapPath(o.output)) {
        PrintError(o.output, "the output must end in .png, .exr, .tif or .tiff");
        return 1;
    }
    TLocalKeyframes values = InterfaceDefaults(loaded->stream);
    if (!o.material.Apply(values)) return 1;
    if (!o.record.Parse()) return 1;
    TOutputGuard guard;
    guard.AddShader(o.shader, values);
    if (!o.mesh.empty()) guard.AddInput(o.mesh);
    const std::vector<int64_t> frames = plan.Frames();
    if (frames.empty()) return NoFramesInShard(o.frames);
    if (guard.Refuses(FramePath(o.output, frames.front()))) return 1;

    mesh::TMesh mesh;
    TUvLayout layout;
    if (!o.mesh.empty()) {
        std::string error;
        if (!LoadBakeMesh(o.mesh, mesh, error) || !layout.Build(mesh, width, height, error)) {
            PrintError(o.mesh, error);
            return 1;
        }
    }

    TPluginHost plugin;
    if (!LoadPlugin(plugin)) return 1;
    const int32_t material = CreateNamedMaterial(o.shader, values);
    TBakeSettings settings;
    settings.width = width;
    settings.height = height;
    settings.samples = o.samples;
    settings.threads = o.threads;
    settings.padding = o.padding;
    settings.outputType = TypeOption(o.type);
    settings.base = EvalRecord();
    settings.finish = [&o](hxShadingRecord& record) { o.record.Apply(record); };
    bool warned = false;
    settings.threadsReduced = [&](int started, int wanted) {
        if (std::exchange(warned, true)) return;
        PrintWarning("--threads " + std::to_string(o.threads),
                     "only " + std::to_string(started) + " of " + std::to_string(wanted) +
                         " rendering threads could be started; baking with " +
                         std::to_string(std::max(started, 1)));
    };

    TFrameSkips skips;
    for (const int64_t frame : frames) {
        const std::string path = FramePath(o.output, frame);
        if (frame != frames.front() && guard.Refuses(path)) return 1;
        if (skips.Skip(plan, path)) continue;
        // One frame plays as `eval` plays it, so that a pixel is what eval gives for its record;
        // a range plays over itself, as in render.
        host::SetAnimation({static_cast<float>(frame),
                            plan.range ? static_cast<float>(plan.first) : 0.0f,
                            plan.range ? static_cast<float>(plan.last) : 100.0f, 30.0f});
        std::string error;
        if (!BakeToFile(plugin, material, settings, o.mesh.empty() ? nullptr : &layout, path,
                        error)) {
            PrintError(path, error);
            return 1;
        }
    }
    skips.Report(o.output);
    return 0;
}

}  // namespace

void AddBakeCommand(CLI::App& app) {
    auto options = std::make_shared<BakeOptions>();
    CLI::App* command = app.add_subcommand("bake",
                                           "Bake a shader into a texture map on the UV plane or a "
                                           "mesh's UV layout (PNG, EXR or TIFF)");
    command->add_option("SHADER", options->shader, "Shader file (.xrb)")->required();
    AddTypeOption(*command, options->type);
    command->add_option("--size", options->size, "Map size in pixels")
        ->type_name("W[xH]")
        ->capture_default_str();
    command
        ->add_option("--samples", options->samples,
                     "Samples per pixel, jittered inside it (1: the pixel's centre)")
        ->capture_default_str();
    command->add_option("--threads", options->threads, "Rendering threads, 0 for all cores")
        ->capture_default_str();
    command->add_option("--mesh", options->mesh,
                        "A model file (OBJ, glTF, PLY, FBX, STL ...) baked in its UV layout "
                        "instead of the UV plane");
    command
        ->add_option("--padding", options->padding,
                     "With --mesh: pixels by which every chart is padded outward")
        ->capture_default_str();
    options->record.Add(*command);
    options->material.Add(*command);
    options->frames.Add(*command);
    command
        ->add_option("-o,--output", options->output,
                     "Output map: .png (8-bit sRGB colour, 16-bit linear normals and heights), "
                     ".exr or .tif (32-bit float)")
        ->required()
        ->type_name("OUT");
    command->callback([options] { ExitStatus() = Run(*options); });
}

}  // namespace vandrel::cli

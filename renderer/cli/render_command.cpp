// vandrel render: renders shader files on an object of the material-preview scene through the
// plug-in's callbacks and writes a PNG or EXR per frame.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>

#include "core/context.h"
#include "core/stream_sections.h"
#include "core/whole_file.h"
#include "renderer/cli/cli_support.h"
#include "renderer/cli/scene_render.h"
#include "renderer/host/host_state.h"
#include "renderer/host/mesh_geometry.h"
#include "renderer/host/scene.h"
#include "renderer/image_writer.h"

namespace vandrel::cli {

namespace {

struct RenderOptions {
    std::string shader;
    std::array<std::string, 4> slots;  // by output type
    std::string shape = "sphere";
    std::string mesh;
    std::string scene;
    std::string size = "512x512";
    int samples = 4;
    int threads = 0;
    TFrameOptions frames;
    TMaterialOptions material;
    std::string output;
};

// Where a SHADER without a slot option goes: the first output type its categories allow, in the
// order a material shows them.
int32_t SlotFor(const std::string& stream) {
    const TCategories categories = ParseCategories(StreamSection(stream, kCategoriesSection));
    for (const int32_t type : {kColor, kReflectance, kTransparency, kDisplacement}) {
        if (categories[static_cast<size_t>(type)]) return type;
    }
    return kColor;
}

std::string SlotOption(int32_t type) {
    std::string name(OutputTypeName(type));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return "--" + name;
}

void ShowProgress(int done, int total) {
    constexpr int kWidth = 40;
    const int filled = total > 0 ? done * kWidth / total : kWidth;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                 kWidth - filled, "", total > 0 ? done * 100 / total : 100);
    if (done >= total) std::fputc('\n', stderr);
    std::fflush(stderr);
}

int Run(RenderOptions o) {
    if (!o.scene.empty()) {
        bool slots = !o.shader.empty() || !o.material.triggers.empty() || !o.material.files.empty();
        for (const std::string& slot : o.slots) slots = slots || !slot.empty();
        if (slots) {
            PrintError(o.scene, "a scene file names its shaders; give none on the command line");
            return 1;
        }
    }
    std::array<std::optional<TLoadedShader>, 4> loaded;
    if (!o.shader.empty()) {
        std::optional<TLoadedShader> shader = ReadShaderInput(o.shader);
        if (!shader) return 1;
        const int32_t type = SlotFor(shader->stream);
        const auto slot = static_cast<size_t>(type);
        if (!o.slots[slot].empty()) {
            PrintError(o.shader, "give the " + std::string(OutputTypeName(type)) +
                                     " shader either as SHADER or with " + SlotOption(type));
            return 1;
        }
        if (type != kColor) {
            PrintNote(o.shader, "its categories do not include Color: it goes into the " +
                                    std::string(OutputTypeName(type)) + " slot");
        }
        o.slots[slot] = o.shader;
        loaded[slot] = std::move(shader);
    }
    int width = 0, height = 0;
    if (!ParseImageSize(o.size, width, height)) return 1;
    if (!CheckSamplesAndThreads(o.samples, o.threads)) return 1;
    TFramePlan plan;
    if (!PlanFrames(o.frames, o.output, plan)) return 1;
    const std::string extension = std::filesystem::path(o.output).extension().string();
    if (extension != ".png" && extension != ".exr" && extension != ".PNG" && extension != ".EXR") {
        PrintError(o.output, "the output must end in .png or .exr");
        return 1;
    }
    const std::map<std::string, host::ShapeKind> shapes = {{"sphere", host::ShapeKind::kSphere},
                                                           {"cube", host::ShapeKind::kCube},
                                                           {"plane", host::ShapeKind::kPlane},
                                                           {"torus", host::ShapeKind::kTorus}};

    std::array<TLocalKeyframes, 4> values{};
    TOutputGuard guard;
    for (size_t type = 0; type < 4; ++type) {
        if (o.slots[type].empty()) continue;
        if (!loaded[type]) loaded[type] = ReadShaderInput(o.slots[type]);
        if (!loaded[type]) return 1;
        values[type] = InterfaceDefaults(loaded[type]->stream);
        if (!o.material.Apply(values[type])) return 1;
        guard.AddShader(o.slots[type], values[type]);
    }
    if (!o.mesh.empty()) guard.AddInput(o.mesh);
    std::optional<TPreparedScene> prepared;
    if (!o.scene.empty()) {
        std::vector<std::string> inputs;
        prepared = PrepareScene(o.scene, inputs);
        if (!prepared) return 1;
        for (const std::string& input : inputs) guard.AddInput(input);
    }
    const std::vector<int64_t> frames = plan.Frames();
    if (frames.empty()) return NoFramesInShard(o.frames);
    if (guard.Refuses(FramePath(o.output, frames.front()))) return 1;

    std::shared_ptr<const host::TMeshGeometry> mesh;
    if (!o.mesh.empty()) {
        std::string error;
        mesh = host::TMeshGeometry::Load(o.mesh, error);
        if (mesh == nullptr) {
            PrintError(o.mesh, error);
            return 1;
        }
    }

    TPluginHost plugin;
    if (!LoadPlugin(plugin)) return 1;
    std::array<int32_t, 4> materials{};
    for (size_t type = 0; type < 4; ++type) {
        if (!o.slots[type].empty()) {
            materials[type] = CreateNamedMaterial(o.slots[type], values[type]);
        }
    }
    host::TScene scene = prepared          ? BuildScene(*prepared)
                         : mesh != nullptr ? host::PreviewScene(mesh, materials)
                                           : host::PreviewScene(shapes.at(o.shape), materials);
    for (int32_t type = 0; type < 4; ++type) {
        scene.shaders[static_cast<size_t>(type)] = plugin.Shader(type).shade;
    }
    host::TRenderSettings settings;
    settings.width = width;
    settings.height = height;
    settings.samples = o.samples;
    settings.threads = o.threads;
    if (isatty(fileno(stderr)) != 0) settings.progress = ShowProgress;
    bool warned = false;
    settings.threadsReduced = [&](int started, int wanted) {
        if (std::exchange(warned, true)) return;
        PrintWarning("--threads " + std::to_string(o.threads),
                     "only " + std::to_string(started) + " of " + std::to_string(wanted) +
                         " rendering threads could be started; rendering with " +
                         std::to_string(started));
    };

    TFrameSkips skips;
    for (const int64_t frame : frames) {
        const std::string path = FramePath(o.output, frame);
        if (frame != frames.front() && guard.Refuses(path)) return 1;
        if (skips.Skip(plan, path)) continue;
        host::SetAnimation({static_cast<float>(frame), static_cast<float>(plan.first),
                            static_cast<float>(plan.last), 30.0f});
        plugin.BeginRender();
        std::vector<float> image;
        // A PNG is encoded as the rows finish, beside the rendering threads.
        TPngRowWriter png(width, height);
        const bool streamed = IsPngPath(path);
        host::TRenderSettings frameSettings = settings;
        if (streamed) {
            frameSettings.rowsFinished = [&](const float* rgb, int rows) {
                png.WriteRows(rgb, rows);
            };
        }
        try {
            image = host::Render(scene, frameSettings);
        } catch (...) {
            plugin.EndRender();
            throw;
        }
        plugin.EndRender();
        std::string error;
        const bool written = streamed ? png.Finish(error) && WritePngFile(path, png, error)
                                      : WriteImage(path, width, height, image, error);
        if (!written) {
            PrintError(path, error);
            return 1;
        }
    }
    skips.Report(o.output);
    return 0;
}

}  // namespace

void AddRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = app.add_subcommand(
        "render", "Render shaders on an object of a material-preview scene to PNG or EXR");
    command->add_option("SHADER", options->shader,
                        "Shader file (.xrb) for the first slot its categories allow (Color, "
                        "Reflectance, Transparency, Displacement)");
    command->add_option("--color", options->slots[kColor], "Colour shader file");
    command->add_option("--reflectance", options->slots[kReflectance], "Reflectance shader file");
    command->add_option("--transparency", options->slots[kTransparency],
                        "Transparency shader file");
    command->add_option("--displacement", options->slots[kDisplacement],
                        "Displacement shader file");
    CLI::Option* shape = command->add_option("--shape", options->shape, "The object")
                             ->check(CLI::IsMember({"sphere", "cube", "plane", "torus"}))
                             ->capture_default_str();
    command
        ->add_option("--mesh", options->mesh,
                     "A model file (OBJ, glTF, PLY, FBX, STL ...) in place of the object, fitted "
                     "into its bounding sphere")
        ->excludes(shape);
    CLI::Option* sceneFile = command->add_option(
        "--scene", options->scene,
        "A scene file (JSON: camera, lights, objects and their materials) instead of the "
        "material-preview scene");
    sceneFile->excludes(shape)->excludes("--mesh");
    command->add_option("--size", options->size, "Image size in pixels")
        ->type_name("W[xH]")
        ->capture_default_str();
    command->add_option("--samples", options->samples, "Stratified samples per pixel")
        ->capture_default_str();
    command->add_option("--threads", options->threads, "Rendering threads, 0 for all cores")
        ->capture_default_str();
    options->frames.Add(*command);
    options->material.Add(*command);
    command->add_option("-o,--output", options->output, "Output image (.png or .exr)")
        ->required()
        ->type_name("OUT");
    command->callback([options] { ExitStatus() = Run(*options); });
}

}  // namespace vandrel::cli

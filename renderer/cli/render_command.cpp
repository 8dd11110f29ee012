// vandrel render: renders shader files on an object of the material-preview scene through the
// plug-in's callbacks and writes a PNG or EXR per frame.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>

#include "core/context.h"
#include "renderer/cli/cli_support.h"
#include "renderer/host/host_state.h"
#include "renderer/host/scene.h"

namespace vandrel::cli {

namespace {

constexpr int kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t{1} << 26;

struct RenderOptions {
    std::string shader;
    std::array<std::string, 4> slots;  // by output type
    std::string shape = "sphere";
    std::string size = "512x512";
    int samples = 4;
    int threads = 0;
    std::optional<int> frame;
    std::string frames;
    TMaterialOptions material;
    std::string output;
};

bool ParseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ParseSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    if (!ParseInt(std::string_view(text).substr(0, x), width)) return false;
    if (x == std::string::npos)
        height = width;
    else if (!ParseInt(std::string_view(text).substr(x + 1), height))
        return false;
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
           int64_t{width} * height <= kMaxPixels;
}

bool ParseFrames(const std::string& text, int& first, int& last) {
    const size_t dash = text.find('-', 1);  // a leading '-' is a sign
    return dash != std::string::npos && ParseInt(std::string_view(text).substr(0, dash), first) &&
           ParseInt(std::string_view(text).substr(dash + 1), last) && first <= last &&
           last - first < 100000;
}

// OUT with its "%04d" replaced by the frame number.
std::string FramePath(const std::string& pattern, int frame) {
    const size_t at = pattern.find("%04d");
    if (at == std::string::npos) return pattern;
    char number[16];
    std::snprintf(number, sizeof number, "%04d", frame);
    return pattern.substr(0, at) + number + pattern.substr(at + 4);
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
    if (!o.shader.empty()) {
        if (!o.slots[kColor].empty()) {
            PrintError(o.shader, "give the colour shader either as SHADER or with --color");
            return 1;
        }
        o.slots[kColor] = o.shader;
    }
    int width = 0, height = 0;
    if (!ParseSize(o.size, width, height)) {
        PrintError("--size " + o.size,
                   "expected W or WxH, each from 1 to 16384, at most 2^26 pixels");
        return 1;
    }
    if (o.samples < 1 || o.samples > 4096) {
        PrintError("--samples " + std::to_string(o.samples),
                   "expected 1 to 4096 samples per pixel");
        return 1;
    }
    if (o.threads < 0 || o.threads > 1024) {
        PrintError("--threads " + std::to_string(o.threads), "expected 0 (all cores) to 1024");
        return 1;
    }
    int first = o.frame.value_or(0), last = first;
    if (!o.frames.empty()) {
        if (o.frame) {
            PrintError("--frames " + o.frames, "give either --frame or --frames");
            return 1;
        }
        if (!ParseFrames(o.frames, first, last)) {
            PrintError("--frames " + o.frames, "expected A-B with A <= B");
            return 1;
        }
        if (first != last && o.output.find("%04d") == std::string::npos) {
            PrintError(o.output, "a frame range needs %04d in the output name");
            return 1;
        }
    }
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
    for (size_t type = 0; type < 4; ++type) {
        if (o.slots[type].empty()) continue;
        std::string stream;
        if (!CheckShaderFile(o.slots[type], stream)) return 1;
        values[type] = InterfaceDefaults(stream);
        if (!o.material.Apply(values[type])) return 1;
    }

    TPluginHost plugin;
    if (!LoadPlugin(plugin)) return 1;
    std::array<int32_t, 4> materials{};
    for (size_t type = 0; type < 4; ++type) {
        if (!o.slots[type].empty()) {
            materials[type] =
                CreateMaterial(std::filesystem::absolute(o.slots[type]), values[type]);
        }
    }
    host::TScene scene = host::PreviewScene(shapes.at(o.shape), materials);
    for (int32_t type = 0; type < 4; ++type) {
        scene.shaders[static_cast<size_t>(type)] = plugin.Shader(type).shade;
    }
    host::TRenderSettings settings;
    settings.width = width;
    settings.height = height;
    settings.samples = o.samples;
    settings.threads = o.threads;
    if (isatty(fileno(stderr)) != 0) settings.progress = ShowProgress;

    for (int frame = first; frame <= last; ++frame) {
        host::SetAnimation({static_cast<float>(frame), static_cast<float>(first),
                            static_cast<float>(last), 30.0f});
        plugin.BeginRender();
        const std::vector<float> image = host::Render(scene, settings);
        plugin.EndRender();
        const std::string path = FramePath(o.output, frame);
        std::string error;
        if (!host::WriteImage(path, width, height, image, error)) {
            PrintError(path, error);
            return 1;
        }
    }
    return 0;
}

}  // namespace

void AddRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = app.add_subcommand(
        "render", "Render shaders on an object of a material-preview scene to PNG or EXR");
    command->add_option("SHADER", options->shader, "Shader file (.xrb) for the colour slot");
    command->add_option("--color", options->slots[kColor], "Colour shader file");
    command->add_option("--reflectance", options->slots[kReflectance], "Reflectance shader file");
    command->add_option("--transparency", options->slots[kTransparency],
                        "Transparency shader file");
    command->add_option("--displacement", options->slots[kDisplacement],
                        "Displacement shader file");
    command->add_option("--shape", options->shape, "The object")
        ->check(CLI::IsMember({"sphere", "cube", "plane", "torus"}))
        ->capture_default_str();
    command->add_option("--size", options->size, "Image size in pixels")
        ->type_name("W[xH]")
        ->capture_default_str();
    command->add_option("--samples", options->samples, "Stratified samples per pixel")
        ->capture_default_str();
    command->add_option("--threads", options->threads, "Rendering threads, 0 for all cores")
        ->capture_default_str();
    command->add_option("--frame", options->frame, "The frame the host reports");
    command->add_option("--frames", options->frames, "Render frames A to B (OUT needs %04d)")
        ->type_name("A-B");
    options->material.Add(*command);
    command->add_option("-o,--output", options->output, "Output image (.png or .exr)")
        ->required()
        ->type_name("OUT");
    command->callback([options] {
        // Out of memory or threads: one error line rather than an abort.
        try {
            ExitStatus() = Run(*options);
        } catch (const std::exception& e) {
            PrintError("render", e.what());
            ExitStatus() = 1;
        }
    });
}

}  // namespace vandrel::cli

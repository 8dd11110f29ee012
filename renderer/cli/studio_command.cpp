// vandrel studio: the material window. It lives in libvandrel_studio.so, opened only here, so that
// the other subcommands never load Qt.
#include <dlfcn.h>

#include <filesystem>

#include "renderer/cli/cli_support.h"
#include "renderer/studio/studio_entry.h"

namespace vandrel::cli {

namespace {

int Run(const std::string& shader) {
    if (!shader.empty() && !ReadShaderInput(shader)) return 1;
    const std::filesystem::path module = DefaultPluginPath().parent_path() / studio::kStudioModule;
    // Never closed: Qt's threads and exit handlers may still run from it.
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        PrintError(module.string(), std::string("the studio is not available: ") +
                                        (reason != nullptr ? reason : "cannot load it"));
        return 1;
    }
    const auto entry = reinterpret_cast<studio::TStudioMain>(dlsym(handle, studio::kStudioEntry));
    if (entry == nullptr) {
        PrintError(module.string(), "the studio is not available: no entry point");
        return 1;
    }
    std::string name = "vandrel";
    char* argv[] = {name.data(), nullptr};
    return entry(1, argv, shader.c_str()) == 0 ? 0 : 1;
}

}  // namespace

void AddStudioCommand(CLI::App& app) {
    auto shader = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "studio",
        "Open the material window: the four slots and their panels, a live preview, material "
        "files and rendering to an image");
    command->add_option("SHADER", *shader, "Shader file (.xrb) for the colour slot");
    command->callback([shader] { ExitStatus() = Run(*shader); });
}

}  // namespace vandrel::cli

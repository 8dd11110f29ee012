#include "renderer/cli/scene_render.h"

#include <filesystem>
#include <map>

#include "renderer/cli/cli_support.h"
#include "renderer/host/host_state.h"
#include "renderer/host/mesh_geometry.h"

namespace vandrel::cli {

std::optional<TPreparedScene> PrepareScene(const std::string& path,
                                           std::vector<std::string>& inputs) {
    std::string error;
    std::optional<scene::TSceneFile> file = scene::LoadSceneFile(path, error);
    if (!file) {
        PrintError(path, error);
        return std::nullopt;
    }
    inputs.push_back(path);
    TPreparedScene prepared;
    prepared.file = std::move(*file);
    std::map<std::string, std::shared_ptr<const host::TMeshGeometry>> meshes;
    for (const scene::TSceneObject& object : prepared.file.objects) {
        std::array<TLocalKeyframes, 4> values{};
        for (size_t type = 0; type < 4; ++type) {
            const scene::TSceneSlot& slot = object.slots[type];
            if (slot.shader.empty()) continue;
            const std::optional<TLoadedShader> loaded = ReadShaderInput(slot.shader);
            if (!loaded) return std::nullopt;
            inputs.push_back(slot.shader);
            values[type] = slot.values ? *slot.values : InterfaceDefaults(loaded->stream);
            for (const auto& [n, v] : slot.triggers) {
                for (size_t k = 0; k < v.size(); ++k) {
                    values[type].Triggers[static_cast<size_t>(n - 1)][k] = v[k];
                }
            }
            for (const auto& [n, f] : slot.files)
                values[type].Files[static_cast<size_t>(n - 1)] = f;
            for (const std::string& f : values[type].Files) {
                if (f.size() > 2) inputs.push_back(f.substr(2));
            }
        }
        prepared.values.push_back(values);
        std::shared_ptr<const host::TMeshGeometry> mesh;
        if (!object.mesh.empty()) {
            auto& cached = meshes[object.mesh];
            if (cached == nullptr) cached = host::TMeshGeometry::Load(object.mesh, error);
            if (cached == nullptr) {
                PrintError(object.mesh, error);
                return std::nullopt;
            }
            inputs.push_back(object.mesh);
            mesh = cached;
        }
        prepared.meshes.push_back(mesh);
    }
    return prepared;
}

host::TScene BuildScene(const TPreparedScene& prepared) {
    const scene::TSceneFile& file = prepared.file;
    host::TScene scene;
    scene.camera = file.camera;
    scene.background = file.background;
    scene.lights.push_back({host::LightKind::kAmbient, file.ambient, {}, {}, false});
    scene.lights.insert(scene.lights.end(), file.lights.begin(), file.lights.end());
    for (size_t i = 0; i < file.objects.size(); ++i) {
        const scene::TSceneObject& from = file.objects[i];
        host::TObject object;
        object.shape = from.shape;
        object.transform = from.transform;
        object.baseColor = from.color;
        object.mesh = prepared.meshes[i];
        for (size_t type = 0; type < 4; ++type) {
            const std::string& shader = from.slots[type].shader;
            if (shader.empty()) continue;
            object.materials[type] =
                CreateMaterial(std::filesystem::absolute(shader), prepared.values[i][type]);
            NameMaterial(object.materials[type], shader);
        }
        host::Node node;
        for (size_t k = 0; k < 12; ++k) node.transform[k] = object.transform[k];
        node.location = {object.transform[3], object.transform[7], object.transform[11]};
        node.axesPosition = node.location;
        object.node = host::CreateNode(node);
        scene.objects.push_back(std::move(object));
    }
    return scene;
}

}  // namespace vandrel::cli

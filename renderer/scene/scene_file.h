// Scene files: a camera, lights, a background and objects (model files or built-in shapes) with
// transforms and materials, as JSON. resources/scene.schema.json describes the same rules; the
// README shows an example.
//
// Reading is strict: a key the format does not have, a missing required key, a value of the wrong
// type or outside its range is an error that names the key by its path ("objects[1].transform").
// Paths in the file (meshes, shaders, material files, file slots) are relative to the scene
// file's folder; those in a material file relative to the material file's.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "interface/interface_model.h"
#include "renderer/host/scene.h"

namespace vandrel::scene {

inline constexpr size_t kMaxSceneFileBytes = 16 << 20;
inline constexpr size_t kMaxSceneObjects = 10000;
inline constexpr size_t kMaxSceneLights = 1000;

// One slot of an object's material. From a material file, values is the whole set; from per-slot
// shader files, triggers and files go over the shader's interface defaults.
struct TSceneSlot {
    std::string shader;  // empty: the slot is unused
    std::optional<TLocalKeyframes> values;
    std::vector<std::pair<int, std::vector<float>>> triggers;  // 1 … 20, one to three values
    std::vector<std::pair<int, std::string>> files;            // 1 … 5, "KIND:PATH"
};

struct TSceneObject {
    host::ShapeKind shape = host::ShapeKind::kSphere;
    std::string mesh;  // the model file of a kMesh object
    std::array<float, 12> transform{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    host::Vec3 color{1, 1, 1};
    std::array<TSceneSlot, 4> slots;  // by output type
};

struct TSceneFile {
    host::TCamera camera;
    host::Vec3 background{0.55f, 0.6f, 0.68f};
    host::Vec3 ambient{1, 1, 1};
    std::vector<host::TLight> lights;  // point and directional
    std::vector<TSceneObject> objects;
};

// Nothing, with the reason in error, unless the text is a complete, well-formed scene; folder
// resolves its relative paths. Material files it names are read here too.
std::optional<TSceneFile> ParseScene(std::string_view text, const std::filesystem::path& folder,
                                     std::string& error);
std::optional<TSceneFile> LoadSceneFile(const std::filesystem::path& path, std::string& error);

}  // namespace vandrel::scene

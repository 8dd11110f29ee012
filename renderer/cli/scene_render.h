// `vandrel render --scene`: a scene file made into the host's scene.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "renderer/host/scene.h"
#include "renderer/scene/scene_file.h"

namespace vandrel::cli {

struct TPreparedScene {
    scene::TSceneFile file;
    std::vector<std::array<TLocalKeyframes, 4>> values;              // by object, by output type
    std::vector<std::shared_ptr<const host::TMeshGeometry>> meshes;  // by object; null for shapes
};

// Reads the scene file, the shader files and the meshes it names; nothing, after an error line,
// when one of them cannot be used. inputs receives every file a picture must not replace.
std::optional<TPreparedScene> PrepareScene(const std::string& path,
                                           std::vector<std::string>& inputs);

// The host's scene: its materials and nodes made; the plug-in's callbacks are set by the caller.
host::TScene BuildScene(const TPreparedScene& prepared);

}  // namespace vandrel::cli

// Reading a model file into a raw mesh (the mesh module's importer).
#pragma once

#include <filesystem>
#include <string>

#include "renderer/mesh/mesh.h"

namespace vandrel::mesh {

// False with a reason for a file that is missing, unreadable, over 2 GiB, declares more than it
// holds, or that the importer refuses; the raw mesh is not yet checked (PrepareMesh does that).
bool ImportMesh(const std::filesystem::path& path, TRawMesh& raw, std::string& error);

}  // namespace vandrel::mesh

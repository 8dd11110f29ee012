// The mesh module's one entry point.
#include "renderer/mesh/mesh_module.h"

#include <exception>
#include <new>

#include "renderer/mesh/mesh_bvh.h"
#include "renderer/mesh/mesh_import.h"

namespace vandrel::mesh {
namespace {

bool Load(const char* path, TMesh& mesh, std::string& error) {
    TRawMesh raw;
    if (!ImportMesh(path, raw, error)) return false;
    return PrepareMesh(std::move(raw), mesh, error);
}

const TMeshIo kIo = {Load, BuildBvh, IntersectBvh, OccludedBvh, ReleaseBvh};

}  // namespace
}  // namespace vandrel::mesh

extern "C" __attribute__((visibility("default"))) const vandrel::mesh::TMeshIo* VandrelMeshIo() {
    return &vandrel::mesh::kIo;
}

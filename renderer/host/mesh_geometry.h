// A mesh in the stand-in host's scenes: the prepared mesh and its BVH, built once when the mesh
// is made and shared, read-only, by every render and every rendering thread. The mesh module is
// loaded from the folder of the host library on first use.
#pragma once

#include <memory>
#include <string>

#include "renderer/host/vec3.h"
#include "renderer/mesh/mesh_module.h"

namespace vandrel::host {

// A hit on a mesh in its object space: interpolated at the hit point.
struct TMeshSurface {
    float t = 0;
    Vec3 normal{};        // shading: the interpolated vertex normal, unit
    Vec3 geometric{};     // the triangle's, unit, on the side of the vertex normals
    Vec3 dpdu{}, dpdv{};  // along the smoothed U and V directions, as long as the triangle's
    float u = 0, v = 0;
};

class TMeshGeometry {
  public:
    // Reads a model file; null, with the reason in error, when it cannot be used.
    static std::shared_ptr<const TMeshGeometry> Load(const std::string& path, std::string& error);
    // Builds the BVH of a prepared mesh.
    static std::shared_ptr<const TMeshGeometry> Make(mesh::TMesh mesh, std::string& error);
    ~TMeshGeometry();
    TMeshGeometry(const TMeshGeometry&) = delete;
    TMeshGeometry& operator=(const TMeshGeometry&) = delete;

    const mesh::TMesh& Mesh() const { return mesh_; }
    // The nearest hit with t in (tMin, tMax); direction need not be unit.
    bool Intersect(const Vec3& origin, const Vec3& direction, float tMin, float tMax,
                   TMeshSurface& hit) const;
    bool Occluded(const Vec3& origin, const Vec3& direction, float tMin, float tMax) const;

  private:
    TMeshGeometry(const mesh::TMeshIo* io, mesh::TMesh mesh) : io_(io), mesh_(std::move(mesh)) {}
    const mesh::TMeshIo* io_;
    mesh::TMesh mesh_;
    mesh::TMeshBvh* bvh_ = nullptr;
};

// The module's operations, or null when it cannot be loaded (the reason then in *error when
// given). Safe from any thread; loads at most once.
const mesh::TMeshIo* MeshIo(std::string* error = nullptr);

}  // namespace vandrel::host

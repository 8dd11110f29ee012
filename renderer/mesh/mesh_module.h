// The mesh module: model files through Assimp and ray queries through Embree, in a module of its
// own that the host library loads on first use, so that a command that never reads a mesh does
// not pay for loading those libraries at start.
//
// A BVH is built once per mesh and is then only read: any number of threads may query it at once.
#pragma once

#include <cstdint>
#include <string>

#include "renderer/mesh/mesh.h"

namespace vandrel::mesh {

struct TMeshBvh;

// A ray's nearest hit: its parameter, the triangle, and the barycentric weights of the triangle's
// second and third vertex.
struct TMeshHit {
    float t = 0;
    uint32_t triangle = 0;
    float b1 = 0, b2 = 0;
};

struct TMeshIo {
    // Reads and prepares a model file: all its triangle meshes, placed by the file's node
    // transforms, as one mesh. False with a reason for a file that is missing, unreadable,
    // malformed, declares more data than it holds, or fails PrepareMesh. Never throws but
    // std::bad_alloc.
    bool (*load)(const char* path, TMesh& mesh, std::string& error);
    // Null, with a reason, when Embree cannot build it (out of memory).
    TMeshBvh* (*build)(const TMesh& mesh, std::string& error);
    // The nearest hit with t in (tMin, tMax); the direction need not be unit.
    bool (*intersect)(const TMeshBvh* bvh, const float* origin, const float* direction, float tMin,
                      float tMax, TMeshHit& hit);
    bool (*occluded)(const TMeshBvh* bvh, const float* origin, const float* direction, float tMin,
                     float tMax);
    void (*release)(TMeshBvh* bvh);
};

}  // namespace vandrel::mesh

extern "C" const vandrel::mesh::TMeshIo* VandrelMeshIo();
inline constexpr const char* kMeshModule = "libvandrel_mesh.so";
inline constexpr const char* kMeshEntry = "VandrelMeshIo";

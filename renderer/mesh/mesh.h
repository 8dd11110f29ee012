// A triangle mesh ready for shading: what the mesh module makes of a model file, and what the
// tracer reads at a hit.
//
// Every vertex has a unit normal, a UV and unit U and V directions orthogonal to the normal (the
// directions in which u and v grow, smoothed over the triangles around the vertex). Positions are
// the file's own coordinates (after the file's node transforms), which is the object space of a
// hit. Without UVs in the file every vertex gets the spherical projection about the centre of the
// bounding box, in the convention of the preview sphere: u = 0.5 + atan2(x, z) / 2π,
// v = 0.5 + asin(y / |p|) / π. Triangles that cross the seam at u = 0 get copies of their vertices
// with u + 1, so that no triangle spans the whole range; the tracer wraps u back into [0, 1).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vandrel::mesh {

// A mesh may hold at most this many vertices and triangles: memory stays in the gigabytes.
inline constexpr uint64_t kMaxVertices = uint64_t{1} << 26;
inline constexpr uint64_t kMaxTriangles = uint64_t{1} << 26;

struct TMesh {
    std::vector<float> positions;  // 3 per vertex
    std::vector<float> normals;    // 3 per vertex
    std::vector<float> uvs;        // 2 per vertex
    std::vector<float> uDirections;
    std::vector<float> vDirections;
    std::vector<uint32_t> indices;  // 3 per triangle
    bool projectedUv = false;
    std::array<float, 3> centre{};  // of the bounding box
    float radius = 0;               // the largest distance of a vertex from the centre
    size_t VertexCount() const { return positions.size() / 3; }
    size_t TriangleCount() const { return indices.size() / 3; }
};

// What an importer hands over. normals is empty or 3 per vertex, a zero normal meaning "none"
// (smoothed from the faces around the vertex); uvs is empty or 2 per vertex.
struct TRawMesh {
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<float> uvs;
    std::vector<uint32_t> indices;
};

// Checks the raw mesh and completes it: false, with the reason in error, for a mesh without
// triangles or over the limits, an index out of range, a position or UV that is not a finite
// number (or lies beyond ±1e15), no triangle with an area, or a UV layout in which no triangle
// covers any area. Never throws but std::bad_alloc.
bool PrepareMesh(TRawMesh raw, TMesh& mesh, std::string& error);

}  // namespace vandrel::mesh

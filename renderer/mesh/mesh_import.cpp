// Model files through Assimp: every triangle mesh the file's node tree places, in the file's
// coordinates, as one raw mesh.
#include "renderer/mesh/mesh_import.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <cstdio>
#include <filesystem>
#include <new>
#include <utility>
#include <vector>

#include "core/regular_file.h"
#include "renderer/mesh/declared_sizes.h"

namespace vandrel::mesh {
namespace {

constexpr uint64_t kMaxFileBytes = uint64_t{2} << 30;

struct TPlacement {
    const aiMesh* mesh;
    aiMatrix4x4 transform;
};

// The meshes the node tree places, without recursion: a deep tree cannot exhaust the stack.
bool Placements(const aiScene& scene, std::vector<TPlacement>& out, uint64_t& vertices,
                uint64_t& triangles, std::string& error) {
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> stack;
    if (scene.mRootNode != nullptr) stack.emplace_back(scene.mRootNode, aiMatrix4x4());
    while (!stack.empty()) {
        auto [node, parent] = stack.back();
        stack.pop_back();
        const aiMatrix4x4 transform = parent * node->mTransformation;
        for (unsigned i = 0; i < node->mNumMeshes; ++i) {
            if (node->mMeshes[i] >= scene.mNumMeshes) continue;
            const aiMesh* mesh = scene.mMeshes[node->mMeshes[i]];
            if (mesh == nullptr || (mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE) == 0) {
                continue;
            }
            vertices += mesh->mNumVertices;
            triangles += mesh->mNumFaces;
            if (vertices > kMaxVertices || triangles > kMaxTriangles) {
                error = "the model places more than 2^26 vertices or triangles";
                return false;
            }
            out.push_back({mesh, transform});
        }
        for (unsigned i = 0; i < node->mNumChildren; ++i) {
            if (node->mChildren[i] != nullptr) stack.emplace_back(node->mChildren[i], transform);
        }
    }
    return true;
}

}  // namespace

bool ImportMesh(const std::filesystem::path& path, TRawMesh& raw, std::string& error) {
    {
        const TFileHandle in = OpenRegularFile(path);
        if (!in) {
            error = "cannot read the mesh file";
            return false;
        }
    }
    std::error_code code;
    const uint64_t bytes = std::filesystem::file_size(path, code);
    if (code) {
        error = "cannot read the mesh file";
        return false;
    }
    if (bytes > kMaxFileBytes) {
        error = "the mesh file is larger than 2 GiB";
        return false;
    }
    if (!CheckDeclaredSizes(path, bytes, error)) return false;

    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene =
        importer.ReadFile(path.string(), aiProcess_Triangulate | aiProcess_ValidateDataStructure |
                                             aiProcess_SortByPType);
    // Formats that store a vertex per corner (OBJ, STL) come with more vertices than faces; only
    // they need the costly join that makes the corners of neighbouring faces one vertex again, for
    // smoothing. Indexed files (PLY, glTF) keep their own vertices.
    bool unshared = false;
    for (unsigned i = 0; scene != nullptr && i < scene->mNumMeshes; ++i) {
        const aiMesh* m = scene->mMeshes[i];
        unshared = unshared || (m != nullptr && m->mNumVertices > m->mNumFaces);
    }
    if (unshared) scene = importer.ApplyPostProcessing(aiProcess_JoinIdenticalVertices);
    if (scene == nullptr || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0) {
        const std::string why = importer.GetErrorString();
        error = "not a mesh this program can read" + (why.empty() ? "" : ": " + why);
        return false;
    }
    std::vector<TPlacement> placements;
    uint64_t vertices = 0, triangles = 0;
    if (!Placements(*scene, placements, vertices, triangles, error)) return false;
    if (triangles == 0) {
        error = "the mesh has no triangles";
        return false;
    }
    // The first UV set when every part has one; otherwise the whole model is projected.
    bool uvs = true, normals = false;
    for (const TPlacement& p : placements) {
        uvs = uvs && p.mesh->HasTextureCoords(0);
        normals = normals || p.mesh->HasNormals();
    }
    raw = TRawMesh{};
    raw.positions.reserve(3 * vertices);
    if (normals) raw.normals.reserve(3 * vertices);
    if (uvs) raw.uvs.reserve(2 * vertices);
    raw.indices.reserve(3 * triangles);
    for (const TPlacement& p : placements) {
        const aiMesh& m = *p.mesh;
        const auto base = static_cast<uint32_t>(raw.positions.size() / 3);
        aiMatrix3x3 normalTransform(p.transform);
        normalTransform.Inverse().Transpose();
        for (unsigned v = 0; v < m.mNumVertices; ++v) {
            const aiVector3D position = p.transform * m.mVertices[v];
            raw.positions.insert(raw.positions.end(), {position.x, position.y, position.z});
            if (normals) {
                // A zero normal is smoothed from the faces.
                const aiVector3D n =
                    m.HasNormals() ? normalTransform * m.mNormals[v] : aiVector3D(0, 0, 0);
                raw.normals.insert(raw.normals.end(), {n.x, n.y, n.z});
            }
            if (uvs) {
                raw.uvs.insert(raw.uvs.end(), {m.mTextureCoords[0][v].x, m.mTextureCoords[0][v].y});
            }
        }
        for (unsigned f = 0; f < m.mNumFaces; ++f) {
            const aiFace& face = m.mFaces[f];
            if (face.mNumIndices != 3) continue;
            for (unsigned k = 0; k < 3; ++k) {
                // Out of range indices stay out of range, for PrepareMesh to report.
                const uint64_t index = uint64_t{base} + face.mIndices[k];
                raw.indices.push_back(index > UINT32_MAX ? UINT32_MAX
                                                         : static_cast<uint32_t>(index));
            }
        }
    }
    return true;
}

}  // namespace vandrel::mesh

// Meshes in the stand-in host: model files through the mesh module, the completed attributes, and
// a mesh sphere that shades like the analytic sphere.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "hostapi/hostapi.h"
#include "renderer/host/mesh_geometry.h"
#include "renderer/host/scene.h"
#include "renderer/mesh_fixtures.h"
#include "test_support.h"

namespace vandrel::host {
namespace {

class Meshes : public ::testing::Test {
  protected:
    std::shared_ptr<const TMeshGeometry> Load(const std::string& name, const std::string& text) {
        test::WriteText(folder / name, text);
        std::string error;
        auto mesh = TMeshGeometry::Load((folder / name).string(), error);
        EXPECT_NE(mesh, nullptr) << error;
        return mesh;
    }

    test::TempFolder folder{"vandrel_mesh_"};
};

Vec3 At(const std::vector<float>& v, size_t i) { return {v[3 * i], v[3 * i + 1], v[3 * i + 2]}; }

// The vertex at a position; the vertex count when there is none.
size_t Find(const mesh::TMesh& m, const Vec3& p) {
    for (size_t i = 0; i < m.VertexCount(); ++i) {
        if (Length(At(m.positions, i) - p) < 1e-6f) return i;
    }
    return m.VertexCount();
}

void ExpectNear(const Vec3& a, const Vec3& b, float tolerance) {
    for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], tolerance) << "component " << k;
}

TEST_F(Meshes, EachFormatLoads) {
    struct Case {
        const char* name;
        std::string text;
        size_t triangles;
        bool projected;
        Vec3 position;  // a vertex, with its UV
        float u, v;
    };
    const Case cases[] = {
        {"quad.obj", test::QuadObj(), 2, false, {2, 1, 0}, 1, 1},
        {"triangle.gltf", test::TriangleGltf(), 1, false, {1, 0, 0}, 1, 0},
        {"triangle.gltf", test::TriangleGltf(), 1, false, {0, 1, 0}, 0, 1},
        {"tetrahedron.ply", test::TetrahedronPly(), 4, true, {1, 1, 1}, 0.625f, 0.695913f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto geometry = Load(c.name, c.text);
        ASSERT_NE(geometry, nullptr);
        const mesh::TMesh& m = geometry->Mesh();
        EXPECT_EQ(m.TriangleCount(), c.triangles);
        EXPECT_EQ(m.projectedUv, c.projected);
        const size_t i = Find(m, c.position);
        ASSERT_LT(i, m.VertexCount());
        EXPECT_NEAR(m.uvs[2 * i], c.u, 1e-5f);
        EXPECT_NEAR(m.uvs[2 * i + 1], c.v, 1e-5f);
        for (size_t k = 0; k < m.VertexCount(); ++k) {
            const Vec3 n = At(m.normals, k), u = At(m.uDirections, k), v = At(m.vDirections, k);
            EXPECT_NEAR(Length(n), 1, 1e-5f);
            EXPECT_NEAR(Length(u), 1, 1e-5f);
            EXPECT_NEAR(Length(v), 1, 1e-5f);
            EXPECT_NEAR(Dot(n, u), 0, 1e-5f);
            EXPECT_NEAR(Dot(n, v), 0, 1e-5f);
            EXPECT_NEAR(Dot(u, v), 0, 1e-5f);
        }
    }
}

// Without normals and UVs: normals smoothed from the faces (by symmetry along the position of an
// octahedron's vertex), the spherical projection, and no triangle spanning the seam.
TEST_F(Meshes, MissingNormalsAndUvsAreMade) {
    const auto geometry = Load("octahedron.obj", test::OctahedronObj());
    ASSERT_NE(geometry, nullptr);
    const mesh::TMesh& m = geometry->Mesh();
    ASSERT_TRUE(m.projectedUv);
    for (size_t i = 0; i < m.VertexCount(); ++i) {
        ExpectNear(At(m.normals, i), Normalize(At(m.positions, i)), 1e-5f);
    }
    struct Expected {
        Vec3 p;
        float u, v;
    };
    for (const Expected& e : {Expected{{0, 0, 1}, 0.5f, 0.5f}, Expected{{1, 0, 0}, 0.75f, 0.5f},
                              Expected{{-1, 0, 0}, 0.25f, 0.5f}}) {
        const size_t i = Find(m, e.p);
        ASSERT_LT(i, m.VertexCount());
        EXPECT_NEAR(m.uvs[2 * i], e.u, 1e-6f);
        EXPECT_NEAR(m.uvs[2 * i + 1], e.v, 1e-6f);
    }
    for (size_t t = 0; t < m.TriangleCount(); ++t) {
        float low = 2, high = -1;
        for (size_t k = 0; k < 3; ++k) {
            low = std::min(low, m.uvs[2 * m.indices[3 * t + k]]);
            high = std::max(high, m.uvs[2 * m.indices[3 * t + k]]);
        }
        EXPECT_LE(high - low, 0.5f) << "triangle " << t;
    }
}

TEST_F(Meshes, UAndVDirectionsFollowTheLayout) {
    for (const bool mirrored : {false, true}) {
        SCOPED_TRACE(mirrored ? "mirrored" : "plain");
        const auto geometry = Load("quad.obj", test::QuadObj(mirrored));
        ASSERT_NE(geometry, nullptr);
        const mesh::TMesh& m = geometry->Mesh();
        for (size_t i = 0; i < m.VertexCount(); ++i) {
            ExpectNear(At(m.uDirections, i), {mirrored ? -1.0f : 1.0f, 0, 0}, 1e-6f);
            ExpectNear(At(m.vDirections, i), {0, 1, 0}, 1e-6f);
        }
        // A ray hit: UV and the lengths of dP/du (2 along x) and dP/dv (1 along y).
        TMeshSurface hit;
        ASSERT_TRUE(geometry->Intersect({0.5f, 0.25f, 5}, {0, 0, -1}, 0, 100, hit));
        EXPECT_NEAR(hit.t, 5, 1e-5f);
        EXPECT_NEAR(hit.u, mirrored ? 0.75f : 0.25f, 1e-5f);
        EXPECT_NEAR(hit.v, 0.25f, 1e-5f);
        ExpectNear(hit.dpdu, {mirrored ? -2.0f : 2.0f, 0, 0}, 1e-5f);
        ExpectNear(hit.dpdv, {0, 1, 0}, 1e-5f);
        EXPECT_TRUE(geometry->Occluded({0.5f, 0.25f, 5}, {0, 0, -1}, 0, 10));
        EXPECT_FALSE(geometry->Occluded({0.5f, 0.25f, 5}, {0, 0, -1}, 0, 4));
        EXPECT_FALSE(geometry->Occluded({3, 0.25f, 5}, {0, 0, -1}, 0, 10));
    }
}

// Which field of the record the reflectance below writes as its colour.
std::atomic<int> gField{0};

void FieldAsColor(int32_t, hxShadingRecord* r, int32_t) {
    const float uv[3] = {r->uv[0], r->uv[1], 0};
    const float delta[3] = {r->uvDelta[0] * 50, r->uvDelta[1] * 50, 0};
    const float* const fields[] = {
        uv, r->shadingNormal, r->uDirection, r->vDirection, r->objectPoint, r->worldPoint, delta};
    if (const size_t field = static_cast<size_t>(gField.load()); field < std::size(fields)) {
        std::copy_n(fields[field], 3, r->colorOut);
        return;
    }
    // Lit: the lights, their shadows and the ground seen around the object.
    float d[3];
    hsDiffuseTerm(d);
    r->colorOut[0] = d[0], r->colorOut[1] = d[1], r->colorOut[2] = 1000;
}

// The mesh sphere (128 × 64 quads) against the analytic sphere, field by field, at the pixels where
// both show the object: within 0.01 (normals, directions, points, UV) of one another; UV Delta
// within 5 % on average.
TEST_F(Meshes, AMeshSphereShadesLikeTheAnalyticSphere) {
    const auto geometry = Load("sphere.obj", test::SphereObj(128, 64));
    ASSERT_NE(geometry, nullptr);
    TScene analytic = PreviewScene(ShapeKind::kSphere, {0, 0, 0, 1});
    TScene meshed = PreviewScene(geometry, {0, 0, 0, 1});
    analytic.shaders[3] = meshed.shaders[3] = FieldAsColor;
    TRenderSettings settings;
    settings.width = settings.height = 40;
    settings.samples = 1;
    settings.threads = 2;
    gField = 7;
    const std::vector<float> a = Render(analytic, settings), b = Render(meshed, settings);
    std::vector<bool> object(a.size() / 3);
    size_t objectPixels = 0;
    for (size_t p = 0; p < object.size(); ++p) {
        object[p] = a[3 * p + 2] == 1000 && b[3 * p + 2] == 1000;
        objectPixels += object[p] ? 1 : 0;
        if (object[p]) {
            // Diffuse light: the vertex normals against the exact ones.
            EXPECT_NEAR(a[3 * p], b[3 * p], 0.01f) << "pixel " << p;
        } else if (a[3 * p + 2] != 1000 && b[3 * p + 2] != 1000) {
            // Ground and background, shadow included.
            EXPECT_NEAR(a[3 * p], b[3 * p], 0.02f) << "pixel " << p;
        }
    }
    ASSERT_GT(objectPixels, 300u);
    for (int field = 0; field <= 6; ++field) {
        SCOPED_TRACE("field " + std::to_string(field));
        gField = field;
        const std::vector<float> fa = Render(analytic, settings), fb = Render(meshed, settings);
        double ratio = 0;
        for (size_t p = 0; p < object.size(); ++p) {
            if (!object[p]) continue;
            for (size_t k = 0; k < (field == 6 ? 2 : 3); ++k) {
                if (field == 6) {
                    ratio += fb[3 * p + k] / fa[3 * p + k];
                } else {
                    ASSERT_NEAR(fa[3 * p + k], fb[3 * p + k], 0.01f) << "pixel " << p;
                }
            }
        }
        if (field == 6) {
            EXPECT_NEAR(ratio / (2.0 * objectPixels), 1.0, 0.05);
        }
    }
}

}  // namespace
}  // namespace vandrel::host

// `vandrel render --mesh` as a process: a mesh in place of the preview object, and every kind of
// model file it cannot use refused with one line, status 1 and no picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "renderer/cli_test_support.h"
#include "renderer/mesh_fixtures.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::CliTest;
using test::kWhite;

using MeshCli = CliTest;

TEST_F(MeshCli, RendersAMeshInPlaceOfTheObject) {
    const std::string shader = Shader("white.xrb", kWhite);
    test::WriteText(folder / "octahedron.obj", test::OctahedronObj());
    const auto plain = Run("render " + shader + " --size 24 --samples 1 -o sphere.png");
    const auto mesh =
        Run("render " + shader + " --mesh octahedron.obj --size 24 --samples 1 -o mesh.png");
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(mesh.status, 0) << mesh.err;
    EXPECT_EQ(mesh.err, "");
    EXPECT_NE(test::FileBytes(folder / "sphere.png"), test::FileBytes(folder / "mesh.png"));

    const auto both = Run("render " + shader + " --mesh octahedron.obj --shape cube -o both.png");
    EXPECT_EQ(both.status, 1);
    EXPECT_NE(both.err.find("excludes"), std::string::npos) << both.err;
}

TEST_F(MeshCli, BadMeshesGiveOneErrorLineAndNoPicture) {
    const std::string shader = Shader("white.xrb", kWhite);
    std::string flat = test::QuadObj();
    for (const char* uv : {"vt 0 0\n", "vt 1 0\n", "vt 1 1\n", "vt 0 1\n"}) {
        flat.replace(flat.find(uv), std::string(uv).size(), "vt 0.5 0.5\n");
    }
    struct Case {
        const char* name;
        std::string text;  // empty: the file is not written
        const char* error;
    };
    const Case cases[] = {
        {"missing.obj", "", "cannot read the mesh file"},
        {"nan.obj", "v nan 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "not a finite number"},
        {"range.ply", test::TetrahedronPly("4", "3 1 2 9"), "out of range"},
        {"points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", ""},
        {"flat.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nf 1 2 3\n", "no triangle of the mesh has an area"},
        {"flatuv.obj", flat, "UV layout is degenerate"},
        {"huge.gltf", test::TriangleGltf("4294967296"), "declares 4294967296 bytes"},
        {"huge.ply", test::TetrahedronPly("4000000000"), "declares 4000000000 elements"},
        {"garbage.glb", std::string("glTF\x02\x00\x00\x00\xff\xff\xff\x7f", 12),
         "GLB header declares"},
        {"garbage.obj", std::string("\x01\x02\x03 not a model \xff\n", 19), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty()) test::WriteText(folder / c.name, c.text);
        const auto run = Run("render " + shader + " --mesh " + c.name + " --size 16 -o out.png");
        test::ExpectOneErrorLine(run, c.name);
        const std::string head = "vandrel ERROR: \"" + std::string(c.name) + "\" : ";
        EXPECT_TRUE(run.err.starts_with(head)) << run.err;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(folder / "out.png"));
    }
    fs::create_directory(folder / "folder.obj");
    const auto run = Run("render " + shader + " --mesh folder.obj -o out.png");
    EXPECT_EQ(run.err, "vandrel ERROR: \"folder.obj\" : cannot read the mesh file\n");
}

}  // namespace
}  // namespace vandrel

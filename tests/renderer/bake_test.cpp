// `vandrel bake` as a process: the maps it writes read back as floats and compared with what
// `vandrel eval` prints for the record the UV plane gives each pixel; bakes on meshes and the
// padding of their charts; its option errors; frames shared out over shards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "renderer/cli_test_support.h"
#include "renderer/mesh_fixtures.h"
#include "renderer/shader_fixtures.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::CliTest;
using test::DecodedWidth;
using test::FileBytes;
using test::Quoted;
using test::UVColourStream;

struct Pixels {
    int width = 0, height = 0, channels = 0;
    std::vector<float> values;
    const float* At(int i, int j) const {
        return &values[static_cast<size_t>((j * width + i) * channels)];
    }
};

// The pictures as the reader tool decodes them (integer formats scaled to 0 … 1), in one process;
// an empty Pixels for a file it cannot read.
std::vector<Pixels> Read(const std::vector<fs::path>& files) {
    std::string command = "'" + std::string(VANDREL_READ_PIXELS_PATH) + "'";
    for (const fs::path& file : files) command += " " + Quoted(file);
    std::istringstream in(test::CommandOutput(command + " 2>/dev/null"));
    std::vector<Pixels> read(files.size());
    for (Pixels& p : read) {
        in >> p.width >> p.height >> p.channels;
        p.values.resize(static_cast<size_t>(std::max(p.width * p.height * p.channels, 0)));
        for (float& v : p.values) in >> v;
        if (!in) p = Pixels{};
    }
    return read;
}

std::vector<float> Floats(const std::string& line) {
    std::istringstream in(line);
    std::vector<float> values;
    for (float v; in >> v;) values.push_back(v);
    return values;
}

std::string Text(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    return text;
}

// eval's --set options for pixel (i, j) of a W × H map on the UV plane, worked out from the
// plane's definition here, not by the command.
std::string PlaneRecord(int i, int j, int width, int height) {
    const float u = (static_cast<float>(i) + 0.5f) / static_cast<float>(width);
    const float v = 1.0f - (static_cast<float>(j) + 0.5f) / static_cast<float>(height);
    const std::string uv = Text(u) + "," + Text(v);
    return " --set UV=" + uv + " '--set=UV Delta=" + Text(1.0f / static_cast<float>(width)) + "," +
           Text(1.0f / static_cast<float>(height)) + "' --set World=" + uv +
           ",0 --set Object=" + uv + ",0 --set UDir=1,0,0 --set VDir=0,1,0 --set Viewer=" + uv +
           ",1 --set Ray=0,0,-1 --set URay=0,0,-1 '--set=|Ray|=1'";
}

// Alpha = UV.U, transparency filter = World Space.
std::string TransparencyStream() {
    test::ShaderBuilder b;
    b.Var(kRootAlpha, kWholeProperty, kVarUV);
    b.Var(kRootTransparencyFilter, kWholeProperty, kVarWorldWhole);
    return b.Stream();
}

// Height mode: Displacement = UV.V.
std::string HeightStream() {
    test::ShaderBuilder b;
    b.Var(kRootDisplacement, kWholeProperty, kVarUVV);
    b.root->SetEnumValue(kRootDisplacementMode, 1);
    return b.Stream();
}

std::string Sample(const char* name) {
    return Quoted(fs::path(VANDREL_SOURCE_DIR) / "resources/samples" / name);
}

// Every output type, a few pixels of a 5 × 3 map, each format: the map holds what eval prints for
// the pixel's record, exactly in EXR and TIFF, to the format's precision in PNG.
TEST_F(CliTest, BakeMatchesEvalOnTheUVPlane) {
    const std::string transparency = Shader("transparency.xrb", TransparencyStream());
    enum Encoding { kFloat, kSrgb8, kLinear16 };
    const struct {
        std::string shader, type, output;
        Encoding encoding;
    } rows[] = {
        {Sample("Fractal Noise.xrb"), "color", "noise.exr", kFloat},
        {Sample("Noisy Bricks.xrb"), "color", "bricks.png", kSrgb8},
        {Sample("Glass.xrb"), "reflectance", "glass.png", kSrgb8},
        {transparency, "transparency", "transparency.TIFF", kFloat},
        {transparency, "transparency", "transparency.png", kSrgb8},
        {Sample("Ripple Normal.xrb"), "displacement", "ripple.exr", kFloat},
        {Sample("Ripple Normal.xrb"), "displacement", "ripple.png", kLinear16},
    };
    constexpr int kW = 5, kH = 3;
    const int pixels[][2] = {{0, 0}, {4, 2}, {2, 1}};
    std::vector<fs::path> outputs;
    for (const auto& row : rows) {
        const CliResult baked =
            Run("bake " + row.shader + " --type " + row.type + " --size " + std::to_string(kW) +
                "x" + std::to_string(kH) + " -o " + row.output);
        ASSERT_EQ(baked.status, 0) << row.output << ": " << baked.err;
        outputs.push_back(folder / row.output);
    }
    const std::vector<Pixels> maps = Read(outputs);
    for (size_t r = 0; r < std::size(rows); ++r) {
        const auto& row = rows[r];
        SCOPED_TRACE(row.output);
        const Pixels& map = maps[r];
        ASSERT_EQ(map.width, kW);
        ASSERT_EQ(map.height, kH);
        const bool transparent = row.type == "transparency";
        ASSERT_EQ(map.channels, transparent ? 4 : 3);
        for (const auto& [i, j] : pixels) {
            SCOPED_TRACE(std::to_string(i) + "," + std::to_string(j));
            const CliResult eval =
                Run("eval " + row.shader + " --type " + row.type + PlaneRecord(i, j, kW, kH));
            ASSERT_EQ(eval.status, 0) << eval.err;
            std::vector<float> expected = Floats(eval.out);
            // eval prints alpha first; the map holds it last.
            if (transparent) std::rotate(expected.begin(), expected.begin() + 1, expected.end());
            if (row.type == "displacement") {
                for (float& n : expected) n = n * 0.5f + 0.5f;
            }
            ASSERT_EQ(expected.size(), static_cast<size_t>(map.channels));
            for (int c = 0; c < map.channels; ++c) {
                const float got = map.At(i, j)[c];
                const double want = expected[static_cast<size_t>(c)];
                switch (row.encoding) {
                    case kFloat:
                        if (row.type == "displacement") {
                            EXPECT_NEAR(got, want, 1e-6) << c;  // the normal made unit
                        } else {
                            EXPECT_EQ(got, expected[static_cast<size_t>(c)]) << c;
                        }
                        break;
                    case kSrgb8: {
                        const double encoded = c == 3 ? want : test::SrgbEncoded(want);
                        EXPECT_NEAR(got * 255.0, encoded * 255.0, 0.5 + 1e-3) << c;
                        break;
                    }
                    case kLinear16:
                        EXPECT_NEAR(got * 65535.0, want * 65535.0, 0.5 + 1e-3) << c;
                        break;
                }
            }
        }
    }
}

// A tree that computes heights gives a one-channel height map: the height at the pixel's own
// point, here its V.
TEST_F(CliTest, BakeWritesHeightsWhenTheTreeComputesThem) {
    const std::string shader = Shader("height.xrb", HeightStream());
    const char* outputs[] = {"height.exr", "height.png"};
    for (const char* output : outputs) {
        const CliResult r =
            Run("bake " + shader + " --type displacement --size 2x4 -o " + std::string(output));
        ASSERT_EQ(r.status, 0) << output << ": " << r.err;
    }
    const std::vector<Pixels> maps = Read({folder / outputs[0], folder / outputs[1]});
    for (size_t k = 0; k < maps.size(); ++k) {
        SCOPED_TRACE(outputs[k]);
        const Pixels& map = maps[k];
        ASSERT_EQ(map.channels, 1);
        ASSERT_EQ(map.height, 4);
        for (int j = 0; j < 4; ++j) {
            const float v = 1.0f - (static_cast<float>(j) + 0.5f) / 4.0f;
            for (int i = 0; i < 2; ++i) EXPECT_NEAR(map.At(i, j)[0], v, 1e-5) << i << "," << j;
        }
    }
}

// More samples jitter inside the pixel, the same on every run and with any number of threads.
TEST_F(CliTest, BakeSamplesStayInsideThePixelAndRepeat) {
    const std::string shader = Shader("uv.xrb", UVColourStream());
    constexpr int kSide = 8;
    for (const char* output : {"t1.exr", "t1.png", "t3.png"}) {
        const std::string threads = output[1] == '3' ? "3" : "1";
        EXPECT_EQ(
            Run("bake " + shader + " --samples 5 --size 8 --threads " + threads + " -o " + output)
                .status,
            0);
    }
    EXPECT_EQ(FileBytes(folder / "t1.png"), FileBytes(folder / "t3.png"));
    const Pixels one = Read({folder / "t1.exr"})[0];
    ASSERT_EQ(one.values.size(), static_cast<size_t>(kSide * kSide * 3));
    int offCentre = 0;
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            const float u = (i + 0.5f) / kSide, v = 1 - (j + 0.5f) / kSide;
            const float* p = one.At(i, j);
            EXPECT_LT(std::abs(p[0] - u), 0.5f / kSide) << i << "," << j;
            EXPECT_LT(std::abs(p[1] - v), 0.5f / kSide) << i << "," << j;
            offCentre += p[0] != u || p[1] != v ? 1 : 0;
        }
    }
    EXPECT_GT(offCentre, kSide * kSide / 2);
}

TEST_F(CliTest, BakeOptionErrorsGiveOneLineAndNoFile) {
    const std::string shader = Shader("ok.xrb", UVColourStream());
    fs::copy_file(folder / "ok.xrb", folder / "shader.png");
    const std::string options[] = {
        "'" + (folder / "missing.xrb").string() + "' -o map.png",
        shader + " --size 0 -o map.png",
        shader + " --size 16385x1 -o map.png",
        shader + " --size 9000x9000 -o map.png",
        shader + " --size 4xq -o map.png",
        shader + " --samples 0 -o map.png",
        shader + " --threads=-1 -o map.png",
        shader + " --type colour -o map.png",
        shader + " --set Nothing=1 -o map.png",
        shader + " --trigger 21=1 -o map.png",
        shader + " -o map.jpg",
        shader,
        Quoted(folder / "shader.png") + " -o shader.png",
        shader + " --frames 0-3 -o map.png",
        shader + " --frame 1 --frames 0-3 -o map%04d.png",
        shader + " --frames 0-3 --shard 0/3 -o map%04d.png",
        shader + " --frames 0-3 --shard 4/3 -o map%04d.png",
        shader + " --frames 0-3 --shard 1/0 -o map%04d.png",
        shader + " --frames 0-3 --shard=-1/3 -o map%04d.png",
        shader + " --frames 0-3 --shard 1/99999999999 -o map%04d.png",
        shader + " --frames 0-3 --shard 1/3x -o map%04d.png",
        shader + " --frames 0-3 --shard 13 -o map%04d.png",
        shader + " --frames 0-3 --shard / -o map%04d.png",
        shader + " --shard 1/2 -o map.png",
    };
    for (const std::string& o : options) {
        test::ExpectOneErrorLine(Run("bake " + o), o);
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.starts_with("map")) << o << ": " << name;
        }
    }
    EXPECT_EQ(FileBytes(folder / "shader.png"), FileBytes(folder / "ok.xrb"));
}

// The unit square as a mesh in the plane z = 0, its UVs its own x and y, normals +z.
constexpr const char* kUnitSquareObj =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
    "f 1/1/1 2/2/1 3/3/1 4/4/1\n";

// A mesh whose UV layout is the unit square bakes what the UV plane bakes: the interpolated
// points, normals and directions differ from the plane's only by rounding (tolerance 1e-4).
TEST_F(CliTest, BakeOnAUnitSquareMeshIsThePlaneBake) {
    test::WriteText(folder / "square.obj", kUnitSquareObj);
    const std::string uv = Shader("uv.xrb", UVColourStream());
    const struct {
        std::string shader, options;
    } rows[] = {
        {Sample("Fractal Noise.xrb"), "--type color"},
        {Sample("Ripple Normal.xrb"), "--type displacement"},
        {uv, "--type color --samples 4"},
    };
    std::vector<fs::path> outputs;
    for (size_t r = 0; r < std::size(rows); ++r) {
        for (const char* surface : {"plane", "mesh"}) {
            const std::string out = surface + std::to_string(r) + ".exr";
            const std::string mesh = surface[0] == 'm' ? " --mesh square.obj" : "";
            const CliResult baked = Run("bake " + rows[r].shader + " " + rows[r].options + mesh +
                                        " --size 16x12 -o " + out);
            ASSERT_EQ(baked.status, 0) << out << ": " << baked.err;
            EXPECT_EQ(baked.err, "");
            outputs.push_back(folder / out);
        }
    }
    const std::vector<Pixels> maps = Read(outputs);
    for (size_t r = 0; r < std::size(rows); ++r) {
        SCOPED_TRACE(rows[r].shader + " " + rows[r].options);
        const Pixels &plane = maps[2 * r], &mesh = maps[2 * r + 1];
        ASSERT_EQ(plane.width, 16);
        ASSERT_EQ(mesh.width, 16);
        ASSERT_EQ(mesh.height, 12);
        ASSERT_EQ(mesh.values.size(), plane.values.size());
        for (size_t k = 0; k < plane.values.size(); ++k) {
            EXPECT_NEAR(mesh.values[k], plane.values[k], 1e-4) << k;
        }
    }
}

// Two charts: a rectangle and a triangle. Unpadded, a pixel is covered exactly when its centre
// lies in a chart and holds the (U, V) of that centre; padded by N, covered pixels do not change,
// an empty pixel within N of a chart takes the value of a nearest covered pixel, and the rest
// stay background.
TEST_F(CliTest, PaddingFillsAroundChartsAndNothingElse) {
    struct Point {
        double u, v;
    };
    const Point quad[] = {{0.1, 0.1}, {0.4, 0.1}, {0.4, 0.9}, {0.1, 0.9}};
    const Point triangle[] = {{0.6, 0.2}, {0.9, 0.2}, {0.75, 0.6}};
    std::ostringstream obj;
    for (const Point& p : quad)
        obj << "v " << p.u << ' ' << p.v << " 0\nvt " << p.u << ' ' << p.v << '\n';
    for (const Point& p : triangle)
        obj << "v " << p.u << ' ' << p.v << " 0\nvt " << p.u << ' ' << p.v << '\n';
    obj << "vn 0 0 1\nf 1/1/1 2/2/1 3/3/1 4/4/1\nf 5/5/1 6/6/1 7/7/1\n";
    test::WriteText(folder / "charts.obj", obj.str());
    const std::string shader = Shader("uv.xrb", UVColourStream());
    constexpr int kSide = 32, kPadding = 4;
    for (const int padding : {0, kPadding}) {
        const CliResult r = Run("bake " + shader + " --mesh charts.obj --size " +
                                std::to_string(kSide) + " --padding " + std::to_string(padding) +
                                " -o p" + std::to_string(padding) + ".exr");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    const std::vector<Pixels> maps = Read({folder / "p0.exr", folder / ("p4.exr")});
    const Pixels &bare = maps[0], &padded = maps[1];
    ASSERT_EQ(bare.width, kSide);
    ASSERT_EQ(padded.width, kSide);

    const auto inside = [](const Point* corners, int n, double u, double v) {
        for (int k = 0; k < n; ++k) {
            const Point &a = corners[k], &b = corners[(k + 1) % n];
            if ((b.u - a.u) * (v - a.v) - (b.v - a.v) * (u - a.u) < 0) return false;
        }
        return true;
    };
    const auto isCovered = [&](int i, int j) {
        const float* p = bare.At(i, j);
        return p[0] != 0 || p[1] != 0 || p[2] != 0;
    };
    std::vector<std::pair<int, int>> covered;
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            const double u = (i + 0.5) / kSide, v = 1 - (j + 0.5) / kSide;
            const bool in = inside(quad, 4, u, v) || inside(triangle, 3, u, v);
            ASSERT_EQ(isCovered(i, j), in) << i << "," << j;
            if (!in) continue;
            covered.emplace_back(i, j);
            EXPECT_NEAR(bare.At(i, j)[0], u, 1e-6);
            EXPECT_NEAR(bare.At(i, j)[1], v, 1e-6);
        }
    }
    int filled = 0, background = 0;
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            SCOPED_TRACE(std::to_string(i) + "," + std::to_string(j));
            const float* got = padded.At(i, j);
            if (isCovered(i, j)) {
                for (int c = 0; c < 3; ++c) EXPECT_EQ(got[c], bare.At(i, j)[c]);
                continue;
            }
            int nearest = INT32_MAX;
            for (const auto& [ci, cj] : covered) {
                nearest = std::min(nearest, (ci - i) * (ci - i) + (cj - j) * (cj - j));
            }
            if (nearest > kPadding * kPadding) {
                ++background;
                for (int c = 0; c < 3; ++c) EXPECT_EQ(got[c], 0.0f);
                continue;
            }
            ++filled;
            bool fromNearest = false;
            for (const auto& [ci, cj] : covered) {
                const int d = (ci - i) * (ci - i) + (cj - j) * (cj - j);
                const float* source = bare.At(ci, cj);
                fromNearest = fromNearest || (d == nearest && got[0] == source[0] &&
                                              got[1] == source[1] && got[2] == source[2]);
            }
            EXPECT_TRUE(fromNearest);
        }
    }
    EXPECT_GT(filled, 0);
    EXPECT_GT(background, 0);
}

// A mesh the bake cannot use gives one line naming the file, status 1 and no map. The reader's
// faults are those of `render --mesh`; what only a bake refuses is a layout too crowded to bin
// and a negative padding.
TEST_F(CliTest, BakeRefusesBadMeshes) {
    const std::string shader = Shader("uv.xrb", UVColourStream());
    // Hundreds of triangles over the whole layout: more bins than a bake may hold at 8192².
    std::string stacked = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n";
    for (int k = 0; k < 300; ++k) stacked += "f 1/1 2/2 3/3\n";
    const struct {
        const char* name;
        std::string text;  // empty: not written
        std::string options, error;
    } cases[] = {
        {"missing.obj", "", "", "cannot read the mesh file"},
        {"stacked.obj", stacked, " --size 8192", "overlaps itself"},
        {"square.obj", kUnitSquareObj, " --padding=-1", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty()) test::WriteText(folder / c.name, c.text);
        const CliResult r = Run("bake " + shader + " --mesh " + c.name + c.options + " -o map.png");
        test::ExpectOneErrorLine(r, c.name);
        if (!c.error.empty()) {
            EXPECT_TRUE(r.err.starts_with("vandrel ERROR: \"" + std::string(c.name) + "\" : "))
                << r.err;
            EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        }
        EXPECT_FALSE(fs::exists(folder / "map.png"));
    }
}

// Frames A … B over N shards: shard K takes A + K − 1, A + K − 1 + N, …, so the shards of any N
// together make every frame exactly once; a shard beyond the frames has nothing to do.
TEST_F(CliTest, ShardsMakeEveryFrameExactlyOnce) {
    const std::string shader = Shader("s.xrb", UVColourStream());
    constexpr int kFirst = 3, kLast = 9;
    for (const int n : {2, 3, 9}) {
        std::map<int, int> made;
        for (int k = 1; k <= n; ++k) {
            const fs::path shard = folder / ("n" + std::to_string(n) + "k" + std::to_string(k));
            fs::create_directories(shard);
            const std::string out = Quoted(shard / "f%04d.png");
            const CliResult r =
                Run("bake " + shader + " --size 1 --frames " + std::to_string(kFirst) + "-" +
                    std::to_string(kLast) + " --shard " + std::to_string(k) + "/" +
                    std::to_string(n) + " -o " + out);
            EXPECT_EQ(r.status, 0) << n << " " << k << r.err;
            for (const auto& entry : fs::directory_iterator(shard)) {
                ++made[std::stoi(entry.path().filename().string().substr(1, 4))];
            }
            if (k > kLast - kFirst + 1) {
                EXPECT_NE(r.err.find("vandrel NOTE: "), std::string::npos) << r.err;
            }
        }
        std::map<int, int> once;
        for (int f = kFirst; f <= kLast; ++f) once[f] = 1;
        EXPECT_EQ(made, once) << n << " shards";
    }
    // render takes the same options.
    const CliResult r = Run("render " + shader + " --size 2 --samples 1 --frames 0-5 --shard 2/3 " +
                            "-o r%04d.png");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(folder / "r0001.png"));
    EXPECT_TRUE(fs::exists(folder / "r0004.png"));
    EXPECT_FALSE(fs::exists(folder / "r0000.png"));
    EXPECT_FALSE(fs::exists(folder / "r0002.png"));
}

// A rerun after a lost machine leaves the frames already made alone and makes the rest.
TEST_F(CliTest, SkipExistingLeavesCompleteOutputsAlone) {
    const std::string shader = Shader("s.xrb", UVColourStream());
    for (const char* command : {"bake", "render"}) {
        SCOPED_TRACE(command);
        for (int f = 0; f <= 3; ++f) fs::remove(folder / ("f000" + std::to_string(f) + ".png"));
        std::ofstream(folder / "f0002.png") << "made before";
        const CliResult r = Run(std::string(command) + " " + shader +
                                " --size 2 --frames 0-3 --skip-existing -o f%04d.png");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(FileBytes(folder / "f0002.png"), "made before");
        for (const char* made : {"f0000.png", "f0001.png", "f0003.png"}) {
            EXPECT_EQ(DecodedWidth(folder / made), 2) << made;
        }
        EXPECT_NE(r.err.find("1 output was already there"), std::string::npos) << r.err;
        // Without the flag every frame is made again.
        EXPECT_EQ(
            Run(std::string(command) + " " + shader + " --size 2 --frames 2-2 -o f%04d.png").status,
            0);
        EXPECT_EQ(DecodedWidth(folder / "f0002.png"), 2);
    }
}

}  // namespace
}  // namespace vandrel

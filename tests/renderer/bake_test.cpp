// `vandrel bake` as a process: the maps it writes read back as floats and compared with what
// `vandrel eval` prints for the record the UV plane gives each pixel; its option errors; frames
// shared out over shards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/factory.h"
#include "core/root.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "hostapi/hostapi.h"
#include "renderer/cli_test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::CliTest;
using test::Quoted;

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
    std::vector<Pixels> read(files.size());
    std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return read;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
    std::istringstream in(text);
    for (Pixels& p : read) {
        in >> p.width >> p.height >> p.channels;
        p.values.resize(static_cast<size_t>(std::max(p.width * p.height * p.channels, 0)));
        for (float& v : p.values) in >> v;
        if (!in) p = Pixels{};
    }
    return read;
}

// Width of a picture that decodes whole through the host, in this process; 0 when it does not.
int32_t DecodedWidth(const fs::path& file) {
    const int32_t image = hsImageRead(file.c_str());
    const int32_t width = image != 0 ? hsImageGetWidth(image) : 0;
    if (image != 0) hsImageDestroy(image);
    return width;
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

// A shader built from a root and what feeds it, as the editor builds one.
struct TShaderBuilder {
    TThreadRecord record;
    TXRTree tree;
    TXRComponent* root;
    TShaderBuilder() {
        tree.Context = &record;
        root = tree.AddComponent(CreateComponent(TXRCRoot::kTypeId));
    }
    void Var(TXRComponent* c, int32_t prop, int32_t part, int32_t variable) {
        c->Connect(prop, part, VariableAddress(&record, variable));
    }
    std::string Stream() {
        tree.SetRoot(root);
        return "XR" + tree.WriteTree();
    }
};

constexpr int32_t kVarUVU = 18, kVarUVV = 19, kVarWorldWhole = 58;

// Alpha = UV.U, transparency filter = World Space.
std::string TransparencyStream() {
    TShaderBuilder b;
    b.Var(b.root, kRootAlpha, kWholeProperty, kVarUVU);
    b.Var(b.root, kRootTransparencyFilter, kWholeProperty, kVarWorldWhole);
    return b.Stream();
}

// Height mode: Displacement = UV.V.
std::string HeightStream() {
    TShaderBuilder b;
    b.Var(b.root, kRootDisplacement, kWholeProperty, kVarUVV);
    b.root->SetEnumValue(kRootDisplacementMode, 1);
    return b.Stream();
}

// Colour = (UV.U, UV.V, 0): linear, so a pixel's samples average to their mean position.
std::string UVColourStream() {
    TShaderBuilder b;
    b.Var(b.root, kRootColor, 0, kVarUVU);
    b.Var(b.root, kRootColor, 1, kVarUVV);
    return b.Stream();
}

std::string Sample(const char* name) {
    return Quoted(fs::path(VANDREL_SOURCE_DIR) / "resources/samples" / name);
}

double SrgbEncoded(double linear) {
    linear = std::clamp(linear, 0.0, 1.0);
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
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
                        const double encoded = c == 3 ? want : SrgbEncoded(want);
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
    EXPECT_EQ(test::Slurp(folder / "t1.png"), test::Slurp(folder / "t3.png"));
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
        const CliResult r = Run("bake " + o);
        EXPECT_EQ(r.status, 1) << o;
        EXPECT_EQ(r.err.rfind("vandrel ERROR: ", 0), 0u) << o << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << o << ": " << r.err;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.starts_with("map")) << o << ": " << name;
        }
    }
    EXPECT_EQ(test::Slurp(folder / "shader.png"), test::Slurp(folder / "ok.xrb"));
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
        EXPECT_EQ(test::Slurp(folder / "f0002.png"), "made before");
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

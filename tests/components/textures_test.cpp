#include "components/media/textures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "component_checks.h"
#include "components/media/preview_picture.h"
#include "components/shared/hsv.h"
#include "core/context.h"
#include "core/instance.h"
#include "core/shader_file.h"
#include "core/tree.h"
#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "renderer/host/images.h"
#include "test_support.h"
#include "wav_bytes.h"

namespace vandrel {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using test::Set;

// A shader instance with one material whose exposed files have these handles.
struct Shader {
    TThreadRecord record;
    TShaderInstance instance{record, "media test"};
    explicit Shader(std::array<TMediaHandle, kFileSlots> handles = {}) {
        instance.Infos.push_back(1);
        instance.FileHandles.push_back(handles);
    }
    std::unique_ptr<TXRComponent> Make(int32_t id) {
        std::unique_ptr<TXRComponent> c = CreateComponent(id);
        c->Bind(&record, &instance);
        return c;
    }
    void SetVariable(int32_t number, std::vector<float> values) {
        float* v = VariableAddress(&record, number);
        for (size_t k = 0; k < values.size(); ++k) v[k] = values[k];
    }
};

std::vector<float> Pixel(int32_t x, int32_t y) {
    const TRgb8 p = PreviewPixel(x, y);
    return {static_cast<float>(p.r / 255.0), static_cast<float>(p.g / 255.0),
            static_cast<float>(p.b / 255.0)};
}

// A host image of 4 x 4 pixels, R = 60 x and G = 80 y (rows from the top), B = 0.
int32_t RampImage() {
    auto image = std::make_shared<host::TLoadedImage>();
    image->kind = host::ImageKind::kImage;
    image->width = image->height = 4;
    image->channels = 3;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            image->bytes.insert(image->bytes.end(), {static_cast<uint8_t>(60 * x),
                                                     static_cast<uint8_t>(80 * y), uint8_t{0}});
        }
    }
    return host::RegisterImage(image);
}

TEST(Textures, FileKinds) {
    const char kinds[] = {'T', 'T', 'B', 'I', 'I', 'A'};
    for (int32_t id = 1101; id <= 1106; ++id) {
        std::unique_ptr<TXRComponent> c = CreateComponent(id);
        EXPECT_EQ(c->FileKind(), kinds[id - 1101]) << id;
        EXPECT_EQ(c->GetEnumValue(0), -1) << id;  // no file chosen
    }
}

// The picture built into the core is the one shipped in resources, pixel for pixel, rows from the
// top, and every integer coordinate names a pixel modulo 128.
TEST(PreviewPicture, IsTheShippedFileAndWrapsEveryCoordinate) {
    const std::string bytes = test::FileBytes(VANDREL_SOURCE_DIR "/resources/TEXTURE0.ppm");
    const std::string header = "P6\n128 128\n255\n";
    ASSERT_EQ(bytes.size(), header.size() + 3 * 128 * 128);
    ASSERT_EQ(bytes.substr(0, header.size()), header);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const size_t at = header.size() + 3 * (128 * y + x);
            const TRgb8 p = PreviewPixel(x, y);
            ASSERT_EQ(p.r, static_cast<uint8_t>(bytes[at])) << x << ", " << y;
            ASSERT_EQ(p.g, static_cast<uint8_t>(bytes[at + 1])) << x << ", " << y;
            ASSERT_EQ(p.b, static_cast<uint8_t>(bytes[at + 2])) << x << ", " << y;
        }
    }
    EXPECT_EQ(Pixel(-1, 128), Pixel(127, 0));
    EXPECT_EQ(Pixel(INT32_MIN, 130), Pixel(0, 2));
}

// In the preview a texture shows pixel (round(127 U) mod 128, -round(127 V) mod 128), halves
// rounded to even.
TEST(Textures, PreviewTextureIndexesThePictureByUV) {
    struct Row {
        float u, v;
        int32_t x, y;
    };
    const Row rows[] = {
        {0, 0, 0, 0},         {1, 0, 127, 0},       {0, 1, 0, 1},
        {-1, 0, 1, 0},        {0.5f, 0.5f, 64, 64}, {1.5f, 0, 62, 0},
        {3.5f, 3.5f, 60, 68}, {0, 2, 0, 2},         {0.25f, -0.25f, 32, 32},
        {kNaN, 0, 0, 0},
    };
    for (const Row& row : rows) {
        Shader shader;
        shader.SetVariable(kVarUV, {row.u, row.v});
        auto texture = shader.Make(1101);
        Set(*texture, 0, {0});
        texture->Evaluate(false);
        EXPECT_EQ(test::Output(*texture), Pixel(row.x, row.y)) << row.u << ", " << row.v;
    }
}

// The nine reductions of a colour to one number (mean, luminance, sum, hue, saturation, value,
// red, green, blue), as the value components compute them in double.
std::vector<double> Reductions(float r, float g, float b) {
    const double R = r, G = g, B = b;
    const double high = std::max({R, G, B}), low = std::min({R, G, B}), d = high - low;
    const double hue = high == R ? (G - B) / d : high == G ? (B - R) / d + 2 : (R - G) / d + 4;
    return {(R + G + B) / 3,
            0.299 * R + 0.587 * G + 0.114 * B,
            R + (G + B),
            hue / 6,
            d / high,
            high,
            R,
            G,
            B};
}

// The preview texture value reduces pixel (0, 0) of the picture, (40, 240, 150); the image value
// without a handle reduces its Background. A reduction that does not exist leaves the output.
TEST(Textures, ValueComponentsReduceTheirColour) {
    ASSERT_EQ(Pixel(0, 0), (std::vector<float>{40 / 255.0f, 240 / 255.0f, 150 / 255.0f}));
    const struct {
        int32_t id, reductionProp;
        std::vector<float> colour;
        bool preview;
    } rows[] = {
        {1102, 2, Pixel(0, 0), true},
        {1105, 6, {0.2f, 0.6f, 0.4f}, false},
    };
    for (const auto& row : rows) {
        Shader shader;  // no handle: the Background
        auto c = shader.Make(row.id);
        if (!row.preview) Set(*c, 5, row.colour);
        const std::vector<double> expected =
            Reductions(row.colour[0], row.colour[1], row.colour[2]);
        for (int32_t reduction = 0; reduction < 9; ++reduction) {
            Set(*c, row.reductionProp, {static_cast<float>(reduction)});
            c->Evaluate(!row.preview);
            EXPECT_NEAR(c->OutputAddress()[0], expected[reduction], 1e-6)
                << row.id << " " << reduction;
        }
        for (const float outside : {9.0f, 12.0f, -1.0f}) {
            Set(*c, row.reductionProp, {outside});
            c->Evaluate(!row.preview);
            EXPECT_NEAR(c->OutputAddress()[0], expected[8], 1e-6) << row.id << " at " << outside;
        }
    }
}

// Without a handle in the host: black, the shading normal, Background, Background reduced.
TEST(Textures, FallbacksWithoutAHandle) {
    const int32_t image = RampImage();
    std::array<TMediaHandle, kFileSlots> handles{};
    handles[1].host = image;
    for (const int32_t file : {-1, 0, 4, 5, 1000}) {
        SCOPED_TRACE("file " + std::to_string(file));
        Shader shader(handles);
        shader.SetVariable(kVarSNorm, {0.6f, 0, 0.8f});
        for (const int32_t id : {1101, 1102, 1103, 1104, 1105}) {
            auto c = shader.Make(id);
            Set(*c, 0, {static_cast<float>(file)});
            if (id >= 1104) Set(*c, 5, {0.2f, 0.6f, 0.4f});
            if (id == 1105) Set(*c, 6, {1});
            std::fill_n(c->OutputAddress(), FloatCount(c->OutputKind()), 9.0f);
            c->Evaluate(true);
            const std::vector<std::vector<float>> expected = {
                {0, 0, 0},
                {0},
                {0.6f, 0, 0.8f},
                {0.2f, 0.6f, 0.4f},
                {static_cast<float>(0.299 * 0.2f + 0.587 * 0.6f + 0.114 * 0.4f)}};
            EXPECT_EQ(test::Output(*c), expected[id - 1101]) << id;
        }
    }
    // No instance at all.
    auto image1104 = CreateComponent(1104);
    TThreadRecord record;
    image1104->Bind(&record, nullptr);
    Set(*image1104, 0, {1});
    Set(*image1104, 5, {0.5f, 0.25f, 1});
    image1104->Evaluate(true);
    EXPECT_EQ(test::Output(*image1104), (std::vector<float>{0.5f, 0.25f, 1}));
    hsImageDestroy(image);
}

// In the preview the files are never read: an image shows the preview picture, a bump map the
// shading normal.
TEST(Textures, PreviewIgnoresTheHostFiles) {
    const int32_t image = RampImage();
    std::array<TMediaHandle, kFileSlots> handles{};
    handles[0].host = image;
    Shader shader(handles);
    shader.SetVariable(kVarSNorm, {0, 1, 0});
    auto c = shader.Make(1104);
    Set(*c, 0, {0});
    Set(*c, 1, {0});
    Set(*c, 6, {0.5f, 0.25f});  // pixel (64, 32) of 128 x 128
    c->Evaluate(false);
    EXPECT_EQ(test::Output(*c), Pixel(64, 32));
    auto bump = shader.Make(1103);
    Set(*bump, 0, {0});
    bump->Evaluate(false);
    EXPECT_EQ(test::Output(*bump), (std::vector<float>{0, 1, 0}));
    hsImageDestroy(image);
}

// Every filter with every wrap on the 4 x 4 ramp (values in 0 … 255; B is always 0).
TEST(Textures, ImageFiltersWrapAndClamp) {
    const int32_t image = RampImage();
    std::array<TMediaHandle, kFileSlots> handles{};
    handles[2].host = image;
    constexpr double kBackground = -1;
    struct Row {
        int32_t filter, wrap;
        float u, v;
        double r, g;  // r = kBackground: the Background colour
    };
    const Row rows[] = {
        {0, 0, 0.3f, 0.6f, 60, 160},   // pixel (1, 2)
        {0, 0, 1.3f, -0.4f, 60, 160},  // x 5.2 and y -1.6 repeat to (1, 2)
        {0, 1, 1.5f, 0.5f, kBackground, 0},
        {0, 1, -0.01f, 0.5f, kBackground, 0},
        {0, 1, 0.3f, 0.6f, 60, 160},
        {0, 2, 1.5f, 0.5f, 180, 160},    // x 6 clamps to 3
        {0, 2, -0.5f, 2, 0, 240},        // (-2, 8) clamps to (0, 3)
        {1, 0, 0.4f, 0.3f, 66, 56},      // between centres: x 1.1, y 0.7
        {1, 0, 0.9375f, 0.3f, 135, 56},  // x 3.25: pixel 3 and pixel 0 repeated
        {1, 1, 0.9375f, 0.3f, 180, 56},  // inside, the neighbour clamps
        {1, 2, 0.9375f, 0.3f, 180, 56},
        {1, 1, 1, 0.3f, kBackground, 0},  // x = W
        {1, 0, 0, 0, 90, 120},            // half way to the repeated last pixel
        {1, 2, 0, 0, 0, 0},
        {2, 0, 0.4f, 0.3f, 66, 45.92},  // rows 3, 0, 1, 2: 240, 0, 80, 160 at 0.7
        {2, 2, 0.4f, 0.3f, 66, 53.48},  // rows 0, 0, 1, 2
        {2, 1, 0.4f, 0.3f, 66, 53.48},
        {2, 1, 0.4f, 1, kBackground, 0},
        {2, 0, 0.9375f, 0.3f, 146.25, 45.92},  // columns 120, 180, 0, 60 at 0.25
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("filter " + std::to_string(row.filter) + " wrap " + std::to_string(row.wrap) +
                     " at " + std::to_string(row.u) + ", " + std::to_string(row.v));
        Shader shader(handles);
        auto c = shader.Make(1104);
        Set(*c, 0, {2});
        Set(*c, 1, {static_cast<float>(row.filter)});
        Set(*c, 4, {static_cast<float>(row.wrap)});
        Set(*c, 5, {0.2f, 0.6f, 0.4f});
        Set(*c, 6, {row.u, row.v});
        c->Evaluate(true);
        const std::vector<float> out = test::Output(*c);
        if (row.r == kBackground) {
            EXPECT_EQ(out, (std::vector<float>{0.2f, 0.6f, 0.4f}));
            continue;
        }
        EXPECT_NEAR(out[0], row.r / 255, 1e-5);
        EXPECT_NEAR(out[1], row.g / 255, 1e-5);
        EXPECT_EQ(out[2], 0);
    }

    // Tiling and Offset: x = (0.3 · 2 - 0.5) · 4 = 0.4, y = (0.6 · 0.5 + 0.25) · 4 = 2.2.
    Shader shader(handles);
    auto c = shader.Make(1104);
    Set(*c, 0, {2});
    Set(*c, 1, {0});
    Set(*c, 2, {2, 0.5f});
    Set(*c, 3, {0.5f, -0.25f});
    Set(*c, 6, {0.3f, 0.6f});
    c->Evaluate(true);
    EXPECT_EQ(test::Output(*c), (std::vector<float>{0, 160 / 255.0f, 0}));
    // A filter that does not exist leaves the colour as it was.
    Set(*c, 1, {3});
    Set(*c, 6, {0, 0});
    c->Evaluate(true);
    EXPECT_EQ(test::Output(*c), (std::vector<float>{0, 160 / 255.0f, 0}));
    hsImageDestroy(image);
}

// A material's exposed files reach the components through the media cache: exposed file 1 an image
// (P6, 3 x 1 pixels) feeding the colour at the sample's UV, exposed file 3 a WAV file feeding
// Alpha.
TEST(Textures, ExposedFilesReachTheComponentsWhenShading) {
    const test::TempFolder folder("vandrel-media-");
    folder.Write("strip.ppm",
                 "P6\n3 1\n255\n" + std::string("\x00\x00\x00\x0A\xC8\x1E\xFF\xFF\xFF", 9));
    // One 16-bit frame of 16384 at 10 frames per second.
    folder.Write("tone.wav", test::Wav(1, 10, 16, test::Le(16384, 2)));

    TThreadRecord scratch;
    TXRTree tree;
    tree.Context = &scratch;
    auto* root = tree.AddComponent(CreateComponent(1));
    auto* image = tree.AddComponent(CreateComponent(1104));
    image->SetEnumValue(0, 1);
    image->SetEnumValue(1, 0);
    image->Connect(6, kWholeProperty, VariableAddress(&scratch, kVarUV));
    auto* audio = tree.AddComponent(CreateComponent(1106));
    audio->SetEnumValue(0, 3);
    root->Connect(0, kWholeProperty, image->OutputAddress());
    root->Connect(1, kWholeProperty, audio->OutputAddress());
    ASSERT_TRUE(tree.Link(image, root));
    ASSERT_TRUE(tree.Link(audio, root));
    tree.SetRoot(root);
    ASSERT_TRUE(SaveShaderFile(folder / "media.xrb", "XR" + tree.WriteTree()).ok);

    Registry().ClearAll();
    const int32_t material = host::CreateMaterial();
    host::SetTextParameter(material, kDataParameter, (folder / "media.xrb").string());
    host::SetTextParameter(material, kFirstFileParameter + 1,
                           "I:" + (folder / "strip.ppm").string());
    host::SetTextParameter(material, kFirstFileParameter + 3,
                           "A:" + (folder / "tone.wav").string());
    hxShadingRecord h{};
    h.uv[0] = 0.5f;  // pixel 1 of 3
    h.uv[1] = 0.5f;
    Shade(Registry(), kColor, material, &h);
    EXPECT_EQ(h.colorOut[0], 10 / 255.0f);
    EXPECT_EQ(h.colorOut[1], 200 / 255.0f);
    EXPECT_EQ(h.colorOut[2], 30 / 255.0f);
    Shade(Registry(), kTransparency, material, &h);
    // 0.5 · 16384 · 65536 / (2^31 - 1) + 0.5
    EXPECT_FLOAT_EQ(h.alpha, static_cast<float>(0.5 * 16384 * 65536 / 2147483647.0 + 0.5));
    Registry().ClearAll();
    PluginMediaCache().ReleaseAll();
}

class HostTextures : public ::testing::Test {
  protected:
    void SetUp() override {
        // A 2 x 2 texture, rows from the top: red, green / blue, white.
        auto texture = std::make_shared<host::TLoadedImage>();
        texture->kind = host::ImageKind::kTexture;
        texture->width = texture->height = 2;
        texture->channels = 3;
        texture->floats = {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1};
        handles_[0].host = host::RegisterImage(texture);
        // A bump map rising by 0.25 per texel along U.
        auto bump = std::make_shared<host::TLoadedImage>();
        bump->kind = host::ImageKind::kBump;
        bump->width = 4;
        bump->height = 1;
        bump->channels = 1;
        bump->floats = {0, 0.25f, 0.5f, 0.75f};
        handles_[1].host = host::RegisterImage(bump);
        sample_.uv[0] = 0.375f;  // texel 1 of the bump map, the top-left texel of the texture
        sample_.uv[1] = 0.75f;
        sample_.uvDelta[0] = sample_.uvDelta[1] = 1;
        sample_.shadingNormal[2] = 1;
        sample_.uDirection[0] = 1;
        sample_.vDirection[1] = 1;
        host::SetCurrentSample(&sample_);
    }
    void TearDown() override {
        host::SetCurrentSample(nullptr);
        hsTextureDestroy(handles_[0].host);
        hsBumpDestroy(handles_[1].host);
    }
    std::array<TMediaHandle, kFileSlots> handles_{};
    hxShadingRecord sample_{};
};

// Sampling 0 filters over the sample's area (here the whole picture: its mean), any other value
// takes the nearest texel.
TEST_F(HostTextures, SamplingChoosesAreaOrPoint) {
    Shader shader(handles_);
    auto texture = shader.Make(1101);
    Set(*texture, 0, {0});
    texture->Evaluate(true);
    for (const float part : test::Output(*texture)) EXPECT_NEAR(part, 0.5f, 1e-5f);
    for (const float point : {1.0f, 7.0f, -1.0f}) {
        Set(*texture, 1, {point});
        texture->Evaluate(true);
        EXPECT_EQ(test::Output(*texture), (std::vector<float>{1, 0, 0})) << point;
    }
    auto value = shader.Make(1102);
    Set(*value, 0, {0});
    Set(*value, 1, {1});
    Set(*value, 2, {6});
    value->Evaluate(true);
    EXPECT_EQ(value->OutputAddress()[0], 1);
}

// Heights rise along U, so the normal leans back against U, the more the stronger the bump; a
// negative Strength turns the bump into a dent.
TEST_F(HostTextures, BumpTiltsTheNormalAgainstTheSlope) {
    Shader shader(handles_);
    shader.SetVariable(kVarSNorm, {0, 0, 1});
    auto bump = shader.Make(1103);
    Set(*bump, 0, {1});
    Set(*bump, 1, {1});
    struct Row {
        float strength;
        double x;  // normalize(-0.25 · strength, 0, 1): the slope is 0.25 per texel
    };
    for (const Row row : {Row{1, -0.25}, Row{2, -0.5}, Row{-1, 0.25}, Row{0, 0}}) {
        Set(*bump, 2, {row.strength});
        bump->Evaluate(true);
        const double length = std::sqrt(row.x * row.x + 1);
        const std::vector<float> n = test::Output(*bump);
        EXPECT_NEAR(n[0], row.x / length, 1e-5) << row.strength;
        EXPECT_NEAR(n[1], 0, 1e-6) << row.strength;
        EXPECT_NEAR(n[2], 1 / length, 1e-5) << row.strength;
    }
    sample_.uvDelta[0] = 0.25f;  // area sampling over one texel: the same direction
    Set(*bump, 1, {0});
    Set(*bump, 2, {1});
    bump->Evaluate(true);
    EXPECT_LT(bump->OutputAddress()[0], 0);
    EXPECT_GT(bump->OutputAddress()[2], 0);
}

// Every property is read through its reference, and each matters once a file is there.
TEST_F(HostTextures, InputsReadThroughReferences) {
    const int32_t image = RampImage();
    handles_[2].host = image;
    Shader shader(handles_);
    const auto bind = [&shader](int32_t file) {
        return [&shader, file](TXRComponent& c, int32_t prop) {
            c.Bind(c.Context, &shader.instance);
            c.SetEnumValue(0, file);
            if (c.TypeId == 1103 && prop == 2) c.SetEnumValue(1, 1);  // point: the slope shows
            if (c.TypeId < 1104) return;
            const int32_t coordinates = c.TypeId == 1104 ? 6 : 7;
            if (prop == coordinates) return;
            // Inside the image, where Tiling and Offset move the look-up; at the corner for Wrap;
            // outside for Background.
            c.SetConstant(coordinates, 0, prop == 4 ? 0.0f : prop == 5 ? 2.0f : 0.3f);
            c.SetConstant(coordinates, 1, prop == 4 ? 0.0f : 0.6f);
            if (prop == 5) c.SetEnumValue(4, 1);
        };
    };
    const auto fileOnly = [](int32_t prop) { return prop == 0; };
    for (const test::ConnectionCase& cc : {test::ConnectionCase{1101, bind(0), fileOnly},
                                           {1102, bind(0), fileOnly},
                                           {1103, bind(1), fileOnly},
                                           {1104, bind(2), fileOnly},
                                           {1105, bind(2), fileOnly}}) {
        test::ExpectInputsReadThroughReferences(cc);
    }
    hsImageDestroy(image);
}

}  // namespace
}  // namespace vandrel

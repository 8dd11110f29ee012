// The stand-in host's renderer: thread-count independence and re-entrant ray tracing through the
// shade callbacks, with callbacks written here so that the expected results are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "renderer/host/scene.h"
#include "renderer/host/tracer.h"
#include "renderer/image_writer.h"
#include "test_support.h"

namespace vandrel::host {
namespace {

// Colour from the world position: the result depends only on where the ray hits.
void PositionColor(int32_t, hxShadingRecord* r, int32_t) {
    for (int k = 0; k < 3; ++k) r->colorOut[k] = 0.5f + 0.5f * std::sin(3 * r->worldPoint[k]);
}

thread_local int tNestedShades = 0;
thread_local int tDepth = 0;
thread_local bool tRecordChanged = false;
thread_local float tLastTraced[3];

// Reflectance that traces a mirror ray and checks that the trace leaves its record and the
// thread's current sample as they were; its result is the colour in, whatever the ray sees.
void TracingReflectance(int32_t, hxShadingRecord* r, int32_t) {
    if (tDepth > 0) ++tNestedShades;
    hxShadingRecord before;
    std::memcpy(&before, r, sizeof before);
    float mirror[3], seen[3];
    hsReflect(mirror, r->unitRay, r->shadingNormal);
    ++tDepth;
    hsRayTrace(seen, r->worldPoint, mirror, 1.0);
    --tDepth;
    if (std::memcmp(&before, r, sizeof before) != 0 || CurrentSample() != r) tRecordChanged = true;
    std::memcpy(tLastTraced, seen, sizeof seen);
    std::memcpy(r->colorOut, r->colorIn, sizeof r->colorOut);
}

TScene TestScene() {
    TScene scene = PreviewScene(ShapeKind::kSphere, {0, 0, 1, 2});
    scene.shaders[2] = PositionColor;
    scene.shaders[3] = TracingReflectance;
    return scene;
}

TEST(Render, IdenticalForAnyThreadCount) {
    const TScene scene = TestScene();
    TRenderSettings settings;
    settings.width = 32;
    settings.height = 24;
    settings.samples = 3;
    settings.threads = 1;
    const std::vector<float> one = Render(scene, settings);
    settings.threads = 3;
    const std::vector<float> three = Render(scene, settings);
    ASSERT_EQ(one.size(), size_t{32 * 24 * 3});
    EXPECT_EQ(one, three);
    // The object covers the centre and does not look like the background there.
    const size_t centre = (12 * 32 + 16) * 3;
    EXPECT_NE(one[centre], scene.background[0]);
}

// Threads that cannot be started: the render goes on with those that did and the calling thread,
// and says how many; the image is the same.
TEST(Render, ThreadsThatFailToStartLeaveTheSameImage) {
    const TScene scene = TestScene();
    TRenderSettings settings;
    settings.width = 64;  // 16 tiles: room for six threads
    settings.height = 64;
    settings.samples = 1;
    settings.threads = 1;
    const std::vector<float> expected = Render(scene, settings);
    for (const int allowed : {0, 2}) {
        int started = -1, wanted = -1, tries = 0;
        settings.threads = 6;
        settings.startThread = [&](std::function<void()> work) {
            if (tries++ >= allowed) {
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            }
            return std::thread(std::move(work));
        };
        settings.threadsReduced = [&](int s, int w) { started = s, wanted = w; };
        EXPECT_EQ(Render(scene, settings), expected) << allowed;
        EXPECT_EQ(started, allowed + 1);
        EXPECT_EQ(wanted, 6);
    }
}

// What a rendering thread or the row callback throws comes out of Render on the calling thread,
// not as an abort.
TEST(Render, ExceptionsOfTheRenderComeOutOfRender) {
    TScene throwing = TestScene();
    throwing.shaders[2] = [](int32_t, hxShadingRecord*, int32_t) { throw std::bad_alloc(); };
    TRenderSettings settings;
    settings.width = 64;
    settings.height = 64;
    for (const int threads : {4, 1}) {
        settings.threads = threads;
        EXPECT_THROW(Render(throwing, settings), std::bad_alloc);
        // The calling thread renders too: it is left as it was, for whatever it renders next.
        EXPECT_EQ(CurrentSample(), nullptr) << threads;
        EXPECT_EQ(CurrentMaterial(), 0) << threads;
        EXPECT_EQ(ThreadTrace().scene, nullptr) << threads;
    }
    settings.threads = 2;
    settings.rowsFinished = [](const float*, int) { throw std::runtime_error("disk full"); };
    EXPECT_THROW(Render(TestScene(), settings), std::runtime_error);
}

// Rows handed over during the render are final, come in order and end with the last; a PNG
// encoded from them as they come reads back as the one written from the finished image.
TEST(Render, FinishedRowsAreHandedOverInOrderAndEncodeTheFinalImage) {
    const TScene scene = TestScene();
    TRenderSettings settings;
    settings.width = 70;  // a partial column and row of tiles
    settings.height = 50;
    settings.samples = 1;
    settings.threads = 3;
    std::vector<float> seen(70 * 50 * 3, -1.0f);
    int handed = 0;
    TPngRowWriter png(70, 50);
    settings.rowsFinished = [&](const float* rgb, int rows) {
        EXPECT_GT(rows, handed);
        EXPECT_LE(rows, 50);
        std::copy(rgb + handed * 70 * 3, rgb + rows * 70 * 3, seen.begin() + handed * 70 * 3);
        handed = rows;
        png.WriteRows(rgb, rows);
    };
    const std::vector<float> image = Render(scene, settings);
    EXPECT_EQ(handed, 50);
    EXPECT_EQ(seen, image);

    std::string error;
    ASSERT_TRUE(png.Finish(error)) << error;
    const test::TempFolder folder;
    ASSERT_TRUE(WritePngFile((folder / "streamed.png").string(), png, error)) << error;
    ASSERT_TRUE(WriteImage((folder / "whole.png").string(), 70, 50, image, error)) << error;
    const int32_t streamed = hsImageRead((folder / "streamed.png").c_str());
    const int32_t whole = hsImageRead((folder / "whole.png").c_str());
    ASSERT_NE(streamed, 0);
    ASSERT_NE(whole, 0);
    for (int32_t y = 0; y < 50; ++y) {
        for (int32_t x = 0; x < 70; ++x) {
            ASSERT_EQ(hsImageGetPixel(streamed, x, y), hsImageGetPixel(whole, x, y)) << x << y;
        }
    }
    hsImageDestroy(streamed);
    hsImageDestroy(whole);

    // An encoder that has not had every row refuses to finish.
    TPngRowWriter partial(70, 50);
    partial.WriteRows(image.data(), 49);
    EXPECT_FALSE(partial.Finish(error));
}

TEST(Render, ReflectionReentersTheShaderWithoutDisturbingTheOuterSample) {
    TScene plain = TestScene();
    TScene mirrored = TestScene();
    // The centre ray meets the sphere near (0, 0, 1) and mirrors downwards towards +z; a strip
    // at z = 3 spanning y from -1 to -0.2 catches that ray but not the camera's, which passes
    // z = 3 at y = 0.28. The same callbacks shade it.
    TObject mirror;
    mirror.shape = ShapeKind::kPlane;
    mirror.transform = {2, 0, 0, 0, 0, 0, -0.4f, -0.6f, 0, 1, 0, 3};
    mirror.materials = {0, 0, 1, 2};
    mirrored.objects.push_back(mirror);

    tNestedShades = 0;
    tRecordChanged = false;
    const Vec3 without = RenderPoint(plain, 0.5f, 0.5f, 1);
    const float missed[3] = {tLastTraced[0], tLastTraced[1], tLastTraced[2]};
    const int nestedWithout = tNestedShades;
    const Vec3 with = RenderPoint(mirrored, 0.5f, 0.5f, 1);
    EXPECT_FALSE(tRecordChanged);
    EXPECT_GT(tNestedShades, nestedWithout);  // the mirror was shaded by the same callbacks
    EXPECT_NE(std::memcmp(missed, tLastTraced, sizeof missed), 0);
    EXPECT_EQ(without, with);
    EXPECT_EQ(CurrentSample(), nullptr);
}

TEST(Render, NestingIsBoundedBetweenFacingMirrors) {
    TScene scene;
    TObject a, b;
    a.shape = b.shape = ShapeKind::kPlane;
    a.transform = {5, 0, 0, 0, 0, 0, -5, 0, 0, 5, 0, -1};
    b.transform = {5, 0, 0, 0, 0, 0, -5, 0, 0, 5, 0, 1};
    a.materials = b.materials = {0, 0, 0, 2};
    scene.objects = {a, b};
    scene.shaders[3] = TracingReflectance;
    scene.camera.position = {0, 0, 0};
    scene.camera.target = {0, 0, -1};
    tNestedShades = 0;
    RenderPoint(scene, 0.5f, 0.5f, 1);
    EXPECT_EQ(tNestedShades, scene.maxDepth);  // then the background ends the chain
}

// Rendered colours are linear; a PNG holds them sRGB-encoded and rounded to bytes. The expected
// bytes are the sRGB curve by hand: 1.055 · v^(1/2.4) − 0.055 above 0.0031308, 12.92 · v below.
TEST(Render, PngBytesAreTheRoundedSrgbCurve) {
    const std::vector<std::pair<float, uint32_t>> cases = {
        {0.0f, 0},    {-1.0f, 0},  {NAN, 0},    {0.0031308f, 10}, {0.05f, 63},
        {0.18f, 118}, {1.0f, 255}, {2.0f, 255}, {INFINITY, 255},
    };
    std::vector<float> rgb;
    for (const auto& c : cases) rgb.insert(rgb.end(), {c.first, c.first, c.first});
    const test::TempFolder folder;
    const std::string file = (folder / "srgb.png").string();
    std::string error;
    ASSERT_TRUE(WriteImage(file, static_cast<int>(cases.size()), 1, rgb, error)) << error;
    const int32_t image = hsImageRead(file.c_str());
    ASSERT_NE(image, 0);
    for (size_t i = 0; i < cases.size(); ++i) {
        const uint32_t b = cases[i].second;
        EXPECT_EQ(hsImageGetPixel(image, static_cast<int32_t>(i), 0), b | b << 8 | b << 16)
            << cases[i].first;
    }
    hsImageDestroy(image);
    // Neither the temporary nor a half-written file stays behind.
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
}

}  // namespace
}  // namespace vandrel::host

// Many rendering threads at once: every result must equal the single-threaded one. This file also
// runs under ThreadSanitizer in the test command.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/context.h"
#include "core/instance.h"
#include "core/shader_cache.h"
#include "core/shader_file.h"
#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

TEST(Threads, EightThreadsMatchOneThread) {
    const test::TempFolder folder("vandrel_threads_");
    // Colour red from a sine of World.X, green from Trigger 1; a second shader adds two vectors.
    const std::string streams[2] = {
        "XR0002006501V3F0037000C000102S000000V01041000F",
        "XR000302BD01V0F003A000C02BD02S00000FV1F0041000C000101S00010F000F",
    };
    std::vector<int32_t> materials;
    for (int m = 0; m < 4; ++m) {
        const fs::path path = folder / ("shader" + std::to_string(m % 2) + ".xrb");
        ASSERT_TRUE(SaveShaderFile(path, streams[m % 2]).ok);
        const int32_t material = host::CreateMaterial();
        host::SetTextParameter(material, kDataParameter, path.string());
        host::SetFloatParameter(material, kFirstTriggerParameter, {0.1f * m, 0.2f, 0.3f});
        materials.push_back(material);
    }
    constexpr int kSamples = 2000;
    const auto shadeAll = [&](int thread, std::vector<float>& out) {
        for (int i = 0; i < kSamples; ++i) {
            hxShadingRecord h{};
            h.worldPoint[0] = 0.001f * static_cast<float>(i + 7 * thread);
            h.worldPoint[1] = 0.5f;
            const int32_t material = materials[static_cast<size_t>((i + thread) % 4)];
            Shade(Registry(), i % 3 == 0 ? kReflectance : kColor, material, &h);
            out.insert(out.end(), h.colorOut, h.colorOut + 3);
        }
    };
    constexpr int kThreads = 8;
    std::vector<std::vector<float>> expected(kThreads), actual(kThreads);
    for (int t = 0; t < kThreads; ++t) shadeAll(t, expected[t]);
    Registry().ClearAll();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { shadeAll(t, actual[t]); });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(Registry().RecordCount(), static_cast<size_t>(kThreads));
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(actual[t], expected[t]) << "thread " << t;
    Registry().ClearAll();
}

// The shader file is read once per render and shared by the threads: a thread that starts after
// the file changed still builds what the first one read; the next render reads it afresh.
TEST(Threads, OneReadOfTheShaderFilePerRender) {
    const test::TempFolder folder("vandrel_one_read_");
    const fs::path path = folder / "shader.xrb";
    const auto save = [&](const char* red) {
        // Colour (red, 0, 0) on the root.
        ASSERT_TRUE(SaveShaderFile(path, std::string("XR0001000101C00") + red + "000F").ok);
    };
    save("3E800000");  // 0.25
    const int32_t material = host::CreateMaterial();
    host::SetTextParameter(material, kDataParameter, path.string());
    const auto red = [&] {
        hxShadingRecord h{};
        Shade(Registry(), kColor, material, &h);
        return h.colorOut[0];
    };
    constexpr int kThreads = 8;
    std::vector<float> seen(kThreads, -1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { seen[t] = red(); });
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(seen[t], 0.25f) << t;

    save("3F400000");  // 0.75, in the middle of the render
    float later = -1;
    std::thread([&] { later = red(); }).join();
    EXPECT_EQ(later, 0.25f);
    EXPECT_EQ(ShaderFileCache().Size(), 1u);

    Registry().ClearAll();  // the end of the render
    EXPECT_EQ(ShaderFileCache().Size(), 0u);
    std::thread([&] { later = red(); }).join();
    EXPECT_EQ(later, 0.75f);
    Registry().ClearAll();
}

}  // namespace
}  // namespace vandrel

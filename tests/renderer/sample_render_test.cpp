// Render regression: every sample shader rendered small through the real command and plug-in
// matches its reference image in tests/renderer/reference/ within a tolerance, so a change that
// alters what stored shaders look like is caught.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "hostapi/hostapi.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

struct Row {
    const char* sample;
    const char* reference;
    const char* slot;
};

TEST(SampleRender, EverySampleMatchesItsReference) {
    const fs::path source = VANDREL_SOURCE_DIR;
    const test::TempFolder out("vandrel_sample_");
    const Row rows[] = {
        {"Sine Gradient", "sine_gradient", ""},
        {"Banded Noise", "banded_noise", ""},
        {"Ripple Normal", "ripple_normal", "--displacement"},
        {"Noisy Bricks", "noisy_bricks", ""},
        {"Cellular Stone", "cellular_stone", ""},
        {"Checker Polka", "checker_polka", ""},
        {"Mandelbrot Ramp", "mandelbrot_ramp", ""},
        {"Fractal Noise", "fractal_noise", ""},
        {"Glass", "glass", "--reflectance"},
        {"Black Body Glow", "black_body_glow", ""},
        {"Custom Marble", "custom_marble", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sample);
        const fs::path image = out / (std::string(row.reference) + ".png");
        const std::string command = std::string("'") + VANDREL_CLI_PATH + "' render " + row.slot +
                                    " '" + (source / "resources/samples" / row.sample).string() +
                                    ".xrb' --size 48x48 --samples 1 -o '" + image.string() +
                                    "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const fs::path reference =
            source / "tests/renderer/reference" / (std::string(row.reference) + ".png");
        const int32_t got = hsImageRead(image.c_str());
        const int32_t want = hsImageRead(reference.c_str());
        ASSERT_NE(got, 0);
        ASSERT_NE(want, 0);
        ASSERT_EQ(hsImageGetWidth(got), hsImageGetWidth(want));
        ASSERT_EQ(hsImageGetHeight(got), hsImageGetHeight(want));
        // Per channel at most 3 of 255 anywhere, and a mean difference below 0.5.
        int worst = 0;
        double total = 0;
        int count = 0;
        for (int32_t y = 0; y < hsImageGetHeight(want); ++y) {
            for (int32_t x = 0; x < hsImageGetWidth(want); ++x) {
                const uint32_t a = hsImageGetPixel(got, x, y), b = hsImageGetPixel(want, x, y);
                for (int shift = 0; shift < 24; shift += 8) {
                    const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                           static_cast<int>((b >> shift) & 0xFF));
                    worst = std::max(worst, d);
                    total += d;
                    ++count;
                }
            }
        }
        EXPECT_LE(worst, 3);
        EXPECT_LT(total / count, 0.5);
        hsImageDestroy(got);
        hsImageDestroy(want);
    }
}

}  // namespace
}  // namespace vandrel

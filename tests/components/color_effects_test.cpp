#include "components/effects/color_effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "component_checks.h"

namespace vandrel {
namespace {

using test::Case;
using test::Check;

TEST(ColorEffects, Posterize) {
    const Case rows[] = {
        {"down", 501, {{0.3f, 0.1f, 0.9f}, {0.25f}}, {0.25, 0, 1}},
        {"half up to even", 501, {{0.375f, 0.625f, 0.125f}, {0.25f}}, {0.5, 0.5, 0}},
        {"negative channels", 501, {{-0.3f, -0.375f, 2}, {0.25f}}, {-0.25, -0.5, 2}},
        {"default step", 501, {{0.33f, 0.46f, 0.04f}}, {0.3, 0.5, 0}},
        {"step 0 passes", 501, {{0.3f, 0.1f, 0.9f}, {0}}, {0.3, 0.1, 0.9}},
        {"negative step passes", 501, {{0.3f, 0.1f, 0.9f}, {-1}}, {0.3, 0.1, 0.9}},
    };
    test::CheckRows(rows);
}

TEST(ColorEffects, BlendModes) {
    // A = (0.2, 0.4, 0.6): H = 7/12, S = 2/3, V = 0.6. B = (0.5, 0.25, 1): H = 13/18, S = 0.75,
    // V = 1. L(A) = 0.363 < L(B) = 0.41025.
    const std::vector<float> a = {0.2f, 0.4f, 0.6f}, b = {0.5f, 0.25f, 1};
    const Case rows[] = {
        {"normal", 503, {a, b, {1}, {0}}, {0.5, 0.25, 1}},
        {"normal, half", 503, {a, b, {}, {0}}, {0.35, 0.325, 0.8}},
        {"multiply", 503, {a, b, {1}, {1}}, {0.1, 0.1, 0.6}},
        {"screen", 503, {a, b, {1}, {2}}, {0.6, 0.55, 1}},
        {"darken", 503, {a, b, {1}, {3}}, {0.2, 0.4, 0.6}},
        {"lighten", 503, {a, b, {1}, {4}}, {0.5, 0.25, 1}},
        {"darken, swapped", 503, {b, a, {1}, {3}}, {0.2, 0.4, 0.6}},
        {"lighten, swapped", 503, {b, a, {1}, {4}}, {0.5, 0.25, 1}},
        {"difference", 503, {a, b, {1}, {5}}, {0.3, 0.15, 0.4}},
        {"hue", 503, {a, b, {1}, {6}}, {1.0 / 3, 0.2, 0.6}},
        {"saturation", 503, {a, b, {1}, {7}}, {0.15, 0.375, 0.6}},
        {"value", 503, {a, b, {1}, {8}}, {1.0 / 3, 2.0 / 3, 1}},
        {"colour", 503, {a, b, {1}, {9}}, {0.3, 0.15, 0.6}},
        {"value above 1 is clamped",
         503,
         {{0.5f, 0.25f, 0.25f}, {2, 0, 0}, {1}, {8}},
         {1, 0.5, 0.5}},
        {"amount 0", 503, {a, b, {0}, {6}}, {0.2, 0.4, 0.6}},
        {"amount 2 extrapolates", 503, {a, b, {2}, {0}}, {0.8, 0.1, 1.4}},
        {"mode 10 blends as normal", 503, {a, b, {1}, {10}}, {0.5, 0.25, 1}},
        {"mode -1 blends as normal", 503, {a, b, {1}, {-1}}, {0.5, 0.25, 1}},
    };
    test::CheckRows(rows, {.tolerance = 1e-6});
}

TEST(ColorEffects, EqualLuminanceGoesToADarkAndBLight) {
    // A red and a green whose luminances are equal in double arithmetic.
    float red = 0, green = 0;
    for (int i = 1; i < 20000 && red == 0; ++i) {
        const float r = static_cast<float>(i) / 4096;
        const float g0 = static_cast<float>(0.299 * r / 0.587);
        for (float g : {std::nextafter(g0, 0.0f), g0, std::nextafter(g0, 1.0f)}) {
            if (0.299 * r == 0.587 * g) red = r, green = g;
        }
    }
    ASSERT_NE(red, 0);
    Check({"darken", 503, {{red, 0, 0}, {0, green, 0}, {1}, {3}}, {red, 0, 0}, 0});
    Check({"lighten", 503, {{red, 0, 0}, {0, green, 0}, {1}, {4}}, {0, green, 0}, 0});
}

TEST(ColorEffects, HsvShiftAndReplace) {
    const Case rows[] = {
        {"red to cyan", 502, {{1, 0, 0}, {0.5f, 0, 0}, {0}}, {0, 1, 1}},
        {"hue wraps", 502, {{1, 0, 0}, {1.25f, 0, 0}, {0}}, {0.5, 1, 0}},
        {"negative hue wraps", 502, {{1, 0, 0}, {-0.75f, 0, 0}, {0}}, {0.5, 1, 0}},
        {"saturation shift clamps", 502, {{1, 0.5f, 0.5f}, {0, -2, 0}, {0}}, {1, 1, 1}},
        {"value shift", 502, {{1, 0.5f, 0.5f}, {0, 0, -0.5f}, {0}}, {0.5, 0.25, 0.25}},
        {"input is clamped", 502, {{2, 0, 0}, {0.5f, 0, 0}, {0}}, {0, 1, 1}},
        {"hue 1 is red", 502, {{1, 0, 0}, {1, 0, 0}, {1}}, {1, 0, 0}},
        {"replace hue", 502, {{0.5f, 0.25f, 0.25f}, {1.0f / 3, 0, 0}, {1}}, {0.25, 0.5, 0.25}},
        {"replace saturation", 502, {{1, 0, 0}, {0.7f, 0, 0.2f}, {2}}, {1, 1, 1}},
        {"replace value", 502, {{1, 0, 0}, {0.7f, 0.3f, 0.5f}, {3}}, {0.5, 0, 0}},
        {"replace hue and saturation", 502, {{1, 0, 0}, {1.0f / 3, 0.5f, 0}, {4}}, {0.5, 1, 0.5}},
        {"replace saturation and value",
         502,
         {{1, 0, 0}, {0.9f, 0.5f, 0.5f}, {5}},
         {0.5, 0.25, 0.25}},
        {"replace hue and value", 502, {{1, 0, 0}, {2.0f / 3, 0.1f, 0.5f}, {6}}, {0, 0, 0.5}},
        {"replaced values are clamped", 502, {{1, 0, 0}, {0, 0, 3}, {3}}, {1, 0, 0}},
        {"mode 7 changes nothing", 502, {{2, -1, 0.5f}, {0.5f, 0.5f, 0.5f}, {7}}, {1, 0, 0.5}},
        {"mode -1 changes nothing",
         502,
         {{0.2f, 0.4f, 0.6f}, {0.5f, 0.5f, 0.5f}, {-1}},
         {0.2, 0.4, 0.6}},
    };
    test::CheckRows(rows, {.tolerance = 1e-6});
}

TEST(ColorEffects, Gamma) {
    const double g = std::pow(0.5, 1 / 2.2f);
    const Case rows[] = {
        {"default gamma", 508, {{0.5f, 0, 1}}, {g, 0, 1}},
        {"gamma 1", 508, {{0.25f, 0.5f, 2}, {1, 1, 1}}, {0.25, 0.5, 2}},
        {"gamma 2 per channel", 508, {{0.25f, 0.25f, 0.25f}, {2, 0.5f, 1}}, {0.5, 0.0625, 0.25}},
        {"negative channel loses its sign", 508, {{-0.25f, 0, 0}, {2, 2, 2}}, {0.5, 0, 0}},
        {"gamma 0 and below", 508, {{0.5f, 0.5f, 0.5f}, {0, -1, 2}}, {0, 0, std::sqrt(0.5)}},
    };
    test::CheckRows(rows, {.tolerance = 1e-6});
}

TEST(ColorEffects, Mosaic2DAnd3D) {
    const Case rows[] = {
        {"2D first tile", 504, {{}, {}, {0.1f, 0.1f}}, {0, 0}},
        {"2D same tile", 504, {{}, {}, {0.2f, 0.2f}}, {0, 0}},
        {"2D odd row", 504, {{}, {}, {0.1f, 0.3f}}, {0, 0.25}},
        {"2D odd row, shifted into the next", 504, {{}, {}, {0.2f, 0.3f}}, {0.25, 0.25}},
        {"2D row -1 is odd", 504, {{}, {}, {-0.1f, -0.1f}}, {0, -0.25}},
        {"2D position", 504, {{}, {}, {0.1f, 0.1f}, {1}}, {0.1, 0.1}},
        {"2D position in an odd row", 504, {{}, {}, {0.1f, 0.3f}, {1}}, {0.225, 0.05}},
        {"2D mode 7 is the origin", 504, {{}, {}, {0.1f, 0.3f}, {7}}, {0, 0.25}},
        {"2D zero size", 504, {{0, 0.25f}, {}, {0.1f, 0.1f}}, {0, 0}},
        {"2D zero size, position", 504, {{0.25f, 0}, {}, {0.1f, 0.1f}, {1}}, {0.1, 0}},
        {"2D no shift", 504, {{}, {0}, {0.2f, 0.3f}}, {0, 0.25}},
        {"3D first box", 505, {{}, {}, {0.1f, 0.1f, 0.1f}}, {0, 0, 0}},
        {"3D rows are not shifted", 505, {{}, {}, {0.2f, 0.3f, 0.1f}}, {0, 0.25, 0}},
        {"3D odd layer", 505, {{}, {}, {0.1f, 0.1f, 0.3f}}, {0, 0, 0.25}},
        {"3D odd layer, shifted", 505, {{}, {}, {0.2f, 0.2f, 0.3f}}, {0.25, 0.25, 0.25}},
        {"3D shift per axis", 505, {{}, {0, 0.5f}, {0.2f, 0.2f, 0.3f}}, {0, 0.25, 0.25}},
        {"3D position", 505, {{}, {}, {0.1f, 0.1f, 0.1f}, {1}}, {0.1, 0.1, 0.1}},
        {"3D position, odd layer", 505, {{}, {}, {0.1f, 0.1f, 0.3f}, {1}}, {0.225, 0.225, 0.05}},
        {"3D mode 7 is the position", 505, {{}, {}, {0.1f, 0.1f, 0.1f}, {7}}, {0.1, 0.1, 0.1}},
        {"3D zero size", 505, {{0.25f, 0, 0.25f}, {}, {0.1f, 0.7f, 0.1f}}, {0, 0, 0}},
    };
    test::CheckRows(rows, {.tolerance = 1e-6});
}

}  // namespace
}  // namespace vandrel

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <numbers>

#include "core/context.h"
#include "core/tree.h"
#include "editor/preview/component_preview.h"

namespace vandrel {
namespace {

inline constexpr PropertySpec kValueProps[] = {{"Value", kNumerical, {0.5f}}};

// Outputs its property and counts how often it was asked to.
class TCountingValue final : public TXRTableComponent<kValueProps, kNumerical> {
  public:
    void Evaluate(bool inHost) override {
        (void)inHost;
        ++evaluations;
        SetOut(Num(0));
    }
    int evaluations = 0;
};

inline constexpr PropertySpec kPixelProps[] = {{"U", kNumerical, {0.0f}},
                                               {"V", kNumerical, {0.0f}}};

// On the plane at range 1: the grey of a table at the pixel that U and V name, noting the pixels
// in the order they were evaluated.
class TPixelTable final : public TXRTableComponent<kPixelProps, kNumerical> {
  public:
    explicit TPixelTable(double (*grey)(int, int)) : grey_(grey) {}
    void Evaluate(bool inHost) override {
        (void)inHost;
        const int x = static_cast<int>(std::lround((Num(0) + 1) * 32 - 0.5));
        const int y = static_cast<int>(std::lround((1 - Num(1)) * 32 - 0.5));
        order.emplace_back(x, y);
        SetOut(grey_(x, y));
    }
    std::vector<std::pair<int, int>> order;

  private:
    double (*grey_)(int, int);
};

// Never drawn by a preview; tells rows that were not shown from rows that were.
constexpr TPixelColor kUnshown{1, 2, 3};

class TRecordingDisplay final : public TPreviewDisplay {
  public:
    TRecordingDisplay() { std::fill(image.pixels.begin(), image.pixels.end(), kUnshown); }
    void ShowRows(const TPreviewBitmap& bitmap, int first, int last, int progressLine) override {
        for (int y = first; y <= last; ++y) {
            for (int x = 0; x < kPreviewSize; ++x) image.At(x, y) = bitmap.At(x, y);
        }
        lines.push_back(progressLine);
        firstRows.push_back(first);
    }
    TPreviewBitmap image;
    std::vector<int> lines;
    std::vector<int> firstRows;
};

// Tells the test when the preview thread has posted a call.
class TLatchedHandOver final : public THandOver {
  public:
    void WaitForWakes(int count) {
        std::unique_lock lock(mutex_);
        woken_.wait(lock, [&] { return wakes_ >= count; });
    }

  protected:
    void Wake() override {
        {
            std::lock_guard lock(mutex_);
            ++wakes_;
        }
        woken_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
};

class PreviewTest : public ::testing::Test {
  protected:
    PreviewTest() {
        tree.Context = &record;
        tree.InHost = false;
    }

    TCountingValue* AddValue(float value) {
        auto* c = static_cast<TCountingValue*>(
            tree.AddComponent(std::unique_ptr<TXRComponent>(new TCountingValue)));
        c->SetConstant(0, 0, value);
        return c;
    }

    // The test's thread is the user-interface thread: it runs every handed-over call.
    void RunToEnd() {
        while (handOver.WaitAndProcess()) {
        }
    }

    TThreadRecord record;
    TXRTree tree;
    THandOver handOver;
    TRecordingDisplay display;
    TPreviewController controller{handOver, &display};
};

TEST_F(PreviewTest, ConstantOnThePlaneIsUniformAfterTheCoarsePassAndNeverRefined) {
    TCountingValue* value = AddValue(0.5f);
    controller.SetShape(TPreviewShape::kPlane);
    controller.Start(tree, value, nullptr);

    // The coarse pass ends with the first whole-image refresh.
    while (display.lines.empty() || display.lines.back() != -1)
        ASSERT_TRUE(handOver.WaitAndProcess());
    EXPECT_EQ(value->evaluations, 1024);
    for (const TPixelColor& p : display.image.pixels) ASSERT_EQ(p, (TPixelColor{128, 128, 128}));

    RunToEnd();
    EXPECT_EQ(value->evaluations, 1024);
    // Bands of 16 rows (the row marked by the line included) and a last refresh after each pass.
    EXPECT_EQ(display.lines, (std::vector<int>{14, 30, 46, 62, -1, 15, 31, 47, 63, -1}));
    EXPECT_EQ(display.firstRows, (std::vector<int>{0, 14, 30, 46, 48, 0, 15, 31, 47, 48}));
    EXPECT_FALSE(PreviewRunning());
}

// The refinement taken one pixel at a time, as the user-interface thread would run it: the
// order of the evaluations and the picture at the end. Also counts the pixels that only their
// left neighbour's new colour sent to evaluation.
struct TPlainRefinement {
    explicit TPlainRefinement(double (*grey)(int, int)) {
        const auto colour = [&](int x, int y) {
            const float v = static_cast<float>(grey(x, y));
            return PreviewColor(kNumerical, &v, PreviewBackground(x, y), 1);
        };
        for (int y = 0; y < kPreviewSize; y += 2) {
            for (int x = 0; x < kPreviewSize; x += 2) {
                order.emplace_back(x, y);
                for (int d = 0; d < 4; ++d) image.At(x + d % 2, y + d / 2) = colour(x, y);
            }
        }
        const auto differs = [&](int x, int y, int nx, int ny) {
            return nx >= 0 && ny >= 0 && nx < kPreviewSize && ny < kPreviewSize &&
                   ColorDistance(image.At(x, y), image.At(nx, ny)) > kRefinementThreshold;
        };
        for (int y = 0; y < kPreviewSize; ++y) {
            for (int x = 0; x < kPreviewSize; ++x) {
                if (x % 2 == 0 && y % 2 == 0) continue;
                const bool others =
                    differs(x, y, x + 1, y) || differs(x, y, x, y + 1) || differs(x, y, x, y - 1);
                if (!others && !differs(x, y, x - 1, y)) continue;
                if (!others && !order.empty() && order.back() == std::pair{x - 1, y}) ++leftOnly;
                order.emplace_back(x, y);
                image.At(x, y) = colour(x, y);
            }
        }
    }
    std::vector<std::pair<int, int>> order;
    TPreviewBitmap image;
    int leftOnly = 0;
};

TEST_F(PreviewTest, TheRefinementEvaluatesThePixelsAndDrawsThePictureOfOneSampleAtATime) {
    using Grey = double (*)(int, int);
    const Grey tables[] = {
        // Vertical bars of uneven widths: rows of refined pixels that each see their left
        // neighbour's new colour.
        [](int x, int) { return (x * x / 7) % 3 == 0 ? 1.0 : 0.0; },
        // A checker of odd cells, blocks and single pixels mixed.
        [](int x, int y) { return ((x / 3 + y / 5) % 2) * 0.75 + ((x * 5 + y * 3) % 11 == 0); },
        // A gradient below the threshold from pixel to pixel, with one bright spot.
        [](int x, int y) { return x == 33 && y == 17 ? 1.0 : x / 64.0 * 0.5; },
    };
    int leftOnly = 0;
    for (const Grey grey : tables) {
        auto* table = static_cast<TPixelTable*>(
            tree.AddComponent(std::unique_ptr<TXRComponent>(new TPixelTable(grey))));
        table->Connect(0, -1, VariableAddress(&record, kVarUV));
        table->Connect(1, -1, VariableAddress(&record, kVarUVV));
        controller.SetShape(TPreviewShape::kPlane);
        controller.Start(tree, table, nullptr);
        RunToEnd();
        const TPlainRefinement plain(grey);
        EXPECT_EQ(table->order, plain.order);
        EXPECT_TRUE(display.image.pixels == plain.image.pixels);
        leftOnly += plain.leftOnly;
    }
    // The tables reach the case where only the left neighbour's new colour decides.
    EXPECT_GT(leftOnly, 0);
}

TEST_F(PreviewTest, SphereSilhouettePixelsBlendByTheFractionOfHittingSubSamples) {
    TCountingValue* white = AddValue(1.0f);
    controller.Start(tree, white, nullptr);  // the sphere is the default shape
    RunToEnd();

    // Hits of the four rays counted by hand from the screen rule and the ray–sphere test.
    struct Case {
        int x, y, hits;
        TPixelColor background;
    };
    const Case cases[] = {
        {0, 31, 0, kStripeLight},   // misses: the stripe alone
        {1, 31, 2, kStripeLight},   // left edge, refined from the coarse background
        {2, 31, 4, kStripeLight},   // inside
        {62, 31, 2, kStripeLight},  // right edge
        {31, 1, 2, kStripeLight},   // top edge
        {1, 28, 2, kStripeDark},   {2, 24, 3, kStripeDark},  // three of four
    };
    for (const Case& c : cases) {
        const double coverage = c.hits / 4.0;
        const auto channel = [&](uint8_t bg) {
            return static_cast<uint8_t>(std::nearbyint(bg + (255 - bg) * coverage));
        };
        const TPixelColor expected{channel(c.background.r), channel(c.background.g),
                                   channel(c.background.b)};
        EXPECT_EQ(display.image.At(c.x, c.y), expected) << c.x << ", " << c.y;
    }
    EXPECT_EQ(display.image.At(1, 31), (TPixelColor{224, 224, 224}));
    EXPECT_EQ(display.image.At(2, 24), (TPixelColor{207, 207, 207}));
}

TEST_F(PreviewTest, StoppingMidwayKeepsTheImageDrawnSoFar) {
    TCountingValue* value = AddValue(0.5f);
    controller.SetShape(TPreviewShape::kPlane);
    controller.Start(tree, value, nullptr);
    while (display.lines.empty()) ASSERT_TRUE(handOver.WaitAndProcess());
    controller.Stop();

    // Eight block rows were evaluated and rows 0 … 14 shown when the stop came.
    EXPECT_EQ(value->evaluations, 8 * 32);
    EXPECT_EQ(display.lines, std::vector<int>{14});
    for (int y = 0; y < kPreviewSize; ++y) {
        const TPixelColor expected = y <= 14 ? TPixelColor{128, 128, 128} : kUnshown;
        for (int x = 0; x < kPreviewSize; ++x) ASSERT_EQ(display.image.At(x, y), expected) << y;
    }
    EXPECT_FALSE(handOver.WaitAndProcess());
    EXPECT_FALSE(PreviewRunning());
    EXPECT_EQ(controller.Preview(), nullptr);
}

TEST_F(PreviewTest, StoppingWhileAHandOverIsPendingNeverDeadlocks) {
    TCountingValue* value = AddValue(0.5f);
    TLatchedHandOver latched;
    TPreviewController own(latched, &display);
    own.SetShape(TPreviewShape::kPlane);

    own.Start(tree, value, nullptr);
    latched.WaitForWakes(1);  // the first evaluation waits for this thread
    own.Stop();
    EXPECT_EQ(value->evaluations, 0);
    EXPECT_TRUE(display.lines.empty());
    EXPECT_FALSE(PreviewRunning());

    // A new start while a call is pending withdraws it too; only the second preview draws.
    own.Start(tree, value, nullptr);
    latched.WaitForWakes(3);  // the stop's close, then the second preview's first call
    own.Start(tree, value, nullptr);
    while (latched.WaitAndProcess()) {
    }
    EXPECT_EQ(value->evaluations, 1024);
    EXPECT_EQ(display.lines.back(), -1);
}

TEST_F(PreviewTest, ChangingToTheShapeAlreadyChosenStartsNothing) {
    TCountingValue* value = AddValue(0.5f);
    EXPECT_FALSE(controller.SetShape(TPreviewShape::kCube));  // nothing to preview yet
    EXPECT_EQ(controller.Preview(), nullptr);

    controller.Start(tree, value, nullptr);
    RunToEnd();
    const int drawn = value->evaluations;
    const ComponentPreview* first = controller.Preview();

    EXPECT_FALSE(controller.SetShape(TPreviewShape::kCube));
    EXPECT_EQ(controller.Preview(), first);
    EXPECT_FALSE(handOver.WaitAndProcess());
    EXPECT_EQ(value->evaluations, drawn);

    EXPECT_TRUE(controller.SetShape(TPreviewShape::kPlane));
    RunToEnd();
    EXPECT_EQ(value->evaluations, drawn + 1024);
}

TEST_F(PreviewTest, TriggersShowTheWorkingValues) {
    TCountingValue* value = AddValue(0.0f);
    value->Connect(0, 0, VariableAddress(&record, kVarTrigger3));
    TLocalKeyframes keyframes;
    keyframes.Triggers[2] = {0.25f, 0, 0};
    controller.SetShape(TPreviewShape::kPlane);
    controller.Start(tree, value, &keyframes);
    RunToEnd();
    // 0.25 × 255 = 63.75.
    EXPECT_EQ(display.image.At(40, 20), (TPixelColor{64, 64, 64}));
}

TEST_F(PreviewTest, ComponentsOutsideTheTreeStartNothing) {
    TCountingValue stray;
    controller.Start(tree, &stray, nullptr);
    EXPECT_EQ(controller.Preview(), nullptr);
    EXPECT_FALSE(controller.Restart());
}

TEST(PreviewRange, IsHeldToTheSpinFieldLimits) {
    THandOver handOver;
    TPreviewController controller(handOver, nullptr);
    const std::pair<float, float> cases[] = {{0.0f, 0.01f},
                                             {2.5f, 2.5f},
                                             {5000.0f, 1000.0f},
                                             {-3.0f, 0.01f},
                                             {std::numeric_limits<float>::quiet_NaN(), 1.0f}};
    for (const auto& [given, held] : cases) {
        controller.SetRange(given);
        EXPECT_EQ(controller.Range(), held) << given;
    }
}

TEST(PreviewColor, FollowsTheOutputKind) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        int32_t kind;
        std::array<float, 3> output;
        TPixelColor background;
        double coverage;
        TPixelColor expected;
    };
    const Case cases[] = {
        {kNumerical, {0.5f}, kStripeDark, 1, {128, 128, 128}},  // 127.5 rounds up to even
        {kNumerical, {-0.2f}, kStripeDark, 1, {0, 0, 0}},
        {kNumerical, {1.7f}, kStripeDark, 1, {255, 255, 255}},
        {kNumerical, {nan}, kStripeLight, 1, {0, 0, 0}},
        {kUV, {0.25f, 1.0f, 0.9f}, kStripeDark, 1, {64, 255, 0}},  // 63.75; blue unused
        {kVector, {0.2f, 0.6f, 1.0f}, kStripeDark, 1, {51, 153, 255}},
        // 64 + (255 − 64) / 2 = 159.5; 64 − 64 / 2.
        {kNone, {}, kStripeDark, 1, {160, 32, 32}},
        {kEnumeration, {}, kStripeLight, 1, {224, 96, 96}},
        // Red at a quarter over dark (111.75, 48), then half way from dark: 88, 56.
        {kNone, {}, kStripeDark, 0.5, {88, 56, 56}},
        // White at a quarter over light: 192 + 63 / 4 = 207.75.
        {kNumerical, {1.0f}, kStripeLight, 0.25, {208, 208, 208}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviewColor(c.kind, c.output.data(), c.background, c.coverage), c.expected)
            << "kind " << c.kind << ", coverage " << c.coverage;
    }
    EXPECT_EQ(PreviewColor(kVector, nullptr, kStripeDark, 1), (TPixelColor{160, 32, 32}));
}

TEST(PreviewScene, BackgroundStripesAndColourDistance) {
    EXPECT_EQ(PreviewBackground(0, 0), kStripeDark);
    EXPECT_EQ(PreviewBackground(5, 0), kStripeDark);
    EXPECT_EQ(PreviewBackground(3, 3), kStripeLight);
    EXPECT_EQ(PreviewBackground(11, 0), kStripeLight);
    EXPECT_EQ(PreviewBackground(7, 5), kStripeDark);
    // 12 of 255 in one channel is above the threshold, 12 of 255 spread over three is below.
    EXPECT_GT(ColorDistance({0, 0, 0}, {13, 0, 0}), kRefinementThreshold);
    EXPECT_LT(ColorDistance({0, 0, 0}, {7, 7, 7}), kRefinementThreshold);
    EXPECT_NEAR(ColorDistance({0, 0, 0}, {255, 255, 255}), std::sqrt(3.0), 1e-12);
}

float Var(const TThreadRecord& r, int32_t n, int k = 0) {
    return r.Variables[static_cast<size_t>(VariableFloatIndex(n) + k)];
}

TEST(PreviewScene, ThePlaneMapsColumnsToUAndRowsToV) {
    TThreadRecord r;
    r.Variables[static_cast<size_t>(VariableFloatIndex(kVarColorIn))] = 7;
    // Range 2: pixels of 1/16; pixel (0, 0) is centred at U = −2 + 1/32, V = 2 − 1/32.
    ASSERT_EQ(SynthesiseSample(TPreviewShape::kPlane, 0, 0, 2.0, r), 1.0);
    EXPECT_FLOAT_EQ(Var(r, kVarUV), -1.96875f);
    EXPECT_FLOAT_EQ(Var(r, kVarUV, 1), 1.96875f);
    EXPECT_FLOAT_EQ(Var(r, kVarUVDelta), 0.0625f);
    EXPECT_FLOAT_EQ(Var(r, kVarUVDeltaV), 0.0625f);
    EXPECT_FLOAT_EQ(Var(r, kVarObject), -0.984375f);
    EXPECT_FLOAT_EQ(Var(r, kVarObject, 1), 0.984375f);
    EXPECT_FLOAT_EQ(Var(r, kVarObject, 2), 0.0f);
    EXPECT_FLOAT_EQ(Var(r, kVarWorld), -1.96875f);
    EXPECT_EQ(Var(r, kVarColorIn), 0.0f);  // cleared

    SynthesiseSample(TPreviewShape::kPlane, 63, 63, 2.0, r);
    EXPECT_FLOAT_EQ(Var(r, kVarUV), 1.96875f);
    EXPECT_FLOAT_EQ(Var(r, kVarUV, 1), -1.96875f);
}

TEST(PreviewScene, TheSphereFacesTheViewer) {
    TThreadRecord r;
    EXPECT_EQ(SynthesiseSample(TPreviewShape::kSphere, 0, 0, 1.0, r), 0.0);
    EXPECT_EQ(Var(r, kVarObject, 2), 0.0f);
    EXPECT_FLOAT_EQ(Var(r, kVarViewer, 2), 6.3f);

    // The middle pixel hits the front of the unit sphere almost straight on.
    ASSERT_EQ(SynthesiseSample(TPreviewShape::kSphere, 31, 31, 2.0, r), 1.0);
    const double ox = Var(r, kVarObject), oy = Var(r, kVarObject, 1), oz = Var(r, kVarObject, 2);
    EXPECT_NEAR(std::sqrt(ox * ox + oy * oy + oz * oz), 1.0, 1e-6);
    EXPECT_GT(oz, 0.999);
    EXPECT_FLOAT_EQ(Var(r, kVarSNorm, 2), static_cast<float>(oz));
    EXPECT_FLOAT_EQ(Var(r, kVarGNorm, 2), static_cast<float>(oz));
    EXPECT_FLOAT_EQ(Var(r, kVarWorld, 2), static_cast<float>(2 * oz));
    // Ray from the viewer to the world point: about (0, 0, 2 − 6.3).
    EXPECT_NEAR(Var(r, kVarRay, 2), 2 - 6.3, 1e-3);
    EXPECT_NEAR(Var(r, kVarRayLength), 4.3, 1e-3);
    EXPECT_NEAR(Var(r, kVarURay, 2), -1.0, 1e-3);
    // The last ray, (0.0082677, −0.0082677, −6.3), hits at t = 0.841257: x = −y = 0.0069553,
    // z = 1.00008; U = atan2(x, z) / 2π, V = atan2(√(x² + z²), y) / π + 1/2.
    EXPECT_NEAR(Var(r, kVarUV), 0.0011069, 1e-6);
    EXPECT_NEAR(Var(r, kVarUV, 1), 1.0022138, 1e-6);
}

TEST(PreviewScene, TheCubeShowsThreeFacesWithTheirMappings) {
    // Hit points of the last of the 16 rays per pixel, traced by hand from the scene constants.
    struct Case {
        int x, y;
        double coverage;
        int axis;  // face normal
        double u, v;
    };
    const Case cases[] = {
        {20, 40, 1.0, 0, 0.396384, 0.535229},     // x = 1: y 0.171074, z −0.211373
        {45, 40, 1.0, 1, 0.598269, 0.542193},     // y = 1: x 0.213846, z −0.253160
        {32, 10, 1.0, 2, 0.397608, 0.192761},     // z = 1: y 0.180867, x 0.156566
        {32, 60, 0.9375, 0, 0.484279, 0.664252},  // one ray passes below the cube
    };
    TThreadRecord r;
    EXPECT_EQ(SynthesiseSample(TPreviewShape::kCube, 0, 0, 1.0, r), 0.0);
    for (const Case& c : cases) {
        ASSERT_EQ(SynthesiseSample(TPreviewShape::kCube, c.x, c.y, 3.0, r), c.coverage) << c.x;
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(Var(r, kVarSNorm, k), k == c.axis ? 1.0f : 0.0f) << c.x;
            EXPECT_EQ(Var(r, kVarGNorm, k), k == c.axis ? 1.0f : 0.0f) << c.x;
        }
        EXPECT_FLOAT_EQ(Var(r, kVarObject, c.axis), 1.0f);
        EXPECT_FLOAT_EQ(Var(r, kVarWorld, c.axis), 3.0f);
        EXPECT_NEAR(Var(r, kVarUV), c.u, 1e-5) << c.x;
        EXPECT_NEAR(Var(r, kVarUV, 1), c.v, 1e-5) << c.x;
    }
}

}  // namespace
}  // namespace vandrel

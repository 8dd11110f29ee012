#include "components/generators/cellular.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <thread>
#include <vector>

#include "component_checks.h"
#include "components/families.h"
#include "components/shared/cell_hash.h"

namespace vandrel {
namespace {

using test::Case;
using test::CheckRows;
using test::Output;
using test::Set;

constexpr double kHalfDiagonal = std::numbers::sqrt2 / 2;  // 0.7071…
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The feature points written out once more, independently, step by step, for a 2D neighbourhood:
// offsets -1, 0, +1 with U outermost, one seed per cell, then one draw per axis (and one for the
// radius).
struct TReferencePoint {
    double u, v, radius;
};
std::vector<TReferencePoint> ReferencePoints2D(int32_t ku, int32_t kv, int32_t seed, double jitter,
                                               double spread = 0, double base = 0) {
    std::vector<TReferencePoint> points;
    TRandomState state;
    for (int du = -1; du <= 1; ++du) {
        for (int dv = -1; dv <= 1; ++dv) {
            RandomSeed(state, CellHash2(ku + du, kv + dv) + seed);
            TReferencePoint p;
            p.u = static_cast<float>(jitter * (RandomNext(state) - 0.5) + (ku + du + 0.5));
            p.v = static_cast<float>(jitter * (RandomNext(state) - 0.5) + (kv + dv + 0.5));
            p.radius = static_cast<float>(
                std::clamp((2 * RandomNext(state) - 1) * spread + base, 0.0, 1.0));
            points.push_back(p);
        }
    }
    return points;
}

double Distance(const TReferencePoint& p, float u, float v) { return std::hypot(u - p.u, v - p.v); }

TEST(Cellular, JitterZeroMeasuresToCellCentres) {
    const Case rows[] = {
        {"at a centre", 204, {{}, {}, {}, {0}, {}, {}, {}, {0.5f, 0.5f}}, {0}},
        {"at a corner", 204, {{}, {}, {}, {0}, {}, {}, {}, {0, 0}}, {kHalfDiagonal}},
        {"a quarter off", 204, {{}, {}, {}, {0}, {}, {}, {}, {0.25f, 0.5f}}, {0.25}},
        {"negative cell", 204, {{}, {}, {}, {0}, {}, {}, {}, {-0.5f, -1.5f}}, {0}},
        {"frequency 2", 204, {{}, {2}, {}, {0}, {}, {}, {}, {0.25f, 0.25f}}, {0}},
        {"F3 at a corner", 204, {{}, {}, {}, {0}, {0}, {0}, {1}, {1, 1}}, {kHalfDiagonal}},
        {"amplitude and offset",
         204,
         {{2}, {}, {0.5f}, {0}, {}, {}, {}, {0.25f, 0.5f}},
         {2 * 0.25 + 0.5}},
        {"3D at a centre", 303, {{}, {}, {}, {0}, {}, {}, {}, {0.5f, 0.5f, 0.5f}}, {0}},
        {"3D at a corner", 303, {{}, {}, {}, {0}, {}, {}, {}, {0, 0, 0}}, {std::sqrt(0.75)}},
        {"3D, a quarter off", 303, {{}, {}, {}, {0}, {}, {}, {}, {0.5f, 0.75f, 0.5f}}, {0.25}},
        // Jitter is clamped: -3 acts as 0.
        {"jitter -3 acts as 0", 204, {{}, {}, {}, {-3}, {}, {}, {}, {0, 0}}, {kHalfDiagonal}},
        {"jitter NaN acts as 0", 204, {{}, {}, {}, {kNaN}, {}, {}, {}, {0, 0}}, {kHalfDiagonal}},
    };
    CheckRows(rows);
}

TEST(Cellular, ShortcutsAndWeights) {
    const Case rows[] = {
        {"all weights 0 give Offset", 204, {{}, {}, {3}, {}, {0}, {0}, {0}, {0.3f, 0.7f}}, {3}},
        {"frequency 0 gives 0, not Offset", 204, {{}, {0}, {3}, {}, {}, {}, {}, {0.3f, 0.7f}}, {0}},
        {"amplitude 0 gives Offset", 204, {{0}, {}, {3}}, {3}},
        {"3D frequency 0", 303, {{}, {0}, {3}}, {0}},
        {"3D amplitude 0", 303, {{0}, {}, {3}}, {3}},
    };
    CheckRows(rows);
}

// On a cell edge with Jitter 0 two centres are equally near: F1 and F2 take the same value.
TEST(Cellular, EqualDistancesFillF1AndF2) {
    const double f3 = std::sqrt(0.25 + 1);
    const Case rows[] = {
        {"F1", 204, {{}, {}, {}, {0}, {1}, {0}, {0}, {1, 0.5f}}, {0.5}},
        {"F2", 204, {{}, {}, {}, {0}, {0}, {1}, {0}, {1, 0.5f}}, {0.5}},
        {"F3", 204, {{}, {}, {}, {0}, {0}, {0}, {1}, {1, 0.5f}}, {f3}},
        {"F2 - F1", 204, {{}, {}, {}, {0}, {-1}, {1}, {0}, {1, 0.5f}}, {0}},
        {"3D: F1 = F2", 303, {{}, {}, {}, {0}, {1}, {-1}, {0}, {0.5f, 1, 0.5f}}, {0}},
    };
    CheckRows(rows);
}

// With full jitter the points are those of the documented draws: the nearest three of the 9.
TEST(Cellular, JitteredPointsFollowTheDrawOrder) {
    TThreadRecord record;
    for (const std::array<float, 2> at :
         {std::array<float, 2>{0.3f, 0.8f}, {-2.6f, 4.1f}, {17.5f, -0.2f}, {0.999f, 0.001f}}) {
        for (const float jitter : {1.0f, 0.6f}) {
            const int32_t ku = FloorToInt(at[0]), kv = FloorToInt(at[1]);
            std::vector<double> d;
            for (const TReferencePoint& p : ReferencePoints2D(ku, kv, 77, jitter)) {
                d.push_back(Distance(p, at[0], at[1]));
            }
            std::sort(d.begin(), d.end());
            auto c = test::Make(204, {{}, {}, {}, {jitter}, {1}, {10}, {100}, {at[0], at[1]}, {77}},
                                &record);
            c->Evaluate(true);
            EXPECT_FLOAT_EQ(Output(*c)[0], static_cast<float>(d[0] + 10 * d[1] + 100 * d[2]))
                << at[0] << ", " << at[1] << " jitter " << jitter;
        }
    }
}

TEST(Birdshot, PelletsAtTheCellCentres) {
    const double corner = 1 - kHalfDiagonal;  // a radius-1 pellet at a corner's distance
    const Case rows[] = {
        {"radius 0 gives Offset", 210, {{}, {}, {0.25f}, {}, {0}, {0}, {}, {0.5f, 0.5f}}, {0.25}},
        {"at a centre", 210, {{}, {}, {}, {0}, {}, {}, {}, {0.5f, 0.5f}}, {1}},
        {"a quarter off", 210, {{}, {}, {}, {0}, {}, {}, {}, {0.75f, 0.5f}}, {0.5}},
        {"at the rim", 210, {{}, {}, {}, {0}, {}, {}, {}, {1, 0.5f}}, {0}},
        {"outside", 210, {{}, {}, {}, {0}, {}, {}, {}, {0, 0}}, {0}},
        {"radius above 1 is 1", 210, {{}, {}, {}, {0}, {7}, {}, {}, {0.75f, 0.5f}}, {0.75}},
        {"maximum of overlapping pellets", 210, {{}, {}, {}, {0}, {1}, {}, {0}, {1, 1}}, {corner}},
        {"sum of overlapping pellets exceeds 1",
         210,
         {{}, {}, {}, {0}, {1}, {}, {1}, {1, 1}},
         {4 * corner}},
        {"sum, Combine 5", 210, {{}, {}, {}, {0}, {1}, {}, {5}, {1, 0.5f}}, {1}},
        {"maximum on an edge", 210, {{}, {}, {}, {0}, {1}, {}, {0}, {1, 0.5f}}, {0.5}},
        {"amplitude and offset",
         210,
         {{2}, {}, {1}, {0}, {}, {}, {}, {0.75f, 0.5f}},
         {2 * 0.5 + 1}},
        {"frequency 0 gives 0", 210, {{}, {0}, {3}}, {0}},
        {"amplitude 0 gives Offset", 210, {{0}, {}, {3}}, {3}},
        {"3D at a centre", 308, {{}, {}, {}, {0}, {}, {}, {}, {0.5f, 0.5f, 0.5f}}, {1}},
        {"3D a quarter off", 308, {{}, {}, {}, {0}, {}, {}, {}, {0.5f, 0.5f, 0.25f}}, {0.5}},
        {"3D radius 0", 308, {{}, {}, {0.25f}, {0}, {0}, {0}, {}, {0.5f, 0.5f, 0.5f}}, {0.25}},
        {"3D sum at a corner",
         308,
         {{}, {}, {}, {0}, {1}, {}, {1}, {1, 1, 1}},
         {8 * (1 - std::sqrt(0.75))}},
    };
    CheckRows(rows);
}

TEST(Birdshot, RandomRadiiFollowTheDrawOrder) {
    TThreadRecord record;
    for (const int32_t combine : {0, 1}) {
        const float at[2] = {3.3f, -1.45f};
        double expected = 0;
        for (const TReferencePoint& p : ReferencePoints2D(3, -2, 1234, 0.8f, 0.7f, 0.4f)) {
            if (p.radius <= 0) continue;
            const double v = (p.radius - Distance(p, at[0], at[1])) / p.radius;
            if (combine == 0) {
                expected = std::max(expected, v);
            } else if (v > 0) {
                expected += v;
            }
        }
        auto c = test::Make(
            210, {{}, {}, {}, {0.8f}, {0.4f}, {0.7f}, {float(combine)}, {at[0], at[1]}}, &record);
        c->Evaluate(true);
        EXPECT_FLOAT_EQ(Output(*c)[0], static_cast<float>(expected)) << combine;
    }
}

// Combine (Birdshot) and OutputMode (Crystallize) fed from a trigger take its value on every
// evaluation, also on the paths that stop early.
TEST(Cellular, TriggerFedEnumerationsAreRefreshedOnEarlyPaths) {
    TThreadRecord record;
    const struct {
        const char* what;
        int32_t id, prop;
        std::vector<float> zeroed;  // property index and value that make Evaluate stop early
    } rows[] = {
        {"birdshot, frequency 0", 210, 6, {1, 0}},
        {"birdshot, amplitude 0", 210, 6, {0, 0}},
        {"birdshot 3D, frequency 0", 308, 6, {1, 0}},
        {"birdshot 3D, amplitude 0", 308, 6, {0, 0}},
        {"crystallize, frequency 0", 506, 3, {0, 0}},
        {"crystallize 3D, frequency 0", 507, 3, {0, 0}},
    };
    for (const auto& row : rows) {
        auto c = test::Make(row.id, {}, &record);
        Set(*c, static_cast<int32_t>(row.zeroed[0]), {row.zeroed[1]});
        float trigger = 1.0f;
        c->Connect(row.prop, kWholeProperty, &trigger);
        c->Evaluate(true);
        EXPECT_EQ(c->GetEnumValue(row.prop), 1) << row.what;
        trigger = 2.6f;
        c->Evaluate(true);
        EXPECT_EQ(c->GetEnumValue(row.prop), 3) << row.what;
    }
}

TEST(Crystalize, BothOutputModesAndFrequency) {
    const Case rows[] = {
        {"jitter 0: the cell centre", 506, {{}, {0}, {0.1f, 0.9f}}, {0.5, 0.5}},
        {"jitter 0, other corner", 506, {{}, {0}, {0.99f, 0.01f}}, {0.5, 0.5}},
        // At the cell's lower corner four centres tie and the first visited, (-1, -1), wins.
        {"jitter 0, lower corner", 506, {{}, {0}, {0, 0}}, {-0.5, -0.5}},
        {"jitter 0, lower edge", 506, {{}, {0}, {0, 0.5f}}, {-0.5, 0.5}},
        {"offset mode", 506, {{}, {0}, {0.25f, 0.75f}, {1}}, {-0.25, 0.25}},
        {"offset mode, any other value", 506, {{}, {0}, {0.25f, 0.75f}, {-4}}, {-0.25, 0.25}},
        {"frequency 2", 506, {{2}, {0}, {0.3f, 0.3f}}, {0.25, 0.25}},
        {"frequency 2, offset mode", 506, {{2}, {0}, {0.3f, 0.3f}, {1}}, {0.05, 0.05}},
        {"negative cell", 506, {{}, {0}, {-0.2f, -3.7f}}, {-0.5, -3.5}},
        // On an edge the first neighbour visited (offset -1 comes first) wins.
        {"tie: the first visited", 506, {{}, {0}, {1, 0.5f}}, {0.5, 0.5}},
        {"tie along V", 506, {{}, {0}, {0.5f, 2}}, {0.5, 1.5}},
        {"frequency 0", 506, {{0}, {0}, {0.3f, 0.3f}}, {0, 0}},
        {"3D jitter 0", 507, {{}, {0}, {0.1f, 0.9f, 0.4f}}, {0.5, 0.5, 0.5}},
        {"3D offset mode", 507, {{}, {0}, {0.25f, 0.75f, 0.5f}, {1}}, {-0.25, 0.25, 0}},
        {"3D frequency 2", 507, {{2}, {0}, {0.3f, 0.3f, 0.8f}}, {0.25, 0.25, 0.75}},
        {"3D tie along Z", 507, {{}, {0}, {0.5f, 0.5f, 1}}, {0.5, 0.5, 0.5}},
        {"3D frequency 0", 507, {{0}, {0}, {0.3f, 0.3f, 0.3f}}, {0, 0, 0}},
    };
    CheckRows(rows);
}

TEST(Crystalize, NearestJitteredPointAndNaN) {
    TThreadRecord record;
    const float at[2] = {5.2f, -7.9f};
    const auto points = ReferencePoints2D(5, -8, 99, 1);
    size_t nearest = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        if (Distance(points[i], at[0], at[1]) < Distance(points[nearest], at[0], at[1])) {
            nearest = i;
        }
    }
    auto c = test::Make(506, {{}, {}, {at[0], at[1]}, {}, {99}}, &record);
    c->Evaluate(true);
    const std::vector<float> out = Output(*c);
    EXPECT_EQ(out[0], static_cast<float>(points[nearest].u));
    EXPECT_EQ(out[1], static_cast<float>(points[nearest].v));
    // A NaN input is nearer to no point: the output keeps its value.
    Set(*c, 2, {kNaN, 0});
    c->Evaluate(true);
    EXPECT_EQ(Output(*c), out);
}

// The cache is keyed by the input's cell alone: inside one cell a new Seed keeps the cached points
// and the generator is not touched at all; another cell draws. (That the new values are in use
// once the input has come back is checked for every class with a cache in EveryClass.)
TEST(NeighbourhoodCache, KeyedByTheCellAlone) {
    struct Probe {
        int32_t id;
        std::vector<float> inside, sameCell, otherCell;
    };
    const Probe probes[] = {
        {204, {0.3f, 0.4f}, {0.7f, 0.1f}, {1.3f, 0.4f}},
        {303, {0.3f, 0.4f, 0.5f}, {0.7f, 0.1f, 0.9f}, {0.3f, -0.4f, 0.5f}},
        {210, {0.3f, 0.4f}, {0.7f, 0.1f}, {1.3f, 0.4f}},
        {308, {0.3f, 0.4f, 0.5f}, {0.7f, 0.1f, 0.9f}, {0.3f, 0.4f, 2.5f}},
        {506, {0.3f, 0.4f}, {0.7f, 0.1f}, {1.3f, 0.4f}},
        {507, {0.3f, 0.4f, 0.5f}, {0.7f, 0.1f, 0.9f}, {0.3f, 0.4f, -0.5f}},
    };
    for (const Probe& probe : probes) {
        TThreadRecord record;
        auto c = test::Make(probe.id, {}, &record);
        const int32_t input = test::PropertyIndex(*c, "Input");
        const int32_t seed = test::PropertyIndex(*c, "Seed");
        // Birdshot: a varied radius, so that the radius draws matter too.
        if (probe.id == 210 || probe.id == 308) Set(*c, 5, {0.8f});
        Set(*c, input, probe.inside);
        c->Evaluate(true);
        const std::vector<float> first = Output(*c);

        // A hit: the record's generator is left exactly as it was.
        RandomSeed(record.RandomState, 4242);
        const TRandomState before = record.RandomState;
        Set(*c, seed, {999});
        c->Evaluate(true);
        EXPECT_EQ(Output(*c), first) << probe.id;
        EXPECT_EQ(std::memcmp(&record.RandomState, &before, sizeof before), 0) << probe.id;
        Set(*c, input, probe.sameCell);
        c->Evaluate(true);
        EXPECT_EQ(std::memcmp(&record.RandomState, &before, sizeof before), 0) << probe.id;

        // A miss draws.
        Set(*c, input, probe.otherCell);
        c->Evaluate(true);
        EXPECT_NE(std::memcmp(&record.RandomState, &before, sizeof before), 0) << probe.id;
    }
}

// Mended fault: between 2^23 and 2^24 the float centres k + 0.5 of the cells 2^23 + 1 and
// 2^23 + 2 are one float; the cache keys by the cell index and tells them apart. A new cache holds
// no cell, not even cell (0, 0).
TEST(NeighbourhoodCache, TellsCellsApartWhereTheirFloatCentresMeet) {
    const int32_t k1 = 8388609, k2 = 8388610;
    ASSERT_EQ(static_cast<float>(k1 + 0.5), static_cast<float>(k2 + 0.5));
    TNeighbourhood<2, false> cache;
    EXPECT_FALSE(cache.Holds({0, 0}));
    cache.Fill({k1, 0}, 1234, 1, 0, 0, {}, {});
    EXPECT_TRUE(cache.Holds({k1, 0}));
    EXPECT_FALSE(cache.Holds({k2, 0}));
    EXPECT_FALSE(cache.Holds({k1, 1}));

    // The same through a component: moving from one cell to the other refills.
    TThreadRecord record;
    const std::vector<std::vector<float>> props = {{}, {}, {}, {}, {1}, {10}, {100}};
    auto cached = test::Make(204, props, &record);
    Set(*cached, 7, {float(k1), 0.5f});
    cached->Evaluate(true);
    Set(*cached, 7, {float(k2), 0.5f});
    cached->Evaluate(true);
    auto fresh = test::Make(204, props, &record);
    Set(*fresh, 7, {float(k2), 0.5f});
    fresh->Evaluate(true);
    EXPECT_EQ(Output(*cached), Output(*fresh));
}

// An image of every cached class (the feature points and the shape patterns), evaluated row by row
// by 1, 2 and 4 threads, each thread with its own record and its own components, must be the same
// bit for bit; and the same as an image of fresh components, one per pixel, so that no visiting
// order leaks into a cache.
TEST(NeighbourhoodCache, ImagesAreTheSameFromAnyThreadCount) {
    constexpr int kSize = 48;
    struct Pattern {
        int32_t id;
        std::vector<std::vector<float>> props;
    };
    const Pattern patterns[] = {
        {204, {{}, {3}, {}, {}, {1}, {-0.5f}, {0.25f}}},
        {303, {{}, {2.5f}, {}, {0.9f}, {0}, {1}}},
        {210, {{}, {4}, {}, {}, {0.6f}, {0.5f}, {1}}},
        {308, {{}, {3}, {}, {0.7f}, {0.5f}, {0.3f}}},
        {506, {{5}, {}, {}, {1}}},
        {507, {{3}, {0.8f}}},
        {413, {{}, {}, {0.7f, 0.9f}, {}, {}, {0.08f}, {0.02f}, {}, {6}, {2}, {3}, {42}}},
        {510, {{0.7f, 0.9f}, {}, {0.5f, 1}, {}, {6}, {2}, {}, {3}, {42}}},
        {412, {{}, {}, {0.6f, 0.6f}, {0.08f}, {0.02f}, {}, {0}}},
        {509, {{0.35f, 0.45f}, {}, {2}}},
    };
    for (const Pattern& pattern : patterns) {
        const auto probe = test::Make(pattern.id, pattern.props, nullptr);
        const int32_t input = test::PropertyIndex(*probe, "Input");
        const bool flat = probe->PropertyKind(input) == kUV;
        const int outputs = FloatCount(probe->OutputKind());
        const auto point = [&](int x, int y) {
            const float u = (x - kSize / 2) * 0.037f, v = (y - kSize / 3) * 0.029f;
            return flat ? std::vector<float>{u, v} : std::vector<float>{u, v, 0.3f * u - v};
        };
        const auto render = [&](int threads) {
            std::vector<float> image(kSize * kSize * outputs);
            std::vector<std::thread> workers;
            for (int t = 0; t < threads; ++t) {
                workers.emplace_back([&, t] {
                    TThreadRecord record;
                    auto c = test::Make(pattern.id, pattern.props, &record);
                    for (int y = t; y < kSize; y += threads) {
                        // Alternate directions, so that each thread's cache sees its own order.
                        for (int i = 0; i < kSize; ++i) {
                            const int x = (y / threads) % 2 == 0 ? i : kSize - 1 - i;
                            Set(*c, input, point(x, y));
                            c->Evaluate(true);
                            for (int k = 0; k < outputs; ++k) {
                                image[(y * kSize + x) * outputs + k] = c->OutputAddress()[k];
                            }
                        }
                    }
                });
            }
            for (std::thread& w : workers) w.join();
            return image;
        };
        const std::vector<float> single = render(1);
        for (const int threads : {2, 4}) {
            const std::vector<float> image = render(threads);
            EXPECT_EQ(std::memcmp(image.data(), single.data(), single.size() * sizeof(float)), 0)
                << pattern.id << " with " << threads << " threads";
        }
        TThreadRecord record;
        int differing = 0;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                auto c = test::Make(pattern.id, pattern.props, &record);
                Set(*c, input, point(x, y));
                c->Evaluate(true);
                for (int k = 0; k < outputs; ++k) {
                    if (!test::SameFloat(c->OutputAddress()[k],
                                         single[(y * kSize + x) * outputs + k])) {
                        ++differing;
                    }
                }
            }
        }
        EXPECT_EQ(differing, 0) << pattern.id;
        // The pattern is not flat: the check above compared something.
        EXPECT_NE(std::count(single.begin(), single.end(), single[0]),
                  static_cast<std::ptrdiff_t>(single.size()))
            << pattern.id;
    }
}

}  // namespace
}  // namespace vandrel

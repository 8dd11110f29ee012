#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "hostapi/hostapi.h"

namespace {

// The host's operations of one noise type, called through one shape for every dimension.
struct NoiseKind {
    const char* name;
    double (*noise1)(double);
    double (*noise2)(double, double);
    double (*noise3)(const float*);
    double (*turbulence1)(double, int);
    double (*turbulence2)(double, double, int);
    double (*turbulence3)(const float*, int);
    bool gradient;  // gradient noise is 0 (0.5 here) at every lattice point

    double Noise(int dims, const double* p) const {
        if (dims == 1) return noise1(p[0]);
        if (dims == 2) return noise2(p[0], p[1]);
        const float q[3] = {static_cast<float>(p[0]), static_cast<float>(p[1]),
                            static_cast<float>(p[2])};
        return noise3(q);
    }
    double Turbulence(int dims, const double* p, int octaves) const {
        if (dims == 1) return turbulence1(p[0], octaves);
        if (dims == 2) return turbulence2(p[0], p[1], octaves);
        const float q[3] = {static_cast<float>(p[0]), static_cast<float>(p[1]),
                            static_cast<float>(p[2])};
        return turbulence3(q, octaves);
    }
};

const NoiseKind kKinds[] = {
    {"Default", hsNoise1, hsNoise2, hsNoise3, hsTurbulence1, hsTurbulence2, hsTurbulence3, true},
    {"Classic", hsNoise1Classic, hsNoise2Classic, hsNoise3Classic, hsTurbulence1Classic,
     hsTurbulence2Classic, hsTurbulence3Classic, false},
    {"Perlin", hsNoise1Perlin, hsNoise2Perlin, hsNoise3Perlin, hsTurbulence1Perlin,
     hsTurbulence2Perlin, hsTurbulence3Perlin, true},
    {"SparseConv", hsNoise1SparseConv, hsNoise2SparseConv, hsNoise3SparseConv,
     hsTurbulence1SparseConv, hsTurbulence2SparseConv, hsTurbulence3SparseConv, false},
};

void PrintTo(const NoiseKind& kind, std::ostream* out) { *out << kind.name; }

using Point = std::array<double, 3>;

// Random points over more than two periods of the lattice, negative coordinates included. The
// coordinates are floats, so that the 3D operations see the same point as the others.
std::vector<Point> RandomPoints(std::size_t count, unsigned seed, double extent = 600.0) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> coordinate(static_cast<float>(-extent / 2),
                                                     static_cast<float>(extent / 2));
    std::vector<Point> points(count);
    for (Point& p : points) p = {coordinate(random), coordinate(random), coordinate(random)};
    return points;
}

struct Moments {
    double min = 1.0, max = 0.0, mean = 0.0, deviation = 0.0;
};
template <typename Sample>
Moments Measure(const std::vector<Point>& points, Sample sample) {
    Moments m;
    double sum = 0.0, sumSquares = 0.0;
    for (const Point& p : points) {
        const double v = sample(p.data());
        m.min = std::min(m.min, v);
        m.max = std::max(m.max, v);
        sum += v;
        sumSquares += v * v;
    }
    const double n = static_cast<double>(points.size());
    m.mean = sum / n;
    m.deviation = std::sqrt(std::max(0.0, sumSquares / n - m.mean * m.mean));
    return m;
}

class NoiseKindTest : public testing::TestWithParam<NoiseKind> {};

TEST_P(NoiseKindTest, StaysInRangeAroundAHalfAndVaries) {
    const NoiseKind& kind = GetParam();
    const std::vector<Point> points = RandomPoints(100000, 11);
    for (int dims = 1; dims <= 3; ++dims) {
        SCOPED_TRACE("dimensions " + std::to_string(dims));
        const Moments noise = Measure(points, [&](const double* p) { return kind.Noise(dims, p); });
        EXPECT_GE(noise.min, 0.0);
        EXPECT_LE(noise.max, 1.0);
        EXPECT_NEAR(noise.mean, 0.5, 0.01);
        EXPECT_GT(noise.deviation, 0.08);  // a real noise, not a constant
        EXPECT_GT(noise.max - noise.min, 0.6);

        const Moments turbulence =
            Measure(points, [&](const double* p) { return kind.Turbulence(dims, p, 6); });
        EXPECT_GE(turbulence.min, 0.0);
        EXPECT_LE(turbulence.max, 1.0);
        EXPECT_NEAR(turbulence.mean, 0.5, 0.01);
        EXPECT_GT(turbulence.deviation, 0.04);
    }
}

TEST_P(NoiseKindTest, SmallStepsGiveSmallChangesEvenAcrossCells) {
    const NoiseKind& kind = GetParam();
    // Every kind's slope stays far below 10 per unit, and six octaves reach frequency 32 but the
    // weights 2^-k keep the slope of the sum as low as that of one octave. A cell that hashes
    // differently on its two sides jumps by a good part of the range; the boundaries crossed
    // include the wrap of the 256-cell period.
    constexpr double kStep = 1e-3;
    const double boundaries[] = {0.0, 1.0, -1.0, 7.0, 127.0, 255.0, 256.0, -255.0, -256.0, 511.0};
    const std::vector<Point> others = RandomPoints(50, 12, 40.0);
    const std::vector<Point> points = RandomPoints(2000, 13);
    for (int dims = 1; dims <= 3; ++dims) {
        SCOPED_TRACE("dimensions " + std::to_string(dims));
        for (int axis = 0; axis < dims; ++axis) {
            for (const double boundary : boundaries) {
                for (const Point& other : others) {
                    Point below = other, above = other;
                    below[axis] = boundary - kStep;
                    above[axis] = boundary + kStep;
                    ASSERT_LE(
                        std::fabs(kind.Noise(dims, above.data()) - kind.Noise(dims, below.data())),
                        10.0 * 2.0 * kStep)
                        << "axis " << axis << " boundary " << boundary;
                }
            }
        }
        const double bound = 10.0 * kStep * std::sqrt(dims);
        for (const Point& p : points) {
            const Point q = {p[0] + kStep, p[1] + kStep, p[2] + kStep};
            ASSERT_LE(std::fabs(kind.Noise(dims, q.data()) - kind.Noise(dims, p.data())), bound);
            ASSERT_LE(
                std::fabs(kind.Turbulence(dims, q.data(), 6) - kind.Turbulence(dims, p.data(), 6)),
                bound);
        }
    }
}

TEST_P(NoiseKindTest, TilesEvery256Units) {
    const NoiseKind& kind = GetParam();
    // Huge coordinates are reduced into one period, so they give what their place in it gives.
    const std::vector<Point> points = RandomPoints(200, 14, 20.0);
    for (const Point& p : points) {
        for (int dims = 1; dims <= 3; ++dims) {
            const Point shifted = {p[0] + 256.0, p[1] - 512.0, p[2] + 256.0 * 3};
            EXPECT_NEAR(kind.Noise(dims, shifted.data()), kind.Noise(dims, p.data()), 5e-4);
        }
        for (int dims = 1; dims <= 2; ++dims) {
            // Only a double keeps a fraction beyond 2^31.
            const Point huge = {p[0] + 0x1p33, p[1] - 0x1p32, 0.0};
            EXPECT_NEAR(kind.Noise(dims, huge.data()), kind.Noise(dims, p.data()), 5e-5);
        }
    }
}

TEST_P(NoiseKindTest, OctaveCountRules) {
    const NoiseKind& kind = GetParam();
    const std::vector<Point> points = RandomPoints(200, 15);
    for (int dims = 1; dims <= 3; ++dims) {
        for (const Point& p : points) {
            for (const int none : {0, -1, -20, std::numeric_limits<int>::min()}) {
                EXPECT_EQ(kind.Turbulence(dims, p.data(), none), 0.5);
            }
            // One octave: frequency 1, weight 1 over a weight sum of 1.
            EXPECT_NEAR(kind.Turbulence(dims, p.data(), 1), kind.Noise(dims, p.data()), 1e-6);
            const double twenty = kind.Turbulence(dims, p.data(), 20);
            for (const int many : {21, 25, 1000, std::numeric_limits<int>::max()}) {
                EXPECT_EQ(kind.Turbulence(dims, p.data(), many), twenty);
            }
        }
    }
}

TEST_P(NoiseKindTest, MoreOctavesAddDetail) {
    const NoiseKind& kind = GetParam();
    // Detail: the mean change over a short step, relative to the spread of the values. Octave k
    // adds a slope as large as the first one's while its amplitude shrinks by 2^-k, so the ratio
    // grows with every octave: by sqrt(n / sum 4^-k) for independent octaves, that is 1.26,
    // 1.74, 2.45 times the first for 2, 4, 8 octaves.
    constexpr double kStep = 1e-3;
    const std::vector<Point> points = RandomPoints(4000, 16);
    for (int dims = 1; dims <= 3; ++dims) {
        SCOPED_TRACE("dimensions " + std::to_string(dims));
        double previous = 0.0;
        for (const int octaves : {1, 2, 4, 8}) {
            double change = 0.0;
            for (const Point& p : points) {
                const Point q = {p[0] + kStep, p[1], p[2]};
                change += std::fabs(kind.Turbulence(dims, q.data(), octaves) -
                                    kind.Turbulence(dims, p.data(), octaves));
            }
            const Moments values =
                Measure(points, [&](const double* p) { return kind.Turbulence(dims, p, octaves); });
            const double detail = change / static_cast<double>(points.size()) / values.deviation;
            EXPECT_GT(detail, 1.15 * previous) << octaves << " octaves";
            previous = detail;
        }
    }
}

TEST_P(NoiseKindTest, SurvivesEveryInput) {
    const NoiseKind& kind = GetParam();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double odd[] = {kNaN,
                          kInf,
                          -kInf,
                          1e300,
                          -1e300,
                          std::numeric_limits<double>::max(),
                          std::numeric_limits<double>::lowest(),
                          std::numeric_limits<double>::denorm_min(),
                          -0.0,
                          1e30,
                          -1e30,
                          2147483648.0,
                          -2147483648.0,
                          2147483647.5,
                          -2147483648.5,
                          std::numeric_limits<float>::max(),
                          0x1p24 - 0.5,
                          0.5};
    const auto inRange = [](double v) { return v >= 0.0 && v <= 1.0; };
    for (const double a : odd) {
        for (const double b : odd) {
            const Point p = {a, b, -a};
            for (int dims = 1; dims <= 3; ++dims) {
                const double value = kind.Noise(dims, p.data());
                EXPECT_TRUE(inRange(value)) << dims << " " << a << " " << b << ": " << value;
                EXPECT_EQ(kind.Noise(dims, p.data()), value);
                for (const int octaves : {1, 6, 20}) {
                    const double fractal = kind.Turbulence(dims, p.data(), octaves);
                    EXPECT_TRUE(inRange(fractal))
                        << dims << " " << a << " " << b << ": " << fractal;
                }
            }
        }
    }
    // A missing point counts as the origin.
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    EXPECT_EQ(kind.noise3(nullptr), kind.noise3(origin));
    EXPECT_EQ(kind.turbulence3(nullptr, 6), kind.turbulence3(origin, 6));
    EXPECT_EQ(kind.turbulence3(nullptr, 0), 0.5);
}

TEST_P(NoiseKindTest, SameValuesFromManyThreads) {
    const NoiseKind& kind = GetParam();
    const std::vector<Point> points = RandomPoints(2000, 17);
    const auto evaluate = [&] {
        std::vector<double> values;
        values.reserve(points.size() * 6);
        for (const Point& p : points) {
            for (int dims = 1; dims <= 3; ++dims) {
                values.push_back(kind.Noise(dims, p.data()));
                values.push_back(kind.Turbulence(dims, p.data(), 5));
            }
        }
        return values;
    };
    const std::vector<double> expected = evaluate();
    constexpr int kThreads = 4;
    std::vector<std::vector<double>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) results[t] = evaluate();
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::vector<double>& result : results) EXPECT_EQ(result, expected);
}

INSTANTIATE_TEST_SUITE_P(Noise, NoiseKindTest, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<NoiseKind>& info) {
                             return std::string(info.param.name);
                         });

// Gradient noise is 0 at every lattice point: each corner's gradient meets a zero offset there.
TEST(NoiseGradientKinds, AreAHalfAtLatticePoints) {
    const Point lattice[] = {{0, 0, 0}, {1, 2, 3}, {-1, -7, 300}, {255, 256, -256}, {1e6, -3, 9}};
    for (const NoiseKind& kind : kKinds) {
        if (!kind.gradient) continue;
        for (const Point& p : lattice) {
            for (int dims = 1; dims <= 3; ++dims) {
                EXPECT_EQ(kind.Noise(dims, p.data()), 0.5)
                    << kind.name << " " << dims << " " << p[0];
                EXPECT_EQ(kind.Turbulence(dims, p.data(), 1), 0.5)
                    << kind.name << " " << dims << " " << p[0];
            }
        }
    }
}

// Two kinds differ when their values lie far apart on average and hardly correlate.
TEST(NoiseTypes, DifferFromEachOther) {
    const std::vector<Point> points = RandomPoints(20000, 18);
    for (int dims = 1; dims <= 3; ++dims) {
        for (std::size_t i = 0; i < std::size(kKinds); ++i) {
            for (std::size_t j = i + 1; j < std::size(kKinds); ++j) {
                double distance = 0.0, sa = 0.0, sb = 0.0, saa = 0.0, sbb = 0.0, sab = 0.0;
                for (const Point& p : points) {
                    const double a = kKinds[i].Noise(dims, p.data());
                    const double b = kKinds[j].Noise(dims, p.data());
                    distance += std::fabs(a - b);
                    sa += a, sb += b, saa += a * a, sbb += b * b, sab += a * b;
                }
                const double n = static_cast<double>(points.size());
                const double covariance = sab / n - sa / n * sb / n;
                const double correlation = covariance / std::sqrt((saa / n - sa / n * sa / n) *
                                                                  (sbb / n - sb / n * sb / n));
                SCOPED_TRACE(std::string(kKinds[i].name) + " vs " + kKinds[j].name + ", " +
                             std::to_string(dims) + "D");
                EXPECT_GT(distance / n, 0.05);
                EXPECT_LT(std::fabs(correlation), 0.3);
            }
        }
    }
}

}  // namespace

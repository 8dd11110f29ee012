// Time per sample of the host's noises and turbulence over random points, one thread. Each
// iteration evaluates one point, so the reported time is the time per sample.
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <random>

#include "hostapi/hostapi.h"

namespace {

constexpr std::size_t kPoints = 4096;  // a power of two, small enough to stay in cache

struct Points {
    std::array<double, 3 * kPoints> d;
    std::array<float, 3 * kPoints> f;
    Points() {
        std::mt19937 random(20240917);
        std::uniform_real_distribution<double> coordinate(-100.0, 100.0);
        for (std::size_t i = 0; i < d.size(); ++i) {
            d[i] = coordinate(random);
            f[i] = static_cast<float>(d[i]);
        }
    }
};
const Points& RandomPoints() {
    static const Points points;
    return points;
}

template <typename Call>
void Run(benchmark::State& state, Call call) {
    const Points& points = RandomPoints();
    std::size_t i = 0;
    double sum = 0.0;
    for (auto _ : state) {
        sum += call(points, 3 * i);
        i = (i + 1) & (kPoints - 1);
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}

void Noise1(benchmark::State& state, double (*noise)(double)) {
    Run(state, [noise](const Points& p, std::size_t i) { return noise(p.d[i]); });
}
void Noise2(benchmark::State& state, double (*noise)(double, double)) {
    Run(state, [noise](const Points& p, std::size_t i) { return noise(p.d[i], p.d[i + 1]); });
}
void Noise3(benchmark::State& state, double (*noise)(const float*)) {
    Run(state, [noise](const Points& p, std::size_t i) { return noise(&p.f[i]); });
}
void Turbulence1(benchmark::State& state, double (*turbulence)(double, int)) {
    const int octaves = static_cast<int>(state.range(0));
    Run(state, [=](const Points& p, std::size_t i) { return turbulence(p.d[i], octaves); });
}
void Turbulence2(benchmark::State& state, double (*turbulence)(double, double, int)) {
    const int octaves = static_cast<int>(state.range(0));
    Run(state,
        [=](const Points& p, std::size_t i) { return turbulence(p.d[i], p.d[i + 1], octaves); });
}
void Turbulence3(benchmark::State& state, double (*turbulence)(const float*, int)) {
    const int octaves = static_cast<int>(state.range(0));
    Run(state, [=](const Points& p, std::size_t i) { return turbulence(&p.f[i], octaves); });
}

}  // namespace

// One line per noise type and dimension.
BENCHMARK_CAPTURE(Noise1, Default, hsNoise1);
BENCHMARK_CAPTURE(Noise1, Classic, hsNoise1Classic);
BENCHMARK_CAPTURE(Noise1, Perlin, hsNoise1Perlin);
BENCHMARK_CAPTURE(Noise1, SparseConv, hsNoise1SparseConv);
BENCHMARK_CAPTURE(Noise2, Default, hsNoise2);
BENCHMARK_CAPTURE(Noise2, Classic, hsNoise2Classic);
BENCHMARK_CAPTURE(Noise2, Perlin, hsNoise2Perlin);
BENCHMARK_CAPTURE(Noise2, SparseConv, hsNoise2SparseConv);
BENCHMARK_CAPTURE(Noise3, Default, hsNoise3);
BENCHMARK_CAPTURE(Noise3, Classic, hsNoise3Classic);
BENCHMARK_CAPTURE(Noise3, Perlin, hsNoise3Perlin);
BENCHMARK_CAPTURE(Noise3, SparseConv, hsNoise3SparseConv);

BENCHMARK_CAPTURE(Turbulence1, Default, hsTurbulence1)->Arg(6);
BENCHMARK_CAPTURE(Turbulence1, Classic, hsTurbulence1Classic)->Arg(6);
BENCHMARK_CAPTURE(Turbulence1, Perlin, hsTurbulence1Perlin)->Arg(6);
BENCHMARK_CAPTURE(Turbulence1, SparseConv, hsTurbulence1SparseConv)->Arg(6);
BENCHMARK_CAPTURE(Turbulence2, Default, hsTurbulence2)->Arg(6);
BENCHMARK_CAPTURE(Turbulence2, Classic, hsTurbulence2Classic)->Arg(6);
BENCHMARK_CAPTURE(Turbulence2, Perlin, hsTurbulence2Perlin)->Arg(6);
BENCHMARK_CAPTURE(Turbulence2, SparseConv, hsTurbulence2SparseConv)->Arg(6);
BENCHMARK_CAPTURE(Turbulence3, Default, hsTurbulence3)->Arg(6);
BENCHMARK_CAPTURE(Turbulence3, Classic, hsTurbulence3Classic)->Arg(6);
BENCHMARK_CAPTURE(Turbulence3, Perlin, hsTurbulence3Perlin)->Arg(6);
BENCHMARK_CAPTURE(Turbulence3, SparseConv, hsTurbulence3SparseConv)->Arg(6);

// The UV-plane bake of the "Fractal Noise" sample, 2048 × 2048, one sample per pixel, one thread,
// through the plug-in loaded as a host loads it: the time per sample of the bake itself, without
// the start of the command and the writing of the file. bench/bake_uv.sh prints it beside the
// host turbulence the sample calls.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/context.h"
#include "renderer/bake.h"
#include "renderer/host/host_state.h"
#include "renderer/plugin_host.h"

namespace {

using namespace vandrel;

void BakeFractalNoise(benchmark::State& state) {
    TPluginHost plugin;
    std::string error;
    // vandrel_bench sits beside the plug-in in the build's bin folder.
    if (!plugin.Load(DefaultPluginPath(), error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::filesystem::path shader =
        std::filesystem::path(VANDREL_SOURCE_DIR) / "resources/samples/Fractal Noise.xrb";
    const int32_t material = CreateMaterial(shader, TLocalKeyframes{});
    TBakeSettings settings;
    settings.width = settings.height = static_cast<int>(state.range(0));
    settings.threads = 1;
    settings.outputType = kColor;
    settings.base.shadingNormal[2] = settings.base.geometricNormal[2] = 1.0f;
    for (auto _ : state) {
        plugin.BeginRender();
        const TBakedMap map = BakeUVPlane(plugin, material, settings);
        plugin.EndRender();
        benchmark::DoNotOptimize(map.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

}  // namespace

BENCHMARK(BakeFractalNoise)->Arg(2048)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole Shade call against the tree pass alone, single thread: the difference is what the
// plug-in adds per sample (record lookup, material check, record copies, write-back).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/instance.h"
#include "core/numbers.h"
#include "core/shader_file.h"
#include "core/stream_codec.h"
#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"

namespace {

using namespace vandrel;

// Twenty vector adds in a chain from World Space, feeding the colour.
std::string ArithmeticStream() {
    std::string s = "XR";
    AppendHex(s, 21, 4);
    s += "02BD01V0F003A000C";
    for (int i = 1; i < 20; ++i) {
        s += "02BD02";
        s += "S";
        AppendHex(s, static_cast<uint32_t>(i - 1), 4);
        s += "0F";
        s += "V1F003A";
        s += "000C";
    }
    s += "000101S00130F000F";
    return s;
}

int32_t MaterialFor(const std::string& stream, const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("vandrel_bench_" + std::to_string(getpid()) + "_" + name + ".xrb");
    SaveShaderFile(path, stream);
    const int32_t material = host::CreateMaterial();
    host::SetTextParameter(material, kDataParameter, path.string());
    return material;
}

// One material's instance, built by a first sample, and the two ways of timing it: the whole
// Shade call, and the tree pass alone on the same record.
struct TShadeSubject {
    int32_t material;
    hxShadingRecord h{};
    TThreadRecord* record = nullptr;
    TXRTree* tree = nullptr;

    TShadeSubject(const std::string& stream, const char* name)
        : material(MaterialFor(stream, name)) {
        h.worldPoint[0] = 0.25f;
        Shade(Registry(), kColor, material, &h);
        record = &Registry().RecordForThisThread();
        tree = &record->Current[kColor]->Tree;
    }
    ~TShadeSubject() { Registry().ClearAll(); }

    void ShadeOnce() {
        h.worldPoint[0] += 1e-6f;
        Shade(Registry(), kColor, material, &h);
        benchmark::DoNotOptimize(h.colorOut[0]);
    }
    void PassOnce() {
        record->Variables[kWorldFloat] += 1e-6f;
        tree->Evaluate(OutputTypeMask(kColor));
        benchmark::DoNotOptimize(record->Variables[kColorOutFloat]);
    }
};

void ShadeLoop(benchmark::State& state, const std::string& stream, const char* name) {
    TShadeSubject subject(stream, name);
    for (auto _ : state) subject.ShadeOnce();
}

void PassLoop(benchmark::State& state, const std::string& stream, const char* name) {
    TShadeSubject subject(stream, name);
    for (auto _ : state) subject.PassOnce();
}

// Shade and the pass alone in alternating batches on the same record: the machine's state moves
// by more than the overhead between separate benchmarks, much less between two batches a few
// microseconds apart. Reports the median over the batch pairs of Shade's time per call minus the
// pass's, and both medians.
void OverheadLoop(benchmark::State& state, const std::string& stream, const char* name) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBatch = 256;
    TShadeSubject subject(stream, name);
    std::vector<double> shade, pass, overhead;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int k = 0; k < kBatch; ++k) subject.ShadeOnce();
        const auto t1 = Clock::now();
        for (int k = 0; k < kBatch; ++k) subject.PassOnce();
        const auto t2 = Clock::now();
        const double s = std::chrono::duration<double, std::nano>(t1 - t0).count() / kBatch;
        const double p = std::chrono::duration<double, std::nano>(t2 - t1).count() / kBatch;
        shade.push_back(s);
        pass.push_back(p);
        overhead.push_back(s - p);
    }
    const auto median = [](std::vector<double>& v) {
        if (v.empty()) return 0.0;
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    state.counters["shade_ns"] = median(shade);
    state.counters["pass_ns"] = median(pass);
    state.counters["overhead_ns"] = median(overhead);
}

constexpr const char* kDefault = "XR0001000103V0F0002V2F000AV3F002B000F";

void BM_ShadeDefault(benchmark::State& s) { ShadeLoop(s, kDefault, "default"); }
void BM_PassDefault(benchmark::State& s) { PassLoop(s, kDefault, "default"); }
void BM_ShadeArithmetic20(benchmark::State& s) { ShadeLoop(s, ArithmeticStream(), "arith"); }
void BM_PassArithmetic20(benchmark::State& s) { PassLoop(s, ArithmeticStream(), "arith"); }
void BM_OverheadDefault(benchmark::State& s) { OverheadLoop(s, kDefault, "default"); }
void BM_OverheadArithmetic20(benchmark::State& s) { OverheadLoop(s, ArithmeticStream(), "arith"); }

// The check of the floating-point environment that every pass makes, alone: reading the SSE
// control register waits for the floating-point operations in flight, so on some processors it
// is most of what a sample costs beyond its tree.
void BM_FloatEnvironmentCheck(benchmark::State& state) {
    float x = 1.0f;
    for (auto _ : state) {
        x *= 1.0000001f;  // an operation in flight, as a host leaves one before it calls
        benchmark::DoNotOptimize(x);
        EnsureFloatEnvironment();
    }
}

BENCHMARK(BM_FloatEnvironmentCheck);
BENCHMARK(BM_ShadeDefault);
BENCHMARK(BM_PassDefault);
BENCHMARK(BM_ShadeArithmetic20);
BENCHMARK(BM_PassArithmetic20);
BENCHMARK(BM_OverheadDefault);
BENCHMARK(BM_OverheadArithmetic20);

}  // namespace

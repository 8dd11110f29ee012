// Building trees from streams whose connections run forward (each component reads the next one),
// the shape that costs most when cycles are checked by walking the graph; the editor's rebuild of
// a long chain of windows; and many instances of one custom component.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "core/stream_codec.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "editor/model/graph_model.h"
#include "interface/interface_model.h"

namespace {

using namespace vandrel;

constexpr uint32_t kAddType = 901;  // two numerical inputs A, B

// n − 1 Adds, each reading the next through A, and the root reading the first as Alpha.
std::string ForwardChain(uint32_t n) {
    std::string s = "XR";
    AppendHex(s, n, 4);
    for (uint32_t i = 0; i + 1 < n; ++i) {
        AppendHex(s, kAddType, 4);
        if (i + 2 < n) {
            s += "01S";
            AppendHex(s, i + 1, 4);
            s += "0F";
        } else {
            s += "00";
        }
        s += "0002";
    }
    s += "000101S00001F000F";
    return s;
}

// Builds the tree of one stream per iteration, as every render thread does.
void BuildEachIteration(benchmark::State& state, const std::string& stream) {
    TThreadRecord record;
    for (auto _ : state) {
        TXRTree tree;
        tree.Context = &record;
        if (!tree.BuildFromStream(stream)) state.SkipWithError("not built");
        benchmark::DoNotOptimize(tree.Entries.data());
    }
}

void BM_BuildForwardChain(benchmark::State& state) {
    BuildEachIteration(state, ForwardChain(static_cast<uint32_t>(state.range(0))));
}
BENCHMARK(BM_BuildForwardChain)->Arg(1000)->Arg(8000)->Arg(65535)->Unit(benchmark::kMillisecond);

// The layout of the same chain as the editor stores it: the root window first, then the Adds
// outwards, each connected to the one before.
std::string ChainLayout(uint32_t windows) {
    std::string s = "XR0001000103V0F0002V2F000AV3F002B000F#";
    s += "000100080008LV0005SLV000DLV002ES00000000";
    for (uint32_t i = 1; i < windows; ++i) {
        s += '|';
        AppendHex(s, kAddType, 4);
        AppendHex(s, (i % 200) * 130, 4);
        AppendHex(s, (i / 200) * 130, 4);
        s += "SS";
    }
    s += '%';
    for (uint32_t i = 1; i < windows; ++i) {
        if (i > 1) s += '|';
        AppendHex(s, i, 4);
        AppendHex(s, i - 1, 4);
        s += i == 1 ? "1F" : "0F";
    }
    s += "%0000#02D%%#TTTT";
    return s;
}

void BM_RebuildLayoutChain(benchmark::State& state) {
    const std::string stream = ChainLayout(static_cast<uint32_t>(state.range(0)));
    for (auto _ : state) {
        TXRInterfaceModel interfaceModel;
        TXRGraphModel model(interfaceModel);
        if (!model.Rebuild(stream)) state.SkipWithError("not rebuilt");
        benchmark::DoNotOptimize(model.Containers().data());
    }
}
BENCHMARK(BM_RebuildLayoutChain)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// One definition whose inner tree adds up its three properties through 32 components, used by
// n components in a row that feed each other.
std::string CustomInstances(uint32_t n) {
    std::string inner = "0021";  // 33 components
    inner += "038502V0F0041V1F0042";
    inner += "0000";
    for (uint32_t i = 1; i < 32; ++i) {
        inner += "038502S";
        AppendHex(inner, i - 1, 4);
        inner += "0FV1F0043";
        inner += "0000";
    }
    inner += "038501S001F0F0000";
    const std::string definition =
        "8001%Sum$Adds%A^^02^^00000000$B^^02^^00000000$C^^02^^00000000%" + inner;
    std::string s = "XR";
    AppendHex(s, n + 1, 4);
    for (uint32_t i = 0; i < n; ++i) {
        s += "8001";
        if (i > 0) {
            s += "01S";
            AppendHex(s, i - 1, 4);
            s += "0F";
        } else {
            s += "00";
        }
        s += "0002";
    }
    s += "000101S";
    AppendHex(s, n - 1, 4);
    s += "1F000F#####" + definition;
    return s;
}

void BM_BuildCustomInstances(benchmark::State& state) {
    BuildEachIteration(state, CustomInstances(static_cast<uint32_t>(state.range(0))));
}
BENCHMARK(BM_BuildCustomInstances)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

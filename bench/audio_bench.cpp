// One sample of the audio component's window modes: a minute of CD-quality sound with windows of
// a millisecond to the whole file, and a WAV file of 4 GB that is almost all hole (made with a
// truncate, so that it takes a few kilobytes of disk) named with a window covering all of it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "components/media/audio.h"
#include "core/media/wav_file.h"

namespace {

using namespace vandrel;

void Le(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFFu);
}

// A 16-bit stereo header at 44.1 kHz for `dataBytes` of samples.
std::string Header(uint32_t dataBytes) {
    std::string h = "RIFF";
    Le(h, 36 + dataBytes, 4);
    h += "WAVEfmt ";
    Le(h, 16, 4);
    Le(h, 1, 2);
    Le(h, 2, 2);
    Le(h, 44100, 4);
    Le(h, 44100 * 4, 4);
    Le(h, 4, 2);
    Le(h, 16, 2);
    h += "data";
    Le(h, dataBytes, 4);
    return h;
}

std::filesystem::path TempFile(const char* name) {
    return std::filesystem::temp_directory_path() /
           ("vandrel_bench_" + std::to_string(getpid()) + "_" + name + ".wav");
}

// Written once, removed at exit.
struct TMinuteOfSound {
    std::filesystem::path path = TempFile("minute");
    TMinuteOfSound() {
        constexpr uint32_t kFrames = 44100 * 60;
        std::string file = Header(kFrames * 4);
        file.reserve(file.size() + kFrames * 4);
        for (uint32_t j = 0; j < kFrames; ++j) {
            const auto s = static_cast<int16_t>(std::lround(20000 * std::sin(j * 0.0627)));
            Le(file, static_cast<uint16_t>(s), 2);
            Le(file, static_cast<uint16_t>(-s), 2);
        }
        std::ofstream(path, std::ios::binary) << file;
    }
    ~TMinuteOfSound() { std::filesystem::remove(path); }
};

const std::filesystem::path& Minute() {
    static const TMinuteOfSound sound;
    return sound.path;
}

void BM_AudioWindow(benchmark::State& state) {
    const std::unique_ptr<TAudioFile> file = TAudioFile::Open(Minute());
    if (!file) {
        state.SkipWithError("not opened");
        return;
    }
    const double window = state.range(0) / 1000.0;  // milliseconds
    double time = 30.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SampleAudio(*file, kAudioWindowMean, 0, window, time));
        time += 1e-4;
    }
}
BENCHMARK(BM_AudioWindow)->Arg(1)->Arg(1000)->Arg(60000)->Unit(benchmark::kMicrosecond);

// Opening the minute of sound: the header, and the whole data decoded for the window modes.
void BM_AudioOpen(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(TAudioFile::Open(Minute()));
}
BENCHMARK(BM_AudioOpen)->Unit(benchmark::kMillisecond);

// Opening the file and one sample whose window covers all of it, as a render's first sample does.
void BM_SparseWavWindowSample(benchmark::State& state) {
    const auto path = TempFile("sparse");
    const uint32_t dataBytes = 0xFFFFFF00u;
    std::ofstream(path, std::ios::binary) << Header(dataBytes);
    std::filesystem::resize_file(path, 44 + uint64_t{dataBytes});
    for (auto _ : state) {
        const std::unique_ptr<TAudioFile> file = TAudioFile::Open(path);
        benchmark::DoNotOptimize(file ? SampleAudio(*file, kAudioWindowMean, 0, 1e5, 0.0) : 0.0);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_SparseWavWindowSample)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

#include "components/media/audio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "component_checks.h"
#include "core/instance.h"
#include "core/media/wav_file.h"
#include "test_support.h"
#include "wav_bytes.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

using test::Le;
using test::Samples;
using test::Wav;
// What a sample of `bytes` bytes reads as.
constexpr auto Read = test::SampleValue;

class Audio : public ::testing::Test {
  protected:
    // An audio component reading this WAV file as exposed file 0.
    std::unique_ptr<TXRComponent> Component(const std::string& wav) {
        const fs::path path = temp_.Write("sound" + std::to_string(files_.size()) + ".wav", wav);
        files_.push_back(TAudioFile::Open(path));
        EXPECT_NE(files_.back(), nullptr);
        std::array<TMediaHandle, kFileSlots> handles{};
        handles[0].audio = files_.back().get();
        instance_.Infos.push_back(static_cast<int32_t>(instance_.Infos.size()));
        instance_.FileHandles.push_back(handles);
        instance_.CurrentInfo = static_cast<int32_t>(instance_.Infos.size()) - 1;
        auto c = CreateComponent(TXRCAudio::kTypeId);
        c->Bind(&record_, &instance_);
        c->SetEnumValue(0, 0);
        return c;
    }

    const test::TempFolder temp_{"vandrel-audio-"};
    const fs::path folder_ = temp_.path();
    std::vector<std::unique_ptr<TAudioFile>> files_;
    TThreadRecord record_;
    TShaderInstance instance_{record_, "audio test"};
};

// Amplitude 2 and Offset 0: the output is the sample itself.
float Sampled(TXRComponent& c, int32_t channel, int32_t mode, float window, float time) {
    c.SetConstant(1, kWholeProperty, 2);
    c.SetConstant(2, kWholeProperty, 0);
    c.SetEnumValue(3, channel);
    c.SetEnumValue(4, mode);
    c.SetConstant(5, kWholeProperty, window);
    c.SetConstant(6, kWholeProperty, time);
    c.Evaluate(true);
    return c.OutputAddress()[0];
}

// Every mode on a mono 16-bit file of 10 frames per second; expected values in sample units.
TEST_F(Audio, ModesOnAMonoFile) {
    const std::vector<int64_t> frames = {1000, 2000, -3000, 4000, 500, -6000, 0, 6000, -200, 100};
    auto c = Component(Wav(1, 10, 16, Samples(frames, 2)));
    struct Row {
        int32_t mode;
        float window, time;
        double expected;
    };
    const Row rows[] = {
        {0, 0, 0.25f, -3000},  // frame 2
        {0, 0, 0, 1000},
        {0, 0, 0.99f, 100},
        {0, 0, 1, 0},       // past the end
        {0, 0, -0.05f, 0},  // before the start
        {1, 0, 0.25f, -3000},
        {1, 0, 0.3f, 500},  // half way from frame 2 to frame 3
        {1, 0, 0, 500},     // half way from silence to frame 0
        {2, 0, 0.25f, -3000},
        {2, 0, 0.3f, 406.25},  // (-2000 + 9 · -3000 + 9 · 4000 - 500) / 16
        {3, 0, 0.25f, -3000},  // a window of no length: the one frame
        {3, -1, 0.25f, -3000},
        {3, 0.3f, 0.25f, 1000},  // frames 1 … 3
        {3, 0.4f, 0.25f, 900},   // frames 0 … 4
        {3, 0.3f, 0, 1000},      // frames -1 … 1, the silent one counted
        {3, 1e9f, 0, 4400 / (1e10 + 1)},
        {4, 0.3f, 0.25f, 3000},
        {5, 0.3f, 0.45f, -6000},  // frames 3 … 5
        {5, 0.3f, 0.65f, -6000},  // -6000, 0, 6000: the first of equal magnitudes
        {6, 0.3f, 0.65f, 6000},
        {5, 0.3f, 5, 0},
        {7, 0.3f, 0.25f, 0},
        {-1, 0, 0.25f, 0},
        {1, 0, kNaN, 0},
        {3, 0.3f, kInfinity, 0},
        {0, 0, -kInfinity, 0},
    };
    for (const Row& row : rows) {
        const float got = Sampled(*c, 0, row.mode, row.window, row.time);
        EXPECT_NEAR(got, Read(row.expected, 2), 1e-6)
            << "mode " << row.mode << " window " << row.window << " time " << row.time;
    }
    // A mono file serves every channel.
    for (const int32_t channel : {1, 2}) {
        EXPECT_FLOAT_EQ(Sampled(*c, channel, 0, 0, 0.25f), Read(-3000, 2)) << channel;
    }
    // The defaults: s · 0.5 · Amplitude + Offset.
    c->SetConstant(1, kWholeProperty, 1);
    c->SetConstant(2, kWholeProperty, 0.5f);
    c->Evaluate(true);
    EXPECT_FLOAT_EQ(c->OutputAddress()[0], static_cast<float>(0.5 * Read(-3000, 2) + 0.5));
}

// Stereo 8-bit frames (0.5, -0.25), (-1, 0.9921875), (0, 0) at 4 frames per second.
TEST_F(Audio, ChannelsOfAStereoFile) {
    auto c = Component(Wav(2, 4, 8, std::string("\xC0\x60\x00\xFF\x80\x80", 6)));
    struct Row {
        int32_t channel, mode;
        float window, time;
        double expected;
    };
    const Row rows[] = {
        {0, 0, 0, 0, 0.5},
        {1, 0, 0, 0, -0.25},
        {2, 0, 0, 0, 0.125},
        {0, 0, 0, 0.25f, -1},
        {1, 0, 0, 0.25f, 0.9921875},
        {2, 0, 0, 0.25f, -0.00390625},
        {1, 4, 0.5f, 0.25f, (0.25 + 0.9921875) / 3},  // frames 0 … 2
        // Each channel's summary, then their mean.
        {2, 4, 0.5f, 0.25f, ((0.5 + 1) / 3 + (0.25 + 0.9921875) / 3) / 2},
    };
    for (const Row& row : rows) {
        EXPECT_NEAR(Sampled(*c, row.channel, row.mode, row.window, row.time), row.expected, 1e-6)
            << "channel " << row.channel << " mode " << row.mode << " time " << row.time;
    }
    // Another Channel leaves the output as it was.
    for (const int32_t channel : {3, 5, -1}) {
        c->OutputAddress()[0] = 9;
        EXPECT_EQ(Sampled(*c, channel, 0, 0, 0), 9) << channel;
    }
}

TEST_F(Audio, WiderSamplesAndMoreChannels) {
    // 24-bit mono at 2 frames per second: frame 1 at 0.5 s.
    auto deep = Component(Wav(1, 2, 24, Samples({100000, -200000}, 3)));
    EXPECT_NEAR(Sampled(*deep, 0, 0, 0, 0.5f), Read(-200000, 3), 1e-7);
    // Three channels: Channel 2 is the mean of the first two, Channel 1 the second.
    auto three = Component(Wav(3, 1, 16, Samples({1000, 3000, 30000}, 2)));
    EXPECT_NEAR(Sampled(*three, 2, 0, 0, 0), Read(2000, 2), 1e-7);
    EXPECT_NEAR(Sampled(*three, 1, 0, 0, 0), Read(3000, 2), 1e-7);
}

// The window modes as the frames' samples summed and compared one by one, on files long enough
// for windows of many blocks: every sample width, two channels, loud samples repeated so that
// the first of equal magnitudes must win.
TEST_F(Audio, WindowModesAgreeWithSamplesReadOneByOne) {
    std::mt19937 random(6);
    for (const int bytes : {1, 2, 3, 4}) {
        const int64_t frames = 700, top = (int64_t{1} << (8 * bytes - 1)) - 1;
        std::vector<int64_t> values;
        for (int64_t i = 0; i < 2 * frames; ++i) {
            const int64_t v = std::uniform_int_distribution<int64_t>(-top - 1, top)(random);
            values.push_back(i % 97 == 5 ? top : i % 89 == 3 ? -top : v);
        }
        std::string data;
        for (const int64_t v : values) data += Le(bytes == 1 ? v + 128 : v, bytes);
        const auto path = temp_.Write("wide" + std::to_string(bytes) + ".wav",
                                      Wav(2, 8000, static_cast<uint16_t>(8 * bytes), data));
        const std::unique_ptr<TAudioFile> file = TAudioFile::Open(path);
        ASSERT_NE(file, nullptr);
        for (int k = 0; k < 300; ++k) {
            const double time = std::uniform_real_distribution<double>(-0.01, 0.1)(random);
            const double window = std::uniform_real_distribution<double>(0, 0.12)(random);
            const int32_t channel = k % 2;
            // The frames visited, read through the block buffer.
            const double j = std::floor(8000 * time);
            const double h = std::floor(std::max(1.0, std::nearbyint(8000 * window)) / 2);
            double sum = 0, magnitudes = 0, peak = 0, loudest = 0;
            for (double f = j - h; f <= j + h; ++f) {
                const double s =
                    f >= 0 && f < frames
                        ? file->ReadSample((static_cast<int64_t>(f) * 2 + channel) * bytes)
                        : 0.0;
                sum += s;
                magnitudes += std::fabs(s);
                if (std::fabs(s) > std::fabs(peak)) peak = s;
                loudest = std::max(loudest, std::fabs(s));
            }
            const double count = 2 * h + 1;
            SCOPED_TRACE(testing::Message() << bytes << " bytes, time " << time << ", window "
                                            << window << ", channel " << channel);
            EXPECT_NEAR(SampleAudio(*file, kAudioWindowMean, channel, window, time), sum / count,
                        1e-12);
            EXPECT_NEAR(SampleAudio(*file, kAudioWindowMeanAbsolute, channel, window, time),
                        magnitudes / count, 1e-12);
            EXPECT_EQ(SampleAudio(*file, kAudioWindowPeak, channel, window, time), peak);
            EXPECT_EQ(SampleAudio(*file, kAudioWindowPeakAbsolute, channel, window, time), loudest);
        }
    }
}

// Without a record, and in the preview, the output is Offset.
TEST_F(Audio, OffsetWithoutARecordAndInThePreview) {
    auto c = Component(Wav(1, 10, 16, Samples({20000}, 2)));
    c->SetConstant(2, kWholeProperty, 0.3f);
    c->Evaluate(false);
    EXPECT_EQ(c->OutputAddress()[0], 0.3f);
    for (const int32_t file : {-1, 1, 4, 5}) {
        c->SetEnumValue(0, file);
        c->Evaluate(true);
        EXPECT_EQ(c->OutputAddress()[0], 0.3f) << file;
    }
    auto alone = CreateComponent(1106);
    alone->Bind(&record_, nullptr);
    alone->SetEnumValue(0, 0);
    alone->Evaluate(true);
    EXPECT_EQ(alone->OutputAddress()[0], 0.5f);
}

TEST_F(Audio, InputsReadThroughReferences) {
    auto c = Component(Wav(2, 4, 8, std::string("\xC0\x60\x00\xFF\x80\x80", 6)));
    TShaderInstance* instance = &instance_;
    test::ExpectInputsReadThroughReferences({1106,
                                             [instance](TXRComponent& probe, int32_t prop) {
                                                 probe.Bind(probe.Context, instance);
                                                 probe.SetEnumValue(0, 0);
                                                 if (prop == 5)
                                                     probe.SetEnumValue(4, kAudioWindowMean);
                                             },
                                             [](int32_t prop) { return prop == 0; }});
}

}  // namespace
}  // namespace vandrel

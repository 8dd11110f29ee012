#include "components/media/audio.h"

#include <algorithm>
#include <cmath>

#include "components/shared/catmull_rom.h"
#include "core/instance.h"
#include "core/media/wav_file.h"

namespace vandrel {
namespace {

// Frames of one channel, read through the file's block buffer.
class TChannel {
  public:
    TChannel(TAudioFile& file, int32_t channel)
        : file_(file),
          channels_(file.Channels()),
          bytes_(file.BytesPerSample()),
          channel_(std::clamp<int64_t>(channel, 0, channels_ - 1)),
          // The last frame with a byte inside the data; the file holds at least one sample.
          lastFrame_((file.DataSize() - 1) / (channels_ * bytes_)) {}

    int64_t LastFrame() const { return lastFrame_; }
    int32_t Channel() const { return static_cast<int32_t>(channel_); }

    // The sample of frame j, a whole number; silence outside the data.
    double operator()(double j) const {
        if (!(j >= 0 && j <= static_cast<double>(lastFrame_))) return 0.0;
        return At(static_cast<int64_t>(j));
    }
    double At(int64_t j) const { return file_.ReadSample((j * channels_ + channel_) * bytes_); }

  private:
    TAudioFile& file_;
    int64_t channels_;
    int64_t bytes_;
    int64_t channel_;
    int64_t lastFrame_;
};

// Frames outside the data are silent: they add nothing to a sum and never win a peak, so only the
// frames inside count, however wide the window; the decoded data answers for them at once.
double Window(TAudioFile& file, int32_t channel, int64_t lastFrame, int32_t mode, double rate,
              double window, double time) {
    const double j = std::floor(rate * time);
    double n = std::nearbyint(rate * window);
    if (!(n >= 1)) n = 1;
    const double h = std::floor(n / 2);
    const double count = 2 * h + 1;
    const double lo = std::max(j - h, 0.0);
    const double hi = std::min(j + h, static_cast<double>(lastFrame));
    if (!(lo <= hi)) return 0.0;
    const auto first = static_cast<int64_t>(lo), last = static_cast<int64_t>(hi);
    const TAudioWindows& data = file.Windows();
    switch (mode) {
        case kAudioWindowMean:
            return data.Sum(channel, first, last) / count;
        case kAudioWindowMeanAbsolute:
            return data.MagnitudeSum(channel, first, last) / count;
        case kAudioWindowPeak:
            return data.Peak(channel, first, last);
        default:
            return data.MagnitudePeak(channel, first, last);
    }
}

}  // namespace

double SampleAudio(TAudioFile& file, int32_t mode, int32_t channel, double window, double time) {
    const TChannel sample(file, channel);
    const double rate = file.SampleRate();
    // A time that is no number, or beyond every frame number, lies outside the data.
    if (!std::isfinite(rate * time)) return 0.0;
    switch (mode) {
        case kAudioNearest:
            return sample(std::floor(rate * time));
        case kAudioLinear:
        case kAudioCubic: {
            const double p = rate * time - 0.5;
            const double j = std::floor(p), f = p - j;
            if (mode == kAudioLinear) {
                const double a = sample(j);
                return a + (sample(j + 1) - a) * f;
            }
            return CatmullRom(sample(j - 1), sample(j), sample(j + 1), sample(j + 2), f);
        }
        case kAudioWindowMean:
        case kAudioWindowMeanAbsolute:
        case kAudioWindowPeak:
        case kAudioWindowPeakAbsolute:
            return Window(file, sample.Channel(), sample.LastFrame(), mode, rate, window, time);
        default:
            return 0.0;
    }
}

void TXRCAudio::Evaluate(bool inHost) {
    const int32_t channel = Enum(3), mode = Enum(4);
    const double amplitude = Num(1), offset = Num(2);
    TAudioFile* const file =
        inHost && Instance != nullptr ? Instance->FileHandle(FileIndex(0)).audio : nullptr;
    if (file == nullptr) {
        SetOut(offset);
        return;
    }
    const double window = Num(5), time = Num(6);
    double s;
    if (channel == 0 || channel == 1) {
        s = SampleAudio(*file, mode, channel, window, time);
    } else if (channel == 2) {
        const double left = SampleAudio(*file, mode, 0, window, time);
        s = file->Channels() == 1 ? left : (left + SampleAudio(*file, mode, 1, window, time)) / 2;
    } else {
        return;
    }
    SetOut(s * 0.5 * amplitude + offset);
}

}  // namespace vandrel

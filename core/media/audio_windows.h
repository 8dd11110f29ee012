// The decoded samples of a WAV file, arranged so that the audio component's window modes cost the
// same whatever the window: per channel, the running sums of the samples and of their magnitudes
// at the start of every block of kBlockFrames frames, the loudest frame of each block, and the
// loudest frame of every power-of-two run of blocks. A window reads at most two partial blocks
// sample by sample and the rest from those tables.
//
// Samples are kept as the integers the file holds (v, with sample = v / scale), so sums are exact
// and the averages differ from summing the samples one by one by rounding only. The data is made
// once per file and then only read, from any thread. Files are shared between the records of one
// file through TAudioWindowCache.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace vandrel {

class TAudioWindows {
  public:
    static constexpr int64_t kBlockFrames = 64;

    // Bytes held for `frames` frames of `channels` channels.
    static int64_t Bytes(int64_t frames, int64_t channels);

    // `samples` holds each channel's frames, one channel after the other.
    TAudioWindows(std::vector<int32_t> samples, int64_t frames, int32_t channels, double scale);

    int64_t Frames() const { return frames_; }
    int32_t Channels() const { return static_cast<int32_t>(channels_.size()); }

    // Over frames first … last of a channel, 0 <= first <= last < Frames(): the sum of the
    // samples, the sum of their magnitudes, the loudest sample with its sign (the first of equally
    // loud ones) and its magnitude.
    double Sum(int32_t channel, int64_t first, int64_t last) const;
    double MagnitudeSum(int32_t channel, int64_t first, int64_t last) const;
    double Peak(int32_t channel, int64_t first, int64_t last) const;
    double MagnitudePeak(int32_t channel, int64_t first, int64_t last) const;

  private:
    struct TChannel {
        const int32_t* samples = nullptr;
        std::vector<int64_t> sums;        // of the blocks before block b, b = 0 … blocks
        std::vector<int64_t> magnitudes;  // the same for the magnitudes
        // Level k: the loudest frame of blocks b … b + 2^k − 1, the first of equals.
        std::vector<std::vector<uint32_t>> loudest;
    };
    int64_t Total(const TChannel& c, const std::vector<int64_t>& blockSums, int64_t first,
                  int64_t last, bool magnitude) const;
    int64_t LoudestFrame(const TChannel& c, int64_t first, int64_t last) const;

    std::vector<int32_t> samples_;
    int64_t frames_ = 0;
    double scale_ = 1;
    std::vector<TChannel> channels_;
};

// The decoded data of the files opened, by file identity, for as long as some record holds it.
class TAudioWindowCache {
  public:
    // The data held for the identity, or what `decode` makes (null when it fails, and then not
    // kept). Decoding runs under the cache's lock, so a file is decoded once however many threads
    // open it at the same time.
    std::shared_ptr<const TAudioWindows> Find(
        const std::string& identity,
        const std::function<std::shared_ptr<const TAudioWindows>()>& decode);

  private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::weak_ptr<const TAudioWindows>> held_;
};

}  // namespace vandrel

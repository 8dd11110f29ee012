#include "core/media/audio_windows.h"

#include <bit>
#include <utility>

namespace vandrel {
namespace {

constexpr int64_t kBlock = TAudioWindows::kBlockFrames;

uint32_t Magnitude(int32_t v) {
    return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
}

int64_t BlockCount(int64_t frames) { return (frames + kBlock - 1) / kBlock; }

// The levels of the loudest-frame table: level k covers runs of 2^k blocks.
int32_t Levels(int64_t blocks) {
    return blocks > 0 ? std::bit_width(static_cast<uint64_t>(blocks)) : 0;
}

}  // namespace

int64_t TAudioWindows::Bytes(int64_t frames, int64_t channels) {
    const int64_t blocks = BlockCount(frames);
    int64_t table = 0;
    for (int32_t k = 0; k < Levels(blocks); ++k) table += blocks - (int64_t{1} << k) + 1;
    const int64_t perChannel = frames * 4 + (blocks + 1) * 16 + table * 4;
    return channels * perChannel + static_cast<int64_t>(sizeof(TAudioWindows));
}

TAudioWindows::TAudioWindows(std::vector<int32_t> samples, int64_t frames, int32_t channels,
                             double scale)
    : samples_(std::move(samples)), frames_(frames), scale_(scale) {
    const int64_t blocks = BlockCount(frames);
    channels_.resize(static_cast<size_t>(channels));
    for (int32_t ch = 0; ch < channels; ++ch) {
        TChannel& c = channels_[static_cast<size_t>(ch)];
        c.samples = samples_.data() + ch * frames;
        c.sums.assign(static_cast<size_t>(blocks + 1), 0);
        c.magnitudes.assign(static_cast<size_t>(blocks + 1), 0);
        c.loudest.resize(static_cast<size_t>(Levels(blocks)));
        if (blocks == 0) continue;
        std::vector<uint32_t>& level0 = c.loudest[0];
        level0.resize(static_cast<size_t>(blocks));
        for (int64_t b = 0; b < blocks; ++b) {
            int64_t sum = 0, magnitudes = 0;
            int64_t loudest = b * kBlock;
            const int64_t end = std::min(frames, (b + 1) * kBlock);
            for (int64_t j = b * kBlock; j < end; ++j) {
                sum += c.samples[j];
                magnitudes += Magnitude(c.samples[j]);
                if (Magnitude(c.samples[j]) > Magnitude(c.samples[loudest])) loudest = j;
            }
            c.sums[static_cast<size_t>(b + 1)] = c.sums[static_cast<size_t>(b)] + sum;
            c.magnitudes[static_cast<size_t>(b + 1)] =
                c.magnitudes[static_cast<size_t>(b)] + magnitudes;
            level0[static_cast<size_t>(b)] = static_cast<uint32_t>(loudest);
        }
        for (size_t k = 1; k < c.loudest.size(); ++k) {
            const std::vector<uint32_t>& below = c.loudest[k - 1];
            const size_t half = size_t{1} << (k - 1);
            std::vector<uint32_t>& level = c.loudest[k];
            level.resize(static_cast<size_t>(blocks) - 2 * half + 1);
            for (size_t b = 0; b < level.size(); ++b) {
                const uint32_t left = below[b], right = below[b + half];
                level[b] = Magnitude(c.samples[right]) > Magnitude(c.samples[left]) ? right : left;
            }
        }
    }
}

int64_t TAudioWindows::Total(const TChannel& c, const std::vector<int64_t>& blockSums,
                             int64_t first, int64_t last, bool magnitude) const {
    const auto scan = [&](int64_t from, int64_t to) {
        int64_t total = 0;
        for (int64_t j = from; j <= to; ++j) {
            total += magnitude ? int64_t{Magnitude(c.samples[j])} : int64_t{c.samples[j]};
        }
        return total;
    };
    const int64_t firstBlock = first / kBlock, lastBlock = last / kBlock;
    if (lastBlock - firstBlock < 2) return scan(first, last);
    // The partial blocks at both ends sample by sample, the whole ones between from the sums.
    return scan(first, (firstBlock + 1) * kBlock - 1) + blockSums[static_cast<size_t>(lastBlock)] -
           blockSums[static_cast<size_t>(firstBlock + 1)] + scan(lastBlock * kBlock, last);
}

int64_t TAudioWindows::LoudestFrame(const TChannel& c, int64_t first, int64_t last) const {
    int64_t best = first;
    const auto consider = [&](int64_t j) {
        if (Magnitude(c.samples[j]) > Magnitude(c.samples[best])) best = j;
    };
    const int64_t firstBlock = first / kBlock, lastBlock = last / kBlock;
    if (lastBlock - firstBlock < 2) {
        for (int64_t j = first; j <= last; ++j) consider(j);
        return best;
    }
    // In frame order, so that a later frame wins only when it is louder.
    for (int64_t j = first; j < (firstBlock + 1) * kBlock; ++j) consider(j);
    const int64_t from = firstBlock + 1, to = lastBlock - 1;
    const int32_t k = std::bit_width(static_cast<uint64_t>(to - from + 1)) - 1;
    const std::vector<uint32_t>& level = c.loudest[static_cast<size_t>(k)];
    consider(level[static_cast<size_t>(from)]);
    consider(level[static_cast<size_t>(to - (int64_t{1} << k) + 1)]);
    for (int64_t j = lastBlock * kBlock; j <= last; ++j) consider(j);
    return best;
}

double TAudioWindows::Sum(int32_t channel, int64_t first, int64_t last) const {
    const TChannel& c = channels_[static_cast<size_t>(channel)];
    return static_cast<double>(Total(c, c.sums, first, last, false)) / scale_;
}

double TAudioWindows::MagnitudeSum(int32_t channel, int64_t first, int64_t last) const {
    const TChannel& c = channels_[static_cast<size_t>(channel)];
    return static_cast<double>(Total(c, c.magnitudes, first, last, true)) / scale_;
}

double TAudioWindows::Peak(int32_t channel, int64_t first, int64_t last) const {
    const TChannel& c = channels_[static_cast<size_t>(channel)];
    return c.samples[LoudestFrame(c, first, last)] / scale_;
}

double TAudioWindows::MagnitudePeak(int32_t channel, int64_t first, int64_t last) const {
    const TChannel& c = channels_[static_cast<size_t>(channel)];
    return Magnitude(c.samples[LoudestFrame(c, first, last)]) / scale_;
}

std::shared_ptr<const TAudioWindows> TAudioWindowCache::Find(
    const std::string& identity,
    const std::function<std::shared_ptr<const TAudioWindows>()>& decode) {
    std::lock_guard lock(mutex_);
    if (const auto found = held_.find(identity); found != held_.end()) {
        if (auto held = found->second.lock()) return held;
    }
    // Data no record holds any more is let go as files are opened.
    std::erase_if(held_, [](const auto& entry) { return entry.second.expired(); });
    std::shared_ptr<const TAudioWindows> decoded = decode();
    if (decoded) held_[identity] = decoded;
    return decoded;
}

}  // namespace vandrel

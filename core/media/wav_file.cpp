#include "core/media/wav_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace vandrel {
namespace {

// std::fseek and std::ftell take long; on the 64-bit targets it holds every RIFF position.
static_assert(sizeof(long) >= 8, "file positions need a 64-bit long");

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IsId(const uint8_t* p, const char (&id)[5]) { return std::memcmp(p, id, 4) == 0; }

// The end of a chunk that starts at `start`: header, contents and the pad byte of an odd size.
uint64_t ChunkEnd(uint64_t start, uint32_t size) { return start + 8 + size + (size & 1u); }

// Positioned reads that never go past the end of the file as it was when probing began, so that
// every walk ends there whatever the sizes claim.
class TProbe {
  public:
    TProbe(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
    uint64_t Size() const { return size_; }
    bool Read(uint64_t at, uint8_t* out, size_t count) {
        if (at > size_ || count > size_ - at) return false;
        if (std::fseek(file_, static_cast<long>(at), SEEK_SET) != 0) return false;
        return std::fread(out, 1, count, file_) == count;
    }

  private:
    std::FILE* file_;
    uint64_t size_;
};

struct TChunk {
    uint64_t start = 0;
    uint32_t size = 0;
};

// Chunk headers from `at` on, each skipped to its end, up to the first with this identifier.
std::optional<TChunk> FindChunk(TProbe& probe, uint64_t at, const char (&id)[5]) {
    uint8_t header[8];
    for (;;) {
        // Every step moves at least 8 bytes, and reading stops at the end of the file.
        if (!probe.Read(at, header, 8)) return std::nullopt;
        const uint32_t size = Le32(header + 4);
        if (IsId(header, id)) return TChunk{at, size};
        at = ChunkEnd(at, size);
    }
}

struct TLayout {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    int bytesPerSample = 0;
    int64_t dataStart = 0;
    int64_t dataSize = 0;
};

std::optional<TLayout> ReadLayout(TProbe& probe) {
    uint8_t header[12];
    if (!probe.Read(0, header, 12) || !IsId(header, "RIFF")) return std::nullopt;
    // A RIFF file whose first form is not WAVE may carry a WAVE form further on.
    TChunk riff{0, Le32(header + 4)};
    while (!IsId(header + 8, "WAVE")) {
        const uint64_t next = ChunkEnd(riff.start, riff.size);
        if (!probe.Read(next, header, 12)) return std::nullopt;
        riff = TChunk{next, Le32(header + 4)};
    }

    const std::optional<TChunk> fmt = FindChunk(probe, riff.start + 12, "fmt ");
    if (!fmt || fmt->size < 16) return std::nullopt;
    uint8_t f[16];
    if (!probe.Read(fmt->start + 8, f, 16)) return std::nullopt;
    const uint16_t formatTag = Le16(f);
    const uint16_t channels = Le16(f + 2);
    const uint32_t sampleRate = Le32(f + 4);
    const uint16_t bitsPerSample = Le16(f + 14);
    if (formatTag != 1 || bitsPerSample == 0 || bitsPerSample > 32 || channels == 0) {
        return std::nullopt;
    }

    const std::optional<TChunk> data = FindChunk(probe, ChunkEnd(fmt->start, fmt->size), "data");
    if (!data) return std::nullopt;
    TLayout layout;
    layout.channels = channels;
    layout.sampleRate = sampleRate;
    layout.bytesPerSample = (bitsPerSample - 1) / 8 + 1;
    layout.dataStart = static_cast<int64_t>(data->start + 8);
    // A truncated file keeps what it holds of its data.
    const uint64_t held = probe.Size() - static_cast<uint64_t>(layout.dataStart);
    layout.dataSize = static_cast<int64_t>(data->size < held ? data->size : held);
    if (layout.dataSize < layout.bytesPerSample) return std::nullopt;
    return layout;
}

int64_t FrameCount(const TLayout& layout) {
    // The last frame with a byte inside the data; the data holds at least one sample.
    return (layout.dataSize - 1) / (int64_t{layout.channels} * layout.bytesPerSample) + 1;
}

// Every channel's samples as the integers the file holds (the bytes at the top of a 32-bit word,
// or the byte less 128), channel after channel; a sample not wholly inside the data is 0.
std::shared_ptr<const TAudioWindows> Decode(std::FILE* file, const TLayout& layout) {
    const int64_t frames = FrameCount(layout);
    const int channels = layout.channels, bytes = layout.bytesPerSample;
    std::vector<int32_t> samples(static_cast<size_t>(frames * channels), 0);
    if (std::fseek(file, static_cast<long>(layout.dataStart), SEEK_SET) != 0) return nullptr;
    const int64_t frameBytes = int64_t{channels} * bytes;
    const int64_t framesPerRead =
        std::min(frames, std::max<int64_t>(1, (int64_t{1} << 20) / frameBytes));
    std::vector<uint8_t> buffer(static_cast<size_t>(framesPerRead * frameBytes));
    for (int64_t first = 0; first < frames; first += framesPerRead) {
        const int64_t count = std::min(framesPerRead, frames - first);
        const int64_t wanted = std::min(count * frameBytes, layout.dataSize - first * frameBytes);
        const size_t got = std::fread(buffer.data(), 1, static_cast<size_t>(wanted), file);
        // What the file no longer holds reads as silence, as through the block buffer.
        if (got < buffer.size()) std::memset(buffer.data() + got, 0, buffer.size() - got);
        for (int64_t j = 0; j < count; ++j) {
            for (int c = 0; c < channels; ++c) {
                const int64_t at = (j * channels + c) * bytes;
                if (first * frameBytes + at + bytes > layout.dataSize) continue;
                const uint8_t* p = buffer.data() + at;
                int32_t v;
                if (bytes == 1) {
                    v = static_cast<int32_t>(p[0]) - 128;
                } else {
                    uint32_t word = 0;
                    for (int i = 0; i < bytes; ++i) {
                        word |= static_cast<uint32_t>(p[i]) << (32 - 8 * bytes + 8 * i);
                    }
                    v = static_cast<int32_t>(word);
                }
                samples[static_cast<size_t>(c * frames + first + j)] = v;
            }
        }
    }
    return std::make_shared<const TAudioWindows>(std::move(samples), frames, channels,
                                                 bytes == 1 ? 128.0 : 2147483647.0);
}

// What tells this file's data from any other's: the file itself, its size and time, and where its
// data lies.
std::string Identity(std::FILE* file, const TLayout& layout) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0) return {};
    std::string identity;
    for (const int64_t part :
         {static_cast<int64_t>(info.st_dev), static_cast<int64_t>(info.st_ino),
          static_cast<int64_t>(info.st_size), static_cast<int64_t>(info.st_mtim.tv_sec),
          static_cast<int64_t>(info.st_mtim.tv_nsec), layout.dataStart, layout.dataSize,
          int64_t{layout.channels}, int64_t{layout.bytesPerSample}}) {
        identity += std::to_string(part);
        identity += ':';
    }
    return identity;
}

}  // namespace

std::unique_ptr<TAudioFile> TAudioFile::Open(const std::filesystem::path& path,
                                             TAudioWindowCache* cache) noexcept {
    try {
        // A FIFO or device would block or never end.
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) return nullptr;
        std::unique_ptr<TAudioFile> record(new TAudioFile);
        std::FILE* const file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) return nullptr;
        record->file_ = file;  // closed by the record from here on

        if (std::fseek(file, 0, SEEK_END) != 0) return nullptr;
        const long size = std::ftell(file);
        if (size < 0) return nullptr;
        TProbe probe(file, static_cast<uint64_t>(size));
        const std::optional<TLayout> layout = ReadLayout(probe);
        if (!layout) return nullptr;
        if (TAudioWindows::Bytes(FrameCount(*layout), layout->channels) > kAudioDecodeBudget) {
            return nullptr;
        }
        const auto decode = [&] { return Decode(file, *layout); };
        const std::string identity = cache != nullptr ? Identity(file, *layout) : std::string();
        record->windows_ = identity.empty() ? decode() : cache->Find(identity, decode);
        if (!record->windows_) return nullptr;

        // The probing handle serves the record too: reopening would only risk meeting another
        // file under the same name.
        record->channels_ = layout->channels;
        record->sampleRate_ = layout->sampleRate;
        record->bytesPerSample_ = layout->bytesPerSample;
        record->dataStart_ = layout->dataStart;
        record->dataSize_ = layout->dataSize;
        record->cachedBlock_ = -2;
        record->buffer_.reset(new uint8_t[kAudioBlockSize]);
        return record;
    } catch (...) {
        return nullptr;
    }
}

TAudioFile::~TAudioFile() {
    if (file_ != nullptr) std::fclose(file_);
}

void TAudioFile::LoadBlock(int64_t block) noexcept {
    uint8_t* const buffer = buffer_.get();
    size_t got = 0;
    // The block after the cached one starts where the last full read ended.
    const bool contiguous = block == cachedBlock_ + 1 && positionAfterCached_;
    if (!contiguous) ++seekCount_;
    if (contiguous ||
        std::fseek(file_, static_cast<long>(dataStart_ + block * kAudioBlockSize), SEEK_SET) == 0) {
        got = std::fread(buffer, 1, static_cast<size_t>(kAudioBlockSize), file_);
    }
    std::memset(buffer + got, 0, static_cast<size_t>(kAudioBlockSize) - got);
    cachedBlock_ = block;
    positionAfterCached_ = got == static_cast<size_t>(kAudioBlockSize);
}

double TAudioFile::ReadSample(int64_t offset) noexcept {
    if (offset < 0 || offset >= dataSize_ || dataSize_ - offset < bytesPerSample_) return 0.0;
    int64_t block = offset / kAudioBlockSize;
    int64_t at = offset % kAudioBlockSize;
    if (block != cachedBlock_) LoadBlock(block);
    if (bytesPerSample_ == 1) return (static_cast<int>(buffer_[at]) - 128) / 128.0;

    // The bytes, least significant first, fill the top of a 32-bit word; a sample that runs past
    // the end of the buffer takes its remaining bytes from the next block.
    uint32_t word = 0;
    int shift = 32 - 8 * bytesPerSample_;
    for (int i = 0; i < bytesPerSample_; ++i, shift += 8) {
        if (at == kAudioBlockSize) {
            LoadBlock(++block);
            at = 0;
        }
        word |= static_cast<uint32_t>(buffer_[at++]) << shift;
    }
    return static_cast<int32_t>(word) / 2147483647.0;
}

}  // namespace vandrel

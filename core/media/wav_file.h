// WAV audio files read by the plug-in itself, and the block buffer their samples are read through.
//
// TAudioFile::Open accepts a RIFF/WAVE file with a "fmt " chunk of format tag 1 (PCM), 1 to 32 bits
// per sample and at least one channel, followed (not necessarily directly) by a "data" chunk that
// holds at least one whole sample. Anything else, a file that ends early included, gives null; no
// exception escapes. All numbers are little-endian and read byte by byte. A "data" chunk that
// claims more bytes than the file holds is cut to what the file holds.
//
// The data is also decoded whole when the file is opened, for the window modes of the audio
// component (audio_windows.h): a file whose decoded data would take more than kAudioDecodeBudget
// bytes is refused before anything is read or allocated. Records of one file opened through the
// same TAudioWindowCache share that data.
//
// ReadSample reads through one 64 KB buffer and moves the file position, so a record serves one
// thread at a time; it takes no lock and never allocates. 8-bit samples give (byte - 128) / 128,
// in [-1, 1); wider ones the signed 32-bit value their bytes make when placed in its most
// significant bytes, divided by 2147483647: at most 1 (0x7FFFFFFF) and at least
// -2147483648 / 2147483647, a hair below -1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/media/audio_windows.h"

namespace vandrel {

inline constexpr int64_t kAudioBlockSize = 65536;
// The most the decoded data of one file may take: 256 MiB, about nine minutes of 16-bit stereo at
// 44.1 kHz.
inline constexpr int64_t kAudioDecodeBudget = int64_t{256} << 20;

class TAudioFile {
  public:
    // Null when the file is missing, not a regular file, unreadable or refused (see above).
    static std::unique_ptr<TAudioFile> Open(const std::filesystem::path& path,
                                            TAudioWindowCache* cache = nullptr) noexcept;
    ~TAudioFile();
    TAudioFile(const TAudioFile&) = delete;
    TAudioFile& operator=(const TAudioFile&) = delete;

    // The sample whose first byte is at `offset` bytes into the data; 0 when the sample does not
    // lie wholly inside the data.
    double ReadSample(int64_t offset) noexcept;

    uint32_t SampleRate() const { return sampleRate_; }
    uint16_t Channels() const { return channels_; }
    int BytesPerSample() const { return bytesPerSample_; }
    int64_t DataStart() const { return dataStart_; }
    int64_t DataSize() const { return dataSize_; }
    // The block the buffer holds; -2 before the first read.
    int64_t CachedBlock() const { return cachedBlock_; }
    // How many block loads had to seek; the block after the cached one continues without.
    int64_t SeekCount() const { return seekCount_; }
    // The whole data, decoded.
    const TAudioWindows& Windows() const { return *windows_; }

  private:
    TAudioFile() = default;
    void LoadBlock(int64_t block) noexcept;

    std::FILE* file_ = nullptr;
    int64_t dataStart_ = 0;
    int64_t dataSize_ = 0;
    int64_t cachedBlock_ = -2;
    bool positionAfterCached_ = false;  // the file position is where the cached block's next starts
    int64_t seekCount_ = 0;
    uint32_t sampleRate_ = 0;
    uint16_t channels_ = 0;
    int bytesPerSample_ = 0;
    std::unique_ptr<uint8_t[]> buffer_;
    std::shared_ptr<const TAudioWindows> windows_;
};

}  // namespace vandrel

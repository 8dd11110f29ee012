#include "core/media/wav_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "test_support.h"
#include "wav_bytes.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

using test::Chunk;
using test::Fmt;
using test::FmtBody;
using test::Le;
using test::Riff;
using test::SampleValue;
using test::Wav;

class WavFile : public ::testing::Test {
  protected:
    fs::path Write(const std::string& bytes, const std::string& name = "sound.wav") {
        return temp_.Write(name, bytes);
    }
    std::unique_ptr<TAudioFile> OpenBytes(const std::string& bytes) {
        return TAudioFile::Open(Write(bytes));
    }

    const test::TempFolder temp_{"vandrel-wav-"};
    const fs::path folder_ = temp_.path();
};

// ---- Format and sample values ---------------------------------------------------------------

TEST_F(WavFile, FormatsAndInterleavedChannels) {
    const struct {
        uint16_t bits, channels;
        int bytesPerSample;
    } cases[] = {
        {8, 1, 1},  {8, 2, 1},  {16, 1, 2}, {16, 2, 2}, {24, 1, 3},
        {24, 2, 3}, {32, 1, 4}, {32, 2, 4}, {12, 1, 2}, {20, 2, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.channels << " channels");
        // Frame j, channel ch holds a value that tells them apart and uses the sign.
        const int64_t top = int64_t{1} << (8 * c.bytesPerSample - 1);
        auto value = [&](int j, int ch) { return (j % 2 ? -1 : 1) * (top / (j + 2)) + ch; };
        std::string data;
        for (int j = 0; j < 5; ++j) {
            for (int ch = 0; ch < c.channels; ++ch) {
                data += c.bytesPerSample == 1
                            ? std::string(1, static_cast<char>(value(j, ch) + 128))
                            : Le(value(j, ch), c.bytesPerSample);
            }
        }
        std::unique_ptr<TAudioFile> wav = OpenBytes(Wav(c.channels, 22050, c.bits, data));
        ASSERT_NE(wav, nullptr);
        EXPECT_EQ(wav->Channels(), c.channels);
        EXPECT_EQ(wav->SampleRate(), 22050u);
        EXPECT_EQ(wav->BytesPerSample(), c.bytesPerSample);
        EXPECT_EQ(wav->DataStart(), 44);
        EXPECT_EQ(wav->DataSize(), static_cast<int64_t>(data.size()));
        EXPECT_EQ(wav->CachedBlock(), -2);
        for (int j = 0; j < 5; ++j) {
            for (int ch = 0; ch < c.channels; ++ch) {
                const int64_t offset = (int64_t{j} * c.channels + ch) * c.bytesPerSample;
                const double expected = c.bytesPerSample == 1
                                            ? value(j, ch) / 128.0
                                            : SampleValue(value(j, ch), c.bytesPerSample);
                EXPECT_DOUBLE_EQ(wav->ReadSample(offset), expected)
                    << "frame " << j << " ch " << ch;
            }
        }
    }
}

TEST_F(WavFile, KnownSampleValues) {
    const struct {
        uint16_t bits;
        std::string bytes;
        double expected;
    } cases[] = {
        {8, std::string("\x00", 1), -1.0},
        {8, "\x80", 0.0},
        {8, "\xFF", 0.9921875},
        {8, "\x40", -0.5},
        {16, "\xFF\x7F", 32767.0 * 65536.0 / 2147483647.0},
        {16, std::string("\x00\x80", 2), -2147483648.0 / 2147483647.0},
        {16, "\xFF\xFF", -65536.0 / 2147483647.0},
        {24, "\xFF\xFF\x7F", 2147483392.0 / 2147483647.0},
        {24, std::string("\x01\x00\x00", 3), 256.0 / 2147483647.0},
        {32, "\xFF\xFF\xFF\x7F", 1.0},
        {32, "\x78\x56\x34\x12", 305419896.0 / 2147483647.0},
        {32, std::string("\x00\x00\x00\x80", 4), -2147483648.0 / 2147483647.0},
        // 12 bits in two bytes: the stored bytes fill the top 16 bits, 0x8010 << 16 as signed.
        {12, "\x10\x80", -2146435072.0 / 2147483647.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, expected " << c.expected);
        std::unique_ptr<TAudioFile> wav = OpenBytes(Wav(1, 8000, c.bits, c.bytes));
        ASSERT_NE(wav, nullptr);
        EXPECT_DOUBLE_EQ(wav->ReadSample(0), c.expected);
    }
}

// ---- Reads at the edges of the data and of the blocks ---------------------------------------

TEST_F(WavFile, ReadsOutsideTheDataAreSilent) {
    // Four 16-bit samples, then a chunk of loud bytes that the first block load pulls in too.
    const std::string data = Le(1000, 2) + Le(-2000, 2) + Le(3000, 2) + Le(-4000, 2);
    std::unique_ptr<TAudioFile> wav = OpenBytes(
        Riff(Fmt(1, 1, 8000, 16) + Chunk("data", data) + Chunk("LIST", "\x7F\x7F\x7F\x7F")));
    ASSERT_NE(wav, nullptr);
    ASSERT_EQ(wav->DataSize(), 8);
    EXPECT_DOUBLE_EQ(wav->ReadSample(6), SampleValue(-4000, 2));
    EXPECT_EQ(wav->CachedBlock(), 0);
    for (int64_t offset :
         {int64_t{8}, int64_t{9}, int64_t{10}, int64_t{7}, int64_t{-1}, int64_t{-2},
          std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()}) {
        EXPECT_EQ(wav->ReadSample(offset), 0.0) << "offset " << offset;
    }
    EXPECT_DOUBLE_EQ(wav->ReadSample(0), SampleValue(1000, 2));
}

// Sample i of the long test files: a spread of values of both signs.
int64_t LongValue(int64_t i, int bytes) {
    const int64_t range = int64_t{1} << (8 * bytes);
    const int64_t v = (i * 7919 + 13) % range;
    return v >= range / 2 ? v - range : v;
}

std::string LongData(int64_t count, int bytes) {
    std::string data;
    for (int64_t i = 0; i < count; ++i) data += Le(LongValue(i, bytes), bytes);
    return data;
}

TEST_F(WavFile, BlocksLoadInOrderWithoutSeeking) {
    const int64_t count = 70000;  // 140000 bytes: blocks 0, 1 and part of 2
    std::unique_ptr<TAudioFile> wav = OpenBytes(Wav(1, 44100, 16, LongData(count, 2)));
    ASSERT_NE(wav, nullptr);
    for (int64_t i = 0; i < count; ++i) {
        ASSERT_DOUBLE_EQ(wav->ReadSample(2 * i), SampleValue(LongValue(i, 2), 2)) << "sample " << i;
    }
    EXPECT_EQ(wav->CachedBlock(), 2);
    EXPECT_EQ(wav->SeekCount(), 1);  // only the first load

    // Back to block 0 seeks; on to block 1 continues; block 0 again seeks.
    EXPECT_DOUBLE_EQ(wav->ReadSample(65534), SampleValue(LongValue(32767, 2), 2));
    EXPECT_EQ(wav->SeekCount(), 2);
    EXPECT_DOUBLE_EQ(wav->ReadSample(65536), SampleValue(LongValue(32768, 2), 2));
    EXPECT_EQ(wav->CachedBlock(), 1);
    EXPECT_EQ(wav->SeekCount(), 2);
    EXPECT_DOUBLE_EQ(wav->ReadSample(0), SampleValue(LongValue(0, 2), 2));
    EXPECT_EQ(wav->SeekCount(), 3);
    // Skipping a block seeks.
    EXPECT_DOUBLE_EQ(wav->ReadSample(2 * 65536), SampleValue(LongValue(65536, 2), 2));
    EXPECT_EQ(wav->SeekCount(), 4);
}

TEST_F(WavFile, SampleStraddlingABlockEnd) {
    // 21846 samples of three bytes: sample 21845 occupies bytes 65535 … 65537, the last byte of
    // block 0 and the first two of block 1, and ends the data; a loud chunk follows.
    const int64_t count = 21846;
    std::unique_ptr<TAudioFile> wav = OpenBytes(
        Riff(Fmt(1, 1, 44100, 24) + Chunk("data", LongData(count, 3)) + Chunk("LIST", "\x7F\x7F")));
    ASSERT_NE(wav, nullptr);
    ASSERT_EQ(wav->DataSize(), 65538);
    const double last = SampleValue(LongValue(21845, 3), 3);

    EXPECT_DOUBLE_EQ(wav->ReadSample(65535), last);  // from cold
    EXPECT_EQ(wav->CachedBlock(), 1);
    EXPECT_DOUBLE_EQ(wav->ReadSample(65532), SampleValue(LongValue(21844, 3), 3));
    EXPECT_EQ(wav->CachedBlock(), 0);
    EXPECT_DOUBLE_EQ(wav->ReadSample(65535), last);  // block 0 held, the rest from block 1
    EXPECT_EQ(wav->ReadSample(65538), 0.0);
    EXPECT_DOUBLE_EQ(wav->ReadSample(3), SampleValue(LongValue(1, 3), 3));
}

TEST_F(WavFile, TruncatedFileKeepsWhatItHolds) {
    // Eight 16-bit stereo frames; every prefix of the file either has no whole sample of data and
    // is refused, or reads exactly the samples it holds.
    const std::string data = LongData(16, 2);
    const std::string whole = Wav(2, 8000, 16, data);
    for (size_t length = 0; length <= whole.size(); ++length) {
        SCOPED_TRACE(testing::Message() << "first " << length << " bytes");
        std::unique_ptr<TAudioFile> wav = OpenBytes(whole.substr(0, length));
        if (length < 44 + 2) {
            EXPECT_EQ(wav, nullptr);
            continue;
        }
        ASSERT_NE(wav, nullptr);
        const int64_t held = static_cast<int64_t>(length) - 44;
        EXPECT_EQ(wav->DataSize(), held);
        for (int64_t i = 0; i < 16; ++i) {
            const double expected = 2 * i + 2 <= held ? SampleValue(LongValue(i, 2), 2) : 0.0;
            EXPECT_DOUBLE_EQ(wav->ReadSample(2 * i), expected) << "sample " << i;
        }
    }
}

// ---- The chunk walk ---------------------------------------------------------------------------

TEST_F(WavFile, UnusualButValidLayouts) {
    const std::string sample = Le(-12345, 2);
    const std::string data = Chunk("data", sample);
    const struct {
        const char* name;
        std::string bytes;
        int64_t dataStart, dataSize;
    } cases[] = {
        {"odd-sized chunk before fmt", Riff(Chunk("JUNK", "abc") + Fmt(1, 1, 8000, 16) + data),
         12 + 12 + 24 + 8, 2},
        {"fmt with extension, fact chunk",
         Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16) + Le(0, 2)) + Chunk("fact", Le(1, 4)) + data),
         12 + 26 + 12 + 8, 2},
        {"odd-sized chunk between fmt and data",
         Riff(Fmt(1, 1, 8000, 16) + Chunk("LIST", "12345") + data), 12 + 24 + 14 + 8, 2},
        {"WAVE form after another RIFF form",
         Riff("", "AVI ") + Chunk("XYZW", "1") + Riff(Fmt(1, 1, 8000, 16) + data),
         12 + 10 + 12 + 24 + 8, 2},
        {"RIFF size zero", "RIFF" + Le(0, 4) + "WAVE" + Fmt(1, 1, 8000, 16) + data, 44, 2},
        {"data size past the end", Riff(Fmt(1, 1, 8000, 16) + Chunk("data", sample, 0xFFFFFFFF)),
         44, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TAudioFile> wav = OpenBytes(c.bytes);
        ASSERT_NE(wav, nullptr);
        EXPECT_EQ(wav->DataStart(), c.dataStart);
        EXPECT_EQ(wav->DataSize(), c.dataSize);
        EXPECT_DOUBLE_EQ(wav->ReadSample(0), SampleValue(-12345, 2));
    }
}

TEST_F(WavFile, DataBeyondTheDecodeBudgetIsRefusedUnread) {
    // Headers claiming almost 4 GB and 300 MB of 16-bit stereo, the rest of the file a hole: the
    // data would decode to more than the budget, so nothing of it is read.
    for (const uint32_t claimed : {0xFFFFFF00u, 300u << 20}) {
        const fs::path path =
            Write(Riff(Fmt(1, 2, 44100, 16) + Chunk("data", "", claimed)), "sparse.wav");
        fs::resize_file(path, 44 + uint64_t{claimed});
        EXPECT_EQ(TAudioFile::Open(path), nullptr) << claimed;
    }
}

TEST_F(WavFile, RefusedFiles) {
    const std::string pcm = Fmt(1, 1, 8000, 16);
    const std::string data = Chunk("data", Le(1, 2) + Le(2, 2));
    std::string manyEmptyChunks;
    for (int i = 0; i < 1000; ++i) manyEmptyChunks += Chunk("JUNK", "");
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"ends inside the RIFF header", "RIF"},
        {"RIFF header only", "RIFF" + Le(4, 4)},
        {"not RIFF", "RIFX" + Le(36, 4) + "WAVE" + pcm + data},
        {"no WAVE form", Riff(pcm + data, "AVI ")},
        {"no fmt", Riff(data)},
        {"data before fmt", Riff(data + pcm)},
        {"no data", Riff(pcm)},
        {"fmt shorter than 16 bytes",
         Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16).substr(0, 14)) + data)},
        {"ends inside fmt", Riff(pcm).substr(0, 12 + 8 + 10)},
        {"ends inside a chunk header", Riff(pcm) + "dat"},
        {"IEEE float format", Riff(Fmt(3, 1, 8000, 32) + data)},
        {"extensible format", Riff(Fmt(0xFFFE, 1, 8000, 16) + data)},
        {"33 bits", Riff(Fmt(1, 1, 8000, 33) + data)},
        {"64 bits", Riff(Fmt(1, 1, 8000, 64) + data)},
        {"zero bits", Riff(Fmt(1, 1, 8000, 0) + data)},
        {"zero channels", Riff(Fmt(1, 0, 8000, 16) + data)},
        {"chunk size past the end", Riff(Chunk("LIST", "abcd", 0xFFFFFFF0) + pcm + data)},
        {"odd maximal chunk size", Riff(Chunk("LIST", "abcd", 0xFFFFFFFF) + pcm + data)},
        {"fmt size past the end", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16), 0xFFFFFFFE) + data)},
        {"zero-sized chunks up to the end", Riff(manyEmptyChunks)},
        {"empty data", Riff(pcm + Chunk("data", ""))},
        {"less than one sample of data", Riff(pcm) + "data" + Le(100, 4) + "\x01"},
        {"four-byte samples, three bytes held",
         Riff(Fmt(1, 1, 8000, 32)) + "data" + Le(4, 4) + "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OpenBytes(c.bytes), nullptr) << c.name;
    }
    EXPECT_EQ(TAudioFile::Open(folder_ / "missing.wav"), nullptr);
    EXPECT_EQ(TAudioFile::Open(folder_), nullptr);
}

}  // namespace
}  // namespace vandrel

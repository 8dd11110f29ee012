#include "renderer/host/images.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "hostapi/hostapi.h"
#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define VANDREL_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANDREL_TEST_ASAN 1
#endif
#endif
#ifdef VANDREL_TEST_ASAN
#include <sanitizer/lsan_interface.h>
// OpenImageIO 2.4's PNG reader leaks its error text when libpng jumps out of the read of a
// damaged file; the host never sees that string, so it cannot free it. The fast unwinder stops
// inside the library, so no suppression can name it: such reads are not checked for leaks.
using TLibraryLeaks = __lsan::ScopedDisabler;
#else
struct TLibraryLeaks {};
#endif

namespace vandrel::host {
namespace {

// ---- A PNG encoder of its own (stored deflate blocks), so the decoder is checked against
// bytes it did not write ------------------------------------------------------------------------

std::string Be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<uint8_t>(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string PngChunk(const std::string& type, const std::string& data) {
    return Be32(static_cast<uint32_t>(data.size())) + type + data + Be32(Crc32(type + data));
}

// Colour types: 0 grey, 2 RGB, 4 grey and alpha, 6 RGBA. `samples` holds the rows' channel
// values, each of depth / 8 bytes, most significant byte first.
std::string Png(int width, int height, int colorType, int depth,
                const std::vector<uint16_t>& samples) {
    const int channels = colorType == 0 ? 1 : colorType == 2 ? 3 : colorType == 4 ? 2 : 4;
    std::string raw;
    size_t next = 0;
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // filter: none
        for (int i = 0; i < width * channels; ++i) {
            const uint16_t v = samples.at(next++);
            if (depth == 16) raw += static_cast<char>(v >> 8);
            raw += static_cast<char>(v & 0xFF);
        }
    }
    std::string zlib = "\x78\x01";
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t length = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + length >= raw.size();
        zlib += static_cast<char>(last ? 1 : 0);
        zlib += static_cast<char>(length & 0xFF);
        zlib += static_cast<char>(length >> 8);
        zlib += static_cast<char>(~length & 0xFF);
        zlib += static_cast<char>((~length >> 8) & 0xFF);
        zlib += raw.substr(at, length);
        if (last) break;
    }
    uint32_t a = 1, b = 0;
    for (const char c : raw) {
        a = (a + static_cast<uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    zlib += Be32((b << 16) | a);
    const std::string header = Be32(static_cast<uint32_t>(width)) +
                               Be32(static_cast<uint32_t>(height)) + static_cast<char>(depth) +
                               static_cast<char>(colorType) + std::string(3, '\0');
    return "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) + PngChunk("IDAT", zlib) +
           PngChunk("IEND", "");
}

// A 3 × 2 RGB picture, top row first.
const std::vector<uint16_t> kRgb = {
    255,  0,    0,    0, 255, 0, 0,   0,   255,  // red, green, blue
    0x12, 0x34, 0x56, 0, 0,   0, 255, 255, 255,  // a mix, black, white
};
const uint32_t kRgbPixels[2][3] = {{0x000000FF, 0x0000FF00, 0x00FF0000},
                                   {0x00563412, 0x00000000, 0x00FFFFFF}};

class HostImages : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        return folder_.Write(name, bytes).string();
    }
    test::TempFolder folder_{"vandrel-images-"};
};

// ---- Images -----------------------------------------------------------------------------------

TEST_F(HostImages, ImagePixelsAsBgrWords) {
    const int32_t image = hsImageRead(Write("rgb.png", Png(3, 2, 2, 8, kRgb)).c_str());
    ASSERT_NE(image, 0);
    EXPECT_EQ(hsImageGetWidth(image), 3);
    EXPECT_EQ(hsImageGetHeight(image), 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(hsImageGetPixel(image, x, y), kRgbPixels[y][x]) << x << ", " << y;
        }
    }
    const int32_t outside[][2] = {{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT32_MIN, 0}, {0, INT32_MAX}};
    for (const auto& [x, y] : outside)
        EXPECT_EQ(hsImageGetPixel(image, x, y), 0u) << x << ", " << y;
    hsImageDestroy(image);
}

TEST_F(HostImages, ColourTypes) {
    // Two pixels each; colours are those stored, whatever the alpha.
    const struct {
        const char* name;
        int colorType, depth;
        std::vector<uint16_t> samples;
        uint32_t first, second;
    } cases[] = {
        {"grey", 0, 8, {0x20, 0xF0}, 0x00202020, 0x00F0F0F0},
        {"grey and alpha", 4, 8, {0x20, 0x00, 0xF0, 0x80}, 0x00202020, 0x00F0F0F0},
        {"RGBA", 6, 8, {0x11, 0x22, 0x33, 0x40, 0xAA, 0xBB, 0xCC, 0x00}, 0x00332211, 0x00CCBBAA},
        {"16-bit RGB",
         2,
         16,
         {0xFFFF, 0x0000, 0x8080, 0x0101, 0x7F7F, 0xFEFE},
         0x008000FF,
         0x00FE7F01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t image =
            hsImageRead(Write("two.png", Png(2, 1, c.colorType, c.depth, c.samples)).c_str());
        ASSERT_NE(image, 0);
        EXPECT_EQ(hsImageGetPixel(image, 0, 0), c.first);
        EXPECT_EQ(hsImageGetPixel(image, 1, 0), c.second);
        hsImageDestroy(image);
    }
}

// ---- Textures and bump maps keep floats ---------------------------------------------------------

TEST_F(HostImages, TexturesKeepFloatRgb) {
    const std::string path = Write("rgb16.png", Png(2, 1, 2, 16, {0x8000, 0, 0xFFFF, 1, 2, 3}));
    const int32_t texture = hsTextureRead(path.c_str(), 3);
    ASSERT_NE(texture, 0);
    const TLoadedImage* record = FindImage(ImageKind::kTexture, texture);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->width, 2);
    EXPECT_EQ(record->height, 1);
    ASSERT_EQ(record->channels, 3);
    const float* p = record->FloatPixel(0, 0);
    EXPECT_FLOAT_EQ(p[0], 32768.0f / 65535.0f);  // finer than 8 bits could hold
    EXPECT_FLOAT_EQ(p[1], 0.0f);
    EXPECT_FLOAT_EQ(p[2], 1.0f);
    EXPECT_FLOAT_EQ(record->FloatPixel(1, 0)[2], 3.0f / 65535.0f);
    hsTextureDestroy(texture);
}

TEST_F(HostImages, BumpMapsKeepOneHeight) {
    const struct {
        const char* name;
        std::string png;
        float first, second;
    } cases[] = {
        {"RGB", Png(2, 1, 2, 8, {255, 0, 0, 0x12, 0x34, 0x56}), 0.299f,
         (0.299f * 0x12 + 0.587f * 0x34 + 0.114f * 0x56) / 255.0f},
        {"grey", Png(2, 1, 0, 8, {51, 255}), 0.2f, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t bump = hsBumpRead(Write("bump.png", c.png).c_str());
        ASSERT_NE(bump, 0);
        const std::shared_ptr<const TLoadedImage> record = SharedImage(ImageKind::kBump, bump);
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(record->channels, 1);
        EXPECT_NEAR(record->FloatPixel(0, 0)[0], c.first, 1e-6);
        EXPECT_NEAR(record->FloatPixel(1, 0)[0], c.second, 1e-6);
        hsBumpDestroy(bump);
        EXPECT_EQ(SharedImage(ImageKind::kBump, bump), nullptr);
    }
}

// ---- Handles ----------------------------------------------------------------------------------

TEST_F(HostImages, HandlesOfOneKindOnly) {
    const std::string path = Write("rgb.png", Png(3, 2, 2, 8, kRgb));
    const int32_t texture = hsTextureRead(path.c_str(), 3);
    const int32_t bump = hsBumpRead(path.c_str());
    const int32_t image = hsImageRead(path.c_str());
    ASSERT_NE(texture, 0);
    ASSERT_NE(bump, 0);
    ASSERT_NE(image, 0);
    EXPECT_EQ(std::set<int32_t>({texture, bump, image}).size(), 3u);

    // Image operations do not answer for the other kinds, nor destroys of another kind.
    EXPECT_EQ(hsImageGetWidth(texture), 0);
    EXPECT_EQ(hsImageGetPixel(bump, 0, 0), 0u);
    hsImageDestroy(texture);
    hsTextureDestroy(image);
    hsBumpDestroy(texture);
    EXPECT_NE(FindImage(ImageKind::kTexture, texture), nullptr);
    EXPECT_NE(FindImage(ImageKind::kBump, bump), nullptr);
    EXPECT_EQ(hsImageGetWidth(image), 3);
    EXPECT_EQ(FindImage(ImageKind::kImage, texture), nullptr);

    hsTextureDestroy(texture);
    hsBumpDestroy(bump);
    hsImageDestroy(image);
    hsImageDestroy(image);  // twice is harmless
    EXPECT_EQ(FindImage(ImageKind::kTexture, texture), nullptr);
    EXPECT_EQ(FindImage(ImageKind::kBump, bump), nullptr);
    EXPECT_EQ(hsImageGetWidth(image), 0);
    EXPECT_EQ(hsImageGetHeight(image), 0);
    EXPECT_EQ(hsImageGetPixel(image, 0, 0), 0u);

    // New reads never meet an old handle again.
    for (int i = 0; i < 3; ++i) {
        const int32_t again = hsImageRead(path.c_str());
        EXPECT_EQ(std::set<int32_t>({texture, bump, image, again}).size(), 4u);
        hsImageDestroy(again);
    }
    for (const int32_t none : {0, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(hsImageGetWidth(none), 0);
        EXPECT_EQ(hsImageGetHeight(none), 0);
        EXPECT_EQ(hsImageGetPixel(none, 0, 0), 0u);
        hsImageDestroy(none);
        hsTextureDestroy(none);
        hsBumpDestroy(none);
    }
}

TEST_F(HostImages, ManyHandlesOnOneThread) {
    // More images than a thread remembers lookups for, looked up in turn.
    std::vector<int32_t> images;
    for (int i = 0; i < 12; ++i) {
        const uint16_t v = static_cast<uint16_t>(10 * i);
        images.push_back(
            hsImageRead(Write("grey" + std::to_string(i) + ".png", Png(1, 1, 0, 8, {v})).c_str()));
        ASSERT_NE(images.back(), 0);
    }
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 12; ++i) {
            const uint32_t v = 10u * static_cast<uint32_t>(i);
            EXPECT_EQ(hsImageGetPixel(images[i], 0, 0), v | (v << 8) | (v << 16)) << i;
        }
    }
    for (const int32_t image : images) hsImageDestroy(image);
    for (const int32_t image : images) EXPECT_EQ(hsImageGetWidth(image), 0);
}

TEST_F(HostImages, UnreadableFilesGiveNoHandle) {
    const std::string png = Png(3, 2, 2, 8, kRgb);
    std::string badCrc = png;
    badCrc[png.size() - 20] ^= 0x01;  // inside the IDAT data, so its CRC no longer matches
    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"missing", (folder_ / "missing.png").string()},
        {"empty name", ""},
        {"folder", folder_.path().string()},
        {"not a picture", Write("text.png", "plain text, not a picture")},
        {"empty file", Write("empty.png", "")},
        {"truncated", Write("cut.png", png.substr(0, png.size() / 2))},
        {"damaged", Write("damaged.png", badCrc)},
        {"bad PPM header", Write("bad.ppm", "P6\n-3 99999999999\n255\n")},
        {"PPM with no pixels", Write("short.ppm", "P6\n64 64\n255\n\x01\x02")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        [[maybe_unused]] const TLibraryLeaks tolerated;
        EXPECT_EQ(hsImageRead(c.path.c_str()), 0);
        EXPECT_EQ(hsTextureRead(c.path.c_str(), 3), 0);
        EXPECT_EQ(hsBumpRead(c.path.c_str()), 0);
    }
    EXPECT_EQ(hsImageRead(nullptr), 0);
    EXPECT_EQ(hsTextureRead(nullptr, 3), 0);
    EXPECT_EQ(hsBumpRead(nullptr), 0);
}

std::string Le(uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// An OpenEXR header of one half channel, zip-compressed, with this data window, and an offset
// table of zeros.
std::string ExrHeader(int32_t width, int32_t height) {
    const auto attribute = [](const std::string& name, const std::string& type,
                              const std::string& value) {
        return name + '\0' + type + '\0' + Le(static_cast<uint32_t>(value.size()), 4) + value;
    };
    const std::string box = Le(0, 4) + Le(0, 4) + Le(static_cast<uint32_t>(width - 1), 4) +
                            Le(static_cast<uint32_t>(height - 1), 4);
    const std::string channel = std::string("R\0", 2) + Le(1, 4) + Le(0, 4) + Le(1, 4) + Le(1, 4);
    std::string exr = "\x76\x2F\x31\x01" + Le(2, 4);
    exr += attribute("channels", "chlist", channel + '\0');
    exr += attribute("compression", "compression", std::string(1, '\x03'));
    exr += attribute("dataWindow", "box2i", box);
    exr += attribute("displayWindow", "box2i", box);
    exr += attribute("lineOrder", "lineOrder", std::string(1, '\0'));
    exr += attribute("pixelAspectRatio", "float", Le(0x3F800000, 4));
    exr += attribute("screenWindowCenter", "v2f", std::string(8, '\0'));
    exr += attribute("screenWindowWidth", "float", Le(0x3F800000, 4));
    exr += '\0';
    return exr + std::string(static_cast<size_t>(height / 16) * 8, '\0');
}

long PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Files of five formats whose headers claim width × height pixels, and hold a few bytes more.
std::vector<std::pair<std::string, std::string>> LyingFiles(uint32_t width, uint32_t height) {
    const std::string w = std::to_string(width), h = std::to_string(height);
    const std::string bmpInfo = Le(40, 4) + Le(width, 4) + Le(height, 4) + Le(1, 2) + Le(24, 2) +
                                Le(0, 4) + Le(0, 4) + Le(2835, 4) + Le(2835, 4) + Le(0, 4) +
                                Le(0, 4);
    const std::string emptyZlib = std::string("\x78\x01\x01\x00\x00\xFF\xFF", 7) + Be32(1);
    return {
        {"lie.ppm", "P6\n" + w + " " + h + "\n255\n" + std::string(100, '\x80')},
        {"lie.hdr", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + h + " +X " + w + "\n" +
                        std::string(64, '\x02')},
        {"lie.bmp", "BM" + Le(54, 4) + Le(0, 4) + Le(54, 4) + bmpInfo + std::string(64, '\0')},
        {"lie.png",
         std::string("\x89PNG\r\n\x1A\n", 8) +
             PngChunk("IHDR", Be32(width) + Be32(height) + std::string("\x08\x02\0\0\0", 5)) +
             PngChunk("IDAT", emptyZlib) + PngChunk("IEND", "")},
        {"lie.exr", ExrHeader(static_cast<int32_t>(width), static_cast<int32_t>(height))},
    };
}

TEST_F(HostImages, HeadersClaimingMoreThanTheFileHoldsAreRefusedUnallocated) {
    // Small claims first, so that every format's reader is loaded before memory is watched.
    for (const auto& [name, bytes] : LyingFiles(16, 16)) {
        [[maybe_unused]] const TLibraryLeaks tolerated;
        EXPECT_EQ(hsImageRead(Write(name, bytes).c_str()), 0) << name;
    }
    // 16384 × 8192 pixels: over a gigabyte as floats, in a few hundred bytes.
    const long before = PeakResidentKilobytes();
    for (const auto& [name, bytes] : LyingFiles(16384, 8192)) {
        SCOPED_TRACE(name);
        const std::string path = Write(name, bytes);
        [[maybe_unused]] const TLibraryLeaks tolerated;
        EXPECT_EQ(hsTextureRead(path.c_str(), 3), 0);
        EXPECT_NE(LastImageReadFailure().find("claims 16384 x 8192 pixels"), std::string::npos)
            << LastImageReadFailure();
        EXPECT_EQ(hsBumpRead(path.c_str()), 0);
        EXPECT_EQ(hsImageRead(path.c_str()), 0);
    }
    EXPECT_LT(PeakResidentKilobytes() - before, 64 << 10);

    // A bitmap that honestly holds its 4800 × 4800 pixels would make a texture of 264 MiB.
    const std::string bitmap = Write("large.pbm", "P4\n4800 4800\n" + std::string(4800 * 600, 'U'));
    EXPECT_EQ(hsTextureRead(bitmap.c_str(), 3), 0);
    EXPECT_NE(LastImageReadFailure().find("more than the 256 MiB"), std::string::npos)
        << LastImageReadFailure();
    EXPECT_LT(PeakResidentKilobytes() - before, 64 << 10);
}

TEST_F(HostImages, WidePicturesArriveBandByBand) {
    // Rows of 40 000 pixels: eight rows to a band of decoded floats, then two.
    constexpr int kWidth = 40000, kHeight = 10;
    std::vector<uint16_t> samples;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            samples.insert(samples.end(),
                           {static_cast<uint16_t>(y * 25), static_cast<uint16_t>(x % 256),
                            static_cast<uint16_t>(255 - y)});
        }
    }
    const std::string path = Write("wide.png", Png(kWidth, kHeight, 2, 8, samples));
    const int32_t image = hsImageRead(path.c_str());
    ASSERT_NE(image, 0) << LastImageReadFailure();
    for (int y = 0; y < kHeight; ++y) {
        for (const int x : {0, 27777, kWidth - 1}) {
            const uint32_t expected = static_cast<uint32_t>(y * 25) |
                                      static_cast<uint32_t>(x % 256) << 8 |
                                      static_cast<uint32_t>(255 - y) << 16;
            EXPECT_EQ(hsImageGetPixel(image, x, y), expected) << x << ", " << y;
        }
    }
    hsImageDestroy(image);
}

// ---- Many threads -----------------------------------------------------------------------------

TEST_F(HostImages, DestroySeenByThreadsThatLookedUpBefore) {
    const int32_t image = hsImageRead(Write("rgb.png", Png(3, 2, 2, 8, kRgb)).c_str());
    ASSERT_NE(image, 0);
    std::atomic<int> stage{0};
    uint32_t before = 0, after = 1;
    std::thread reader([&] {
        before = hsImageGetPixel(image, 2, 0);  // now remembered by this thread
        stage = 1;
        while (stage.load() != 2) std::this_thread::yield();
        after = hsImageGetPixel(image, 2, 0);
    });
    while (stage.load() != 1) std::this_thread::yield();
    hsImageDestroy(image);
    stage = 2;
    reader.join();
    EXPECT_EQ(before, 0x00FF0000u);
    EXPECT_EQ(after, 0u);
}

TEST_F(HostImages, ConcurrentLookupsWhileOthersComeAndGo) {
    const std::string path = Write("rgb.png", Png(3, 2, 2, 8, kRgb));
    const int32_t shared = hsImageRead(path.c_str());
    ASSERT_NE(shared, 0);
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 6; ++t) {
        readers.emplace_back([&] {
            while (!done.load()) {
                for (int y = 0; y < 2; ++y) {
                    for (int x = 0; x < 3; ++x) {
                        if (hsImageGetPixel(shared, x, y) != kRgbPixels[y][x]) ++wrong;
                    }
                }
            }
        });
    }
    // Reads and destroys of other handles, and of handles being read, meanwhile.
    for (int i = 0; i < 40; ++i) {
        const int32_t other = hsImageRead(path.c_str());
        std::thread racer([other] {
            for (int k = 0; k < 200; ++k) (void)hsImageGetPixel(other, 1, 1);
        });
        hsImageDestroy(other);
        racer.join();
        if (hsImageGetWidth(other) != 0) ++wrong;
    }
    done = true;
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(wrong.load(), 0);
    hsImageDestroy(shared);
}

}  // namespace
}  // namespace vandrel::host

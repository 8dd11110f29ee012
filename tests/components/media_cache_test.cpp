#include "core/media/media_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "hostapi/hostapi.h"
#include "renderer/host/images.h"
#include "test_support.h"
#include "wav_bytes.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// ---- Host operations that record each call and pass it on to the stand-in host --------------

struct TCall {
    char op;        // 't', 'b', 'i' reads; 'T', 'B', 'I' destroys
    int32_t value;  // the mode of a texture read, the handle of a destroy
    bool operator==(const TCall&) const = default;
};

std::mutex callsMutex;
std::vector<TCall> calls;

void Record(char op, int32_t value) {
    std::lock_guard lock(callsMutex);
    calls.push_back({op, value});
}

std::vector<TCall> TakeCalls() {
    std::lock_guard lock(callsMutex);
    return std::exchange(calls, {});
}

const THostFileOperations kRecordingHost = {
    [](const char* path, int32_t mode) {
        Record('t', mode);
        return hsTextureRead(path, mode);
    },
    [](const char* path) {
        Record('b', 0);
        return hsBumpRead(path);
    },
    [](const char* path) {
        Record('i', 0);
        return hsImageRead(path);
    },
    [](int32_t h) {
        Record('T', h);
        hsTextureDestroy(h);
    },
    [](int32_t h) {
        Record('B', h);
        hsBumpDestroy(h);
    },
    [](int32_t h) {
        Record('I', h);
        hsImageDestroy(h);
    },
};

// A 16-bit mono WAV file with one sample, and a 2 × 1 binary PPM picture.
std::string OneSampleWav(int16_t sample) { return test::Wav(1, 8000, 16, test::Le(sample, 2)); }

const std::string kPicture = std::string("P6\n2 1\n255\n") + "\x10\x20\x30\x40\x50\x60";

class MediaCache : public ::testing::Test {
  protected:
    void SetUp() override {
        Write("picture.ppm", kPicture);
        Write("tone.wav", OneSampleWav(-16384));
        Write("noise.png", "this is not a picture");
        Write("noise.wav", "RIFF");
        TakeCalls();
    }
    void TearDown() override { cache_.ReleaseAll(); }
    void Write(const std::string& name, const std::string& bytes) { temp_.Write(name, bytes); }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    // The search path holds only the test's folder.
    TMediaHandle Open(const std::string& reference) {
        return cache_.Open(reference, TSearchPath({folder_.string() + "/"}));
    }

    const test::TempFolder temp_{"vandrel-media-"};
    const fs::path folder_ = temp_.path();
    TMediaCache cache_{kRecordingHost};
};

bool Alive(char kind, int32_t handle) {
    switch (kind) {
        case 'T':
            return host::FindImage(host::ImageKind::kTexture, handle) != nullptr;
        case 'B':
            return host::FindImage(host::ImageKind::kBump, handle) != nullptr;
        default:
            return hsImageGetWidth(handle) == 2;
    }
}

// ---- Host files -------------------------------------------------------------------------------

TEST_F(MediaCache, SameReferenceSharesOneHostHandle) {
    for (const char kind : {'T', 'B', 'I'}) {
        SCOPED_TRACE(kind);
        const char read = static_cast<char>(kind - 'A' + 'a');
        const std::string reference = std::string(1, kind) + ":" + Path("picture.ppm");
        const TMediaHandle first = Open(reference);
        const TMediaHandle second = Open(reference);
        ASSERT_NE(first.host, 0);
        EXPECT_EQ(first.audio, nullptr);
        EXPECT_EQ(second.host, first.host);
        EXPECT_EQ(cache_.HostHandleCount(), 1u);
        EXPECT_TRUE(Alive(kind, first.host));
        EXPECT_EQ(TakeCalls(), (std::vector<TCall>{{read, kind == 'T' ? 3 : 0}}));

        cache_.ReleaseAll();
        EXPECT_EQ(TakeCalls(), (std::vector<TCall>{{kind, first.host}}));
        EXPECT_FALSE(Alive(kind, first.host));
        EXPECT_EQ(cache_.HostHandleCount(), 0u);

        // After the release the file loads again, under a handle never given out before.
        const TMediaHandle again = Open(reference);
        EXPECT_NE(again.host, 0);
        EXPECT_NE(again.host, first.host);
        cache_.ReleaseAll();
        TakeCalls();
    }
}

TEST_F(MediaCache, KeyIsTheWholeReferenceText) {
    // Same file, three texts: three entries, each destroyed once by its own kind.
    const TMediaHandle full = Open("I:" + Path("picture.ppm"));
    const TMediaHandle bare = Open("I:picture.ppm");
    const TMediaHandle texture = Open("T:picture.ppm");
    ASSERT_NE(full.host, 0);
    ASSERT_NE(bare.host, 0);
    ASSERT_NE(texture.host, 0);
    EXPECT_NE(full.host, bare.host);
    EXPECT_EQ(cache_.HostHandleCount(), 3u);
    TakeCalls();

    cache_.ReleaseAll();
    std::vector<TCall> destroyed = TakeCalls();
    std::sort(destroyed.begin(), destroyed.end(),
              [](const TCall& a, const TCall& b) { return a.value < b.value; });
    EXPECT_EQ(destroyed,
              (std::vector<TCall>{{'I', full.host}, {'I', bare.host}, {'T', texture.host}}));
    EXPECT_EQ(hsImageGetWidth(full.host), 0);
    EXPECT_EQ(hsImageGetWidth(bare.host), 0);
}

TEST_F(MediaCache, NamesResolveAlongTheSearchPath) {
    const struct {
        const char* name;
        std::string reference;
    } cases[] = {
        {"bare file name", "I:picture.ppm"},
        {"folder that does not exist", "I:/no/such/folder/picture.ppm"},
        {"Windows path", "I:C:\\Textures\\picture.ppm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TMediaHandle handle = Open(c.reference);
        ASSERT_NE(handle.host, 0);
        EXPECT_EQ(hsImageGetWidth(handle.host), 2);
        EXPECT_EQ(hsImageGetPixel(handle.host, 1, 0), 0x00605040u);
    }
    // Without the folder on the search path the bare name finds nothing.
    cache_.ReleaseAll();
    EXPECT_TRUE(cache_.Open("I:picture.ppm", TSearchPath()).Empty());
}

TEST_F(MediaCache, OpenWithoutAPathUsesThePublishedOne) {
    const std::shared_ptr<const TSearchPath> previous = CurrentSearchPath();
    PublishSearchPath(TSearchPath({folder_.string()}));
    const TMediaHandle image = cache_.Open("I:picture.ppm");
    const TMediaHandle audio = cache_.Open("A:tone.wav");
    PublishSearchPath(*previous);
    EXPECT_NE(image.host, 0);
    EXPECT_NE(audio.audio, nullptr);
}

TEST_F(MediaCache, UnusableReferencesGiveNothing) {
    const struct {
        const char* name;
        std::string reference;
        std::vector<TCall> hostCalls;
    } cases[] = {
        {"empty", "", {}},
        {"kind letter only", "T", {}},
        {"no path", "T:", {}},
        {"unknown kind", "X:picture.ppm", {}},
        {"lower-case kind", "i:picture.ppm", {}},
        {"no kind", "picture.ppm", {}},
        {"missing texture", "T:missing.png", {}},
        {"missing bump map", "B:" + Path("missing.png"), {}},
        {"missing audio", "A:missing.wav", {}},
        {"undecodable image", "I:noise.png", {{'i', 0}}},
        {"undecodable texture", "T:noise.png", {{'t', 3}}},
        {"refused WAV file", "A:noise.wav", {}},
        {"NUL in the path", std::string("I:picture.ppm\0.png", 18), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Open(c.reference).Empty());
        EXPECT_EQ(TakeCalls(), c.hostCalls);
        // Failures are not cached: the next open tries again.
        EXPECT_TRUE(Open(c.reference).Empty());
        EXPECT_EQ(TakeCalls(), c.hostCalls);
    }
    EXPECT_EQ(cache_.HostHandleCount(), 0u);
    EXPECT_EQ(cache_.AudioRecordCount(), 0u);
}

// ---- Audio files ------------------------------------------------------------------------------

TEST_F(MediaCache, EveryAudioOpenGetsItsOwnRecord) {
    const TMediaHandle first = Open("A:tone.wav");
    const TMediaHandle second = Open("A:" + Path("tone.wav"));
    const TMediaHandle third = Open("A:tone.wav");
    ASSERT_NE(first.audio, nullptr);
    ASSERT_NE(second.audio, nullptr);
    ASSERT_NE(third.audio, nullptr);
    EXPECT_EQ(first.host, 0);
    EXPECT_NE(first.audio, second.audio);
    EXPECT_NE(first.audio, third.audio);
    EXPECT_EQ(cache_.AudioRecordCount(), 3u);
    EXPECT_EQ(cache_.HostHandleCount(), 0u);
    EXPECT_TRUE(TakeCalls().empty());

    // Each record reads through its own buffer: -16384 · 65536 / (2^31 - 1).
    const double expected = -16384.0 * 65536.0 / 2147483647.0;
    EXPECT_DOUBLE_EQ(first.audio->ReadSample(0), expected);
    EXPECT_EQ(second.audio->CachedBlock(), -2);
    EXPECT_DOUBLE_EQ(second.audio->ReadSample(0), expected);

    cache_.ReleaseAll();
    EXPECT_EQ(cache_.AudioRecordCount(), 0u);
}

TEST_F(MediaCache, RecordsOfOneFileShareItsDecodedData) {
    const TMediaHandle first = Open("A:tone.wav");
    const TMediaHandle second = Open("A:" + Path("tone.wav"));
    Write("other.wav", OneSampleWav(100));
    const TMediaHandle other = Open("A:other.wav");
    ASSERT_NE(first.audio, nullptr);
    ASSERT_NE(second.audio, nullptr);
    ASSERT_NE(other.audio, nullptr);
    EXPECT_EQ(&first.audio->Windows(), &second.audio->Windows());
    EXPECT_NE(&first.audio->Windows(), &other.audio->Windows());
    EXPECT_DOUBLE_EQ(other.audio->Windows().Peak(0, 0, 0), 100.0 * 65536.0 / 2147483647.0);
}

// ---- Many threads -----------------------------------------------------------------------------

TEST_F(MediaCache, ConcurrentOpensShareHostHandlesAndNotRecords) {
    constexpr int kThreads = 8, kOpens = 25;
    const std::string image = "I:" + Path("picture.ppm");
    std::vector<std::vector<TMediaHandle>> opened(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kOpens; ++i) {
                opened[t].push_back(Open(image));
                opened[t].push_back(Open("A:tone.wav"));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    std::set<int32_t> hostHandles;
    std::set<TAudioFile*> records;
    for (const auto& handles : opened) {
        for (const TMediaHandle& h : handles) {
            if (h.host != 0) hostHandles.insert(h.host);
            if (h.audio != nullptr) records.insert(h.audio);
        }
    }
    EXPECT_EQ(hostHandles.size(), 1u);
    EXPECT_EQ(records.size(), static_cast<size_t>(kThreads * kOpens));
    EXPECT_EQ(TakeCalls(), (std::vector<TCall>{{'i', 0}}));
    cache_.ReleaseAll();
    EXPECT_EQ(TakeCalls(), (std::vector<TCall>{{'I', *hostHandles.begin()}}));
}

}  // namespace
}  // namespace vandrel

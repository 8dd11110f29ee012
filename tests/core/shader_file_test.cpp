#include "core/shader_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/checksum.h"
#include "core/stream_sections.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// "ABC": S = 198, X = 0x40, R = 0x1AA6 (worked by hand from the register rule).
constexpr const char* kAbcCurrent = "00001BAC";
constexpr const char* kAbcOlder = "00000106";

TEST(Checksum, KnownAnswers) {
    const struct {
        std::string stream;
        uint32_t current, older;
    } cases[] = {
        {"", 0, 0},
        {"A", 0xC3, 0x82},       // 65 + 65 + 65
        {"AB", 0x41C8, 0x86},    // R = 0x4142
        {"ABC", 0x1BAC, 0x106},  // R = 0x4243 xor T[0x41] = 0x1AA6
        {"\xFF", 0x2FD, 0x1FE},  // bytes are unsigned
    };
    for (const auto& c : cases) {
        const TStreamChecksums sums = StreamChecksums(c.stream);
        EXPECT_EQ(sums.current, c.current) << c.stream;
        EXPECT_EQ(sums.older, c.older) << c.stream;
    }
    EXPECT_EQ(ChecksumLine("ABC"), kAbcCurrent);
}

TEST(Checksum, TableOfThePolynomial) {
    const auto& t = Crc16Table();
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1], 0x1021);
    EXPECT_EQ(t[0x40], 0x48C4);
    EXPECT_EQ(t[0x80], 0x9188);
    EXPECT_EQ(t[0xFF], 0x1EF0);
    // Shifting through a polynomial is linear.
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; b += 17) EXPECT_EQ(t[a ^ b], t[a] ^ t[b]) << a << " " << b;
    }
}

class ShaderFileTest : public ::testing::Test {
  protected:
    fs::path Write(const std::string& name, const std::string& text) {
        return temp.Write(name, text);
    }
    size_t EntryCount() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
    }

    const test::TempFolder temp{"vandrel-shader-"};
    const fs::path folder = temp.path();
};

TEST_F(ShaderFileTest, SavedFileHasTwoLines) {
    const fs::path path = folder / "abc.xrb";
    const TSaveResult saved = SaveShaderFile(path, "ABC");
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(test::FileBytes(path), std::string("ABC\n") + kAbcCurrent + "\n");
    EXPECT_EQ(EntryCount(), 1u);  // no temporary file is left behind
}

TEST_F(ShaderFileTest, SaveAndLoadKeepTheStream) {
    const std::string streams[] = {
        std::string(kDefaultStream),
        "XR0000##02D%%",
        "XR0001000100000F#0001000000000000%%0000#02D%%#FTTF#info&'Gfile#8001%T$H%%0000",
        std::string("\x80\xFF\x01 raw", 7),
    };
    for (const std::string& stream : streams) {
        const fs::path path = folder / "s.xrb";
        ASSERT_TRUE(SaveShaderFile(path, stream).ok);
        const TLoadedShader loaded = LoadShaderFile(path.string(), TSearchPath{});
        EXPECT_EQ(loaded.status, ShaderFileStatus::kCurrent);
        EXPECT_EQ(loaded.stream, stream);
        EXPECT_EQ(loaded.path, path);
    }
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ShaderFileTest, ChecksumLinesAndLineEnds) {
    const std::string fallback(kDefaultStream);
    const struct {
        std::string text;
        ShaderFileStatus status;
        std::string stream;
    } cases[] = {
        {std::string("ABC\n") + kAbcCurrent + "\n", ShaderFileStatus::kCurrent, "ABC"},
        {std::string("ABC\n") + kAbcOlder + "\n", ShaderFileStatus::kOlder, "ABC"},
        {std::string("ABC\r\n") + kAbcCurrent + "\r\n", ShaderFileStatus::kCurrent, "ABC"},
        {std::string("ABC\r\n") + kAbcCurrent, ShaderFileStatus::kCurrent, "ABC"},
        {std::string("ABC\n") + kAbcOlder, ShaderFileStatus::kOlder, "ABC"},
        {std::string("ABC\n") + kAbcCurrent + "\nmore\nlines", ShaderFileStatus::kCurrent, "ABC"},
        {"ABC\n00001BAD\n", ShaderFileStatus::kMismatch, fallback},
        {"ABC\n00001bac\n", ShaderFileStatus::kMismatch, fallback},  // hex is upper case
        {"ABC\n1BAC\n", ShaderFileStatus::kMismatch, fallback},
        {std::string("ABC\n") + kAbcCurrent + " \n", ShaderFileStatus::kMismatch, fallback},
        {"ABC\n", ShaderFileStatus::kMismatch, fallback},
        {"ABC", ShaderFileStatus::kMismatch, fallback},
        {"", ShaderFileStatus::kMismatch, fallback},
        {"\n00000000\n", ShaderFileStatus::kCurrent, ""},
    };
    for (const auto& c : cases) {
        const fs::path path = Write("c.xrb", c.text);
        const TLoadedShader loaded = LoadShaderFile(path.string(), TSearchPath{});
        EXPECT_EQ(loaded.status, c.status) << c.text;
        EXPECT_EQ(loaded.stream, c.stream) << c.text;
        EXPECT_EQ(ReadShaderText(c.text).stream, c.stream) << c.text;
    }
}

TEST_F(ShaderFileTest, EveryTruncationGivesADefinedResult) {
    const std::string full = std::string("ABC\r\n") + kAbcCurrent + "\r\n";
    const size_t complete = full.find(kAbcCurrent) + 8;
    for (size_t n = 0; n <= full.size(); ++n) {
        const TLoadedShader loaded = ReadShaderText(full.substr(0, n));
        if (n >= complete) {
            EXPECT_EQ(loaded.status, ShaderFileStatus::kCurrent) << n;
            EXPECT_EQ(loaded.stream, "ABC");
        } else {
            EXPECT_EQ(loaded.status, ShaderFileStatus::kMismatch) << n;
            EXPECT_EQ(loaded.stream, kDefaultStream);
        }
    }
}

TEST_F(ShaderFileTest, NamesResolveAlongTheSearchPath) {
    fs::create_directories(folder / "one");
    fs::create_directories(folder / "two");
    ASSERT_TRUE(SaveShaderFile(folder / "two" / "wood.xrb", "XRwood").ok);
    const TSearchPath path({(folder / "one").string(), (folder / "two").string()});

    for (const std::string name : {"wood.xrb", "/elsewhere/wood.xrb", "D:\\Shaders\\wood.xrb"}) {
        const TLoadedShader loaded = LoadShaderFile(name, path);
        EXPECT_EQ(loaded.status, ShaderFileStatus::kCurrent) << name;
        EXPECT_EQ(loaded.stream, "XRwood") << name;
        EXPECT_EQ(loaded.path, folder / "two" / "wood.xrb") << name;
    }
    const TLoadedShader missing = LoadShaderFile("stone.xrb", path);
    EXPECT_EQ(missing.status, ShaderFileStatus::kNotFound);
    EXPECT_EQ(missing.stream, kDefaultStream);
    EXPECT_TRUE(missing.path.empty());
    // An empty search path resolves complete names only.
    EXPECT_EQ(LoadShaderFile("wood.xrb", TSearchPath{}).status, ShaderFileStatus::kNotFound);
}

TEST_F(ShaderFileTest, LargeFilesLoadAndOversizedLinesDoNot) {
    std::string big = "XR";
    big.append(size_t{5} << 20, 'A');
    const fs::path path = Write(
        "big.xrb", big + "\r\n" + ChecksumLine(big) + "\r\n" + std::string(size_t{3} << 20, 'z'));
    const TLoadedShader loaded = LoadShaderFile(path.string(), TSearchPath{});
    EXPECT_EQ(loaded.status, ShaderFileStatus::kCurrent);
    EXPECT_EQ(loaded.stream.size(), big.size());

    // A stream line beyond the cap: a sparse file of zeros with no line break.
    const fs::path huge = folder / "huge.xrb";
    std::ofstream(huge).close();
    fs::resize_file(huge, kMaxStreamBytes + (size_t{8} << 20));
    const TLoadedShader refused = LoadShaderFile(huge.string(), TSearchPath{});
    EXPECT_EQ(refused.status, ShaderFileStatus::kTooLong);
    EXPECT_EQ(refused.stream, kDefaultStream);
    EXPECT_EQ(refused.path, huge);
}

TEST_F(ShaderFileTest, FailedSavesLeaveNothingHalfWritten) {
    const fs::path path = folder / "keep.xrb";
    ASSERT_TRUE(SaveShaderFile(path, "ABC").ok);
    const std::string before = test::FileBytes(path);

    const TSaveResult broken = SaveShaderFile(path, "XR\nsecond line");
    EXPECT_FALSE(broken.ok);
    EXPECT_FALSE(broken.error.empty());
    EXPECT_EQ(test::FileBytes(path), before);

    EXPECT_FALSE(SaveShaderFile(folder / "no" / "such" / "x.xrb", "ABC").ok);
    fs::create_directories(folder / "taken.xrb");
    const TSaveResult onFolder = SaveShaderFile(folder / "taken.xrb", "ABC");
    EXPECT_FALSE(onFolder.ok);
    EXPECT_FALSE(onFolder.error.empty());
    EXPECT_FALSE(SaveShaderFile(fs::path(), "ABC").ok);
    EXPECT_EQ(EntryCount(), 2u);  // keep.xrb and the folder; no temporary files

    ASSERT_TRUE(SaveShaderFile(path, "XRnew").ok);  // replaces the old file whole
    EXPECT_EQ(LoadShaderFile(path.string(), TSearchPath{}).stream, "XRnew");
}

TEST_F(ShaderFileTest, ProtectedMeansNoEditorSource) {
    ASSERT_TRUE(SaveShaderFile(folder / "locked.xrb", "XR0000##02D%%").ok);
    ASSERT_TRUE(SaveShaderFile(folder / "open.xrb", std::string(kDefaultStream)).ok);
    const TSearchPath path({folder.string()});
    EXPECT_TRUE(IsProtectedShader("locked.xrb", path));
    EXPECT_FALSE(IsProtectedShader("open.xrb", path));
    EXPECT_FALSE(IsProtectedShader("missing.xrb", path));  // the default stream has a source
    Write("bad.xrb", "XR0000##02D%%\n00000000\n");
    EXPECT_FALSE(IsProtectedShader("bad.xrb", path));  // wrong checksum: the default stream
}

}  // namespace
}  // namespace vandrel

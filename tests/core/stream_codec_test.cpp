#include "core/stream_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace vandrel {
namespace {

TEST(StreamCodec, FloatsAsTheirBitPatterns) {
    const struct {
        float value;
        const char* digits;
    } cases[] = {{1.0f, "3F800000"}, {0.5f, "3F000000"}, {-1.0f, "BF800000"}, {0.0f, "00000000"}};
    for (const auto& c : cases) {
        std::string out;
        AppendFloat(out, c.value);
        EXPECT_EQ(out, c.digits);
        TStreamReader in(c.digits);
        EXPECT_EQ(in.Float(), c.value) << c.digits;
        EXPECT_TRUE(in.AtEnd());
    }
}

TEST(StreamCodec, Signed16IsTwosComplement) {
    const struct {
        int32_t value;
        const char* digits;
    } cases[] = {{8, "0008"}, {-1, "FFFF"}, {-8, "FFF8"}, {-32768, "8000"}, {32767, "7FFF"}};
    for (const auto& c : cases) {
        std::string out;
        AppendSigned16(out, c.value);
        EXPECT_EQ(out, c.digits);
        TStreamReader in(c.digits);
        EXPECT_EQ(in.Signed16(), c.value) << c.digits;
    }
}

TEST(StreamCodec, WideValuesKeepTheirLowDigits) {
    std::string out;
    AppendHex(out, 0x12345, 4);
    AppendHex(out, 0xAB, 1);
    EXPECT_EQ(out, "2345B");
}

TEST(StreamCodec, NonHexCharactersReadAsZeroAndKeepTheFieldLength) {
    TStreamReader in("0a1G7F");
    EXPECT_EQ(in.Hex(4), 0x0010u);  // "a" and "G" count as 0
    EXPECT_EQ(in.Position(), 4u);
    EXPECT_EQ(in.Hex(2), 0x7Fu);
}

TEST(StreamCodec, TruncatedFieldsReadAsNothing) {
    TStreamReader floats("3F80");
    EXPECT_EQ(floats.Float(), std::nullopt);
    EXPECT_TRUE(floats.AtEnd());
    EXPECT_EQ(floats.Hex(1), std::nullopt);
    EXPECT_EQ(floats.Part(), std::nullopt);
    EXPECT_EQ(floats.Flag(), std::nullopt);

    TStreamReader signed16("FFF");
    EXPECT_EQ(signed16.Signed16(), std::nullopt);
}

TEST(StreamCodec, PartsAndFlags) {
    TStreamReader in("F02TFx");
    EXPECT_EQ(in.Part(), -1);
    EXPECT_EQ(in.Part(), 0);
    EXPECT_EQ(in.Part(), 2);
    EXPECT_EQ(in.Flag(), true);
    EXPECT_EQ(in.Flag(), false);
    EXPECT_EQ(in.Flag(), false);  // anything but "T"
    std::string out;
    AppendPart(out, -1);
    AppendPart(out, 1);
    AppendFlag(out, true);
    AppendFlag(out, false);
    EXPECT_EQ(out, "F1TF");
}

TEST(StreamCodec, EscapesBlankAndAmpersand) {
    EXPECT_EQ(EscapeText("a b&"), "a&'Gb&'M");
    EXPECT_EQ(UnescapeText("a&'Gb&'M"), "a b&");
    EXPECT_EQ(EscapeText("x;y"), "x;y");
    // 255 = 3 * 84 + 3: both characters are 39 + 3.
    EXPECT_EQ(EscapeText("\xFF"), "&**");
}

TEST(StreamCodec, EveryByteSurvivesEscaping) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const std::string escaped = EscapeText(all);
    for (const char c : std::string(" #$%|\n")) EXPECT_EQ(escaped.find(c), std::string::npos) << c;
    EXPECT_EQ(UnescapeText(escaped), all);
    // ' to z stay themselves; every other byte takes three characters.
    EXPECT_EQ(escaped.size(), 84u + 3u * 172u);
    EXPECT_EQ(EscapeText("'z&{"), "'z&'M&(N");
}

TEST(StreamCodec, CutShortEscapeIsDropped) {
    EXPECT_EQ(UnescapeText("ab&'"), "ab");
    EXPECT_EQ(UnescapeText("&"), "");
}

}  // namespace
}  // namespace vandrel

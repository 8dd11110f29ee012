#include "interface/interface_string.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "core/stream_codec.h"
#include "interface/interface_samples.h"

namespace vandrel {
namespace {

using test::kRichInterface;
using test::RichInterfaceData;

TEST(InterfaceString, KnownAnswerBothWays) {
    EXPECT_EQ(SerialiseInterfaceString(RichInterfaceData()), kRichInterface);
    const TInterfaceData parsed = ParseInterfaceString(kRichInterface);
    EXPECT_EQ(parsed, RichInterfaceData());
    EXPECT_EQ(parsed.Triggers[9]->PickerChoice(), kSystemPicker);
    EXPECT_EQ(parsed.Triggers[19]->DefaultItem(), 12);
}

TEST(InterfaceString, EnumerationHalves) {
    EXPECT_EQ(EnumerationItemList("a;b@x;y"), "a;b");
    EXPECT_EQ(EnumerationItemNames("a;b@x;y"), "x;y");
    EXPECT_EQ(EnumerationItemList("a;b"), "a;b");
    EXPECT_EQ(EnumerationItemNames("a;b"), "");
}

// Each input and what it reads as, written back: skipped entries vanish, defaults fill in.
TEST(InterfaceString, MalformedEntries) {
    const std::string zeros(24, '0');  // three floats 0
    const std::string num = "F" + zeros + "3F800000";
    const std::string ok = "0002$A$$" + num;
    const struct {
        std::string input;
        std::string expected;
    } rows[] = {
        {"", "02D%%"},
        {"0", "02D%%"},
        {"01", "01D%%"},
        {"00D%%", "01D%%"},
        {"FFO%%", "02O%%"},
        {"0GX(c)%%", "01D(c)%%"},  // "G" reads as 0; an unknown order letter as "D"
        {"02Dnote", "02Dnote%%"},
        {"02D%" + ok + "%", "02D%" + ok + "%"},
        {"02D%1402$A$$" + num + "%", "02D%%"},  // index 20
        {"02D%FF02$A$$" + num + "%", "02D%%"},
        {"02D%0000$A$$" + num + "%", "02D%%"},  // kinds outside 2, 3, 4, 6
        {"02D%0005$A$$" + num + "%", "02D%%"},
        {"02D%0007$A$$" + num + "%", "02D%%"},
        {"02D%0008$A$$" + num + "%", "02D%%"},
        {"02D%0002$A$" + num + "%", "02D%%"},  // missing "$"
        {"02D%002$A$$" + num + "%", "02D%%"},  // short head
        {"02D%0002$A$$F00000000%", "02D%%"},   // short floats
        {"02D%0003$A$$" + num + "%", "02D%%"},
        {"02D%0004$A$$" + zeros + "%", "02D%%"},  // no picker letter
        {"02D%0006$A$$1%", "02D%%"},
        {"02D%0006$A$$1Fjunk%", "02D%0006$A$$1F%"},
        {"02D%0002ZZ$A$$" + num + "XYZ%", "02D%" + ok + "%"},
        {"02D%0002$A$$i" + num.substr(1) + "%", "02D%" + ok + "%"},
        {"02D%0004$C$$" + zeros + "X%", "02D%0004$C$$" + zeros + "S%"},
        {"02D%0a02$A$$" + num + "%", "02D%" + ok + "%"},  // lower-case hex reads as 0
        {"02D%|" + ok + "||%", "02D%" + ok + "%"},
        {"02D%0002$A$$" + num + "|0002$B$$" + num + "%", "02D%0002$B$$" + num + "%"},
        {"02D%%0508T$L$x", "02D%%"},  // slot 5
        {"02D%%0008N$L$x", "02D%%"},
        {"02D%%0008t$L$x", "02D%%"},
        {"02D%%0008T$Lx", "02D%%"},
        {"02D%%008T$L$x", "02D%%"},
        {"02D%%0099T$L$x", "02D%%0008T$L$x"},        // kind digits are not checked
        {"02D%%0008T$L$a$b", "02D%%0008T$L$a&'Kb"},  // "$" (36) -> "&", 39 + 0, 39 + 36
        {"02D%%0008T$L$x%junk|1", "02D%%0008T$L$x"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SerialiseInterfaceString(ParseInterfaceString(row.input)), row.expected)
            << row.input;
    }
}

TEST(InterfaceString, FileTextStaysReadableAndSafe) {
    // Older strings keep a raw "&" in names; it is not an escape the writer would make.
    const TInterfaceData old = ParseInterfaceString("02D%%0008T$Rock & Roll$Rock&Roll.jpg");
    ASSERT_TRUE(old.Files[0]);
    EXPECT_EQ(old.Files[0]->Settings.Label, "Rock & Roll");
    EXPECT_EQ(old.Files[0]->Settings.DefaultFile, "Rock&Roll.jpg");

    TInterfaceData d;
    d.Files[3] = TFileEntry{'B', {"a|b%c", "x#y&'G\n.jpg"}};
    const std::string s = SerialiseInterfaceString(d);
    EXPECT_EQ(s.find_first_of("#\n"), std::string::npos);
    EXPECT_EQ(s.substr(s.find('$')).find_first_of("|%"), std::string::npos);
    EXPECT_EQ(ParseInterfaceString(s), d);
    // Control characters never reach the stored string raw.
    TInterfaceData e;
    e.Files[2] = TFileEntry{'T', {"unit\x1f", "plain.jpg"}};
    const std::string t = SerialiseInterfaceString(e);
    EXPECT_EQ(t.find('\x1f'), std::string::npos);
    EXPECT_EQ(ParseInterfaceString(t), e);
}

// Every prefix of a valid string reads as a prefix of its content: whole triggers, cut texts.
TEST(InterfaceString, TruncationAtEveryCharacter) {
    const std::string full = kRichInterface;
    const TInterfaceData whole = ParseInterfaceString(full);
    for (size_t n = 0; n <= full.size(); ++n) {
        const TInterfaceData d = ParseInterfaceString(std::string_view(full).substr(0, n));
        EXPECT_EQ(whole.Options.NoticeText.rfind(d.Options.NoticeText, 0), 0u) << n;
        for (size_t i = 0; i < d.Triggers.size(); ++i) {
            if (d.Triggers[i]) {
                EXPECT_EQ(d.Triggers[i], whole.Triggers[i]) << n;
            }
        }
        for (size_t s = 0; s < d.Files.size(); ++s) {
            if (!d.Files[s]) continue;
            ASSERT_TRUE(whole.Files[s]) << n;
            EXPECT_EQ(d.Files[s]->Type, whole.Files[s]->Type);
            EXPECT_EQ(d.Files[s]->Settings.Label, whole.Files[s]->Settings.Label) << n;
            EXPECT_EQ(
                whole.Files[s]->Settings.DefaultFile.rfind(d.Files[s]->Settings.DefaultFile, 0), 0u)
                << n;
        }
        EXPECT_EQ(ParseInterfaceString(SerialiseInterfaceString(d)), d) << n;
    }
}

float RandomFloat(std::mt19937& rng) {
    float f;
    do {
        f = std::bit_cast<float>(static_cast<uint32_t>(rng()));
    } while (std::isnan(f));
    return f;
}

std::string RandomBytes(std::mt19937& rng, size_t maxLength) {
    std::string s(rng() % (maxLength + 1), '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

TInterfaceData RandomData(std::mt19937& rng) {
    TInterfaceData d;
    d.Options = {static_cast<int32_t>(1 + rng() % 2), rng() % 2 ? 'O' : 'D',
                 EscapeText(RandomBytes(rng, 20))};
    const int32_t kinds[] = {kNumerical, kUV, kVector, kEnumeration};
    for (auto& slot : d.Triggers) {
        if (rng() % 2) continue;
        TTriggerSettings t;
        t.Kind = kinds[rng() % 4];
        t.Label = EscapeText(RandomBytes(rng, 12));
        t.SecondText = EscapeText(RandomBytes(rng, 12));
        const int floats = t.Kind == kNumerical ? 4 : t.Kind == kUV ? 8 : t.Kind == kVector ? 3 : 0;
        for (int i = 0; i < floats; ++i) t.Values[static_cast<size_t>(i)] = RandomFloat(rng);
        if (t.Kind == kNumerical) t.IsInteger = rng() % 2;
        if (t.Kind == kVector) t.SetPickerChoice(rng() % 2 ? kSystemPicker : kOwnPicker);
        if (t.Kind == kEnumeration) t.SetDefaultItem(static_cast<int32_t>(rng() % 256));
        slot = t;
    }
    const char types[] = {'A', 'T', 'I', 'B'};
    for (auto& slot : d.Files) {
        if (rng() % 2)
            slot = TFileEntry{types[rng() % 4], {RandomBytes(rng, 10), RandomBytes(rng, 10)}};
    }
    return d;
}

TEST(InterfaceString, RoundTripsOfRandomContent) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 500; ++i) {
        const TInterfaceData d = RandomData(rng);
        const std::string s = SerialiseInterfaceString(d);
        const TInterfaceData back = ParseInterfaceString(s);
        ASSERT_EQ(back, d) << s;
        ASSERT_EQ(SerialiseInterfaceString(back), s);
    }
}

// Arbitrary text reads without fault, and what it reads as is stable under writing it back.
TEST(InterfaceString, RandomBytesReachAFixedPoint) {
    std::mt19937 rng(7);
    const std::string alphabet = "0123456789ABCDEF$$$|||%%&'GIFWSTAN";
    for (int i = 0; i < 3000; ++i) {
        std::string s(rng() % 200, '\0');
        for (char& c : s) {
            c = rng() % 4 ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng() & 0xFF);
        }
        const TInterfaceData d = ParseInterfaceString(s);
        ASSERT_EQ(ParseInterfaceString(SerialiseInterfaceString(d)), d) << s;
    }
}

}  // namespace
}  // namespace vandrel

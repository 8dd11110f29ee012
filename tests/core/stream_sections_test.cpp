#include "core/stream_sections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/context.h"

namespace vandrel {
namespace {

TEST(StreamSections, DefaultStreamIsTheNewShader) {
    EXPECT_EQ(kDefaultStream,
              "XR0001000105V0F0002V2F000AV3F002BS00008FS00009F000F#000100080008LV0005SLV000DLV002ES"
              "000100000000SS%%0000#02D%%#TTTT");
    EXPECT_EQ(StreamSection(kDefaultStream, kTreeSection),
              "XR0001000105V0F0002V2F000AV3F002BS00008FS00009F000F");
    EXPECT_EQ(StreamSection(kDefaultStream, kEditorSourceSection),
              "000100080008LV0005SLV000DLV002ES000100000000SS%%0000");
    EXPECT_EQ(StreamSection(kDefaultStream, kInterfaceSection), "02D%%");
    EXPECT_EQ(StreamSection(kDefaultStream, kCategoriesSection), "TTTT");
    EXPECT_EQ(StreamSection(kDefaultStream, kInfoFileSection), "");
    EXPECT_EQ(StreamSection(kDefaultStream, kCustomSection), "");
}

TEST(StreamSections, SectionKIsBetweenTheKthAndNextHash) {
    const struct {
        const char* stream;
        int k;
        const char* expected;
    } cases[] = {
        {"", 0, ""},
        {"abc", 0, "abc"},
        {"abc", 1, ""},
        {"a#b", 1, "b"},
        {"a#b", 2, ""},
        {"#", 0, ""},
        {"#", 1, ""},
        {"a##c", 1, ""},
        {"a##c", 2, "c"},
        {"a#b#", 2, ""},
        {"a#b", -1, ""},
        {"0#1#2#3#4#5#6", 5, "5"},
        {"0#1#2#3#4#5#6", 6, "6"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StreamSection(c.stream, c.k), c.expected) << c.stream << " " << c.k;
    }
}

TEST(StreamSections, SplitAndJoinGiveTheStreamBack) {
    const std::string streams[] = {
        "",
        "#",
        "XR",
        "a#b##",
        std::string(kDefaultStream),
        "XR#l#i#TTFT#info#8001%x|8002%y",
        "0#1#2#3#4#5#6#7",
    };
    for (const std::string& stream : streams) {
        const auto sections = SplitSections(stream);
        ASSERT_FALSE(sections.empty());
        for (size_t k = 0; k < sections.size(); ++k) {
            EXPECT_EQ(sections[k], StreamSection(stream, static_cast<int>(k))) << stream;
        }
        EXPECT_EQ(JoinSections(sections), stream);
    }
    EXPECT_EQ(JoinSections({"XR", "src", "02D%%", "TTTT", "", ""}), "XR#src#02D%%#TTTT##");
}

TEST(StreamSections, CategoriesAreFlagsByOutputType) {
    const TCategories some = ParseCategories("FTTF");
    EXPECT_FALSE(some[kDisplacement]);
    EXPECT_TRUE(some[kTransparency]);
    EXPECT_TRUE(some[kColor]);
    EXPECT_FALSE(some[kReflectance]);
    EXPECT_EQ(WriteCategories(some), "FTTF");

    const TCategories all{true, true, true, true};
    const TCategories none{false, false, false, false};
    EXPECT_EQ(ParseCategories(""), all);        // missing section
    EXPECT_EQ(ParseCategories("FTF"), all);     // short section
    EXPECT_EQ(ParseCategories("tttt"), none);   // only "T" is true
    EXPECT_EQ(ParseCategories("FFFFT"), none);  // characters after the fourth are ignored
    EXPECT_EQ(WriteCategories(all), "TTTT");
    EXPECT_EQ(ParseCategories(StreamSection(kDefaultStream, kCategoriesSection)), all);
}

TEST(StreamSections, CustomItemsCarryTheirTypeIds) {
    const auto items = SplitCustomSection("8001%T$H%%0000|8A0F%x||12|abcd");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].typeId, 32769);
    EXPECT_EQ(items[0].text, "8001%T$H%%0000");
    EXPECT_EQ(items[1].typeId, 0x8A0F);
    EXPECT_EQ(items[1].text, "8A0F%x");
    EXPECT_EQ(items[2].typeId, 0);  // "abcd": lower-case digits read as 0
    EXPECT_TRUE(SplitCustomSection("").empty());
    EXPECT_EQ(JoinCustomSection(SplitCustomSection("8001%a|8002%b")), "8001%a|8002%b");
}

}  // namespace
}  // namespace vandrel

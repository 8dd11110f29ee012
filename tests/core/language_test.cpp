#include "core/language.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "core/catalogue.h"
#include "core/factory.h"

namespace vandrel {
namespace {

TEST(LanguageFile, MissingFileOrKeyGivesTheDefault) {
    TLanguageFile file;
    EXPECT_FALSE(file.Load("/nonexistent/Vandrel.lng"));
    EXPECT_EQ(file.Get("101", "Title", "Error"), "Error");
    file.Parse(
        "[101]\r\nTitle=Sine Function\r\n; a comment\r\nProp0 = Amplitude \r\nEmpty=\r\n"
        "broken line\n[unclosed\nTitle=hidden\n[202]\nTitle=Second\nTitle=Ignored\n");
    EXPECT_EQ(file.Get("101", "Title", "Error"), "Sine Function");
    EXPECT_EQ(file.Get("101", "title", "Error"), "Sine Function");  // keys ignore case
    EXPECT_EQ(file.Get("101", "Prop0", "Error"), "Amplitude");
    EXPECT_EQ(file.Get("101", "Empty", "Error"), "");
    EXPECT_EQ(file.Get("101", "Prop1", "Error"), "Error");
    EXPECT_EQ(file.Get("202", "Title", "Error"), "Second");  // the first occurrence wins
    EXPECT_EQ(file.Get("unclosed", "Title", "none"), "none");
    // Matching quotes are stripped and keep the blanks inside; a lone or mismatched one stays.
    file.Parse("[506]\nTitle=\" Crystallize (2D)\"\nA='x '\nB=\"x'\nC=\"\nD=a \"b\"\n");
    EXPECT_EQ(file.Get("506", "Title", ""), " Crystallize (2D)");
    EXPECT_EQ(file.Get("506", "A", ""), "x ");
    EXPECT_EQ(file.Get("506", "B", ""), "\"x'");
    EXPECT_EQ(file.Get("506", "C", ""), "\"");
    EXPECT_EQ(file.Get("506", "D", ""), "a \"b\"");
    EXPECT_TRUE(file.Has("101", "Prop0"));
    EXPECT_FALSE(file.Has("303", "Prop0"));
}

// The shipped language file and the catalogue match one to one: a complete section for every
// class, and no section for a type that does not exist (the root's is the only other one).
TEST(LanguageFile, ShippedFileCoversEveryClass) {
    const std::string path = std::string(VANDREL_SOURCE_DIR) + "/resources/Vandrel.lng";
    TLanguageFile file;
    ASSERT_TRUE(file.Load(path));
    std::set<int32_t> sections;
    std::ifstream text(path);
    for (std::string line; std::getline(text, line);) {
        if (line.size() > 2 && line.front() == '[') sections.insert(std::stoi(line.substr(1)));
    }
    std::set<int32_t> types = {1};
    for (const CatalogueRow& row : Catalogue()) types.insert(row.id);
    EXPECT_EQ(sections, types);
    for (const CatalogueRow& entry : Catalogue()) {
        auto component = entry.create();
        auto* table = dynamic_cast<TXRPropertyComponent*>(component.get());
        ASSERT_NE(table, nullptr) << entry.id;
        const std::string section = std::to_string(entry.id);
        ASSERT_TRUE(file.Has(section, "Title")) << entry.id;
        if (const CatalogueRow* row = FindCatalogueRow(entry.id)) {
            EXPECT_EQ(file.Get(section, "Title", ""), row->name) << entry.id;
        }
        int32_t p = 0;
        for (const PropertySpec& declared : table->Properties()) {
            const std::string n = std::to_string(p++);
            EXPECT_EQ(file.Get(section, "Prop" + n, ""), declared.name) << entry.id << " Prop" << n;
            EXPECT_FALSE(file.Get(section, "Hint" + n, "").empty()) << entry.id << " Hint" << n;
            if (declared.kind == kUV || declared.kind == kVector) {
                const std::string letters = file.Get(section, "Comp" + n, "");
                EXPECT_EQ(letters, declared.parts) << entry.id << " Comp" << n;
                EXPECT_EQ(letters.size(), static_cast<size_t>(FloatCount(declared.kind)));
            }
            if (declared.kind == kEnumeration) {
                EXPECT_FALSE(file.Get(section, "Enum" + n, "").empty()) << entry.id << " Enum" << n;
            }
        }
    }
}

}  // namespace
}  // namespace vandrel

#include "core/catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "core/factory.h"
#include "test_support.h"

namespace vandrel {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, separator)) items.push_back(item);
    return items;
}

TEST(Catalogue, ElevenGroupsOfTheStatedSizes) {
    const std::vector<size_t> sizes = {15, 10, 8, 12, 10, 15, 16, 14, 13, 11, 6};
    const auto idGroups = Split(CatalogueIdentifierText(), '|');
    const auto nameGroups = Split(CatalogueNameText(), '|');
    ASSERT_EQ(idGroups.size(), 11u);
    ASSERT_EQ(nameGroups.size(), 11u);
    size_t total = 0;
    for (size_t g = 0; g < 11; ++g) {
        EXPECT_EQ(Split(idGroups[g], ';').size(), sizes[g]) << CatalogueTabCaption(g);
        EXPECT_EQ(Split(nameGroups[g], ';').size(), sizes[g]) << CatalogueTabCaption(g);
        total += sizes[g];
    }
    EXPECT_EQ(total, 130u);
    EXPECT_EQ(Catalogue().size(), 130u);
    EXPECT_EQ(idGroups[0].substr(0, 12), "101;102;106;");
    EXPECT_EQ(nameGroups[10].substr(0, 15), "Simple Texture;");
}

TEST(Catalogue, RowsAreUniqueAndNamedExactly) {
    std::set<int32_t> ids;
    for (const CatalogueRow& row : Catalogue()) EXPECT_TRUE(ids.insert(row.id).second) << row.id;
    EXPECT_EQ(ids.count(0), 0u);
    EXPECT_EQ(ids.count(1), 0u);
    EXPECT_STREQ(FindCatalogueRow(506)->name, " Crystallize (2D)");
    EXPECT_STREQ(FindCatalogueRow(806)->name, "Specular \"Solid\" Illumination");
    EXPECT_EQ(FindCatalogueRow(601)->tab, 6);  // listed on Vectors/Colors, not UV
    EXPECT_EQ(FindCatalogueRow(601)->output, kVector);
    EXPECT_EQ(FindCatalogueRow(906), nullptr);
    EXPECT_EQ(CatalogueTabCaption(6), "Vectors/Colors");
    EXPECT_EQ(CatalogueTabCaption(11), "");
}

TEST(Catalogue, SignaturesParseWithWholeCountMarks) {
    const auto props = ParseSignature(FindCatalogueRow(413)->signature);
    ASSERT_EQ(props.size(), 12u);  // NNUUUNNUN#EN#N#
    EXPECT_EQ(props[2].kind, kUV);
    EXPECT_TRUE(props[8].whole);
    EXPECT_EQ(props[9].kind, kEnumeration);
    EXPECT_TRUE(props[11].whole);
    EXPECT_FALSE(props[7].whole);
    for (const CatalogueRow& row : Catalogue()) {
        EXPECT_LE(ParseSignature(row.signature).size(), 16u) << row.id;
    }
}

TEST(Catalogue, ConstantFoldableExceptHostReaders) {
    const std::set<int32_t> hostReaders = {801, 802, 803,  804,  805,  806,  807,  808,  811, 812,
                                           815, 816, 1008, 1101, 1102, 1103, 1104, 1105, 1106};
    for (const CatalogueRow& row : Catalogue()) {
        EXPECT_EQ(IsConstantFoldable(row.id), hostReaders.count(row.id) == 0) << row.id;
    }
    EXPECT_TRUE(IsConstantFoldable(1));
    EXPECT_TRUE(IsConstantFoldable(32769));
}

// Every class that exists matches its catalogue row.
TEST(Catalogue, ClassesConformToTheirSignatures) {
    int checked = 0;
    for (const CatalogueRow& row : Catalogue()) {
        if (FindBuiltinCreator(row.id) == nullptr) continue;
        auto component = CreateComponent(row.id);
        ASSERT_NE(component, nullptr) << row.id;
        const auto props = ParseSignature(row.signature);
        EXPECT_EQ(component->TypeId, row.id);
        EXPECT_EQ(component->OutputKind(), row.output) << row.id;
        EXPECT_NE(component->OutputAddress(), nullptr) << row.id;
        ASSERT_EQ(component->PropertyCount(), static_cast<int32_t>(props.size())) << row.id;
        for (size_t p = 0; p < props.size(); ++p) {
            const auto prop = static_cast<int32_t>(p);
            EXPECT_EQ(component->PropertyKind(prop), props[p].kind) << row.id << " prop " << p;
            EXPECT_EQ(component->IsIntegerProperty(prop), props[p].whole)
                << row.id << " prop " << p;
            const bool hasConstant = FloatCount(props[p].kind) > 0;
            EXPECT_EQ(component->ConstantAddress(prop) != nullptr, hasConstant) << row.id;
        }
        ++checked;
    }
    EXPECT_GE(checked, 2);
}

TEST(Catalogue, RootAndBlankAreBuiltIn) {
    auto root = CreateComponent(1);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->OutputKind(), kNone);
    EXPECT_EQ(root->OutputAddress(), nullptr);
    const auto props = ParseSignature("VNVVNEE");
    ASSERT_EQ(root->PropertyCount(), 7);
    for (int32_t p = 0; p < 7; ++p) EXPECT_EQ(root->PropertyKind(p), props[p].kind);
    auto blank = CreateComponent(0);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->PropertyCount(), 0);
    EXPECT_STREQ(blank->Section.data(), "0");
}

// Where a default output is stated, a fresh component evaluates to it.
TEST(Catalogue, FreshComponentsEvaluateToTheirDefaults) {
    const std::map<int32_t, std::vector<float>> defaults = {
        {101, {0.5f}},
        {701, {0.0f, 0.0f, 0.0f}},
    };
    for (const auto& [id, expected] : defaults) {
        if (FindBuiltinCreator(id) == nullptr) continue;
        auto component = CreateComponent(id);
        component->Evaluate(true);
        for (size_t k = 0; k < expected.size(); ++k) {
            EXPECT_FLOAT_EQ(component->OutputAddress()[k], expected[k]) << id << " part " << k;
        }
    }
}

TEST(Factory, UnknownIdIsReportedAndYieldsNothing) {
    test::RecordingMessages messages;
    EXPECT_EQ(CreateComponent(906), nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    const std::string& text = messages.shown[0];
    EXPECT_EQ(text.rfind("Trying to create a non-existing component (038A).\n", 0), 0u) << text;
    EXPECT_NE(text.find('@'), std::string::npos);  // the mail line names an address
    EXPECT_EQ(CreateComponent(0xABCD), nullptr);
    EXPECT_NE(messages.shown[1].find("(ABCD)"), std::string::npos);
}

TEST(Factory, UnknownIdsAskTheCustomTableFirst) {
    struct Customs final : TCustomComponentSource {
        std::unique_ptr<TXRComponent> CreateCustomComponent(int32_t typeId) override {
            asked.push_back(typeId);
            return typeId == 32769 ? std::make_unique<TXRComponent>() : nullptr;
        }
        std::vector<int32_t> asked;
    } customs;
    test::RecordingMessages messages;
    auto custom = CreateComponent(32769, &customs);
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->TypeId, 32769);
    EXPECT_STREQ(custom->Section.data(), "3276");
    EXPECT_EQ(CreateComponent(906, &customs), nullptr);
    EXPECT_EQ(CreateComponent(101, &customs)->TypeId, 101);  // built-ins never ask
    EXPECT_EQ(customs.asked, (std::vector<int32_t>{32769, 906}));
    EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
}  // namespace vandrel

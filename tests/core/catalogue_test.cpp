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

TEST(Catalogue, ElevenGroupsOfTheirSizes) {
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

// The signature of every catalogue type, "id:letters", as the shader files were written with: a
// class whose property table drifts from it would read stored streams wrongly.
constexpr const char* kSignatures =
    "101:NNNN 102:NNNNN 106:NNNENNENNNE 108:NNNNN 103:NNNNE 110:VNVNE 104:NNNNEN# "
    "111:VNVNEN# 112:NNNNN# 105:NNN 107:NNEN 109:NN 113:NNNNNNE 114:UUUUUNE 115:VVVVVNE "
    "203:NNUNU 201:NNNUE 206:VNVUE 202:NNNUEN# 207:VNVUEN# 204:NNNNNNNUN# 210:NNNNNNEUN# "
    "209:NNUUN# 205:NNUNUN# 208:NNUNUUN# 304:NNVNV 301:NNNVE 305:VNVVE 302:NNNVEN# "
    "306:VNVVEN# 303:NNNNNNNVN# 308:NNNNNNEVN# 307:NNVVN# 401:NNUNU 402:NNVNV 403:NNUNUNU "
    "404:NNVUVNV 406:NNUUNU 407:NNVVNV 408:NNNNNNUE 409:NNNNNNUE 410:NNN#NNNU 411:NNNUUNU "
    "412:NNUNNUE 413:NNUUUNNUN#EN#N# 501:VN 502:VVE 503:VVNE 508:VV 504:UNUE 505:VUVE "
    "506:NNUEN# 507:NNVEN# 509:UUEE 510:UUUUN#EEN#N# 801:N 802:N 803:NN 804:NN 805:NVVN "
    "806:NNN 807:NNN 808:NVVN 809:VV 817:VVVNN 810:VVN 811:VV 812:N 815:NNVNNE "
    "816:NNVNNVENNNNN 701:VV 702:VV 706:VV 709:VN 713:VVV 714:VVVN 703:VVEE 704:VV 705:V "
    "707:V 708:VE 601:VVNE 711:VNVN 710:VVE 715:VVVEE 712:VVE 602:UU 603:UU 606:UU 610:UN "
    "614:UUN 604:UUEE 605:U 607:U 609:U 608:UUNE 612:UNUN 611:UUE 615:UUUEE 613:UUE "
    "901:NN 902:NN 903:NN 904:NN 905:NN 909:NNNNNE 916:NNE 910:NE 911:NN 912:NNE 913:NNNE "
    "914:NNNN 915:NNE 1001:VE 1006:UE 1003:NEE 1002:NE 1009:VE 1010:UE 1011:VVNEV 1004:VE "
    "1005:N 1007:N 1008:E 1101:FE 1102:FEE 1103:FEN 1104:FEUUEVU 1105:FEUUEVEU "
    "1106:FNNEENN ";

TEST(Catalogue, EveryClassKeepsItsSignature) {
    std::map<int32_t, std::string> expected;
    std::stringstream in(kSignatures);
    std::string item;
    while (in >> item) {
        const size_t colon = item.find(':');
        expected[std::stoi(item.substr(0, colon))] = item.substr(colon + 1);
    }
    ASSERT_EQ(expected.size(), Catalogue().size());
    for (const CatalogueRow& row : Catalogue()) {
        EXPECT_EQ(SignatureText(row), expected[row.id]) << row.id << " " << row.className;
    }
    EXPECT_EQ(SignatureText(*FindCatalogueRow(413)), "NNUUUNNUN#EN#N#");
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

// Every class is what its row says: its type id, output and the properties of its table.
TEST(Catalogue, ClassesAreWhatTheirRowsSay) {
    for (const CatalogueRow& row : Catalogue()) {
        auto component = CreateComponent(row.id);
        ASSERT_NE(component, nullptr) << row.id;
        EXPECT_EQ(component->TypeId, row.id);
        EXPECT_EQ(component->OutputKind(), row.output) << row.id;
        EXPECT_NE(component->OutputAddress(), nullptr) << row.id;
        ASSERT_EQ(component->PropertyCount(), static_cast<int32_t>(row.properties.size()))
            << row.id;
        for (size_t p = 0; p < row.properties.size(); ++p) {
            const auto prop = static_cast<int32_t>(p);
            EXPECT_EQ(component->PropertyKind(prop), row.properties[p].kind) << row.id << " " << p;
            EXPECT_EQ(component->IsIntegerProperty(prop), row.properties[p].whole) << row.id;
            const bool hasConstant = FloatCount(row.properties[p].kind) > 0;
            EXPECT_EQ(component->ConstantAddress(prop) != nullptr, hasConstant) << row.id;
        }
    }
}

TEST(Catalogue, RootAndBlankAreBuiltIn) {
    auto root = CreateComponent(1);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->OutputKind(), kNone);
    EXPECT_EQ(root->OutputAddress(), nullptr);
    const ValueKind kinds[] = {kVector,    kNumerical,   kVector,     kVector,
                               kNumerical, kEnumeration, kEnumeration};
    ASSERT_EQ(root->PropertyCount(), 7);
    for (int32_t p = 0; p < 7; ++p) EXPECT_EQ(root->PropertyKind(p), kinds[p]);
    auto blank = CreateComponent(0);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->PropertyCount(), 0);
    EXPECT_STREQ(blank->Section.data(), "0");
}

// Fresh components with known default outputs evaluate to them.
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

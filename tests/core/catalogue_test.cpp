#include "core/catalogue.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// The defaults of every class, "id:" and the properties separated by "/", the parts by ",": a
// stored shader holds only the values that differ from them, so a changed default changes every
// shader that kept it.
constexpr const char* kDefaults =
    "101:1/1/0.5/0 102:1/0/0.5/0.5/0.5 106:1/0/0.5/0/0/0.5/0/0/0/0/0 108:1/0/1/0/0.5 "
    "103:1/1/0/0/0 110:1,1,1/1/0,0,0/0/0 104:1/1/0/0/0/3 111:1,1,1/1/0,0,0/0/0/3 "
    "112:1/0/1/0/1234 105:0/1/0.5 107:1/0/0/0.5 109:0.25/0 113:0/0/0/0/0/0/0 "
    "114:0,0/0,0/0,0/0,0/0,0/0/0 115:0,0,0/0,0,0/0,0,0/0,0,0/0,0,0/0/0 203:1/0/0,0/0.5/0,0 "
    "201:1/1/0/0,0/0 206:1,1,1/1/0,0,0/0,0/0 202:1/1/0/0,0/0/3 207:1,1,1/1/0,0,0/0,0/0/3 "
    "204:1/1/0/1/1/0/0/0,0/1234 210:1/1/0/1/0.5/0/0/0,0/1234 209:1/0/1,1/0,0/1234 "
    "205:1/0/0,0/1/0,0/50 208:1/0/0,0/1/0,0/0,0/50 304:1/0/0,0,0/0.5/0,0,0 301:1/1/0/0,0,0/0 "
    "305:1,1,1/1/0,0,0/0,0,0/0 302:1/1/0/0,0,0/0/3 306:1,1,1/1/0,0,0/0,0,0/0/3 "
    "303:1/1/0/1/1/0/0/0,0,0/1234 308:1/1/0/1/0.5/0/0/0,0,0/1234 307:1/0/1,1,1/0,0,0/1234 "
    "401:0/1/0.25,0.25/0/0,0 402:0/1/0.25,0.25,0.25/0/0,0,0 "
    "403:0/1/0.25,0.25/0.5/0.00999999978,0.00999999978/0/0,0 "
    "404:0/1/0.25,0.25,0.25/0.5,0.5/0.00999999978,0.00999999978,0.00999999978/0/0,0,0 "
    "406:0/1/0.25,0.25/1,1/0/0,0 407:0/1/0.400000006,0.400000006,0.400000006/1,1,1/0/0,0,0 "
    "408:0/1/0.200000003/0.5/0/0/0,0/0 409:0/1/0.200000003/0.5/0/0/0,0/0 "
    "410:0/1/6/0.5/0/0/0,0 411:1/0.5/0/0.25,0.25/0.5,0.5/0/0,0 "
    "412:0/1/1,1/0.100000001/0/0,0/0 413:0/1/1,1/1,1/1,1/0.100000001/0/0,0/3/0/1/1234 "
    "501:0,0,0/0.100000001 502:0,0,0/0,0,0/0 503:0,0,0/0,0,0/0.5/0 "
    "508:0,0,0/2.20000005,2.20000005,2.20000005 504:0.25,0.25/0.5/0,0/0 "
    "505:0.25,0.25,0.25/0.5,0.5/0,0,0/0 506:1/1/0,0/0/1234 507:1/1/0,0,0/0/1234 "
    "509:1,1/0,0/0/0 510:1,1/1,1/1,1/0,0/3/0/0/1/1234 801:0.100000001 802:0.899999976 "
    "803:0.100000001/0 804:0.100000001/0 805:0.100000001/0,0,0/0,0,0/0 806:0.100000001/1.5/0 "
    "807:0.100000001/1.5/0 808:0.200000003/0,0,0/0,0,0/0 809:0,0,0/0,0,0 "
    "817:0,0,0/0,0,0/0,0,0/0.25/0.150000006 810:0,0,0/0,0,0/1.5 811:1,1,1/0,0,0 812:1 "
    "815:0.100000001/0.899999976/1,1,1/0.100000001/0/0 "
    "816:0.100000001/0.899999976/1,1,1/0.100000001/0/1,1,1/0/0/0/0/0/1.5 701:0,0,0/0,0,0 "
    "702:0,0,0/0,0,0 706:0,0,0/0,0,0 709:0,0,0/1 713:0,0,0/0,0,0/0,0,0 "
    "714:0,0,0/0,0,0/0,0,1/0 703:0,0,0/0,0,0/0/0 704:0,0,0/0,0,0 705:0,0,0 707:0,0,0 "
    "708:0,0,0/0 601:0,0,0/0,0,0/0.5/0 711:0,0,0/0.5/0,0,0/0.5 710:0,0,0/0,0,0/0 "
    "715:0,0,0/0,0,0/0,0,0/0/0 712:0,0,0/0,0,0/0 602:0,0/0,0 603:0,0/0,0 606:0,0/0,0 "
    "610:0,0/1 614:0,0/0,0/0 604:0,0/0,0/0/0 605:0,0 607:0,0 609:0,0 608:0,0/0,0/0.5/0 "
    "612:0,0/0.5/0,0/0.5 611:0,0/0,0/0 615:0,0/0,0/0,0/0/0 613:0,0/0,0/0 901:1/1 902:1/1 "
    "903:1/1 904:1/1 905:1/1 909:1/1/0/1/0/0 916:1/1/0 910:0/0 911:1/1 912:1/1/0 "
    "913:0/1/0.5/0 914:1/0.5/1/0.5 915:0/0/0 1001:0,0,0/0 1006:0,0/0 1003:0/0/0 1002:0/0 "
    "1009:0,0,0/0 1010:0,0/0 1011:1,0,0/0,0,1/1/0/0,0,0 1004:0,0,0/0 1005:6.5 "
    "1007:5.80000019 1008:0 1101:-1/0 1102:-1/0/0 1103:-1/0/1 1104:-1/1/1,1/0,0/0/0,0,0/0,0 "
    "1105:-1/1/1,1/0,0/0/0,0,0/0/0,0 1106:-1/1/0.5/2/0/0/0 ";

std::string DefaultsText(TXRComponent& c) {
    std::string text;
    for (int32_t p = 0; p < c.PropertyCount(); ++p) {
        if (p > 0) text += '/';
        const int32_t kind = c.PropertyKind(p);
        if (kind == kEnumeration || kind == kFile) {
            text += std::to_string(c.GetEnumValue(p));
            continue;
        }
        for (int k = 0; k < FloatCount(kind); ++k) {
            char number[32];
            std::snprintf(number, sizeof number, "%.9g", c.ConstantAddress(p)[k]);
            text += (k > 0 ? "," : "") + std::string(number);
        }
    }
    return text;
}

TEST(Catalogue, EveryClassKeepsItsDefaults) {
    std::map<int32_t, std::string> expected;
    std::stringstream in(kDefaults);
    std::string item;
    while (in >> item) {
        const size_t colon = item.find(':');
        expected[std::stoi(item.substr(0, colon))] = item.substr(colon + 1);
    }
    std::string all;
    for (const CatalogueRow& row : Catalogue()) {
        auto c = CreateComponent(row.id);
        ASSERT_NE(c, nullptr) << row.id;
        const std::string got = DefaultsText(*c);
        all += std::to_string(row.id) + ":" + got + " ";
        EXPECT_EQ(got, expected[row.id]) << row.id << " " << row.className;
    }
    EXPECT_EQ(expected.size(), Catalogue().size()) << all;
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

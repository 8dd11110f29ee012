// Custom components: definitions read and written, type ids given out per shader, component
// files, evaluation inside a shader tree, and definitions that must be refused.
#include "components/custom/custom_components.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "core/context.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "renderer/host/host_state.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// Tint · (Amount + Mode): an Add (901) of triggers 1 and 2, then a 3D Vector Scale (709) of
// trigger 3 by that sum.
const std::string kMixedInner = "0002038502V0F0041V1F0042001F02C502V0F0043S00001F001F";
const std::string kMixed =
    "Tinted$Tint&'Gtimes&'Gamount%"
    "Amount^How&'Gmuch^02^I^40400000$"
    "Mode^Added&'Gstep^06^Off;Low;High^0001$"
    "Tint^Base&'Gcolour^04^RGB^3F0000003E8000003F800000%" +
    kMixedInner;

// No properties: a Sine (101) of World.X, 0.5 sin(2 pi x) + 0.5.
const std::string kWaveInner = "0001006501V3F0037001F";
const std::string kWave = "Wave$Sine&'Gof&'GWorld.X%%" + kWaveInner;

// The custom component of a table holding `definition` as type 8001.
struct Loaded {
    explicit Loaded(const std::string& definition) {
        tree.Context = &record;
        tree.SetCustomTable("8001%" + definition);
        component = tree.CreateCustomComponent(0x8001);
        custom = dynamic_cast<TXRCCustom*>(component.get());
        if (custom != nullptr) custom->Bind(&record, nullptr);
    }
    TThreadRecord record;
    TXRTree tree;
    std::unique_ptr<TXRComponent> component;
    TXRCCustom* custom = nullptr;
};

std::array<float, 3> Out3(TXRComponent& c) {
    const float* out = c.OutputAddress();
    return {out[0], out[1], out[2]};
}

float* Trigger(TThreadRecord* record, int n) {
    return VariableAddress(record, kVarTrigger1 + n - 1);
}

TEST(CustomComponent, TextsKindsAndDefaultsComeFromTheDefinition) {
    Loaded c(kMixed);
    ASSERT_NE(c.custom, nullptr);
    TXRComponent& x = *c.custom;
    EXPECT_EQ(x.PropertyCount(), 3);
    EXPECT_EQ(x.OutputKind(), kVector);
    EXPECT_EQ(x.GetTitle(), "Tinted");
    EXPECT_EQ(x.GetTitleHint(), "Tint times amount");
    EXPECT_EQ(x.FileKind(), ' ');
    const struct {
        const char* name;
        const char* hint;
        int32_t kind;
        bool whole;
        const char* extra;
    } expected[] = {
        {"Amount", "How much", kNumerical, true, "I"},
        {"Mode", "Added step", kEnumeration, false, "Off;Low;High"},
        {"Tint", "Base colour", kVector, false, "RGB"},
    };
    for (int32_t p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(x.GetPropertyName(p), expected[p].name);
        EXPECT_EQ(x.GetPropertyHint(p), expected[p].hint);
        EXPECT_EQ(x.PropertyKind(p), expected[p].kind);
        EXPECT_EQ(x.IsIntegerProperty(p), expected[p].whole);
        EXPECT_EQ(x.GetPartLetters(p), expected[p].extra);
    }
    EXPECT_EQ(x.GetEnumItems(1), "Off;Low;High");
    EXPECT_EQ(x.ConstantAddress(0)[0], 3.0f);
    EXPECT_EQ(x.GetEnumValue(1), 1);
    EXPECT_EQ(
        (std::array{x.ConstantAddress(2)[0], x.ConstantAddress(2)[1], x.ConstantAddress(2)[2]}),
        (std::array{0.5f, 0.25f, 1.0f}));
    // Beyond the descriptors nothing answers and nothing is written.
    EXPECT_EQ(x.PropertyKind(3), kUndefined);
    EXPECT_EQ(x.ConstantAddress(3), nullptr);
    EXPECT_EQ(x.InputAddress(3, 0), nullptr);
    EXPECT_EQ(x.GetPropertyName(-1), "Error");
    x.Connect(3, -1, Trigger(&c.record, 1));
    x.SetConstant(16, 0, 9.0f);

    // Defaults: (0.5, 0.25, 1) · (3 + 1).
    x.Evaluate(true);
    EXPECT_EQ(Out3(x), (std::array{2.0f, 1.0f, 4.0f}));
}

TEST(CustomComponent, WithoutPropertiesItsOutputIsTheInnerResultOfTheOuterShadingBlock) {
    Loaded c(kWave);
    ASSERT_NE(c.custom, nullptr);
    EXPECT_EQ(c.custom->PropertyCount(), 0);
    EXPECT_EQ(c.custom->OutputKind(), kNumerical);
    EXPECT_EQ(c.custom->GetEnumItems(0), "Error");
    EXPECT_FALSE(c.custom->DependsOnPropertiesOnly());
    // 0.5 sin(2 pi x) + 0.5 at x = 0.25, 1/12 and 0.5.
    for (const auto& [x, expected] : {std::pair{0.25f, 1.0}, {1.0f / 12, 0.75}, {0.5f, 0.5}}) {
        VariableAddress(&c.record, kVarWorld)[0] = x;
        c.custom->Evaluate(true);
        EXPECT_NEAR(c.custom->OutputAddress()[0], expected, 1e-6) << x;
    }
    // The output is the inner result component's own, read in place.
    EXPECT_EQ(c.custom->OutputAddress(),
              c.custom->InnerTree->Entries.back()->Component->OutputAddress());
}

TEST(CustomComponent, VectorPropertyFeedsItsTriggerWholeOrPartByPart) {
    Loaded c(kMixed);
    ASSERT_NE(c.custom, nullptr);
    TXRComponent& x = *c.custom;
    float colour[3] = {0.1f, 0.2f, 0.3f};
    x.Connect(2, kWholeProperty, colour);
    x.Evaluate(true);
    const float* inner = Trigger(c.custom->InnerContext.get(), 3);
    EXPECT_EQ((std::array{inner[0], inner[1], inner[2]}), (std::array{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(Out3(x), (std::array{static_cast<float>(0.1f * 4.0), static_cast<float>(0.2f * 4.0),
                                   static_cast<float>(0.3f * 4.0)}));

    float r = 1.0f, g = -2.0f, b = 0.5f;
    x.Connect(2, 0, &r);
    x.Connect(2, 1, &g);
    x.Connect(2, 2, &b);
    EXPECT_EQ(x.InputAddress(2, 1), &g);
    x.Evaluate(true);
    EXPECT_EQ(Out3(x), (std::array{4.0f, -8.0f, 2.0f}));

    // A null source as a whole returns every part to its constant.
    x.Connect(2, kWholeProperty, nullptr);
    x.SetConstant(2, 1, 0.75f);
    x.Evaluate(true);
    EXPECT_EQ(Out3(x), (std::array{2.0f, 3.0f, 4.0f}));
    // A constant for the whole property sets every part, as in every other component.
    x.SetConstant(2, kWholeProperty, 0.25f);
    x.Evaluate(true);
    EXPECT_EQ(Out3(x), (std::array{1.0f, 1.0f, 1.0f}));
}

TEST(CustomComponent, EnumerationPassesItsValueAsAFloat) {
    Loaded c(kMixed);
    ASSERT_NE(c.custom, nullptr);
    TXRComponent& x = *c.custom;
    x.SetEnumValue(1, 2);
    EXPECT_EQ(x.GetEnumValue(1), 2);
    x.Evaluate(true);
    EXPECT_EQ(Trigger(c.custom->InnerContext.get(), 2)[0], 2.0f);
    EXPECT_EQ(Out3(x), (std::array{2.5f, 1.25f, 5.0f}));  // (0.5, 0.25, 1) · (3 + 2)

    // Fed from an outer trigger, the float read is passed on unrounded.
    Trigger(&c.record, 7)[0] = 0.5f;
    x.Connect(1, kWholeProperty, Trigger(&c.record, 7));
    x.Evaluate(true);
    EXPECT_EQ(Out3(x), (std::array{1.75f, 0.875f, 3.5f}));  // · 3.5
    EXPECT_EQ(x.GetEnumValue(1), 2);
    // Disconnected, it reads its own value again; a constant is no enumeration value.
    x.Connect(1, kWholeProperty, nullptr);
    EXPECT_EQ(x.InputAddress(1, kWholeProperty), nullptr);
    x.SetConstant(1, kWholeProperty, 2.5f);
    EXPECT_EQ(x.GetEnumValue(1), 2);
    x.Evaluate(true);
    EXPECT_EQ(Out3(x), (std::array{2.5f, 1.25f, 5.0f}));
}

TEST(CustomComponent, InnerRecordReadsTheAnimationWhenCreatedAndIsLinkedToTheOuterTree) {
    host::SetAnimation({12.0f, 2.0f, 48.0f, 24.0f});
    Loaded c(kWave);
    host::SetAnimation({});
    ASSERT_NE(c.custom, nullptr);
    const auto& vars = c.custom->InnerContext->Variables;
    EXPECT_EQ((std::array{vars[kFrameIndex], vars[kStartFrameIndex], vars[kEndFrameIndex],
                          vars[kFrameRateIndex]}),
              (std::array{12.0f, 2.0f, 48.0f, 24.0f}));
    EXPECT_EQ(c.custom->InnerTree->LinkedTree, &c.tree);
    EXPECT_EQ(c.custom->InnerTree->Context, c.custom->InnerContext.get());
    EXPECT_EQ(c.custom->InnerTree->Instance, c.custom->InnerInstance.get());
    EXPECT_EQ(c.custom->InnerStream, "XR" + kWaveInner);
}

TEST(CustomDefinition, WritesTheTextItReads) {
    TCustomDefinitionParts parts;
    parts.Title = "Tinted";
    parts.Hint = "Tint times amount";
    parts.Properties = {
        {"Amount", "How much", kNumerical, true, "", {}, {3.0f, 0, 0}},
        {"Mode", "Added step", kEnumeration, false, "", {"Off", "Low", "High"}, {1.0f, 0, 0}},
        {"Tint", "Base colour", kVector, false, "RGB", {}, {0.5f, 0.25f, 1.0f}},
    };
    parts.InnerTree = kMixedInner;
    EXPECT_EQ(FormatCustomDefinition(parts), kMixed);
    EXPECT_EQ(ParseCustomDefinition(kMixed), parts);
    EXPECT_EQ(MakeCustomDefinition(parts), kMixed);
}

TEST(CustomDefinition, SeparatorsInsideTextSurviveTheRoundTrip) {
    // "^" (94) and ";" (59) are escaped besides the stream's own escapes; the byte 223 escapes to
    // "&)^", whose "^" must not end its field.
    TCustomDefinitionParts parts;
    parts.Title = "T\xDF";
    parts.Properties = {{"a^b", "x;y", kEnumeration, false, "", {"one;two", "\xDF"}, {}}};
    parts.InnerTree = kWaveInner;
    const std::string text = "T&)^$%a&(1b^x&'by^06^one&'btwo;&)^^0000%" + kWaveInner;
    EXPECT_EQ(FormatCustomDefinition(parts), text);
    EXPECT_EQ(ParseCustomDefinition(text), parts);
}

TEST(CustomDefinition, SixteenPropertiesAreTheMost) {
    std::string sixteen;
    for (int i = 0; i < 16; ++i) sixteen += (i > 0 ? "$" : "") + std::string("N^H^02^^00000000");
    Loaded c("W$H%" + sixteen + "%" + kWaveInner);
    ASSERT_NE(c.custom, nullptr);
    EXPECT_EQ(c.custom->PropertyCount(), 16);  // seventeen: one of the malformed definitions
}

struct BadDefinition {
    const char* name;
    std::string text;
    CustomDefinitionError error;
};

std::string OneProperty(const std::string& descriptor) {
    return "W$H%" + descriptor + "%" + kWaveInner;
}

std::vector<BadDefinition> BadDefinitions() {
    using E = CustomDefinitionError;
    std::string seventeen = "N^H^02^^00000000";
    for (int i = 1; i < 17; ++i) seventeen += "$N^H^02^^00000000";
    return {
        {"no piece separators", "Wave$Hint", E::kMalformed},
        {"title without hint", "Wave%%" + kWaveInner, E::kMalformed},
        {"tree piece missing", "Wave$Hint%" + kWaveInner, E::kMalformed},
        {"a fourth piece", "Wave$Hint%%" + kWaveInner + "%", E::kMalformed},
        {"four sub-fields", OneProperty("N^H^02^00000000"), E::kMalformed},
        {"six sub-fields", OneProperty("N^H^02^I^00000000^"), E::kMalformed},
        {"empty descriptor", OneProperty("N^H^02^^00000000$"), E::kMalformed},
        {"kind 5", OneProperty("N^H^05^^00000000"), E::kMalformed},
        {"kind trigger", OneProperty("N^H^07^^00000000"), E::kMalformed},
        {"kind file", OneProperty("N^H^08^^0000"), E::kMalformed},
        {"kind none", OneProperty("N^H^00^^"), E::kMalformed},
        {"kind one digit", OneProperty("N^H^2^^00000000"), E::kMalformed},
        {"kind not hex", OneProperty("N^H^0x^^00000000"), E::kMalformed},
        {"numerical default cut short", OneProperty("N^H^02^^3F80000"), E::kMalformed},
        {"vector default of two floats", OneProperty("V^H^04^XYZ^3F8000003F800000"), E::kMalformed},
        {"uv default not hex", OneProperty("U^H^03^UV^3F800000000g0000"), E::kMalformed},
        {"enumeration default cut short", OneProperty("E^H^06^a;b^001"), E::kMalformed},
        {"inner tree empty", "W$H%%", E::kMalformed},
        {"inner tree without components", "W$H%%0000", E::kMalformed},
        {"inner tree cut inside an instruction", "W$H%%0001006501V3F00", E::kMalformed},
        {"inner tree shorter than its count", "W$H%%0002006501V3F0037001F", E::kMalformed},
        {"stream section separator", "W$H%%" + kWaveInner + "#", E::kMalformed},
        {"custom item separator", "W$H%%" + kWaveInner + "|8002%W$H%%" + kWaveInner, E::kMalformed},
        {"line break", "W$H%%" + kWaveInner + "\n", E::kMalformed},
        {"seventeen properties", "W$H%" + seventeen + "%" + kWaveInner, E::kTooManyProperties},
        {"another custom inside", "W$H%%0001800200001F", E::kNotAllowedInside},
        {"itself inside", "W$H%%0001800100001F", E::kNotAllowedInside},
        {"custom after a sine", "W$H%%0002006500001F800200001F", E::kNotAllowedInside},
        {"file-based inside", "W$H%%0001044D00001F", E::kNotAllowedInside},
        {"unknown built-in inside", "W$H%%0001038A00001F", E::kNotAllowedInside},
    };
}

TEST(CustomDefinition, MalformedDefinitionsAreRefusedWithTheirReason) {
    for (const BadDefinition& bad : BadDefinitions()) {
        CustomDefinitionError error = CustomDefinitionError::kNone;
        EXPECT_FALSE(ParseCustomDefinition(bad.text, &error)) << bad.name;
        EXPECT_EQ(error, bad.error) << bad.name;
    }
}

TEST(CustomDefinition, MalformedDefinitionInAShaderStreamBuildsNothing) {
    for (const BadDefinition& bad : BadDefinitions()) {
        // "#" and "|" cannot reach a definition through a stream: they split it there.
        if (bad.text.find_first_of("#|") != std::string::npos) continue;
        SCOPED_TRACE(bad.name);
        test::RecordingMessages messages;
        TThreadRecord record;
        TXRTree tree;
        tree.Context = &record;
        // The custom component, then a root whose Alpha reads it; 8002 is a usable definition,
        // so that nesting names a component that exists.
        const std::string stream = std::string(
                                       "XR0002"
                                       "8001"
                                       "00"
                                       "0002"
                                       "0001"
                                       "01"
                                       "S00001F"
                                       "001F"
                                       "#####8001%") +
                                   bad.text + "|8002%" + kWave;
        EXPECT_FALSE(tree.BuildFromStream(stream));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].rfind("Trying to create a non-existing component (8001).\n", 0),
                  0u)
            << messages.shown[0];
    }
}

TEST(CustomDefinition, EditorRefusesSubtreesItCannotSave) {
    TCustomDefinitionParts parts;
    parts.Title = "W";
    parts.InnerTree = kWaveInner;
    const TCustomProperty numerical{"N", "", kNumerical, false, "", {}, {}};
    const char* kSubtree =
        "This subtree contains file-based and/or custom components.\nFile-based and custom "
        "components cannot be used to build a custom component.";
    const struct {
        const char* name;
        std::string inner;
        size_t properties;
        const char* message;
    } cases[] = {
        {"custom inside", "0001800200001F", 0, kSubtree},
        {"file-based inside", "0002044D00001F006500001F", 1, kSubtree},
        {"both faults: the subtree is named first", "0001800200001F", 17, kSubtree},
        {"seventeen properties", kWaveInner, 17,
         "Maximum number of properties for a custom component is 16."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordingMessages messages;
        parts.InnerTree = c.inner;
        parts.Properties.assign(c.properties, numerical);
        EXPECT_FALSE(MakeCustomDefinition(parts));
        EXPECT_EQ(messages.shown, std::vector<std::string>{c.message});
    }
}

TEST(CustomTypeIds, AreGivenOutPerShader) {
    const std::string other = "Other$%%" + kWaveInner;
    const struct {
        const char* name;
        std::string table;
        std::string definition;
        int32_t expected;
        bool adds;
    } cases[] = {
        {"first of a shader", "", kWave, 32769, true},
        {"after 32769 and 32775", "8001%" + kMixed + "|8007%" + other, kWave, 32776, true},
        {"identical definition keeps its id", "8001%" + kMixed + "|8007%" + kWave, kWave, 32775,
         false},
        {"never below 32769", "0005%" + other, kWave, 32769, true},
        {"past 65535 the lowest free id", "8001%" + kMixed + "|FFFF%" + other, kWave, 32770, true},
        {"unusable definition", "8001%" + kMixed, "Wave$%%", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TXRTree tree;
        tree.SetCustomTable(c.table);
        const size_t before = tree.CustomTable.size();
        EXPECT_EQ(InsertCustomDefinition(tree, c.definition), c.expected);
        ASSERT_EQ(tree.CustomTable.size(), before + (c.adds ? 1 : 0));
        if (c.adds) {
            char id[5];
            std::snprintf(id, sizeof id, "%04X", static_cast<unsigned>(c.expected));
            EXPECT_EQ(tree.CustomTable.back().Text, id + ("%" + c.definition));
            EXPECT_NE(tree.CreateCustomComponent(c.expected), nullptr);
        }
    }
}

TEST(CustomTypeIds, NoneLeftWhenEveryCustomIdIsTaken) {
    TXRTree tree;
    for (int32_t id = kFirstCustomTypeId; id <= kLastCustomTypeId; ++id) {
        tree.CustomTable.push_back({id, "0000%", false});
    }
    EXPECT_EQ(InsertCustomDefinition(tree, kWave), 0);
}

class ComponentFile : public ::testing::Test {
  protected:
    const test::TempFolder temp_{"vandrel-xrc-"};
    const fs::path folder_ = temp_.path();
};

TEST_F(ComponentFile, RoundTripThroughAFile) {
    test::RecordingMessages messages;
    const fs::path path = folder_ / "Tinted.xrc";
    ASSERT_TRUE(WriteCustomComponentFile(path, kMixed).ok);
    const std::string contents = test::FileBytes(path);
    EXPECT_EQ(contents.substr(0, contents.find('\n')), "SC" + kMixed);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
    EXPECT_EQ(ReadCustomComponentFile(path), kMixed);

    // Read back and inserted, it builds a working component.
    TXRTree tree;
    const int32_t id = InsertCustomDefinition(tree, *ReadCustomComponentFile(path));
    EXPECT_EQ(id, kFirstCustomTypeId);
    EXPECT_NE(tree.CreateCustomComponent(id), nullptr);
    EXPECT_TRUE(messages.shown.empty());
}

// Component files from elsewhere hold the one line only.
TEST_F(ComponentFile, AFileOfOneLineReads) {
    test::RecordingMessages messages;
    for (const std::string ending : {"", "\n", "\r\n"}) {
        const fs::path path = folder_ / "plain.xrc";
        temp_.Write("plain.xrc", "SC" + kMixed + ending);
        EXPECT_EQ(ReadCustomComponentFile(path), kMixed) << ending.size();
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ComponentFile, UnusableFilesAreReportedAsCorrupted) {
    const fs::path altered = folder_ / "altered.xrc";
    ASSERT_TRUE(WriteCustomComponentFile(altered, kMixed).ok);
    std::string text = test::FileBytes(altered);
    text[2] = 'X';  // the title's first letter: the checksum no longer matches
    temp_.Write("altered.xrc", text);
    const fs::path shader = folder_ / "shader.xrc";
    ASSERT_TRUE(SaveShaderFile(shader, kDefaultStream).ok);
    const fs::path truncated = folder_ / "truncated.xrc";
    ASSERT_TRUE(SaveShaderFile(truncated, "SC" + kMixed.substr(0, 60)).ok);
    const fs::path nested = folder_ / "nested.xrc";
    ASSERT_TRUE(SaveShaderFile(nested, "SCW$H%%0001800100001F").ok);

    for (const fs::path& path : {folder_ / "missing.xrc", altered, shader, truncated, nested}) {
        SCOPED_TRACE(path.filename().string());
        test::RecordingMessages messages;
        EXPECT_FALSE(ReadCustomComponentFile(path));
        EXPECT_EQ(messages.shown, std::vector<std::string>{"Component file corrupted."});
    }
}

TEST_F(ComponentFile, AnUnusableDefinitionIsNotWritten) {
    const fs::path path = folder_ / "bad.xrc";
    EXPECT_FALSE(WriteCustomComponentFile(path, "W$H%%0001800100001F").ok);
    EXPECT_FALSE(fs::exists(path));
}

// A root (type 1) last, its Color read whole from component 0.
std::string ShaderWith(const std::string& customEntry, const std::string& definition) {
    return "XR0002" + customEntry + "000101S00000F000F#####8001%" + definition;
}

TEST(CustomInShader, EvaluatesThroughTheTree) {
    test::RecordingMessages messages;
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    // Amount 2, Mode from trigger 1, Tint from World.
    ASSERT_TRUE(tree.BuildFromStream(ShaderWith("800103C0F40000000M18041V2F003A000C", kMixed)));
    auto* custom = dynamic_cast<TXRCCustom*>(tree.Entries[0]->Component.get());
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->InnerTree->LinkedTree, &tree);
    Trigger(&record, 1)[0] = 1.0f;
    float* world = VariableAddress(&record, kVarWorld);
    const float* colour = VariableAddress(&record, kVarColorOut);
    for (const auto& w : {std::array{0.5f, -1.0f, 2.0f}, std::array{0.25f, 4.0f, -0.125f}}) {
        std::copy(w.begin(), w.end(), world);
        tree.Evaluate(OutputTypeMask(kColor));
        EXPECT_EQ((std::array{colour[0], colour[1], colour[2]}),
                  (std::array{w[0] * 3, w[1] * 3, w[2] * 3}));
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST(CustomInShader, FoldedOnlyWhenItComputesFromItsPropertiesAlone) {
    TThreadRecord record;
    {
        TXRTree tree;
        tree.Context = &record;
        ASSERT_TRUE(tree.BuildFromStream(ShaderWith("800100000C", kMixed)));
        EXPECT_EQ(tree.Entries[0]->Mask, 0);
        EXPECT_EQ(Out3(*tree.Entries[0]->Component), (std::array{2.0f, 1.0f, 4.0f}));
    }
    // The wave reads World.X itself: with no property it still varies from sample to sample.
    TXRTree tree;
    tree.Context = &record;
    ASSERT_TRUE(tree.BuildFromStream("XR00028001000002000101S00001F001F#####8001%" + kWave));
    EXPECT_NE(tree.Entries[0]->Mask, 0);
    for (const auto& [x, alpha] : {std::pair{0.25f, 1.0}, {0.0f, 0.5}}) {
        VariableAddress(&record, kVarWorld)[0] = x;
        tree.Evaluate(OutputTypeMask(kTransparency));
        EXPECT_NEAR(VariableAddress(&record, kVarAlpha)[0], alpha, 1e-6) << x;
    }
}

TEST(CustomInShader, WrittenByTheTreeAndReadBack) {
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    tree.SetCustomTable("8001%" + kMixed + "|8002%" + kMixed);  // 8002 stays unused
    TXRComponent* custom = tree.AddComponent(CreateComponent(0x8001, &tree));
    TXRComponent* root = tree.AddComponent(CreateComponent(1));
    ASSERT_NE(custom, nullptr);
    custom->SetConstant(0, kWholeProperty, 2.0f);
    custom->Connect(1, kWholeProperty, Trigger(&record, 3));
    custom->Connect(2, 1, VariableAddress(&record, kVarWorldY));
    root->Connect(0, kWholeProperty, custom->OutputAddress());
    ASSERT_TRUE(tree.Link(custom, root));
    tree.SetRoot(root);
    // Amount 2 as a constant, Mode on trigger 3 (variable 67), Tint.Y on World.Y (56); the
    // root's Color reads the custom component whole; masks 12 and 31.
    const std::string written = tree.WriteTree();
    EXPECT_EQ(written,
              "00028001"
              "03C0F40000000M18043V210038000C"
              "000101S00000F001F");
    EXPECT_EQ(tree.UsedCustomText(), "8001%" + kMixed);

    TXRTree again;
    again.Context = &record;
    ASSERT_TRUE(again.BuildFromStream("XR" + written + "#####" + tree.UsedCustomText()));
    Trigger(&record, 3)[0] = 1.0f;
    VariableAddress(&record, kVarWorld)[1] = 0.5f;
    again.Evaluate(OutputTypeMask(kColor));
    const float* colour = VariableAddress(&record, kVarColorOut);
    // (0.5, 0.5, 1) · (2 + 1)
    EXPECT_EQ((std::array{colour[0], colour[1], colour[2]}), (std::array{1.5f, 1.5f, 3.0f}));
}

TEST(CustomInShader, OneLargeDefinitionCannotBeMultipliedWithoutBound) {
    test::RecordingMessages messages;
    // A 1 MiB title and twenty components of it: more definition bytes than a tree may hold.
    const std::string definition = std::string(1 << 20, 'a') + "$%%" + kWaveInner;
    std::string stream = "XR0015";
    for (int i = 0; i < 20; ++i) stream += "8001000002";
    stream += "000101S00001F001F#####8001%" + definition;
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    EXPECT_FALSE(tree.BuildFromStream(stream));
    EXPECT_EQ(messages.shown.size(), 1u);
    tree.Clear();
    EXPECT_EQ(tree.CustomCost, 0);
    // Ten of them fit.
    stream = "XR000B";
    for (int i = 0; i < 10; ++i) stream += "8001000002";
    stream += "000101S00001F001F#####8001%" + definition;
    EXPECT_TRUE(tree.BuildFromStream(stream));
}

}  // namespace
}  // namespace vandrel

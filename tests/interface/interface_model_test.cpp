#include "interface/interface_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/stream_codec.h"
#include "core/stream_sections.h"
#include "interface/interface_samples.h"

namespace vandrel {
namespace {

using test::kRichInterface;
using Floats3 = std::array<float, 3>;

// Records every call as a short line; InterfaceChanged answers from `handled`.
class TRecorder final : public TInterfaceEditorObserver, public TInterfacePanelObserver {
  public:
    void RefreshTriggerList() override { events.push_back("refresh"); }
    void TriggerFreed(int trigger) override { Add("freed", trigger); }
    void Reload() override { events.push_back("reload"); }
    void ShaderModified() override { events.push_back("modified"); }
    bool InterfaceChanged(int32_t t) override {
        Add("changed", t);
        return handled[static_cast<size_t>(t)];
    }
    void ReloadControls(int32_t t) override { Add("controls", t); }
    void RequestUpdate(int32_t t) override { Add("update", t); }
    void MarkUpdatePending(int32_t t) override { Add("pending", t); }

    std::vector<std::string> Take() { return std::exchange(events, {}); }

    std::array<bool, 4> handled{};
    std::vector<std::string> events;

  private:
    void Add(const char* what, int n) {
        events.push_back(std::string(what) + " " + std::to_string(n));
    }
};

using Events = std::vector<std::string>;

class InterfaceModel : public ::testing::Test {
  protected:
    void SetUp() override {
        model.SetEditorObserver(&recorder);
        model.SetPanelObserver(&recorder);
    }
    TXRInterfaceModel model;
    TRecorder recorder;
};

TEST_F(InterfaceModel, SharedTriggerStaysUntilItsLastUseIsReleased) {
    // 0.001 as a float is 3A83126F.
    const std::string entry = "02D%0202$Trigger3$$F" + std::string(24, '0') + "3A83126F%";
    EXPECT_TRUE(model.RegisterTrigger(2, kNumerical));
    EXPECT_TRUE(model.RegisterTrigger(2, kNumerical));
    model.ReleaseTrigger(2);
    EXPECT_EQ(model.Usage().Triggers[2].Count, 1);
    EXPECT_EQ(model.Serialise(), entry);
    recorder.Take();
    model.ReleaseTrigger(2);
    EXPECT_EQ(model.Usage().Triggers[2].Kind, kTrigger);
    EXPECT_EQ(model.Usage().Triggers[2].Count, 0);
    EXPECT_EQ(model.Serialise(), "02D%%");
    EXPECT_EQ(recorder.Take(), (Events{"freed 2", "refresh"}));
    model.ReleaseTrigger(2);  // already free
    EXPECT_EQ(model.Usage().Triggers[2].Count, 0);
    EXPECT_TRUE(recorder.Take().empty());
}

TEST_F(InterfaceModel, FirstUseTakesTheDefaultsOfItsKind) {
    const struct {
        int trigger;
        int32_t kind;
        bool isInteger;
        const char* items;
        const char* label;
        const char* second;
        std::array<float, 8> values;
        Floats3 current;
    } rows[] = {
        {0, kNumerical, false, "", "Trigger1", "", {0, 0, 0, 0.001f}, {0, 0, 0}},
        {9, kNumerical, true, "", "Trigger10", "", {1, 10000, 1, 1}, {1, 0, 0}},
        {4, kUV, false, "", "Trigger5.U", "Trigger5.V", {0, 0, 0, 0, 0, 0, 0.001f, 0.001f}, {}},
        {19, kVector, false, "", "Trigger20", "", {}, {}},
        {7,
         kEnumeration,
         false,
         "Linear;Smooth step",
         "Trigger8",
         "Linear;Smooth step@Linear;Smooth&'Gstep",
         {},
         {}},
    };
    for (const auto& row : rows) {
        model.Working().Triggers[static_cast<size_t>(row.trigger)] = {9, 9, 9};
        ASSERT_TRUE(model.RegisterTrigger(row.trigger, row.kind, row.isInteger, row.items));
        const TTriggerSettings& t = model.Settings().Triggers[static_cast<size_t>(row.trigger)];
        EXPECT_EQ(t.Kind, row.kind);
        EXPECT_EQ(t.IsInteger, row.isInteger);
        EXPECT_EQ(t.Label, row.label);
        EXPECT_EQ(t.SecondText, row.second);
        EXPECT_EQ(t.Values, row.values) << row.label;
        EXPECT_EQ(model.Working().Triggers[static_cast<size_t>(row.trigger)], row.current);
    }
    EXPECT_EQ(model.Settings().Triggers[19].PickerChoice(), kOwnPicker);
    EXPECT_NE(model.Serialise().find("0902$Trigger10$$I3F800000461C40003F8000003F800000"),
              std::string::npos);  // 10000 = 461C4000
}

TEST_F(InterfaceModel, RegistrationsThatDoNotCount) {
    ASSERT_TRUE(model.RegisterTrigger(3, kNumerical));
    ASSERT_TRUE(model.RegisterTrigger(6, kEnumeration, false, "A;B"));
    recorder.Take();
    model.ClearInterfaceChangedFlag();
    EXPECT_FALSE(model.RegisterTrigger(3, kUV));
    EXPECT_FALSE(model.RegisterTrigger(3, kEnumeration, false, "A;B"));
    EXPECT_FALSE(model.RegisterTrigger(6, kEnumeration, false, "A;C"));
    for (const int32_t kind : {0, 1, 5, 7, 8, 99}) EXPECT_FALSE(model.RegisterTrigger(0, kind));
    EXPECT_FALSE(model.RegisterTrigger(-1, kNumerical));
    EXPECT_FALSE(model.RegisterTrigger(20, kNumerical));
    model.ReleaseTrigger(3, kUV);  // pairs with the ignored registration
    model.ReleaseTrigger(20);
    EXPECT_TRUE(recorder.Take().empty());
    EXPECT_FALSE(model.InterfaceChangedFlag());
    EXPECT_EQ(model.Usage().Triggers[3].Kind, kNumerical);
    EXPECT_EQ(model.Usage().Triggers[3].Count, 1);
    EXPECT_EQ(model.Usage().Triggers[0].Count, 0);

    EXPECT_TRUE(model.RegisterTrigger(6, kEnumeration, false, "A;B"));
    model.Settings().Triggers[6].SecondText = "A;B@First;Second";  // renamed items keep the list
    EXPECT_TRUE(model.RegisterTrigger(6, kEnumeration, false, "A;B"));
    EXPECT_EQ(model.Usage().Triggers[6].Count, 3);
}

TEST_F(InterfaceModel, FileSlots) {
    EXPECT_TRUE(model.RegisterFileSlot(2, 'T'));
    EXPECT_EQ(model.Serialise(), "02D%%0208T$File 3$Texture.jpg");
    EXPECT_EQ(model.Working().Files[2], "T:Texture.jpg");
    EXPECT_TRUE(model.RegisterFileSlot(0, 'A'));
    EXPECT_TRUE(model.RegisterFileSlot(1, 'I'));
    EXPECT_TRUE(model.RegisterFileSlot(4, 'B'));
    EXPECT_EQ(model.Settings().Files[0].DefaultFile, "Ding.wav");
    EXPECT_EQ(model.Settings().Files[1].DefaultFile, "Texture.jpg");
    EXPECT_EQ(model.Settings().Files[4].Label, "File 5");
    EXPECT_TRUE(model.RegisterFileSlot(2, 'T'));
    EXPECT_FALSE(model.RegisterFileSlot(2, 'A'));
    EXPECT_FALSE(model.RegisterFileSlot(5, 'T'));
    EXPECT_FALSE(model.RegisterFileSlot(-1, 'T'));
    EXPECT_FALSE(model.RegisterFileSlot(3, 'N'));
    model.ReleaseFileSlot(2, 'A');
    EXPECT_EQ(model.Usage().Files[2].Count, 2);
    model.ReleaseFileSlot(2);
    model.ReleaseFileSlot(2);
    EXPECT_EQ(model.Usage().Files[2].Type, 'N');
    EXPECT_EQ(model.Usage().Files[2].Count, 0);
    EXPECT_EQ(model.Settings().Files[2].DefaultFile, "");
    EXPECT_EQ(model.Working().Files[2], "N:*.*");
    EXPECT_EQ(model.Serialise().find("0208"), std::string::npos);
}

TEST_F(InterfaceModel, ResetEmptiesEverything) {
    model.RegisterTrigger(1, kVector);
    model.RegisterFileSlot(1, 'A');
    model.Apply(false, false, "x");
    model.Reset();
    EXPECT_EQ(model.Serialise(), "02D%%");
    EXPECT_EQ(model.InterfaceString(), "");
    EXPECT_EQ(model.Usage().Triggers[1].Kind, kTrigger);
    EXPECT_EQ(model.Usage().Files[1].Type, 'N');
    EXPECT_EQ(model.Working(), TLocalKeyframes{});
    EXPECT_EQ(model.Working().Files[1], "N:*.*");
}

TEST_F(InterfaceModel, RegistrationChangesReachTheOutputTypesShowingTheShader) {
    model.SetEditedShaderFile("/shaders/Wood.xrb");
    model.SetOutputTypeShader(kColor, "/SHADERS/wood.XRB", true);
    model.SetOutputTypeShader(kDisplacement, "/shaders/Stone.xrb", true);
    model.RegisterTrigger(0, kNumerical);
    EXPECT_EQ(recorder.Take(), (Events{"refresh", "changed 2"}));
    EXPECT_TRUE(model.InterfaceChangedFlag());

    model.ClearInterfaceChangedFlag();
    model.BeginUpdate();
    model.RegisterFileSlot(0, 'T');
    model.EndUpdate();
    EXPECT_TRUE(recorder.Take().empty());
    EXPECT_TRUE(model.InterfaceChangedFlag());

    model.SetEditedShaderFile("");  // unsaved: matches no output type without a shader either
    model.RegisterTrigger(0, kNumerical);
    EXPECT_EQ(recorder.Take(), (Events{"refresh"}));
}

TEST_F(InterfaceModel, ParseTakesStoredSettingsButNotUseCounts) {
    model.RegisterTrigger(2, kNumerical);
    model.RegisterTrigger(4, kUV);
    model.RegisterTrigger(9, kNumerical);  // the string says colour: the tree wins
    model.RegisterTrigger(19, kEnumeration, false, "Linear;Smooth");
    model.RegisterFileSlot(1, 'T');
    model.RegisterFileSlot(4, 'I');  // the string says audio
    recorder.Take();
    model.Parse(kRichInterface);
    EXPECT_EQ(recorder.Take(), (Events{"reload"}));
    EXPECT_EQ(model.InterfaceString(), kRichInterface);
    EXPECT_EQ(model.Options().NoticeText, "(c)&'GAnn");

    EXPECT_EQ(model.Settings().Triggers[2].Label, "Speed");
    EXPECT_EQ(model.Working().Triggers[2], (Floats3{0.5f, 0, 0}));
    EXPECT_EQ(model.Working().Triggers[4], (Floats3{5, 6, 0}));
    EXPECT_EQ(model.Working().Triggers[19], (Floats3{12, 0, 0}));
    EXPECT_EQ(model.Usage().Triggers[9].Kind, kNumerical);
    EXPECT_EQ(model.Settings().Triggers[9].Label, "Trigger10");
    EXPECT_EQ(model.Working().Files[1], "T:Texture.jpg");
    EXPECT_EQ(model.Usage().Files[4].Type, 'I');
    EXPECT_EQ(model.Settings().Files[4].DefaultFile, "Texture.jpg");
    for (const int t : {2, 4, 19}) EXPECT_EQ(model.Usage().Triggers[t].Count, 1);

    TXRInterfaceModel alone;  // nothing registered: settings arrive, nothing is in use
    alone.Parse(kRichInterface);
    EXPECT_EQ(alone.Usage().Triggers[9].Kind, kVector);
    EXPECT_EQ(alone.Usage().Triggers[9].Count, 0);
    EXPECT_EQ(alone.Working().Triggers[9], (Floats3{1, 0.5f, 0}));
    EXPECT_EQ(alone.Serialise(), "02D(c)&'GAnn%%");
}

// Build a model of every kind, write it, rebuild as the editor does (registrations, then Parse).
TEST_F(InterfaceModel, RebuildFromItsOwnStringGivesTheSameModel) {
    const auto registerAll = [](TXRInterfaceModel& m) {
        m.RegisterTrigger(0, kNumerical);
        m.RegisterTrigger(1, kNumerical, true);
        m.RegisterTrigger(5, kUV);
        m.RegisterTrigger(11, kVector);
        m.RegisterTrigger(17, kEnumeration, false, "One;Two;Three");
        m.RegisterFileSlot(0, 'A');
        m.RegisterFileSlot(1, 'T');
        m.RegisterFileSlot(2, 'I');
        m.RegisterFileSlot(3, 'B');
    };
    registerAll(model);
    auto& t = model.Settings().Triggers;
    t[0].Label = EscapeText("Bump height");
    t[0].Values = {-1, 1, 0.25f, 0.05f};
    t[1].Values = {2, 1, 2, 1};
    t[5].Values = {0, -2, 1, 2, 0.5f, -0.5f, 0.1f, 0.2f};
    t[5].SecondText = EscapeText("V $ | %");
    t[11].Values = {0.2f, 0.4f, 0.6f};
    t[11].SetPickerChoice(kSystemPicker);
    t[17].SecondText = "One;Two;Three@Eins;Zwei;Drei";
    t[17].SetDefaultItem(2);
    for (const int i : {0, 1, 5, 11, 17}) model.TakeDefaultAsCurrent(i);
    model.Settings().Files[3] = {"Relief | 100%", "rock$1.png"};
    model.Working().Files[3] = "B:rock$1.png";
    model.Apply(true, false, "Free & easy");
    const std::string s = model.Serialise();
    EXPECT_EQ(model.InterfaceString(), s);

    TXRInterfaceModel rebuilt;
    registerAll(rebuilt);
    rebuilt.Parse(s);
    EXPECT_EQ(rebuilt.Serialise(), s);
    EXPECT_EQ(rebuilt.Options(), model.Options());
    EXPECT_EQ(rebuilt.Working(), model.Working());
    for (size_t i = 0; i < kTriggerCount; ++i) {
        EXPECT_EQ(rebuilt.Usage().Triggers[i].Kind, model.Usage().Triggers[i].Kind);
        if (model.Usage().Triggers[i].Count > 0) {
            EXPECT_EQ(rebuilt.Settings().Triggers[i], model.Settings().Triggers[i]) << i;
        }
    }
    for (size_t i = 0; i < kFileSlotCount; ++i) {
        EXPECT_EQ(rebuilt.Settings().Files[i], model.Settings().Files[i]) << i;
    }
}

// Items holding the separators of the stream, the interface string and the second text (as a
// hand-made component file or a translated language file may give them) survive a shader's
// stream and a rebuild.
TEST_F(InterfaceModel, EnumerationItemsWithSeparatorsRoundTrip) {
    const std::string items = "a#b;c%d;e|f;g$h;i@j;k&'Gl";
    ASSERT_TRUE(model.RegisterTrigger(3, kEnumeration, false, items));
    ASSERT_TRUE(model.RegisterTrigger(4, kNumerical));
    model.Settings().Triggers[3].SetDefaultItem(2);
    const std::string stored = model.Serialise();
    const std::string stream = "XR0000##" + stored + "#TTTT";
    EXPECT_EQ(StreamSection(stream, kInterfaceSection), stored);

    TXRInterfaceModel rebuilt;
    ASSERT_TRUE(rebuilt.RegisterTrigger(3, kEnumeration, false, items));
    ASSERT_TRUE(rebuilt.RegisterTrigger(4, kNumerical));
    rebuilt.Parse(StreamSection(stream, kInterfaceSection));
    EXPECT_EQ(rebuilt.Serialise(), stored);
    EXPECT_EQ(rebuilt.Settings().Triggers[3], model.Settings().Triggers[3]);
    EXPECT_EQ(rebuilt.Settings().Triggers[4], model.Settings().Triggers[4]);
    EXPECT_EQ(rebuilt.Working().Triggers[3], (Floats3{2, 0, 0}));
    EXPECT_EQ(UnescapeItemList(EnumerationItemList(rebuilt.Settings().Triggers[3].SecondText)),
              items);
    // The names shown start as the items.
    std::vector<std::string> names;
    std::string_view rest = EnumerationItemNames(rebuilt.Settings().Triggers[3].SecondText);
    for (size_t at = 0; at != std::string_view::npos;) {
        at = rest.find(';');
        names.push_back(UnescapeText(rest.substr(0, at)));
        if (at != std::string_view::npos) rest.remove_prefix(at + 1);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a#b", "c%d", "e|f", "g$h", "i@j", "k&'Gl"}));
    // Another input with the same items shares the trigger.
    EXPECT_TRUE(rebuilt.RegisterTrigger(3, kEnumeration, false, items));
    EXPECT_EQ(rebuilt.Usage().Triggers[3].Count, 2);
}

// Strings written before item lists were escaped store them raw; they read as they did.
TEST_F(InterfaceModel, RawItemListsOfOlderStringsReadUnchanged) {
    const struct {
        const char* items;
        const char* stored;
    } rows[] = {
        {"Linear;Smooth Step", "02D%0306$Trigger4$Linear;Smooth Step@Linear;Smooth&'GStep$01%"},
        {"R&D;Ops", "02D%0306$Trigger4$R&D;Ops@R&'MD;Ops$00%"},
        {"Caf\xE9;Bar", "02D%0306$Trigger4$Caf\xE9;Bar@Caf&*z;Bar$00%"},
    };
    for (const auto& row : rows) {
        TXRInterfaceModel old;
        ASSERT_TRUE(old.RegisterTrigger(3, kEnumeration, false, row.items));
        old.Parse(row.stored);
        EXPECT_EQ(old.Settings().Triggers[3].SecondText,
                  ParseInterfaceString(row.stored).Triggers[3]->SecondText);
        EXPECT_EQ(old.Serialise(), row.stored);
        EXPECT_TRUE(old.RegisterTrigger(3, kEnumeration, false, row.items)) << row.items;
        EXPECT_EQ(old.Usage().Triggers[3].Count, 2) << row.items;
    }
}

TEST_F(InterfaceModel, ApplyTellsHandlersOrCopiesTheWorkingValues) {
    model.SetEditedShaderFile("a.xrb");
    model.SetOutputTypeShader(kColor, "A.xrb", true);
    model.SetOutputTypeShader(kReflectance, "a.xrb", true);
    model.SetOutputTypeShader(kTransparency, "b.xrb", true);
    recorder.handled[kColor] = true;
    model.RegisterTrigger(0, kNumerical, true);  // working value 1
    recorder.Take();
    model.Apply(true, true, "");
    EXPECT_EQ(recorder.Take(), (Events{"modified", "changed 2", "changed 3"}));
    EXPECT_EQ(model.OutputValues(kReflectance)->Triggers[0], (Floats3{1, 0, 0}));
    EXPECT_EQ(model.OutputValues(kColor)->Triggers[0], (Floats3{0, 0, 0}));
    EXPECT_EQ(model.OutputValues(kTransparency)->Triggers[0], (Floats3{0, 0, 0}));

    *model.OutputValues(kReflectance) = {};
    model.BeginUpdate();
    model.Apply(true, true, "");
    model.EndUpdate();
    EXPECT_EQ(recorder.Take(), (Events{"modified"}));
    EXPECT_EQ(model.OutputValues(kReflectance)->Triggers[0], (Floats3{0, 0, 0}));
    EXPECT_EQ(model.OutputValues(4), nullptr);
}

// Linked output types share the panels' changes (the manager panel tests); what lies outside the
// tables changes nothing and tells no one.
TEST_F(InterfaceModel, ChangesOutsideTheTablesAreIgnored) {
    model.ChangeTriggerValue(4, 0, 0, 1, true);
    model.ChangeTriggerValue(kColor, 20, 0, 1, true);
    model.ChangeTriggerValue(kColor, 0, 3, 1, true);
    model.ChangeColorValue(kColor, -1, {1, 1, 1}, true);
    model.ChangeFileValue(kColor, 5, 'T', "x", true);
    model.UpdateNow(-1);
    EXPECT_TRUE(recorder.Take().empty());
    EXPECT_EQ(*model.OutputValues(kColor), TLocalKeyframes{});
}

TEST(InterfaceLimits, ValuesHeldToTriggerLimits) {
    TTriggerSettings n;
    n.Kind = kNumerical;
    EXPECT_EQ(LimitTriggerValue(n, 0, -1e9f), -1e9f);  // 0 and 0: not limited
    n.Values = {2, 1};                                 // behaves as 2 … 2
    EXPECT_EQ(LimitTriggerValue(n, 0, 5), 2);
    EXPECT_EQ(LimitTriggerValue(n, 0, 1), 2);
    n.Values = {0, 3};
    EXPECT_EQ(LimitTriggerValue(n, 0, -1), 0);
    EXPECT_EQ(LimitTriggerValue(n, 0, 4), 3);
    EXPECT_EQ(LimitTriggerValue(n, 0, 1.5f), 1.5f);
    TTriggerSettings uv;
    uv.Kind = kUV;
    uv.Values = {0, 10, 1, 20};  // U 0 … 1, V 10 … 20
    EXPECT_EQ(LimitTriggerValue(uv, 0, 5), 1);
    EXPECT_EQ(LimitTriggerValue(uv, 1, 5), 10);
    EXPECT_EQ(LimitTriggerValue(uv, 1, 25), 20);
}

}  // namespace
}  // namespace vandrel

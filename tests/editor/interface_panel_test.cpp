// The interface panel: where its controls go in one or two columns and either order, its height,
// the colour steps of the dialogs, and each kind of control showing and changing an output
// type's values through the interface model.
#include "editor/interface_panel.h"
// (the model's headers before Qt's)
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <limits>

#include "editor/controls/cool_slider.h"
#include "editor/controls/spin_edit.h"
#include "editor/model/editor_settings.h"
#include "panel_test_support.h"
#include "qt_test_support.h"

namespace vandrel {
namespace {

// Three numerical triggers, one UV trigger and one file.
TInterfaceData FiveEntries(int columns, char order, const std::string& notice = {}) {
    TInterfaceData d;
    d.Options = {columns, order, notice};
    d.Triggers[0] = test::Numerical(0, 0, 0, 0.001f);
    d.Triggers[1] = test::Numerical(0, 0, 0, 0.001f);
    d.Triggers[2] = test::Numerical(0, 0, 0, 0.001f);
    d.Triggers[4] = test::UV();
    d.Files[1] = TFileEntry{'T', {"Wood", "Texture.jpg"}};
    return d;
}

struct Placed {
    int32_t kind;
    int index, part, left, top;
};

void ExpectCells(const TInterfaceLayout& layout, const std::vector<Placed>& expected, int width) {
    ASSERT_EQ(layout.Controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const TInterfaceControl& c = layout.Controls[i];
        const Placed& e = expected[i];
        EXPECT_EQ(c.Kind, e.kind) << i;
        EXPECT_EQ(c.Index, e.index) << i;
        EXPECT_EQ(c.Part, e.part) << i;
        EXPECT_EQ(c.Cell, (TRect{e.left, e.top, e.left + width, e.top + 24})) << i;
    }
}

TEST(InterfaceLayout, FilesFirstThenTriggersInTheChosenOrder) {
    // Two columns of 264 / 2 = 132 with cells 128 wide, rows of 24 from 4 and 6 below the last.
    const std::vector<Placed> down = {{kFile, 1, 0, 0, 4},       {kNumerical, 0, 0, 0, 28},
                                      {kNumerical, 1, 0, 0, 52}, {kNumerical, 2, 0, 132, 4},
                                      {kUV, 4, 0, 132, 28},      {kUV, 4, 1, 132, 52}};
    std::vector<Placed> belowNotice = down;
    for (Placed& p : belowNotice) p.top += 19;
    TInterfaceData odd = FiveEntries(2, 'D');
    odd.Triggers[4].reset();
    odd.Triggers[7] = test::Numerical(0, 0, 0, 1);
    const struct {
        const char* what;
        TInterfaceData data;
        int rows, height, width;
        std::vector<Placed> cells;
    } cases[] = {
        {"down then over", FiveEntries(2, 'D'), 3, 78, 128, down},
        {"over then down",
         FiveEntries(2, 'O'),
         3,
         78,
         128,
         {{kFile, 1, 0, 0, 4},
          {kNumerical, 0, 0, 132, 4},
          {kNumerical, 1, 0, 0, 28},
          {kNumerical, 2, 0, 132, 28},
          {kUV, 4, 0, 0, 52},
          {kUV, 4, 1, 132, 52}}},
        // "(c) Ann" escaped: the blank (32) is "&", 39 + 32 div 84, 39 + 32 mod 84.
        {"a notice's line above", FiveEntries(2, 'D', "(c)&'GAnn"), 3, 97, 128, belowNotice},
        {"five controls in two columns",
         odd,
         3,
         78,
         128,
         {{kFile, 1, 0, 0, 4},
          {kNumerical, 0, 0, 0, 28},
          {kNumerical, 1, 0, 0, 52},
          {kNumerical, 2, 0, 132, 4},
          {kNumerical, 7, 0, 132, 28}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TInterfaceLayout layout = LayoutInterface(c.data);
        EXPECT_EQ(layout.Rows, c.rows);
        EXPECT_EQ(layout.Height, c.height);
        EXPECT_EQ(layout.ColumnWidth, 132);
        ExpectCells(layout, c.cells, c.width);
    }
    EXPECT_EQ(LayoutInterface(FiveEntries(2, 'D', "(c)&'GAnn")).Notice, "(c) Ann");

    // One column: a row per control, in either order.
    for (char order : {'D', 'O'}) {
        const TInterfaceLayout layout = LayoutInterface(FiveEntries(1, order));
        EXPECT_EQ(layout.Rows, 6);
        EXPECT_EQ(layout.Height, 150);
        ExpectCells(layout,
                    {{kFile, 1, 0, 0, 4},
                     {kNumerical, 0, 0, 0, 28},
                     {kNumerical, 1, 0, 0, 52},
                     {kNumerical, 2, 0, 0, 76},
                     {kUV, 4, 0, 0, 100},
                     {kUV, 4, 1, 0, 124}},
                    260);
    }
}

TEST(InterfaceLayout, EmptyInterfacesAndStoredOptions) {
    EXPECT_EQ(LayoutInterface("02D%%").Height, 0);
    EXPECT_EQ(LayoutInterface("02D%%").Rows, 0);
    EXPECT_EQ(LayoutInterface("02DBy&'GAnn%%").Height, 19);
    // Any column count above one is two; an order other than "O" is down then over.
    EXPECT_EQ(LayoutInterface("07X%%").Columns, 2);
    EXPECT_EQ(LayoutInterface("07X%%").Order, 'D');
    EXPECT_EQ(LayoutInterface("00O%%").Columns, 1);
}

TEST(ColorSteps, FractionsToWholeStepsAndBack) {
    struct Case {
        double fraction;
        int byte;
    };
    const Case cases[] = {
        {-0.5, 0},
        {0, 0},
        {1.0 / 255, 1},
        {0.2, 51},
        {0.5, 128},  // 127.5: to even
        {0.3, 76},
        {0.999, 255},
        {1, 255},
        {2.5, 255},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {-std::numeric_limits<double>::infinity(), 0},
        {std::numeric_limits<double>::infinity(), 255},
    };
    for (const Case& c : cases) EXPECT_EQ(ColorToByte(c.fraction), c.byte) << c.fraction;
    EXPECT_DOUBLE_EQ(ColorFromByte(51), 0.2);
    EXPECT_DOUBLE_EQ(ColorFromByte(255), 1.0);
    EXPECT_DOUBLE_EQ(QuantiseColor(0.501), 128.0 / 255);
}

TEST(FileSlotFilters, TexturesForImageSlotsAudioOtherwise) {
    for (char type : {'T', 'I', 'B'}) EXPECT_EQ(FileSlotFilter(type), kTextureFileFilter) << type;
    for (char type : {'A', 'N', 'x'}) EXPECT_EQ(FileSlotFilter(type), "Sounds (*.wav)|*.wav");
}

// ---- the widgets -----------------------------------------------------------------------------

// What the interface model asks of the panels and the host.
class RecordingObserver final : public TInterfacePanelObserver {
  public:
    bool InterfaceChanged(int32_t) override { return false; }
    void ReloadControls(int32_t t) override { reloads.push_back(t); }
    void RequestUpdate(int32_t t) override { updates.push_back(t); }
    void MarkUpdatePending(int32_t t) override { pending.push_back(t); }
    std::vector<int32_t> reloads, updates, pending;
};

class InterfacePanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::ResetPluginState();
        Plugin().Interface.SetPanelObserver(&observer);
        settings = EditorSettings();
    }
    void TearDown() override {
        Plugin().Interface.SetPanelObserver(nullptr);
        EditorSettings() = settings;
    }

    // Every kind: a whole-number trigger, a UV trigger, a colour, an enumeration and a file.
    static TInterfaceData EveryKind(uint8_t picker = kOwnPicker) {
        TInterfaceData d;
        d.Triggers[0] = test::Numerical(1, 10000, 1, 1, true);
        d.Triggers[0]->Label = "Count";
        d.Triggers[3] = test::UV();
        d.Triggers[5] = test::Colour(picker);
        d.Triggers[8] = test::Enumeration();
        d.Files[2] = TFileEntry{'B', {"Bumps", "Texture.jpg"}};
        return d;
    }
    TXRInterfaceComponent* Find(TXRInterfaceContainer& panel, int32_t kind, int part = 0) {
        for (TXRInterfaceComponent* c : panel.Components()) {
            if (c->Kind() == kind && c->Part() == part) return c;
        }
        ADD_FAILURE() << "no control of kind " << kind;
        return nullptr;
    }
    TLocalKeyframes& Values(int32_t t) { return *Plugin().Interface.OutputValues(t); }

    QApplication& app = test::TestApplication();
    RecordingObserver observer;
    TEditorSettings settings;
};

TEST_F(InterfacePanelTest, BuildsOneControlPerCellWithTheKindsSettings) {
    TXRInterfaceContainer panel(kColor);
    int reported = -1;
    QObject::connect(&panel, &TXRInterfaceContainer::OnHeightChange, [&](int h) { reported = h; });
    panel.Build(EveryKind());
    // File, Count, Scale.U, Scale.V, Tint, Mode: six controls, three rows.
    ASSERT_EQ(panel.Components().size(), 6u);
    EXPECT_EQ(panel.PanelHeight(), 78);
    EXPECT_EQ(reported, 78);
    EXPECT_EQ(panel.width(), 264);
    EXPECT_EQ(panel.Components()[0]->Kind(), kFile);
    EXPECT_EQ(panel.Components()[3]->geometry(), QRect(132, 4, 128, 24));

    THostSpinEdit2* count = Find(panel, kNumerical)->SpinField();
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->Caption(), "Count");
    EXPECT_EQ(count->ShowValue(), TSpinShow::Whole);
    EXPECT_EQ(count->Min(), 1);
    EXPECT_EQ(count->Max(), 10000);
    EXPECT_EQ(count->Increment(), 1);

    THostSpinEdit2* u = Find(panel, kUV, 0)->SpinField();
    THostSpinEdit2* v = Find(panel, kUV, 1)->SpinField();
    EXPECT_EQ(u->Caption(), "Scale.U");
    EXPECT_EQ(v->Caption(), "Scale.V");
    EXPECT_EQ(u->ShowValue(), TSpinShow::Float);
    EXPECT_EQ(u->Min(), 1);
    EXPECT_EQ(u->Max(), 2);
    EXPECT_FLOAT_EQ(u->Increment(), 0.1f);
    EXPECT_EQ(v->Min(), -5);
    EXPECT_EQ(v->Max(), 5);
    EXPECT_FLOAT_EQ(v->Increment(), 0.5f);

    TXRInterfaceComponent* tint = Find(panel, kVector);
    EXPECT_EQ(tint->SwatchRect().right(), tint->width() - 1);
    EXPECT_EQ(tint->SwatchRect().width(), 54);
    for (int c = 0; c < 3; ++c) ASSERT_NE(tint->Slider(c), nullptr);

    QComboBox* mode = Find(panel, kEnumeration)->ItemList();
    ASSERT_EQ(mode->count(), 3);
    EXPECT_EQ(mode->itemText(1), "Very soft");
    EXPECT_EQ(mode->itemText(2), "Softest");

    EXPECT_NE(Find(panel, kFile)->BrowseButton(), nullptr);
    EXPECT_EQ(Find(panel, kFile)->FileType(), 'B');

    panel.Build(TInterfaceData{});
    EXPECT_TRUE(panel.Components().empty());
    EXPECT_EQ(reported, 0);
}

TEST_F(InterfacePanelTest, LoadingShowsValuesWithoutWritingThemBack) {
    TXRInterfaceContainer panel(kReflectance);
    panel.Build(EveryKind());
    TLocalKeyframes& values = Values(kReflectance);
    values.Triggers[0] = {7, 0, 0};
    values.Triggers[3] = {1.25f, -2, 0};
    values.Triggers[5] = {0.25f, 0.5f, 1};
    values.Triggers[8] = {2, 0, 0};
    values.Files[2] = "B:/maps/stone.png";
    const TLocalKeyframes before = values;
    panel.LoadValues();
    EXPECT_EQ(Find(panel, kNumerical)->SpinField()->ValueInt(), 7);
    EXPECT_FLOAT_EQ(Find(panel, kUV, 0)->SpinField()->ValueF(), 1.25f);
    EXPECT_FLOAT_EQ(Find(panel, kUV, 1)->SpinField()->ValueF(), -2);
    EXPECT_FLOAT_EQ(Find(panel, kVector)->Slider(1)->Position(), 0.5);
    EXPECT_EQ(Find(panel, kEnumeration)->ItemList()->currentIndex(), 2);
    EXPECT_EQ(Find(panel, kFile)->FileName(), "/maps/stone.png");
    EXPECT_EQ(values, before);
    EXPECT_TRUE(observer.updates.empty());
    EXPECT_TRUE(observer.pending.empty());

    // No file chosen, an item index the list does not have, a colour the host set out of range.
    values.Files[2] = "N:*.*";
    values.Triggers[8] = {9, 0, 0};
    values.Triggers[5] = {1.5f, std::numeric_limits<float>::quiet_NaN(), -1};
    panel.LoadValues();
    EXPECT_EQ(Find(panel, kVector)->Slider(0)->Position(), 1);
    EXPECT_EQ(Find(panel, kVector)->Slider(1)->Position(), 0);
    EXPECT_EQ(Find(panel, kVector)->Slider(2)->Position(), 0);
    Find(panel, kVector)->grab();  // draws the swatch without an invalid colour
    EXPECT_EQ(Find(panel, kFile)->FileName(), "");
    EXPECT_EQ(Find(panel, kEnumeration)->ItemList()->currentIndex(), -1);
}

TEST_F(InterfacePanelTest, UserChangesReachTheOutputTypesRecord) {
    for (bool autoUpdate : {true, false}) {
        observer.updates.clear();
        observer.pending.clear();
        TLocalKeyframes& values = Values(kTransparency);
        values = {};
        TXRInterfaceContainer panel(kTransparency);
        panel.SetAutoUpdate(autoUpdate);
        panel.Build(EveryKind());
        panel.LoadValues();

        Find(panel, kNumerical)->SpinField()->SetValueF(42.4f);  // whole numbers: 42
        EXPECT_EQ(values.Triggers[0][0], 42);
        Find(panel, kUV, 1)->SpinField()->SetValueF(9);  // V limited to -5 … 5
        EXPECT_EQ(values.Triggers[3][1], 5);
        TCoolSlider* blue = Find(panel, kVector)->Slider(2);
        QTest::mousePress(blue, Qt::LeftButton, {}, QPoint(blue->width() * 3 / 4, 2));
        EXPECT_GT(blue->Position(), 0.5);
        EXPECT_FLOAT_EQ(values.Triggers[5][2], static_cast<float>(blue->Position()));
        Find(panel, kEnumeration)->ItemList()->setCurrentIndex(2);
        EXPECT_EQ(values.Triggers[8][0], 2);

        const std::vector<int32_t> four(4, kTransparency);
        EXPECT_EQ(observer.updates, autoUpdate ? four : std::vector<int32_t>{}) << autoUpdate;
        EXPECT_EQ(observer.pending, autoUpdate ? std::vector<int32_t>{} : four) << autoUpdate;
    }
}

TEST_F(InterfacePanelTest, TheSwatchOpensThePickerInWholeSteps) {
    for (uint8_t picker : {kOwnPicker, kSystemPicker}) {
        test::ScriptedDialogs dialogs;
        TXRInterfaceContainer panel(kColor);
        panel.Build(EveryKind(picker));
        Values(kColor).Triggers[5] = {0.5f, 0.1f, 1.5f};
        panel.LoadValues();
        TXRInterfaceComponent* tint = Find(panel, kVector);

        dialogs.colors.push_back(std::array<double, 3>{0.2, 0.999, -1});
        QTest::mousePress(tint, Qt::LeftButton, {}, tint->SwatchRect().center());

        ASSERT_EQ(dialogs.pickTitles.size(), 1u);
        EXPECT_EQ(dialogs.pickTitles[0], "Tint");
        EXPECT_EQ(dialogs.pickOwn[0], picker == kOwnPicker);
        // 0.5 -> 128, 0.1 -> 26 (25.5 to even), 1.5 -> 255.
        EXPECT_DOUBLE_EQ(dialogs.pickInitial[0][0], 128.0 / 255);
        EXPECT_DOUBLE_EQ(dialogs.pickInitial[0][1], 26.0 / 255);
        EXPECT_DOUBLE_EQ(dialogs.pickInitial[0][2], 1.0);
        const auto& chosen = Values(kColor).Triggers[5];
        EXPECT_FLOAT_EQ(chosen[0], static_cast<float>(51.0 / 255));
        EXPECT_FLOAT_EQ(chosen[1], 1.0f);
        EXPECT_FLOAT_EQ(chosen[2], 0.0f);
        EXPECT_FLOAT_EQ(tint->Slider(0)->Position(), static_cast<float>(51.0 / 255));

        // Cancelled: nothing changes.
        observer.updates.clear();
        tint->PickColor();
        EXPECT_FLOAT_EQ(Values(kColor).Triggers[5][1], 1.0f);
        EXPECT_TRUE(observer.updates.empty());
    }
}

TEST_F(InterfacePanelTest, BrowsingChoosesAFileAndRemembersItsFolder) {
    test::ScriptedDialogs dialogs;
    EditorSettings().LastTexture = "/textures/old/";
    EditorSettings().Search = {};
    TInterfaceData d = EveryKind();
    d.Files[4] = TFileEntry{'A', {"Bell", "Ding.wav"}};
    TXRInterfaceContainer panel(kDisplacement);
    panel.Build(d);
    TXRInterfaceComponent* bumps = panel.Components()[0];
    TXRInterfaceComponent* bell = panel.Components()[1];
    ASSERT_EQ(bumps->Index(), 2);
    ASSERT_EQ(bell->Index(), 4);

    dialogs.files.push_back(std::string("/textures/stone/rough.png"));
    bumps->BrowseButton()->click();
    ASSERT_EQ(dialogs.opens.size(), 1u);
    EXPECT_EQ(dialogs.opens[0].Folder, "/textures/old/");
    EXPECT_EQ(dialogs.opens[0].Filter, std::string(kTextureFileFilter));
    EXPECT_EQ(Values(kDisplacement).Files[2], "B:/textures/stone/rough.png");
    EXPECT_EQ(EditorSettings().LastTexture, "/textures/stone/");
    EXPECT_EQ(EditorSettings().Search.folders[0], "/textures/stone/");
    EXPECT_EQ(observer.updates, std::vector<int32_t>{kDisplacement});

    dialogs.files.push_back(std::nullopt);  // cancelled
    bell->BrowseFile();
    EXPECT_EQ(dialogs.opens[1].Filter, "Sounds (*.wav)|*.wav");
    EXPECT_EQ(dialogs.opens[1].Folder, "/textures/stone/");
    EXPECT_EQ(Values(kDisplacement).Files[4], "N:*.*");
    EXPECT_EQ(observer.updates.size(), 1u);
}

}  // namespace
}  // namespace vandrel

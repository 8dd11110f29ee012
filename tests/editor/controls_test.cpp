// The editor's own controls: the spin field's text rules, the gradient bar, the colour picker's
// arithmetic, the slider, the expander, the check box, the palette grid and the progress box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QInputDevice>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>
#include <climits>
#include <cmath>

#include "editor/controls/color_picker.h"
#include "editor/controls/cool_slider.h"
#include "editor/controls/expander_panel.h"
#include "editor/controls/gcheckbox.h"
#include "editor/controls/grad_display.h"
#include "editor/controls/image_grid_select.h"
#include "editor/controls/progress_form.h"
#include "editor/controls/spin_edit.h"
#include "qt_test_support.h"

namespace vandrel {
namespace {

class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override { test::TestApplication(); }
};

// ---- spin field ------------------------------------------------------------------------------

TEST(SpinRules, LimitsClampUnlessBothAreZero) {
    struct Case {
        float min, max;
        bool positiveOnly;
        float value, expected;
    };
    const Case cases[] = {
        {0, 0, false, 12345.6f, 12345.6f},  // no limits
        {0, 0, false, -3.5f, -3.5f},
        {1, 10000, false, 0, 1},
        {1, 10000, false, 20000, 10000},
        {1, 10000, false, 77, 77},
        {0, 0, true, -5, 0},     // positive only without limits
        {-10, 10, true, -5, 0},  // the limits let it through, the sign does not
        {-10, 10, true, -20, 0},
        {0, 1, false, NAN, 0},  // a NaN takes the minimum when limited
    };
    for (const Case& c : cases) {
        const TSpinLimits limits{c.min, c.max, c.positiveOnly};
        EXPECT_EQ(ClampSpinValue(c.value, limits), c.expected)
            << c.min << " " << c.max << " " << c.value;
    }
}

TEST(SpinRules, SettingOneLimitKeepsTheOtherInOrder) {
    TSpinLimits limits{0, 5, false};
    SetSpinMin(limits, 8);
    EXPECT_EQ(limits.Max, 8);
    SetSpinMax(limits, 3);  // below the minimum: the minimum is stored
    EXPECT_EQ(limits.Max, 8);
    SetSpinMax(limits, 12);
    EXPECT_EQ(limits.Min, 8);
    EXPECT_EQ(limits.Max, 12);
}

TEST(SpinRules, RoundsHalvesToEvenWithoutUndefinedBehaviour) {
    EXPECT_EQ(RoundSpinValue(2.5f), 2);
    EXPECT_EQ(RoundSpinValue(3.5f), 4);
    EXPECT_EQ(RoundSpinValue(-1.5f), -2);
    EXPECT_EQ(RoundSpinValue(0.49f), 0);
    EXPECT_EQ(RoundSpinValue(NAN), INT32_MIN);
    EXPECT_EQ(RoundSpinValue(1e20f), INT32_MIN);
}

TEST(SpinRules, FloatFormatKeepsOneToFourDecimals) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.5f, "0.5"},        {2, "2.0"},         {12345.6f, "12345.6"},
        {1.23456f, "1.2346"}, {0.99996f, "1.0"},  {9999.99995f, "10000.0"},
        {-1.25f, "-1.25"},    {-0.00004f, "0.0"}, {0.00001f, "0.0"},
        {0.1f, "0.1"},        {100, "100.0"},     {-7, "-7.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatSpinFloat(c.value), c.text) << c.value;
    EXPECT_EQ(FormatSpinFloat(NAN), "NAN");
    EXPECT_EQ(FormatSpinFloat(-INFINITY), "-INF");
}

TEST(SpinRules, AcceptedCharactersAndParsing) {
    for (char c : std::string_view("0123456789-")) {
        EXPECT_TRUE(SpinAcceptsChar(c, true)) << c;
    }
    for (char c : std::string_view(".,eEax ")) EXPECT_FALSE(SpinAcceptsChar(c, true)) << c;
    for (char c : std::string_view(".,eE5-")) EXPECT_TRUE(SpinAcceptsChar(c, false)) << c;
    for (char c : std::string_view("ax+ ")) EXPECT_FALSE(SpinAcceptsChar(c, false)) << c;
    EXPECT_FALSE(SpinAcceptsChar(U'\u00e9', false));

    EXPECT_EQ(ParseSpinText("12,5", false), 12.5);
    EXPECT_EQ(ParseSpinText("1e3", false), 1000.0);
    EXPECT_EQ(ParseSpinText("-0.25", false), -0.25);
    EXPECT_EQ(ParseSpinText("42", true), 42.0);
    for (const char* bad : {"", "-", "abc", "1e999", "1.2.3", "--1"}) {
        EXPECT_FALSE(ParseSpinText(bad, false)) << bad;
    }
    EXPECT_FALSE(ParseSpinText("4.2", true));
    EXPECT_FALSE(ParseSpinText("99999999999999999999999", true));
}

TEST_F(ControlsTest, SpinFieldValuesAndDisplay) {
    THostSpinEdit2 spin;
    int changes = 0;
    QObject::connect(&spin, &THostSpinEdit2::OnChange, [&] { ++changes; });
    spin.SetValueF(12345.6f);
    EXPECT_EQ(spin.ValueF(), 12345.6f);
    EXPECT_EQ(spin.DisplayText(), "12345.6");
    spin.SetMin(1);  // raises Max to 1 as well, and re-applies the value
    EXPECT_EQ(spin.Max(), 1);
    EXPECT_EQ(spin.ValueF(), 1);
    spin.SetMax(10000);
    spin.SetValueF(20000);
    EXPECT_EQ(spin.ValueF(), 10000);
    spin.SetValueF(0);
    EXPECT_EQ(spin.ValueF(), 1);
    EXPECT_EQ(spin.ValueInt(), 1);
    EXPECT_EQ(changes, 5);

    THostSpinEdit2 whole;
    whole.SetShowValue(TSpinShow::Whole);
    whole.SetValueF(2.5f);
    EXPECT_EQ(whole.DisplayText(), "2");
}

TEST_F(ControlsTest, SpinButtonStepsByTheIncrement) {
    THostSpinEdit2 spin;
    spin.resize(60, 16);
    spin.SetIncrement(0.25f);
    spin.SetPositiveOnly(true);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(56, 3));  // upper half of the button
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(56, 3));
    EXPECT_EQ(spin.ValueF(), 0.5f);
    for (int i = 0; i < 3; ++i) QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(56, 13));
    EXPECT_EQ(spin.ValueF(), 0);  // never below zero
}

TEST_F(ControlsTest, WheelNotchesStepByTheIncrement) {
    THostSpinEdit2 spin;
    spin.resize(60, 16);
    spin.SetIncrement(0.01f);
    spin.SetValueF(1);
    const auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(20, 8), spin.mapToGlobal(QPointF(20, 8)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&spin, &event);
    };
    wheel(120);
    wheel(120);
    EXPECT_FLOAT_EQ(spin.ValueF(), 1.02f);
    wheel(-240);  // two notches at once
    EXPECT_FLOAT_EQ(spin.ValueF(), 1.0f);
    // A fine wheel's eighths add up to a notch.
    for (int i = 0; i < 3; ++i) wheel(40);
    EXPECT_FLOAT_EQ(spin.ValueF(), 1.01f);
}

TEST_F(ControlsTest, InlineEditorIgnoresLettersInAWholeNumberField) {
    QWidget parent;
    auto* spin = new THostSpinEdit2(&parent);
    spin->resize(60, 16);
    spin->SetShowValue(TSpinShow::Whole);
    spin->SetValueInt(3);
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(20, 8));
    QLineEdit* editor = spin->InlineEditor();
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClick(editor, '1');
    QTest::keyClick(editor, 'a');
    QTest::keyClick(editor, '.');
    QTest::keyClick(editor, '2');
    EXPECT_EQ(editor->text(), "12");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(spin->InlineEditor(), nullptr);
    EXPECT_EQ(spin->ValueInt(), 12);
}

TEST_F(ControlsTest, InlineEditorCommitsAndCancels) {
    THostSpinEdit2 spin;
    spin.resize(60, 16);
    spin.SetValueF(1.5f);
    spin.StartEdit();
    spin.InlineEditor()->setText("2,25");
    QTest::keyClick(spin.InlineEditor(), Qt::Key_Enter);
    EXPECT_EQ(spin.ValueF(), 2.25f);
    spin.StartEdit();
    spin.InlineEditor()->setText("9");
    QTest::keyClick(spin.InlineEditor(), Qt::Key_Escape);
    EXPECT_EQ(spin.ValueF(), 2.25f);
    spin.StartEdit();
    spin.InlineEditor()->setText("-");  // not a number: the value stays
    QTest::keyClick(spin.InlineEditor(), Qt::Key_Return);
    EXPECT_EQ(spin.ValueF(), 2.25f);
}

TEST_F(ControlsTest, TabAndArrowsMoveBetweenSiblingFields) {
    QWidget parent;
    THostSpinEdit2* fields[3];
    for (auto*& field : fields) {
        field = new THostSpinEdit2(&parent);
        field->resize(60, 16);
    }
    auto* hidden = new THostSpinEdit2(&parent);  // skipped while hidden
    hidden->hide();
    parent.show();

    fields[2]->StartEdit();
    fields[2]->InlineEditor()->setText("4");
    QTest::keyClick(fields[2]->InlineEditor(), Qt::Key_Tab);
    EXPECT_EQ(fields[2]->ValueF(), 4);  // moving commits
    ASSERT_NE(fields[0]->InlineEditor(), nullptr);
    QTest::keyClick(fields[0]->InlineEditor(), Qt::Key_Backtab);
    ASSERT_NE(fields[2]->InlineEditor(), nullptr);
    QTest::keyClick(fields[2]->InlineEditor(), Qt::Key_Up);
    ASSERT_NE(fields[1]->InlineEditor(), nullptr);
    QTest::keyClick(fields[1]->InlineEditor(), Qt::Key_Down);
    EXPECT_NE(fields[2]->InlineEditor(), nullptr);
    EXPECT_EQ(hidden->InlineEditor(), nullptr);
}

// ---- gradient bar ----------------------------------------------------------------------------

void ExpectColor(const TGradColor& c, double r, double g, double b) {
    EXPECT_NEAR(c.r, r, 1e-9);
    EXPECT_NEAR(c.g, g, 1e-9);
    EXPECT_NEAR(c.b, b, 1e-9);
}

TEST(GradDisplay, ColumnsRunFromZeroToOne) {
    EXPECT_EQ(GradColumnT(0, 101), 0);
    EXPECT_EQ(GradColumnT(50, 101), 0.5);
    EXPECT_EQ(GradColumnT(100, 101), 1);
    EXPECT_EQ(GradColumnT(0, 1), 0);  // no division by zero
    EXPECT_EQ(GradMarkX(0.5, 101), 50);
    EXPECT_EQ(GradMarkX(1.2, 101), 100);
    EXPECT_EQ(GradPosFromX(-5, 101), 0);
    EXPECT_EQ(GradPosFromX(25, 101), 0.25);
    EXPECT_EQ(GradPosFromX(150, 101), 1);
}

TEST(GradDisplay, ModesOnHandCalculatedColours) {
    TGradParams p;
    p.Mode = 3;
    p.Color1 = {0, 0, 0, 1};
    p.Color2 = {1, 0.5, 0, 1};
    ExpectColor(GradColorAt(p, 0.5), 0.5, 0.25, 0);

    p.Mode = 4;  // hue ramp
    ExpectColor(GradColorAt(p, 1.0 / 6.0), 1, 1, 0);
    ExpectColor(GradColorAt(p, 0.5), 0, 1, 1);
    ExpectColor(GradColorAt(p, 1), 1, 0, 0);  // hue 1 is hue 0
    p.HueSaturation = 0.5;
    p.HueValue = 0.8;
    ExpectColor(GradColorAt(p, 0), 0.8, 0.4, 0.4);

    for (int mode = 5; mode <= 7; ++mode) {
        p.Mode = mode;
        const TGradColor c = GradColorAt(p, 0.25);
        ExpectColor(c, mode == 5 ? 0.25 : 0, mode == 6 ? 0.25 : 0, mode == 7 ? 0.25 : 0);
    }

    p.Mode = 2;  // an empty curve is a grey ramp
    ExpectColor(GradColorAt(p, 0.5), 0.5, 0.5, 0.5);
    p.Curve = {{0, {0, 0, 0, 1}}, {0.5, {1, 0, 0, 1}}, {1, {1, 1, 1, 1}}};
    ExpectColor(GradColorAt(p, 0.25), 0.5, 0, 0);
    ExpectColor(GradColorAt(p, 0.75), 1, 0.5, 0.5);
}

TEST(GradDisplay, TransparentCurveShowsTheCheckerboard) {
    TGradParams p;
    p.Mode = 0;
    p.Curve = {{0, {1, 0, 0, 0}}, {1, {1, 0, 0, 0}}};
    EXPECT_EQ(GradPixel(p, 0, 0, 100).r, kGradCheckerLight);
    EXPECT_EQ(GradPixel(p, 8, 0, 100).r, kGradCheckerDark);
    EXPECT_EQ(GradPixel(p, 8, 8, 100).r, kGradCheckerLight);
    EXPECT_EQ(GradPixel(p, 7, 9, 100).g, kGradCheckerDark);
    // A quarter opaque red over the light grey 204: 0.25 + 0.8 * 0.75 = 0.85 -> 217; 0.6 -> 153.
    p.Curve = {{0, {1, 0, 0, 0.25}}};
    EXPECT_EQ(GradPixel(p, 0, 0, 100).r, 217);
    EXPECT_EQ(GradPixel(p, 0, 0, 100).g, 153);
    p.Mode = 1;  // the same curve drawn opaque
    EXPECT_EQ(GradPixel(p, 0, 0, 100).r, 255);
    EXPECT_EQ(GradPixel(p, 0, 0, 100).g, 0);
}

TEST_F(ControlsTest, GradDisplayMarkFollowsDrags) {
    TGradDisplay bar;
    bar.resize(101, 14);
    int moves = 0;
    QObject::connect(&bar, &TGradDisplay::OnPosChanged, [&] { ++moves; });
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(25, 5));
    EXPECT_EQ(moves, 0);  // no mark, no drag
    bar.SetSlideOn(true);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(25, 5));
    EXPECT_EQ(bar.SlidePos(), 0.25);
    EXPECT_EQ(moves, 1);
    bar.SetSlidePos(3);
    EXPECT_EQ(bar.SlidePos(), 1);
    EXPECT_EQ(moves, 1);
}

// ---- colour picker ---------------------------------------------------------------------------

TEST(ColorPicker, HueStopsShortOfOne) {
    EXPECT_EQ(HueFromBarPosition(1), 0.9921875);
    EXPECT_EQ(HueFromBarPosition(0.5), 0.49609375);
    EXPECT_EQ(HueBarPosition(127.0 / 128.0), 1);
    EXPECT_DOUBLE_EQ(HueBarPosition(0.25), 32.0 / 127.0);
    EXPECT_EQ(HueBarPosition(0.999), 1);  // a hue from RGB past the top sits at the end
}

TEST(ColorPicker, BarsConvertBetweenHsvAndRgb) {
    TColorPickerState s;
    s.SetRgb(1, 0, 0);
    EXPECT_EQ(s.H, 0);
    EXPECT_EQ(s.S, 1);
    EXPECT_EQ(s.V, 1);
    // Hue 0.49609375: 6H = 2.9765625, sector 2, f = 0.9765625: (p, V, t) = (0, 1, 0.9765625).
    s.SetBar(kHueBar, 0.5);
    EXPECT_EQ(s.H, 0.49609375);
    EXPECT_DOUBLE_EQ(s.R, 0);
    EXPECT_DOUBLE_EQ(s.G, 1);
    EXPECT_DOUBLE_EQ(s.B, 0.9765625);

    s.SetRgb(1, 0, 0);
    s.SetBar(kGreenBar, 1);  // yellow: hue 1/6
    EXPECT_DOUBLE_EQ(s.H, 1.0 / 6.0);
    EXPECT_DOUBLE_EQ(s.BarPosition(kHueBar), 128.0 / (6.0 * 127.0));
    s.SetBar(kValueBar, 0.5);
    EXPECT_DOUBLE_EQ(s.R, 0.5);
    EXPECT_DOUBLE_EQ(s.G, 0.5);
    EXPECT_DOUBLE_EQ(s.B, 0);
    s.SetBar(kSaturationBar, 0.5);  // p = 0.25, t = 0.5 at f = 0 of sector 1 ... (q, V, p)
    EXPECT_DOUBLE_EQ(s.R, 0.5);
    EXPECT_DOUBLE_EQ(s.G, 0.5);
    EXPECT_DOUBLE_EQ(s.B, 0.25);
}

TEST(ColorPicker, BarsShowTheirRangeAtTheCurrentColour) {
    TColorPickerState s;
    s.SetRgb(0.2, 0.4, 0.6);
    const TGradParams red = s.BarParams(kRedBar);
    EXPECT_EQ(red.Mode, 3);
    EXPECT_EQ(red.Color1, (TGradColor{0, 0.4, 0.6, 1}));
    EXPECT_EQ(red.Color2, (TGradColor{1, 0.4, 0.6, 1}));
    const TGradParams blue = s.BarParams(kBlueBar);
    EXPECT_EQ(blue.Color1, (TGradColor{0.2, 0.4, 0, 1}));
    const TGradParams hue = s.BarParams(kHueBar);
    EXPECT_EQ(hue.Mode, 4);
    EXPECT_DOUBLE_EQ(hue.HueSaturation, 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(hue.HueValue, 0.6);

    s.SetRgb(1, 0, 0);
    const TGradParams saturation = s.BarParams(kSaturationBar);
    EXPECT_EQ(saturation.Color1, (TGradColor{1, 1, 1, 1}));
    EXPECT_EQ(saturation.Color2, (TGradColor{1, 0, 0, 1}));
    const TGradParams value = s.BarParams(kValueBar);
    EXPECT_EQ(value.Color1, (TGradColor{0, 0, 0, 1}));
    EXPECT_EQ(value.Color2, (TGradColor{1, 0, 0, 1}));
}

TEST_F(ControlsTest, ColorPickerSwatchesCloseTheDialog) {
    TColSelect picker;
    EXPECT_EQ(picker.size(), QSize(kColorPickerWidth, kColorPickerHeight));
    picker.SetOldColor({0.2, 0.4, 0.6});
    EXPECT_DOUBLE_EQ(picker.Bar(kRedBar)->SlidePos(), 0.2);
    picker.MoveBar(kBlueBar, 1);
    EXPECT_EQ(picker.NewColor(), (std::array<double, 3>{0.2, 0.4, 1}));
    EXPECT_EQ(picker.Bar(kBlueBar)->SlidePos(), 1);
    EXPECT_EQ(picker.Bar(kRedBar)->Params().Color1, (TGradColor{0, 0.4, 1, 1}));
    picker.ClickNewSwatch();
    EXPECT_EQ(picker.result(), QDialog::Accepted);

    picker.RestoreOld();
    EXPECT_EQ(picker.result(), QDialog::Rejected);
    EXPECT_EQ(picker.NewColor(), (std::array<double, 3>{0.2, 0.4, 0.6}));

    // Its buttons: Enter takes the new colour through the default OK, Escape keeps the old.
    for (const auto& [key, result] : {std::pair{Qt::Key_Return, QDialog::Accepted},
                                      std::pair{Qt::Key_Escape, QDialog::Rejected}}) {
        picker.setResult(-1);
        picker.show();
        QTest::keyClick(&picker, key);
        EXPECT_EQ(picker.result(), result) << key;
        EXPECT_FALSE(picker.isVisible());
    }
}

// ---- slider, expander, check box -------------------------------------------------------------

TEST(CoolSlider, FilledPartIsTheFractionOfTheWidth) {
    EXPECT_EQ(SliderFilledWidth(50, 0, 100, 200), 100);
    EXPECT_EQ(SliderFilledWidth(1.0 / 3.0, 0, 1, 100), 33);
    EXPECT_EQ(SliderFilledWidth(2.0 / 3.0, 0, 1, 100), 67);
    EXPECT_EQ(SliderFilledWidth(5, 5, 5, 100), 0);  // Min equal to Max
    EXPECT_EQ(SliderFilledWidth(500, 0, 100, 80), 80);
    EXPECT_EQ(ClampSliderPosition(5, 10, 0), 10);
    EXPECT_EQ(ClampSliderPosition(NAN, 0, 1), 0);
    EXPECT_EQ(SliderPositionFromX(50, 200, 0, 10), 2.5);
    EXPECT_EQ(SliderPositionFromX(300, 200, 0, 10), 10);
}

TEST_F(ControlsTest, CoolSliderFollowsThePointer) {
    TCoolSlider slider;
    slider.resize(200, 10);
    int changes = 0;
    QObject::connect(&slider, &TCoolSlider::OnChange, [&] { ++changes; });
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(150, 5));
    EXPECT_EQ(slider.Position(), 75);
    EXPECT_EQ(slider.FilledWidth(), 150);
    EXPECT_EQ(changes, 1);
    slider.SetMax(50);
    EXPECT_EQ(slider.Position(), 50);
}

TEST(ExpanderPanel, GlyphsPointTheWayItOpens) {
    struct Case {
        bool expanded, bottom, reversed;
        char glyph;
    };
    const Case cases[] = {
        {true, false, false, '5'}, {false, false, false, '6'}, {true, true, false, '6'},
        {true, false, true, '6'},  {false, true, false, '5'},  {false, false, true, '5'},
        {true, true, true, '5'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExpanderGlyph(c.expanded, c.bottom, c.reversed), c.glyph)
            << c.expanded << c.bottom << c.reversed;
    }
}

TEST_F(ControlsTest, ExpanderCollapsesAndExpandsItsControl) {
    QWidget parent;
    auto* panel = new TExpanderPanel(&parent);
    auto* tools = new QWidget(&parent);
    panel->SetCaption("Tools");
    panel->SetAutoHint("tools & options");
    panel->SetExpandedHeight(80);
    panel->SetCollapsedHeight(0);
    panel->SetAttachedControl(tools);
    EXPECT_EQ(tools->height(), 80);
    EXPECT_EQ(panel->toolTip(), "Click to hide tools & options");

    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(50, 9));
    EXPECT_FALSE(panel->Expanded());
    EXPECT_EQ(tools->height(), 0);
    EXPECT_EQ(panel->toolTip(), "Click to show tools & options");
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(50, 9));
    EXPECT_TRUE(panel->Expanded());
    EXPECT_EQ(tools->height(), 80);
}

TEST_F(ControlsTest, CheckBoxRaisesOnlyOnChange) {
    TGCheckBox box;
    box.SetCaption("Auto-update shader");
    int changes = 0;
    QObject::connect(&box, &TGCheckBox::OnChange, [&] { ++changes; });
    box.SetChecked(true);
    box.SetChecked(true);
    EXPECT_EQ(changes, 1);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(changes, 2);
}

// ---- palette grid and progress box -----------------------------------------------------------

TEST(ImageGrid, CellHitTesting) {
    // A strip of ten 24-pixel cells in a control 72 pixels wide: three cells per line.
    const TGridGeometry g = GridLayout(240, 24, 10, 72);
    EXPECT_EQ(g.CellWidth, 24);
    EXPECT_EQ(g.PerLine, 3);
    EXPECT_EQ(g.Count, 10);
    struct Case {
        int x, y, cell;
    };
    const Case cases[] = {
        {0, 0, 0},   {23, 23, 0}, {24, 0, 1},   {71, 0, 2},  {72, 0, -1}, {0, 24, 3},
        {50, 47, 5}, {0, 72, 9},  {25, 72, -1}, {-1, 0, -1}, {0, -1, -1}, {0, 96, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(GridCellAt(g, c.x, c.y), c.cell) << c.x << "," << c.y;
    EXPECT_EQ(GridCellAt(GridLayout(240, 24, 0, 72), 0, 0), -1);  // no columns, no cells
}

TEST(ImageGrid, TagsAndHintsByRowAndCell) {
    const TGridTexts tags = SplitGridTexts("101;102;x|201");
    EXPECT_EQ(GridTag(tags, 0, 1), 102);
    EXPECT_EQ(GridTag(tags, 0, 2), 0);  // unreadable
    EXPECT_EQ(GridTag(tags, 1, 0), 201);
    EXPECT_EQ(GridTag(tags, 1, 5), 0);
    EXPECT_EQ(GridTag(tags, 2, 0), 0);
    EXPECT_EQ(GridTag(tags, -1, 0), 0);
    const TGridTexts hints = SplitGridTexts("Sine;Gauss||Add");
    EXPECT_EQ(GridText(hints, 0, 1), "Gauss");
    EXPECT_EQ(GridText(hints, 1, 0), "");
    EXPECT_EQ(GridText(hints, 2, 0), "Add");
}

QImage Strip(int cells, QColor color) {
    QImage image(cells * 24, 24, QImage::Format_RGB32);
    QPainter p(&image);
    for (int i = 0; i < cells; ++i) {
        p.fillRect(QRect(i * 24, 0, 24, 24), color.lighter(100 + 15 * i));
        p.setPen(Qt::white);
        p.drawText(QRect(i * 24, 0, 24, 24), Qt::AlignCenter, QString::number(i));
    }
    return image;
}

TEST_F(ControlsTest, ImageGridClickSetsIndexAndTag) {
    TImageGridSelect grid;
    grid.resize(96, 48);
    grid.SetImageGrid({Strip(4, QColor(60, 90, 140)), Strip(3, QColor(120, 60, 60))});
    grid.SetColumns(4);
    grid.SetTags("101;102;103;104|201;202;203");
    grid.SetHints("Sine;Gauss;Noise;Saw|A;B;C");
    grid.SetActiveRow(1);
    grid.SetColumns(3);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(grid.ItemIndex(), 1);
    EXPECT_EQ(grid.Tag(), 202);
    EXPECT_EQ(grid.HintAt(QPoint(50, 3)), "C");
    EXPECT_EQ(grid.HintAt(QPoint(80, 3)), "");
    grid.SetItemIndex(-7);
    EXPECT_EQ(grid.ItemIndex(), -1);
    EXPECT_EQ(grid.Tag(), 0);
    grid.SetActiveRow(9);
    EXPECT_EQ(grid.ActiveRow(), 1);
}

TEST_F(ControlsTest, GridDragCarriesTheTypeId) {
    TGridDrag drag(305);
    EXPECT_EQ(TGridDrag::TypeIdOf(&drag), 305);
    QMimeData other;
    EXPECT_EQ(TGridDrag::TypeIdOf(&other), 0);
    other.setData(kGridDragFormat, "junk");
    EXPECT_EQ(TGridDrag::TypeIdOf(&other), 0);
    EXPECT_EQ(TGridDrag::TypeIdOf(nullptr), 0);
}

TEST_F(ControlsTest, ProgressBoxShowsAndHides) {
    TProgressForm form;
    form.SetProgress(kCreatingComponentsText, 40);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Message(), "Creating components...");
    EXPECT_EQ(form.Position(), 40);
    form.SetProgress(kConnectingComponentsText, 150);
    EXPECT_EQ(form.Message(), "Connecting components...");
    EXPECT_EQ(form.Position(), 100);
    form.SetProgress("", 0);
    EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace vandrel

// The interface editor window: entry names, text decoding and item escapes, and the window over a
// model whose triggers and file slots the tests register: the hint page, labels kept across
// entries and reverted, the column options, the signs, enumerations and colours through Apply and
// Parse, default files, the observer hand-over and screenshots of every page.
#include "editor/interface_editor.h"

#include "editor/interface_panel.h"
#include "editor/model/dialogs.h"
#include "editor/model/editor_settings.h"
// (the model's headers before Qt's)
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "core/stream_codec.h"
#include "editor/controls/gcheckbox.h"
#include "editor/controls/spin_edit.h"
#include "editor_test_support.h"
#include "qt_test_support.h"

namespace vandrel {
namespace {

// ---- plain rules -------------------------------------------------------------------------------

TEST(InterfaceEntryNames, ReadAndWriteTheListTexts) {
    struct Case {
        const char* text;
        std::optional<TInterfaceEntry> entry;
    };
    const Case cases[] = {
        {"File 1", TInterfaceEntry{true, 0}},
        {"File 5", TInterfaceEntry{true, 4}},
        {"Trigger 1", TInterfaceEntry{false, 0}},
        {"Trigger 12", TInterfaceEntry{false, 11}},
        {"Trigger 20", TInterfaceEntry{false, 19}},
        {"File 0", std::nullopt},
        {"File 6", std::nullopt},
        {"Trigger 21", std::nullopt},
        {"Trigger 01", std::nullopt},
        {"Trigger 1x", std::nullopt},
        {"Trigger ", std::nullopt},
        {"trigger 3", std::nullopt},
        {"Trigger1", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseInterfaceEntryName(c.text), c.entry) << c.text;
        if (c.entry) {
            EXPECT_EQ(InterfaceEntryName(*c.entry), c.text);
        }
    }
}

TEST(InterfaceTexts, DecodeUtf8OrTheOldCodePage) {
    struct Case {
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {"\xC2\xA9 Ferrow", "\u00A9 Ferrow"},
        // Single bytes of Windows-1252: the copyright and trade mark signs, an e acute.
        {"\xA9 Ferrow\x99", "\u00A9 Ferrow\u2122"},
        {"caf\xE9", "caf\u00E9"},
        // Not UTF-8, though each starts like it: overlong, a surrogate, beyond U+10FFFF, cut short.
        {"\xC0\xAF", "\u00C0\u00AF"},
        {"\xED\xA0\x80", "\u00ED\u00A0\u20AC"},
        {"\xF4\x90\x80\x80", "\u00F4\u0090\u20AC\u20AC"},
        {"ab\xE2\x82", "ab\u00E2\u201A"},
        {"\xF0\x9F\x8E\xA8 4-byte", "\U0001F3A8 4-byte"},
    };
    for (const Case& c : cases) EXPECT_EQ(DisplayText(c.stored), c.shown) << c.stored;
    EXPECT_EQ(UnescapedText("Red&'GBall"), "Red Ball");
}

TEST(InterfaceItemNames, EscapesNeverSplitTheList) {
    struct Case {
        const char* name;
        const char* escaped;
    };
    const Case cases[] = {
        {"Saw", "Saw"},
        {"Zig zag", "Zig&'Gzag"},
        {"a;b", "a&'bb"},
        // "ü" is C3 BC; the plain escape of BC would be "&);".
        {"Gr\xC3\xBCn", "Gr&)B&,?n"},
        {"\x14", "&*?"},
    };
    for (const Case& c : cases) {
        const std::string escaped = EscapeItemName(c.name);
        EXPECT_EQ(escaped, c.escaped) << c.name;
        EXPECT_EQ(escaped.find(';'), std::string::npos) << c.name;
        EXPECT_EQ(UnescapeText(escaped), c.name) << c.name;
    }
}

// ---- the window --------------------------------------------------------------------------------

class InterfaceEditorTest : public ::testing::Test {
  protected:
    void SetUp() override { test::TestApplication(); }
    void TearDown() override {
        delete window.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TInterfaceEditor& Open() {
        window = new TInterfaceEditor(model);
        return *window;
    }
    // Applies once so that an interface string exists for Revert.
    void ApplyOnce() {
        window->Apply();
        ASSERT_FALSE(model.InterfaceString().empty());
    }
    QStringList ListTexts() const {
        QStringList texts;
        for (int i = 0; i < window->EntryList()->count(); ++i) {
            texts << window->EntryList()->itemText(i);
        }
        return texts;
    }

    TXRInterfaceModel model;
    QPointer<TInterfaceEditor> window;
};

TEST_F(InterfaceEditorTest, OpensWithItsCaptionSizeAndTheHintWhenNothingIsUsed) {
    TInterfaceEditor& w = Open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Shader Interface"));
    EXPECT_EQ(w.size(), QSize(202, 289));
    EXPECT_EQ(w.EntryList()->count(), 0);
    EXPECT_EQ(w.PageIndex(), 0);
    EXPECT_EQ(w.HintLabel()->text(), QStringLiteral("Select a trigger from the drop-down\nlist "
                                                    "above to access it' s properties."));
    EXPECT_TRUE(w.TwoColumnsBox()->Checked());
    EXPECT_TRUE(w.DownThenOverButton()->isChecked());
    EXPECT_TRUE(w.DownThenOverButton()->isEnabled());
    EXPECT_FALSE(w.ApplyButton()->isEnabled());
    EXPECT_FALSE(w.RevertButton()->isEnabled());
    test::Screenshot(w, "interface_editor_empty");
}

TEST_F(InterfaceEditorTest, ListsFilesThenTriggersAndFollowsRegistrations) {
    model.RegisterTrigger(6, kNumerical);
    model.RegisterFileSlot(2, 'A');
    model.RegisterTrigger(1, kUV);
    TInterfaceEditor& w = Open();
    EXPECT_EQ(ListTexts(), (QStringList{"File 3", "Trigger 2", "Trigger 7"}));

    ASSERT_TRUE(w.SelectEntry({false, 6}));
    EXPECT_EQ(w.PageIndex(), 1);
    EXPECT_EQ(w.LabelEdit()->text(), QStringLiteral("Trigger7"));
    // A new registration extends the list and keeps the selection and its typed label.
    w.LabelEdit()->setText(QStringLiteral("Speed"));
    model.RegisterTrigger(3, kVector);
    EXPECT_EQ(ListTexts(), (QStringList{"File 3", "Trigger 2", "Trigger 4", "Trigger 7"}));
    EXPECT_EQ(w.EntryList()->currentText(), QStringLiteral("Trigger 7"));
    EXPECT_EQ(w.LabelEdit()->text(), QStringLiteral("Speed"));

    // Freeing the shown trigger clears the selection and shows the hint.
    model.ReleaseTrigger(6);
    EXPECT_EQ(ListTexts(), (QStringList{"File 3", "Trigger 2", "Trigger 4"}));
    EXPECT_EQ(w.SelectedTrigger(), -1);
    EXPECT_EQ(w.PageIndex(), 0);
    EXPECT_EQ(w.EntryList()->currentIndex(), -1);
}

TEST_F(InterfaceEditorTest, ALabelSurvivesChoosingAnotherEntryButNotRevert) {
    model.RegisterTrigger(0, kNumerical);
    model.RegisterTrigger(2, kVector);
    TInterfaceEditor& w = Open();
    ApplyOnce();
    const std::string applied = model.InterfaceString();

    ASSERT_TRUE(w.SelectEntry({false, 0}));
    EXPECT_FALSE(w.ApplyButton()->isEnabled());
    w.LabelEdit()->setText(QStringLiteral("Wave speed"));
    EXPECT_TRUE(w.ApplyButton()->isEnabled());
    EXPECT_TRUE(w.RevertButton()->isEnabled());

    ASSERT_TRUE(w.SelectEntry({false, 2}));
    EXPECT_EQ(model.Settings().Triggers[0].Label, "Wave&'Gspeed");
    EXPECT_EQ(model.InterfaceString(), applied);

    w.Revert();
    EXPECT_EQ(model.Settings().Triggers[0].Label, "Trigger1");
    EXPECT_FALSE(w.ApplyButton()->isEnabled());
    EXPECT_FALSE(w.RevertButton()->isEnabled());
    // The selection stays, and the first entry shows the applied label again.
    EXPECT_EQ(w.SelectedTrigger(), 2);
    ASSERT_TRUE(w.SelectEntry({false, 0}));
    EXPECT_EQ(w.LabelEdit()->text(), QStringLiteral("Trigger1"));
}

TEST_F(InterfaceEditorTest, RevertStaysOffUntilAnInterfaceStringExists) {
    model.RegisterTrigger(0, kNumerical);
    TInterfaceEditor& w = Open();
    ASSERT_TRUE(w.SelectEntry({false, 0}));
    w.LabelEdit()->setText(QStringLiteral("Speed"));
    EXPECT_TRUE(w.ApplyButton()->isEnabled());
    EXPECT_FALSE(w.RevertButton()->isEnabled());
}

TEST_F(InterfaceEditorTest, OneColumnDisablesTheOrderAndAppliesAs01) {
    model.RegisterTrigger(0, kNumerical);
    TInterfaceEditor& w = Open();
    w.TwoColumnsBox()->SetChecked(false);
    EXPECT_FALSE(w.DownThenOverButton()->isEnabled());
    EXPECT_FALSE(w.OverThenDownButton()->isEnabled());
    EXPECT_TRUE(w.ApplyButton()->isEnabled());
    w.Apply();
    EXPECT_EQ(model.InterfaceString().substr(0, 4), "01D%");
    EXPECT_EQ(model.Options().Columns, 1);

    w.TwoColumnsBox()->SetChecked(true);
    EXPECT_TRUE(w.OverThenDownButton()->isEnabled());
    w.OverThenDownButton()->setChecked(true);
    w.Apply();
    EXPECT_EQ(model.InterfaceString().substr(0, 4), "02O%");
}

TEST_F(InterfaceEditorTest, ASignReplacesTheSelectedText) {
    TInterfaceEditor& w = Open();
    QLineEdit* notice = w.NoticeEdit();
    notice->setText(QStringLiteral("Ferrow (R) 2024"));
    notice->setSelection(7, 3);
    w.SignButtons()[1]->click();
    EXPECT_EQ(notice->text(), QStringLiteral("Ferrow \u00AE 2024"));
    EXPECT_EQ(notice->cursorPosition(), 8);
    // At the caret, without a selection.
    notice->setCursorPosition(0);
    w.SignButtons()[0]->click();
    EXPECT_EQ(notice->text(), QStringLiteral("\u00A9Ferrow \u00AE 2024"));
    w.Apply();
    // Blank "&'G", "©" C2 A9 "&)A&)(", "®" C2 AE "&)A&)-".
    EXPECT_EQ(model.InterfaceString(), "02D&)A&)(Ferrow&'G&)A&)-&'G2024%%");
}

TEST_F(InterfaceEditorTest, TheNoticeRefusesTextBeyondWhatTheModelKeeps) {
    TInterfaceEditor& w = Open();
    const QString full(127, QChar(0xA9));  // 254 bytes
    w.NoticeEdit()->setText(full);
    w.SignButtons()[2]->click();  // "™" takes three bytes
    EXPECT_EQ(w.NoticeEdit()->text(), full);
    w.NoticeEdit()->insert(QStringLiteral("x"));
    EXPECT_EQ(w.NoticeEdit()->text(), full + 'x');
    w.NoticeEdit()->insert(QStringLiteral("y"));
    EXPECT_EQ(w.NoticeEdit()->text(), full + 'x');
}

TEST_F(InterfaceEditorTest, RenamedItemsAndTheMarkedDefaultComeBackThroughParse) {
    const std::string list = "Sine;Saw;Square";
    model.RegisterTrigger(4, kEnumeration, false, list);
    TInterfaceEditor& w = Open();
    ASSERT_TRUE(w.SelectEntry({false, 4}));
    QListWidget* items = w.ItemList();
    ASSERT_EQ(items->count(), 3);
    EXPECT_EQ(items->item(0)->checkState(), Qt::Checked);
    items->item(0)->setText(QStringLiteral("Gr\u00FCn"));
    items->item(1)->setText(QStringLiteral("Zig zag"));
    items->item(2)->setCheckState(Qt::Checked);
    EXPECT_EQ(items->item(0)->checkState(), Qt::Unchecked);
    // The mark cannot be taken off the only marked item.
    items->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(items->item(2)->checkState(), Qt::Checked);
    w.Apply();
    EXPECT_EQ(model.Serialise(), model.InterfaceString());
    EXPECT_EQ(model.InterfaceString(),
              "02D%0406$Trigger5$Sine;Saw;Square@Gr&)B&,?n;Zig&'Gzag;Square$02%");

    TXRInterfaceModel reread;
    reread.RegisterTrigger(4, kEnumeration, false, list);
    reread.Parse(model.InterfaceString());
    EXPECT_EQ(reread.Settings().Triggers[4].DefaultItem(), 2);
    EXPECT_EQ(reread.Working().Triggers[4][0], 2.0f);
    QPointer<TInterfaceEditor> second = new TInterfaceEditor(reread);
    ASSERT_TRUE(second->SelectEntry({false, 4}));
    ASSERT_EQ(second->ItemList()->count(), 3);
    EXPECT_EQ(second->ItemList()->item(0)->text(), QStringLiteral("Gr\u00FCn"));
    EXPECT_EQ(second->ItemList()->item(1)->text(), QStringLiteral("Zig zag"));
    EXPECT_EQ(second->ItemList()->item(2)->checkState(), Qt::Checked);
    delete second.data();

    // A stored default outside the list marks nothing, and applying keeps it.
    reread.Settings().Triggers[4].SetDefaultItem(7);
    second = new TInterfaceEditor(reread);
    ASSERT_TRUE(second->SelectEntry({false, 4}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(second->ItemList()->item(i)->checkState(), Qt::Unchecked) << i;
    }
    second->LabelEdit()->setText(QStringLiteral("Wave"));
    second->Apply();
    EXPECT_EQ(reread.Settings().Triggers[4].Label, "Wave");
    EXPECT_EQ(reread.Settings().Triggers[4].DefaultItem(), 7);
    delete second.data();
}

TEST_F(InterfaceEditorTest, AColourChosenInTheDialogBecomesTheDefault) {
    test::ScriptedDialogs dialogs;
    dialogs.colors = {std::array<double, 3>{1.0, 0.5, 0.0}, std::nullopt,
                      std::array<double, 3>{0.0, 0.0, 1.0}};
    model.RegisterTrigger(1, kVector);
    model.Settings().Triggers[1].Values = {0.5f, 0.2f, 1.5f, 0, 0, 0, 0, 0};
    model.Settings().Triggers[1].SetPickerChoice(kSystemPicker);
    TInterfaceEditor& w = Open();
    ASSERT_TRUE(w.SelectEntry({false, 1}));
    EXPECT_EQ(w.PageIndex(), 3);
    // The swatch shows whole bytes: 127.5 rounds to the even 128; 0.2 x 255 = 51; above 1 is 255.
    EXPECT_EQ(w.Swatch()->Color(), QColor(128, 51, 255));
    EXPECT_TRUE(w.SystemPickerButton()->isChecked());

    w.OwnPickerButton()->setChecked(true);
    w.PickDefaultColor();
    ASSERT_EQ(dialogs.pickTitles.size(), 1u);
    EXPECT_EQ(dialogs.pickTitles[0], "Trigger2 (Default)");
    EXPECT_EQ(dialogs.pickInitial[0], (std::array<double, 3>{128 / 255.0, 51 / 255.0, 1}));
    EXPECT_TRUE(dialogs.pickOwn[0]);
    EXPECT_EQ(w.Swatch()->Color(), QColor(255, 128, 0));
    EXPECT_TRUE(w.ApplyButton()->isEnabled());
    w.Apply();
    const TTriggerSettings& s = model.Settings().Triggers[1];
    EXPECT_FLOAT_EQ(s.Values[0], 1.0f);
    EXPECT_FLOAT_EQ(s.Values[1], 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(s.Values[2], 0.0f);
    EXPECT_EQ(s.PickerChoice(), kOwnPicker);
    EXPECT_EQ(model.Working().Triggers[1], (std::array<float, 3>{1.0f, 128.0f / 255.0f, 0.0f}));

    // Cancel changes nothing; the system dialog is asked with the swatch's colour.
    w.SystemPickerButton()->setChecked(true);
    w.PickDefaultColor();
    EXPECT_EQ(w.Swatch()->Color(), QColor(255, 128, 0));
    w.LabelEdit()->setText(QStringLiteral("Glow"));
    w.PickDefaultColor();
    ASSERT_EQ(dialogs.pickTitles.size(), 3u);
    EXPECT_EQ(dialogs.pickTitles[2], "Glow (Default)");
    EXPECT_FALSE(dialogs.pickOwn[2]);
    EXPECT_DOUBLE_EQ(dialogs.pickInitial[1][1], 128.0 / 255.0);
    w.Apply();
    EXPECT_EQ(model.Settings().Triggers[1].PickerChoice(), kSystemPicker);
    // Trigger 1, kind 4, R G B 0 0 1, "W".
    EXPECT_EQ(model.InterfaceString(), "02D%0104$Glow$$00000000000000003F800000W%");
}

TEST_F(InterfaceEditorTest, APressReleasedOutsideTheSwatchOpensNothing) {
    test::ScriptedDialogs dialogs;
    model.RegisterTrigger(0, kVector);
    TInterfaceEditor& w = Open();
    ASSERT_TRUE(w.SelectEntry({false, 0}));
    QWidget* swatch = w.Swatch();
    const QPoint inside(3, 3), outside(200, 3);
    QTest::mousePress(swatch, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(swatch, Qt::LeftButton, {}, outside);
    EXPECT_TRUE(dialogs.pickTitles.empty());
    QTest::mouseClick(swatch, Qt::LeftButton, {}, inside);
    EXPECT_EQ(dialogs.pickTitles.size(), 1u);
}

TEST_F(InterfaceEditorTest, NumericalDefaultsBecomeTheWorkingValue) {
    model.RegisterTrigger(0, kNumerical);
    model.RegisterTrigger(1, kNumerical, true);
    TInterfaceEditor& w = Open();
    ASSERT_TRUE(w.SelectEntry({false, 0}));
    w.NumericalFields()[0]->SetValueF(-1);
    w.NumericalFields()[1]->SetValueF(4);
    w.NumericalFields()[2]->SetValueF(2.5f);
    w.Apply();
    EXPECT_EQ(model.Settings().Triggers[0].Values,
              (std::array<float, 8>{-1, 4, 2.5f, 0.001f, 0, 0, 0, 0}));
    EXPECT_EQ(model.Working().Triggers[0][0], 2.5f);

    // An integer trigger shows and stores whole numbers.
    ASSERT_TRUE(w.SelectEntry({false, 1}));
    EXPECT_EQ(w.NumericalFields()[1]->DisplayText(), QStringLiteral("10000"));
    w.NumericalFields()[2]->SetValueF(7.4f);
    w.Apply();
    EXPECT_EQ(model.Settings().Triggers[1].Values[2], 7.0f);
    EXPECT_EQ(model.Working().Triggers[1][0], 7.0f);
}

TEST_F(InterfaceEditorTest, UVLabelsAndBothHalvesAreStored) {
    model.RegisterTrigger(4, kUV);
    // Stored interleaved, U then V: minimum, maximum, default and step.
    model.Settings().Triggers[4].Values = {-1, -2, 1, 2, 0, 0, 0.5f, 0.25f};
    TInterfaceEditor& w = Open();
    ASSERT_TRUE(w.SelectEntry({false, 4}));
    EXPECT_EQ(w.PageIndex(), 2);
    EXPECT_EQ(w.LabelEdit()->text(), QStringLiteral("Trigger5.U"));
    EXPECT_EQ(w.VLabelEdit()->text(), QStringLiteral("Trigger5.V"));
    const float shown[8] = {-1, 1, 0, 0.5f, -2, 2, 0, 0.25f};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(w.UVFields()[i]->ValueF(), shown[i]) << i;
    w.VLabelEdit()->setText(QStringLiteral("Tilt"));
    w.UVFields()[2]->SetValueF(0.25f);  // default U
    w.UVFields()[6]->SetValueF(0.75f);  // default V
    w.Apply();
    EXPECT_EQ(model.Settings().Triggers[4].SecondText, "Tilt");
    EXPECT_EQ(model.Settings().Triggers[4].Values,
              (std::array<float, 8>{-1, -2, 1, 2, 0.25f, 0.75f, 0.5f, 0.25f}));
    EXPECT_EQ(model.Working().Triggers[4], (std::array<float, 3>{0.25f, 0.75f, 0}));
}

TEST_F(InterfaceEditorTest, BrowsingGivesTheBareNameAndRemembersTheFolder) {
    test::ScriptedDialogs dialogs;
    const std::string lastTexture = EditorSettings().LastTexture;
    EditorSettings().LastTexture = "/data/start";
    dialogs.files = {std::string("/data/wood/oak.png"), std::string("/snd/ding2.wav")};
    model.RegisterFileSlot(0, 'T');
    model.RegisterFileSlot(3, 'A');
    TInterfaceEditor& w = Open();
    ASSERT_TRUE(w.SelectEntry({true, 0}));
    EXPECT_EQ(w.PageIndex(), 5);
    EXPECT_EQ(w.DefaultFileEdit()->text(), QStringLiteral("Texture.jpg"));
    w.BrowseButton()->click();
    ASSERT_EQ(dialogs.opens.size(), 1u);
    EXPECT_EQ(dialogs.opens[0].Filter, kTextureFileFilter);
    EXPECT_EQ(dialogs.opens[0].Folder, "/data/start");
    EXPECT_EQ(w.DefaultFileEdit()->text(), QStringLiteral("oak.png"));
    EXPECT_EQ(EditorSettings().LastTexture, "/data/wood");
    w.LabelEdit()->setText(QStringLiteral("Wood"));

    ASSERT_TRUE(w.SelectEntry({true, 3}));
    w.BrowseButton()->click();
    ASSERT_EQ(dialogs.opens.size(), 2u);
    EXPECT_EQ(dialogs.opens[1].Filter, "Sounds (*.wav)|*.wav");
    EXPECT_EQ(dialogs.opens[1].Folder, "/data/wood");
    w.Apply();
    EXPECT_EQ(model.InterfaceString(), "02D%%0008T$Wood$oak.png|0308A$File 4$ding2.wav");
    EditorSettings().LastTexture = lastTexture;
}

TEST_F(InterfaceEditorTest, ApplyMarksModifiedAndRaisesTheChangeHandlerOnce) {
    model.RegisterTrigger(0, kNumerical);
    TInterfaceEditor& w = Open();
    int changes = 0, modified = 0;
    w.SetChangeHandler([&] { ++changes; });
    w.SetModifiedHandler([&] { ++modified; });
    w.Apply();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(modified, 1);
    w.Revert();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(modified, 1);
}

TEST_F(InterfaceEditorTest, EditsWhileTheModelUpdatesAreIgnored) {
    model.RegisterTrigger(0, kNumerical);
    model.RegisterTrigger(1, kNumerical);
    TInterfaceEditor& w = Open();
    ASSERT_TRUE(w.SelectEntry({false, 0}));
    model.BeginUpdate();
    w.LabelEdit()->setText(QStringLiteral("Ignored"));
    w.TwoColumnsBox()->SetChecked(false);
    model.EndUpdate();
    EXPECT_FALSE(w.ApplyButton()->isEnabled());
    // The order buttons still follow the box.
    EXPECT_FALSE(w.DownThenOverButton()->isEnabled());
    ASSERT_TRUE(w.SelectEntry({false, 1}));
    EXPECT_EQ(model.Settings().Triggers[0].Label, "Trigger1");
}

TEST_F(InterfaceEditorTest, ReloadTakesAParsedStringsOptionsAndNotice) {
    model.RegisterTrigger(0, kNumerical);
    TInterfaceEditor& w = Open();
    model.Parse("01OMade&'Gby&'GMe%0002$Speed$$F00000000000000003F8000003A83126F%");
    EXPECT_FALSE(w.TwoColumnsBox()->Checked());
    EXPECT_TRUE(w.OverThenDownButton()->isChecked());
    EXPECT_FALSE(w.OverThenDownButton()->isEnabled());
    EXPECT_EQ(w.NoticeEdit()->text(), QStringLiteral("Made by Me"));
    ASSERT_TRUE(w.SelectEntry({false, 0}));
    EXPECT_EQ(w.LabelEdit()->text(), QStringLiteral("Speed"));
    EXPECT_EQ(w.NumericalFields()[2]->ValueF(), 1.0f);
    EXPECT_FALSE(w.ApplyButton()->isEnabled());
}

TEST_F(InterfaceEditorTest, ClosingIsReportedAndTheModelForgetsTheWindow) {
    model.RegisterTrigger(0, kNumerical);
    TInterfaceEditor& w = Open();
    bool reported = false;
    QObject::connect(&w, &TInterfaceEditor::WindowClosed, [&] { reported = true; });
    w.show();
    w.close();
    EXPECT_TRUE(reported);
    EXPECT_TRUE(window->Closed());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    // The model no longer calls the freed window.
    model.RegisterTrigger(1, kNumerical);
    model.Parse(model.Serialise());

    // A window freed after its successor opened leaves the successor installed.
    QPointer<TInterfaceEditor> first = new TInterfaceEditor(model);
    window = new TInterfaceEditor(model);
    delete first.data();
    model.RegisterTrigger(2, kNumerical);
    EXPECT_EQ(ListTexts(), (QStringList{"Trigger 1", "Trigger 2", "Trigger 3"}));
}

TEST_F(InterfaceEditorTest, ScreenshotsOfEveryPage) {
    if (qEnvironmentVariableIsEmpty("VANDREL_SCREENSHOTS")) GTEST_SKIP() << "no folder given";
    model.RegisterFileSlot(0, 'T');
    model.RegisterTrigger(0, kNumerical);
    model.RegisterTrigger(1, kUV);
    model.RegisterTrigger(2, kVector);
    model.RegisterTrigger(3, kEnumeration, false, "Sine;Saw;Square");
    model.Settings().Triggers[2].Values = {0.9f, 0.45f, 0.1f, 0, 0, 0, 0, 0};
    TInterfaceEditor& w = Open();
    w.NoticeEdit()->setText(QStringLiteral("\u00A9 Ferrow Software"));
    const std::pair<TInterfaceEntry, const char*> pages[] = {
        {{true, 0}, "interface_editor_file"},         {{false, 0}, "interface_editor_numerical"},
        {{false, 1}, "interface_editor_uv"},          {{false, 2}, "interface_editor_color"},
        {{false, 3}, "interface_editor_enumeration"},
    };
    for (const auto& [entry, name] : pages) {
        ASSERT_TRUE(w.SelectEntry(entry)) << name;
        test::Screenshot(w, name);
    }
}

}  // namespace
}  // namespace vandrel

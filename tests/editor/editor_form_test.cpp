// The editor window, offscreen: its buttons drive the session's commands with the enabled-state
// rules, the category boxes, paste mode, the palette, and screenshots of the window and the
// canvas for each sample shader.
#include "editor/editor_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <filesystem>
#include <set>

#include "core/catalogue.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "editor/component_window.h"
#include "editor/controls/image_grid_select.h"
#include "editor/controls/qt_dialogs.h"
#include "editor/model/editor_settings.h"
#include "editor/palette_icons.h"
#include "editor/preview_widget.h"
#include "editor_test_support.h"
#include "interface/interface_model.h"
#include "panel_test_support.h"
#include "qt_test_support.h"
#include "test_support.h"
#include "ui_driver.h"

namespace vandrel {
namespace {

constexpr int32_t kAdd = 901;
constexpr std::string_view kNoSource = "Unable to rebuild shader; source data not found.";

class EditorFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApplication();
        shader = folder.File("form.xrb");
        ASSERT_TRUE(SaveShaderFile(shader, kDefaultStream).ok);
        form = std::make_unique<TEditorForm>(iface);
        form->EditShader(shader);
    }
    void TearDown() override { form.reset(); }

    TXRComponentContainer* Place(int32_t type, int x, int y) {
        form->BeginPlacement(type);
        return form->Graph().Place(x, y);
    }
    bool Enabled(const char* name) { return form->Button(name)->isEnabled(); }

    test::ScratchFolder folder;
    test::RecordingMessages messages{false};
    test::ScriptedDialogs dialogs;
    TXRInterfaceModel iface;
    std::unique_ptr<TEditorForm> form;
    std::string shader;
};

TEST_F(EditorFormTest, CaptionAndButtonsFollowTheEdits) {
    EXPECT_EQ(form->windowTitle().toStdString(), "Vandrel Editor [" + shader + "]");
    EXPECT_FALSE(Enabled("BtnUndo"));
    EXPECT_FALSE(Enabled("BtnSave"));
    EXPECT_FALSE(Enabled("BtnFetch"));
    EXPECT_FALSE(Enabled("BtnClipPaste") && TEditorSession::Clipboard().empty());
    // The root alone is selected: no subtree tools.
    EXPECT_EQ(form->Graph().ActiveComponent(), form->Graph().RootContainer());
    for (const char* name : {"BtnClipCut", "BtnClipCopy", "BtnHiliteTree", "BtnCreateCustom"}) {
        EXPECT_FALSE(Enabled(name)) << name;
    }

    ASSERT_NE(Place(kAdd, 200, 40), nullptr);
    EXPECT_EQ(form->windowTitle().toStdString(), "Vandrel Editor [" + shader + "] *");
    EXPECT_TRUE(Enabled("BtnUndo"));
    EXPECT_EQ(form->Button("BtnUndo")->toolTip(), "Undo Editing (Ctrl+Z)");
    EXPECT_TRUE(Enabled("BtnSave"));
    EXPECT_TRUE(Enabled("BtnClipCopy"));
    EXPECT_EQ(LoadShaderFile(shader).stream, form->Session().CurrentStream());

    form->Button("BtnUndo")->click();
    EXPECT_FALSE(Enabled("BtnUndo"));
    EXPECT_EQ(form->Button("BtnUndo")->toolTip(), "Undo (Ctrl+Z)");
    EXPECT_EQ(form->Graph().Containers().size(), 1u);
    form->Button("BtnUndo")->click();  // disabled: nothing happens
    EXPECT_EQ(form->Graph().Containers().size(), 1u);

    form->Button("BtnSave")->click();
    EXPECT_FALSE(Enabled("BtnSave"));
    EXPECT_EQ(form->windowTitle().toStdString(), "Vandrel Editor [" + shader + "]");
}

TEST_F(EditorFormTest, UpdateNowOnlyWithoutAutomaticUpdate) {
    // The Color output type shows the shader: each update asks the host to render it again.
    test::ResetPluginState();
    Plugin().CurrentShader[kColor] = shader;
    Place(kAdd, 100, 100);
    EXPECT_EQ(host::TakeShaderUpdates(), std::vector<int32_t>{102});
    form->Check("CheckAutoUpdate")->setChecked(false);
    Place(kAdd, 200, 40);
    EXPECT_TRUE(Enabled("BtnRefreshShader"));
    EXPECT_NE(LoadShaderFile(shader).stream, form->Session().CurrentStream());
    EXPECT_TRUE(host::TakeShaderUpdates().empty());
    form->Button("BtnRefreshShader")->click();
    EXPECT_FALSE(Enabled("BtnRefreshShader"));
    EXPECT_EQ(LoadShaderFile(shader).stream, form->Session().CurrentStream());
    EXPECT_EQ(host::TakeShaderUpdates(), std::vector<int32_t>{102});
    Plugin().CurrentShader[kColor].clear();
}

TEST_F(EditorFormTest, CategoryBoxesKeepOneTicked) {
    // With Auto-class the boxes are disabled and show the derived flags.
    for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"}) {
        EXPECT_FALSE(form->Check(box)->isEnabled()) << box;
    }
    form->Check("CheckBox5")->setChecked(false);
    for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"}) {
        ASSERT_TRUE(form->Check(box)->isEnabled()) << box;
        form->Check(box)->setChecked(false);
    }
    // "Displacement" (CheckBox4) was the last one unticked: it ticks itself again.
    EXPECT_TRUE(form->Check("CheckBox4")->isChecked());
    EXPECT_FALSE(form->Check("CheckBox1")->isChecked());
    EXPECT_EQ(StreamSection(LoadShaderFile(shader).stream, kCategoriesSection), "TFFF");
}

TEST_F(EditorFormTest, EncryptingTheOpenFileClosesTheWindow) {
    form->show();
    // Declined: nothing is written.
    dialogs.files.push_back(shader);
    form->Button("BtnEncryptShader")->click();
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0], std::string(kEncryptQuestion));
    EXPECT_EQ(LoadShaderFile(shader).stream, kDefaultStream);
    EXPECT_TRUE(form->isVisible());

    messages.SetAnswer(true);
    dialogs.files.push_back(shader);
    form->Button("BtnEncryptShader")->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->Session().FileName().empty());
    const std::string written = LoadShaderFile(shader).stream;
    EXPECT_TRUE(StreamSection(written, kEditorSourceSection).empty());
    EXPECT_EQ(StreamSection(written, kTreeSection),
              StreamSection(form->Session().BuildStream(), kTreeSection));
    EXPECT_EQ(StreamSection(written, kCategoriesSection), "TTTT");
    EXPECT_TRUE(IsProtectedShader(shader));
    form->EditShader(shader);
    EXPECT_EQ(messages.shown.back(), kNoSource);
}

TEST_F(EditorFormTest, PasteModeTakesTheNextCanvasClick) {
    TXRComponentContainer* add = Place(kAdd, 100, 100);
    form->Graph().Select(add);
    form->Button("BtnClipCopy")->click();
    ASSERT_TRUE(Enabled("BtnClipPaste"));
    form->Button("BtnClipPaste")->click();
    EXPECT_TRUE(form->Canvas()->Pasting());
    EXPECT_EQ(form->Graph().Containers().size(), 2u);
    form->Canvas()->TakePasteClick(QPoint(400, 300));
    EXPECT_FALSE(form->Canvas()->Pasting());
    ASSERT_EQ(form->Graph().Containers().size(), 3u);
    EXPECT_GT(form->Graph().Containers().back()->Left, 300);
    // Esc (Cancel) leaves paste mode without pasting.
    form->Button("BtnClipPaste")->click();
    form->CancelTool();
    EXPECT_FALSE(form->Canvas()->Pasting());
    EXPECT_EQ(form->Graph().Containers().size(), 3u);
    TEditorSession::Clipboard().clear();
}

// Making a component fills the list and Insert places it (the third journey); an empty
// components folder leaves nothing to insert.
TEST_F(EditorFormTest, AnEmptyComponentsFolderLeavesNothingToInsert) {
    EditorSettings().ComponentsFolder = folder.Path().string();
    form->RefillPresets();
    EXPECT_EQ(form->Presets()->count(), 0);
    EXPECT_FALSE(Enabled("BtnInsertCustom"));
    EXPECT_EQ(form->Presets()->toolTip(), "No custom component selected.");
}

// A form made while a test's dialogs are installed: once they are gone the dialogs are the Qt
// ones again, which the windows that come later (the plug-in's, in the same process) open.
TEST(EditorDialogs, TheQtDialogsComeBackAfterATestsOwn) {
    test::TestApplication();
    TXRInterfaceModel iface;
    {
        test::ScriptedDialogs scripted;
        TEditorForm form(iface);
        EXPECT_EQ(&CurrentDialogs(), &scripted);
    }
    EXPECT_NE(dynamic_cast<TQtDialogs*>(&CurrentDialogs()), nullptr);
}

TEST(Palette, OneTabPerCategoryWithAnIconPerComponent) {
    test::TestApplication();
    const std::vector<QImage>& strips = PaletteStrips();
    ASSERT_EQ(strips.size(), static_cast<size_t>(kCatalogueTabCount));
    size_t total = 0;
    for (int tab = 0; tab < kCatalogueTabCount; ++tab) {
        EXPECT_EQ(strips[static_cast<size_t>(tab)].width(),
                  std::max(PaletteTabCount(tab), 1) * kPaletteIconSize);
        total += static_cast<size_t>(PaletteTabCount(tab));
    }
    EXPECT_EQ(total, Catalogue().size());
    // Icons tell components apart.
    std::set<QByteArray> distinct;
    for (const CatalogueRow& row : Catalogue()) {
        const QImage icon = ComponentIcon(row.id);
        distinct.insert(QByteArray(reinterpret_cast<const char*>(icon.constBits()),
                                   static_cast<qsizetype>(icon.sizeInBytes())));
    }
    EXPECT_EQ(distinct.size(), Catalogue().size());

    TXRInterfaceModel iface;
    TEditorForm form(iface);
    EXPECT_EQ(form.PaletteTabs()->count(), kCatalogueTabCount);
    form.PaletteTabs()->setCurrentIndex(3);
    EXPECT_EQ(form.Palette()->ActiveRow(), 3);
}

TEST(EditorScreenshots, WholeWindowForEachSample) {
    const QByteArray out = qgetenv("VANDREL_SCREENSHOTS");
    if (out.isEmpty()) GTEST_SKIP() << "VANDREL_SCREENSHOTS is not set";
    test::TestApplication();
    std::filesystem::create_directories(out.toStdString());
    test::RecordingMessages messages{false};
    TXRInterfaceModel iface;
    TEditorForm form(iface);
    form.Check("CheckAutoUpdate")->setChecked(false);  // never write the samples
    form.show();
    const std::filesystem::path samples =
        std::filesystem::path(VANDREL_SOURCE_DIR) / "resources" / "samples";
    for (const auto& entry : std::filesystem::directory_iterator(samples)) {
        if (entry.path().extension() != ".xrb") continue;
        form.EditShader(entry.path().string());
        // The preview draws through the event loop.
        test::WaitUntil([&] {
            const ComponentPreview* p = form.Preview()->Controller().Preview();
            return !form.PreviewPending() && p != nullptr && p->Finished();
        });
        const QImage shot = form.grab().toImage();
        EXPECT_FALSE(shot.isNull());
        shot.save(QString::fromStdString((std::filesystem::path(out.toStdString()) /
                                          ("editor-" + entry.path().stem().string() + ".png"))
                                             .string()));
        // The whole canvas, beyond what the window shows.
        form.Canvas()->UpdateExtents();
        test::Screenshot(*form.Canvas()->Canvas(), entry.path().stem().string().c_str());
        form.Session().SavePrompt();  // nothing is modified; keeps the samples untouched
    }
    // Every tab's tiles, one row each, twice their size.
    const std::vector<QImage>& strips = PaletteStrips();
    int width = 0;
    for (const QImage& strip : strips) width = std::max(width, strip.width());
    QImage palette(width, kPaletteIconSize * static_cast<int>(strips.size()), QImage::Format_RGB32);
    palette.fill(Qt::white);
    QPainter painter(&palette);
    for (size_t i = 0; i < strips.size(); ++i) {
        painter.drawImage(0, kPaletteIconSize * static_cast<int>(i), strips[i]);
    }
    painter.end();
    EXPECT_TRUE(palette.scaled(palette.size() * 2)
                    .save(QString::fromStdString(
                        (std::filesystem::path(out.toStdString()) / "palette.png").string())));
}

}  // namespace
}  // namespace vandrel

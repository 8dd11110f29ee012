// What a person does with the plug-in's windows, through the windows the plug-in itself opens:
// the studio's slot "Panel" button calls the panel callback, the panel's "Edit" opens the editor,
// and everything after that is mouse and keyboard input on those windows at their own sizes
// (drops are delivered as a drag delivers them, with the data the palette and the output dots
// put on the drag). Each step writes journey-<n>-<step>.png when VANDREL_SCREENSHOTS is set.
#include <QComboBox>
#include <QLineEdit>

#include "core/stream_sections.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "editor/interface_editor.h"
#include "editor/interface_panel.h"
#include "editor/model/editor_settings.h"
#include "editor/plugin_windows_fixture.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kChecker = 401;

using Journey = test::PluginWindowsTest;

TEST_F(Journey, OneBuildsACheckerAndSavesIt) {
    const std::string shader = Sample("Sine Gradient.xrb");
    TEditorForm& editor = OpenEditorOn(shader, 1);
    Shot(editor, 1, "editor");
    StudioIdle();
    const std::array<float, 3> before = StudioCentre();

    // A "Checker" from the palette's Patterns tab, dragged onto the canvas.
    QTabBar* tabs = editor.PaletteTabs();
    int patterns = -1;
    for (int i = 0; i < tabs->count(); ++i)
        patterns = tabs->tabText(i) == "Patterns" ? i : patterns;
    ASSERT_GE(patterns, 0);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(patterns).center());
    TImageGridSelect* palette = editor.Palette();
    int cell = -1;
    for (int i = 0; i < palette->Geometry().Count; ++i)
        cell = palette->HintOf(i) == "Checker" ? i : cell;
    ASSERT_GE(cell, 0);
    // The pointer resting on the tile names it in the status line.
    const QPointF over = palette->CellRect(cell).center();
    QMouseEvent hover(QEvent::MouseMove, over, palette->mapToGlobal(over), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(palette, &hover);
    EXPECT_EQ(editor.StatusLine()->text(), "Checker");
    QTest::mousePress(palette, Qt::LeftButton, {}, palette->CellRect(cell).center());
    std::unique_ptr<QMimeData> tile(palette->DragData());
    // Dropped in the free space below the root, where the canvas shows it.
    QWidget* canvas = editor.Canvas()->Canvas();
    const TXRComponentContainer* rootBox0 = editor.Graph().RootContainer();
    const QPoint free(rootBox0->Left + kViewMargin + 4,
                      rootBox0->Top + rootBox0->Height + kViewMargin + 48);
    editor.Canvas()->ensureVisible(free.x(), free.y() + 60);
    ASSERT_TRUE(test::DropAt(canvas, free, tile.get(), Qt::CopyAction));
    QTest::mouseRelease(palette, Qt::LeftButton, {}, palette->CellRect(cell).center());
    TXRComponentContainer* checker = Find(editor, kChecker);
    ASSERT_NE(checker, nullptr);
    EXPECT_EQ(editor.Graph().ActiveComponent(), checker);
    TXRContainerWidget* checkerBox = WidgetOf(editor, checker);
    ASSERT_TRUE(PreviewDone(editor));
    Shot(editor, 1, "placed");

    // Its Size split into U and V, 0.2 and 0.3 typed in.
    QTest::mouseClick(Lock(checkerBox, "Size"), Qt::LeftButton);
    Type(Field(checkerBox, "Size.U"), "0.2");
    Type(Field(checkerBox, "Size.V"), "0.3");
    const int32_t size = 2;
    EXPECT_FLOAT_EQ(editor.Graph().Constant(checker, size, 0), 0.2f);
    EXPECT_FLOAT_EQ(editor.Graph().Constant(checker, size, 1), 0.3f);
    ASSERT_TRUE(PreviewDone(editor));
    // The preview shows the checker: its two values over the sphere.
    EXPECT_GE(Colours(editor.Preview()->Image()).size(), 3u);
    Shot(editor, 1, "size");

    // The root's Color split into parts (its spline is disconnected: Yes), each part fed from
    // the checker by a drag from its output dot.
    TXRContainerWidget* rootBox = WidgetOf(editor, editor.Graph().RootContainer());
    const auto yes = test::ClickInNextMessageBox(QMessageBox::Yes);
    QTest::mouseClick(Lock(rootBox, "Color"), Qt::LeftButton);
    EXPECT_TRUE(*yes);
    for (const char* part : {"Color.R", "Color.G", "Color.B"}) {
        EXPECT_TRUE(Link(checkerBox, rootBox, Input(rootBox, part))) << part;
    }
    ClickTitle(editor, checkerBox);
    ASSERT_TRUE(PreviewDone(editor));
    Shot(editor, 1, "linked");
    ASSERT_TRUE(StudioIdle());
    const std::array<float, 3> after = StudioCentre();
    EXPECT_NE(after, before);
    // Grey: the same value in the three channels.
    EXPECT_NEAR(after[0], after[1], 0.02f);
    EXPECT_NEAR(after[1], after[2], 0.02f);
    Shot(*studioWindow, 1, "studio-after");

    QTest::mouseClick(editor.Button("BtnSave"), Qt::LeftButton);
    EXPECT_FALSE(editor.Session().Modified());
    EXPECT_FALSE(editor.windowTitle().endsWith(" *"));
    editor.close();
    EXPECT_FALSE(editor.isVisible());

    // The file holds the checker, its size and its three links.
    const TLoadedShader saved = LoadShaderFile(shader);
    ASSERT_EQ(saved.status, ShaderFileStatus::kCurrent);
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    ASSERT_TRUE(tree.BuildFromStream(saved.stream));
    TXRComponent* built = nullptr;
    TXRComponent* root = nullptr;
    for (const auto& e : tree.Entries) {
        if (e->Component->TypeId == kChecker) built = e->Component.get();
        if (e->Component->TypeId == TXRCRoot::kTypeId) root = e->Component.get();
    }
    ASSERT_NE(built, nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_FLOAT_EQ(built->InputAddress(size, 0)[0], 0.2f);
    EXPECT_FLOAT_EQ(built->InputAddress(size, 1)[0], 0.3f);
    for (int32_t part = 0; part < 3; ++part) {
        EXPECT_EQ(root->InputAddress(kRootColor, part), built->OutputAddress()) << part;
    }

    // Opened again from the panel, the editor shows the same.
    QTest::mouseClick(QtPluginWindows().Panel(kColor)->findChild<QToolButton*>("BtnEdit"),
                      Qt::LeftButton);
    ASSERT_TRUE(editor.isVisible());
    TXRComponentContainer* reopened = Find(editor, kChecker);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(Field(WidgetOf(editor, reopened), "Size.U")->DisplayText(), "0.2");
    EXPECT_EQ(editor.Session().SavedStream(), saved.stream);
    Shot(editor, 1, "reopened");
}

TEST_F(Journey, TwoExposesATriggerAndChangesItInThePanel) {
    const std::string shader = Sample("Fractal Noise.xrb");
    TEditorForm& editor = OpenEditorOn(shader, 2);
    TXRContainerWidget* noise = WidgetOf(editor, Find(editor, 302));
    ASSERT_NE(noise, nullptr);

    // Amplitude takes Trigger 1 from its input menu.
    TXRPropertyEditor* amplitude = Input(noise, "Amplitude");
    ASSERT_NE(amplitude, nullptr);
    const auto chosen = test::ChooseInNextMenu({"Trigger", "Trigger 1"});
    QTest::mouseClick(amplitude, Qt::RightButton, {}, QPoint(10, 8));
    ASSERT_TRUE(test::WaitUntil([&] { return *chosen; }));
    EXPECT_EQ(amplitude->ValueText(), "Trigger1");

    // The interface editor names it and gives it a default of 1.8.
    QTest::mouseClick(editor.Button("BtnEditInterface"), Qt::LeftButton);
    TInterfaceEditor* face = editor.InterfaceEditor();
    ASSERT_NE(face, nullptr);
    ASSERT_TRUE(face->isVisible());
    QTest::keyClicks(face->EntryList(), "Trigger 1");
    ASSERT_EQ(face->SelectedTrigger(), 0);
    ASSERT_NE(face->LabelEdit(), nullptr);
    face->LabelEdit()->selectAll();
    QTest::keyClicks(face->LabelEdit(), "Strength");
    Type(face->NumericalFields()[1], "10");   // maximum
    Type(face->NumericalFields()[2], "1.8");  // default
    Shot(*face, 2, "interface");
    QTest::mouseClick(face->ApplyButton(), Qt::LeftButton);
    ASSERT_TRUE(StudioIdle());
    const std::array<float, 3> before = StudioCentre();

    // The panel shows "Strength"; a new value there changes the render.
    TMainForm* panel = QtPluginWindows().Panel(kColor);
    ASSERT_TRUE(test::WaitUntil([&] {
        return Child<THostSpinEdit2>(panel, [](THostSpinEdit2* s) {
                   return s->Caption() == "Strength" && s->isVisible();
               }) != nullptr;
    }));
    THostSpinEdit2* strength =
        Child<THostSpinEdit2>(panel, [](THostSpinEdit2* s) { return s->Caption() == "Strength"; });
    EXPECT_EQ(strength->DisplayText(), "1.8");
    Shot(*panel, 2, "panel");
    Type(strength, "4");
    ASSERT_TRUE(StudioIdle());
    const std::array<float, 3> after = StudioCentre();
    EXPECT_GT(std::abs(after[2] - before[2]) + std::abs(after[0] - before[0]), 0.02f);
    Shot(*studioWindow, 2, "studio-after");
}

TEST_F(Journey, ThreeMakesACustomComponentAndInsertsIt) {
    const std::string shader = Sample("Banded Noise.xrb");
    TEditorForm& editor = OpenEditorOn(shader, 3);
    // The settings are read as the first panel opens; the components go to the scratch folder.
    EditorSettings().ComponentsFolder = folder.File("Components");
    fs::create_directories(EditorSettings().ComponentsFolder);
    TXRContainerWidget* stairs = WidgetOf(editor, Find(editor, 109));
    ClickTitle(editor, stairs);
    ASSERT_TRUE(PreviewDone(editor));
    const QImage original = editor.Preview()->Image();
    ASSERT_GE(Colours(original).size(), 3u);

    // "Make": the New Component dialog gets a title, then the file a name.
    const std::string file = folder.File("Components/Bands.xrc");
    auto saved = std::make_shared<std::shared_ptr<bool>>();
    const auto named = test::OnNextModal<QDialog>([&, saved](QDialog* dialog) {
        auto* title = dialog->findChild<QLineEdit*>("EditTitle");
        ASSERT_NE(title, nullptr);
        QTest::keyClicks(title, "Bands");
        Shot(*dialog, 3, "new-component");
        *saved = test::TypeInNextFileDialog("Bands.xrc");
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    QTest::mouseClick(editor.Button("BtnCreateCustom"), Qt::LeftButton);
    ASSERT_TRUE(*named);
    ASSERT_TRUE(*saved != nullptr && **saved);
    ASSERT_TRUE(fs::exists(file));

    // A new shader, the component chosen from the list, inserted with a click on the canvas.
    const auto created = test::TypeInNextFileDialog("Bands.xrb");
    QTest::mouseClick(editor.Button("BtnNewShader"), Qt::LeftButton);
    ASSERT_TRUE(*created);
    ASSERT_EQ(editor.Session().FileName(), folder.File("Bands.xrb"));
    QTest::keyClicks(editor.Presets(), "Bands");
    ASSERT_EQ(editor.Presets()->currentText(), "Bands");
    QTest::mouseClick(editor.Button("BtnInsertCustom"), Qt::LeftButton);
    QWidget* canvas = editor.Canvas()->Canvas();
    QTest::mouseClick(canvas, Qt::LeftButton, {},
                      canvas->mapFrom(editor.Canvas()->viewport(), QPoint(260, 60)));
    TXRComponentContainer* inserted = editor.Graph().ActiveComponent();
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(inserted->Title(), "Bands");
    ASSERT_TRUE(PreviewDone(editor));
    Shot(editor, 3, "inserted");
    EXPECT_EQ(editor.Preview()->Image(), original);
}

TEST_F(Journey, FourTheSavePromptKeepsTheWork) {
    const std::string shader = Sample("Noisy Bricks.xrb");
    TEditorForm& editor = OpenEditorOn(shader, 4);
    TXRContainerWidget* noise = WidgetOf(editor, Find(editor, 202));
    Type(Field(noise, "Amplitude"), "0.5");
    ASSERT_TRUE(editor.Session().Modified());
    const std::string edited = editor.Session().CurrentStream();

    // Closing asks; Enter answers Yes, which keeps the edit in the file.
    QString question;
    const auto asked = test::KeyInNextMessageBox(Qt::Key_Return, &question);
    editor.close();
    ASSERT_TRUE(*asked);
    EXPECT_EQ(question.toStdString(),
              "Vandrel Editor: Do you want to save changes to \"" + shader + "\"?");
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(LoadShaderFile(shader).stream, edited);

    // Edited again, Cancel keeps the window open with its changes.
    QTest::mouseClick(QtPluginWindows().Panel(kColor)->findChild<QToolButton*>("BtnEdit"),
                      Qt::LeftButton);
    noise = WidgetOf(editor, Find(editor, 202));
    Type(Field(noise, "Amplitude"), "0.7");
    const std::string again = editor.Session().CurrentStream();
    const auto cancelled = test::KeyInNextMessageBox(Qt::Key_Escape);
    editor.close();
    ASSERT_TRUE(*cancelled);
    EXPECT_TRUE(editor.isVisible());
    EXPECT_TRUE(editor.Session().Modified());
    EXPECT_TRUE(editor.windowTitle().endsWith(" *"));
    EXPECT_EQ(editor.Session().CurrentStream(), again);
    Shot(editor, 4, "cancelled");
    // Leaving without the prompt: the test answers it as a person who saves.
    const auto saved = test::KeyInNextMessageBox(Qt::Key_Return);
    editor.close();
    EXPECT_TRUE(*saved);
}

}  // namespace
}  // namespace vandrel

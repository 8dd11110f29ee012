// The plug-in's windows as the plug-in opens them, at their own sizes: nothing overlaps, no
// caption is cut, and screen readers and UI automation find what a person operates by its name.
#include "editor/controls/color_picker.h"
#include "editor/controls/expander_panel.h"
#include "editor/editor_accessibility.h"
#include "editor/interface_editor.h"
#include "editor/plugin_windows_fixture.h"

namespace vandrel {
namespace {

using WindowChecks = test::PluginWindowsTest;

void ExpectClean(QWidget& window, const char* name) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(window.isVisible());
    for (const std::string& fault : test::LayoutFaults(&window)) ADD_FAILURE() << fault;
}

TEST_F(WindowChecks, EveryWindowFitsItsDefaultSize) {
    TEditorForm& editor = OpenEditorOn(Sample("Noisy Bricks.xrb"), 0);
    ExpectClean(editor, "editor");
    ExpectClean(*QtPluginWindows().Panel(kColor), "manager panel");
    ExpectClean(*studioWindow, "studio");
    QTest::mouseClick(editor.Button("BtnEditInterface"), Qt::LeftButton);
    ASSERT_NE(editor.InterfaceEditor(), nullptr);
    ExpectClean(*editor.InterfaceEditor(), "interface editor");
    TColSelect picker(&editor);
    picker.show();
    ExpectClean(picker, "colour picker");

    // The strip of tools keeps its height; the caption bar of the expander shows.
    QWidget* header = editor.findChild<QWidget*>("ExpanderTools");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->height(), kExpanderHeaderHeight);
    EXPECT_EQ(editor.findChild<QWidget*>("PanelTools")->height(), kToolsExpandedHeight);

    // Larger, the editor gives the room to the canvas.
    const int canvasHeight = editor.Canvas()->height();
    editor.resize(900, 620);
    QApplication::processEvents();
    ExpectClean(editor, "editor, larger");
    EXPECT_EQ(editor.Canvas()->height(), canvasHeight + 620 - kEditorClientHeight);
}

TEST_F(WindowChecks, TheEditorIsReadableByAssistiveTechnology) {
    TEditorForm& editor = OpenEditorOn(Sample("Noisy Bricks.xrb"), 0);
    QAccessibleInterface* noise =
        test::FindAccessible(&editor, QAccessible::Grouping, "Fractal 1/F Noise Function (2D)");
    ASSERT_NE(noise, nullptr);
    for (const char* title : {"Shader Output", "Brick/Tile (2D)", "3D Vector Scale"}) {
        EXPECT_NE(test::FindAccessible(&editor, QAccessible::Grouping, title), nullptr) << title;
    }

    // The noise's Amplitude: an editable spin box whose text is the value; setting the text
    // sets the constant, and the stream with it.
    QAccessibleInterface* amplitude =
        test::FindAccessible(&editor, QAccessible::SpinBox, "Amplitude", noise);
    ASSERT_NE(amplitude, nullptr);
    EXPECT_TRUE(amplitude->state().editable);
    EXPECT_EQ(amplitude->text(QAccessible::Value), "0.35");
    amplitude->setText(QAccessible::Value, "0.5");
    const TXRComponentContainer* container = nullptr;
    for (const auto& c : editor.Graph().Containers()) {
        if (c->TypeId == 202) container = c.get();
    }
    ASSERT_NE(container, nullptr);
    EXPECT_FLOAT_EQ(editor.Graph().Constant(container, 0, kWholeProperty), 0.5f);
    EXPECT_EQ(amplitude->text(QAccessible::Value), "0.5");
    EXPECT_TRUE(editor.Session().Modified());
    EXPECT_EQ(LoadShaderFile(editor.Session().FileName()).stream, editor.Session().CurrentStream());
    EXPECT_NE(editor.Session().CurrentStream(), editor.Session().SavedStream());
    QAccessibleValueInterface* value = amplitude->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 0.5);

    // A variable's input says what it reads; the output dot and the fold button say what they do.
    QAccessibleInterface* input =
        test::FindAccessible(&editor, QAccessible::ComboBox, "Input input", noise);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->text(QAccessible::Value), "UV");
    EXPECT_NE(test::FindAccessible(&editor, QAccessible::Button,
                                   "Output of Fractal 1/F Noise Function (2D)", noise),
              nullptr);
    EXPECT_NE(test::FindAccessible(&editor, QAccessible::Button, "Fold", noise), nullptr);

    // Wires by their ends; palette tiles by their components, which a press places.
    EXPECT_NE(test::FindAccessible(&editor, QAccessible::Graphic,
                                   "Fractal 1/F Noise Function (2D) → Brick/Tile (2D).TileValue"),
              nullptr);
    QAccessibleInterface* tile =
        test::FindAccessible(&editor, QAccessible::ListItem, "Sine Function");
    ASSERT_NE(tile, nullptr);
    ASSERT_NE(tile->actionInterface(), nullptr);
    tile->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(editor.Graph().PendingType, 101);
    EXPECT_TRUE(tile->state().selected);

    // Tools carry their hint's words; the studio's four rows of buttons say their slot.
    EXPECT_NE(test::FindAccessible(&editor, QAccessible::Button, "Clear info file"), nullptr);
    EXPECT_NE(test::FindAccessible(studioWindow.get(), QAccessible::Button, "Color panel"),
              nullptr);
    EXPECT_NE(test::FindAccessible(studioWindow.get(), QAccessible::Button, "Displacement panel"),
              nullptr);
}

}  // namespace
}  // namespace vandrel

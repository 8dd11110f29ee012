// The plug-in as a person meets it, for the tests that drive its windows: the studio's window
// with the plug-in registered as a host registers it, the windows the panel callback opens, and
// the small steps a person takes in them (a click on a title, a number typed into a field, a wire
// dragged from an output dot).
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QToolButton>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "core/root.h"
#include "core/shader_file.h"
#include "editor/component_window.h"
#include "editor/controls/image_grid_select.h"
#include "editor/controls/spin_edit.h"
#include "editor/editor_form.h"
#include "editor/editor_test_support.h"
#include "editor/main_form.h"
#include "editor/plugin_windows.h"
#include "editor/preview_widget.h"
#include "editor/property_bar.h"
#include "editor/ui_driver.h"
#include "host/plugin.h"
#include "interface/interface_model.h"
#include "renderer/studio/studio_window.h"

extern "C" void hxShaderInitialize(hxShaderDescriptor*, int32_t, int32_t*);

namespace vandrel::test {

inline studio::TPluginShaders RegisterPlugin() {
    studio::TPluginShaders shaders{};
    int32_t counter = 0;
    for (int32_t handle = 301; counter >= 0 && handle <= 304; ++handle) {
        hxShaderDescriptor d{};
        hxShaderInitialize(&d, handle, &counter);
        const int32_t type = d.category == 1   ? kColor
                             : d.category == 2 ? kTransparency
                             : d.category == 3 ? kReflectance
                                               : kDisplacement;
        shaders[static_cast<size_t>(type)] = d;
    }
    return shaders;
}

class PluginWindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApplication();
        // The settings the plug-in reads and writes stay in the scratch folder.
        setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
        shaders = RegisterPlugin();
        Plugin().Rendering = false;
        studioWindow = std::make_unique<studio::TStudioWindow>(shaders);
        studioWindow->show();
    }
    void TearDown() override {
        QtPluginWindows().CloseAll();
        studioWindow.reset();
        for (const int32_t type : {kColor, kTransparency, kReflectance, kDisplacement}) {
            studio::WriteSlot(shaders, type, studio::TStudioSlot{});
        }
    }

    // A bundled sample copied where the editor may write it.
    std::string Sample(const std::string& name) {
        namespace fs = std::filesystem;
        const fs::path from = fs::path(VANDREL_SOURCE_DIR) / "resources" / "samples" / name;
        const std::string to = folder.File(name);
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
        return to;
    }

    void Shot(QWidget& window, int journey, const char* step) {
        test::Screenshot(window, ("journey-" + std::to_string(journey) + "-" + step).c_str());
    }

    // Idle once what was posted (an update request restarts the preview from the event loop) has
    // been handled too: the condition holds on two looks with the events run between them.
    bool StudioIdle() {
        const auto idle = [&] {
            return !studioWindow->Busy() &&
                   studioWindow->FinishedRender() == studioWindow->StartedRenders();
        };
        bool before = false;
        return test::WaitUntil([&] {
            const bool now = idle();
            const bool settled = before && now;
            before = now;
            return settled;
        });
    }
    // The middle of the studio's picture: the middle of the sphere.
    std::array<float, 3> StudioCentre() const {
        const studio::TStudioPass& pass = studioWindow->FinishedPass();
        const size_t at = (static_cast<size_t>(pass.Height / 2) * static_cast<size_t>(pass.Width) +
                           static_cast<size_t>(pass.Width / 2)) *
                          3;
        return {pass.Rgb.at(at), pass.Rgb.at(at + 1), pass.Rgb.at(at + 2)};
    }

    // The studio's Color slot → its "Panel" → "Edit": the windows a person reaches.
    TEditorForm& OpenEditorOn(const std::string& shader, int journey) {
        std::string error;
        EXPECT_TRUE(studioWindow->SetSlotShader(kColor, shader, error)) << error;
        EXPECT_TRUE(StudioIdle());
        Shot(*studioWindow, journey, "studio");
        QTest::mouseClick(studioWindow->findChild<QPushButton*>("PanelColor"), Qt::LeftButton);
        TMainForm* panel = QtPluginWindows().Panel(kColor);
        EXPECT_NE(panel, nullptr);
        EXPECT_TRUE(panel->isVisible());
        Shot(*panel, journey, "panel");
        QTest::mouseClick(panel->findChild<QToolButton*>("BtnEdit"), Qt::LeftButton);
        TEditorForm& editor = QtPluginWindows().Editor();
        EXPECT_TRUE(editor.isVisible());
        EXPECT_EQ(editor.size(), QSize(kEditorClientWidth, kEditorClientHeight));
        EXPECT_EQ(editor.Session().FileName(), shader);
        EXPECT_TRUE(PreviewDone(editor));
        return editor;
    }

    static bool PreviewDone(TEditorForm& editor) {
        return test::WaitUntil([&] {
            const ComponentPreview* p = editor.Preview()->Controller().Preview();
            return !editor.PreviewPending() && p != nullptr && p->Finished();
        });
    }

    static TXRContainerWidget* WidgetOf(TEditorForm& editor, const TXRComponentContainer* c) {
        return c != nullptr ? editor.Canvas()->WidgetOf(c) : nullptr;
    }
    static TXRComponentContainer* Find(TEditorForm& editor, int32_t typeId) {
        for (const auto& c : editor.Graph().Containers()) {
            if (c->TypeId == typeId) return c.get();
        }
        return nullptr;
    }
    template <class T>
    static T* Child(QWidget* parent, const std::function<bool(T*)>& match) {
        for (T* w : parent->findChildren<T*>()) {
            if (match(w)) return w;
        }
        return nullptr;
    }
    static TXRPropertyEditor* Input(QWidget* container, const QString& fullName) {
        return Child<TXRPropertyEditor>(container, [&](TXRPropertyEditor* e) {
            return e->FullName() == fullName && e->isVisible();
        });
    }
    static THostSpinEdit2* Field(QWidget* container, const QString& name) {
        return Child<THostSpinEdit2>(container, [&](THostSpinEdit2* s) {
            return s->accessibleName() == name && s->isVisible();
        });
    }
    static QAbstractButton* Lock(QWidget* container, const QString& property) {
        return Child<QAbstractButton>(container, [&](QAbstractButton* b) {
            return b->accessibleName() == "Split " + property + " into parts";
        });
    }
    // Clicks the field, types the number and presses Enter.
    static void Type(THostSpinEdit2* field, const QString& text) {
        ASSERT_NE(field, nullptr);
        QTest::mouseClick(field, Qt::LeftButton, {}, field->ValueRect().center());
        ASSERT_NE(field->InlineEditor(), nullptr);
        QTest::keyClicks(field->InlineEditor(), text);
        QTest::keyClick(field->InlineEditor(), Qt::Key_Return);
    }
    // Scrolled into view, as a person scrolls to what they want to work on.
    static void Reveal(TEditorForm& editor, QWidget* widget) {
        editor.Canvas()->ensureWidgetVisible(widget, 8, 8);
    }
    // A click on the title bar selects the container.
    static void ClickTitle(TEditorForm& editor, TXRContainerWidget* widget) {
        ASSERT_NE(widget, nullptr);
        Reveal(editor, widget);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(60, 8));
    }
    // Drags a container's output dot onto an input of another container.
    static bool Link(TXRContainerWidget* source, TXRContainerWidget* target,
                     TXRPropertyEditor* input) {
        auto* dot = source->findChild<TXROutputDotWidget*>();
        if (dot == nullptr || input == nullptr) return false;
        QTest::mousePress(dot, Qt::LeftButton, {}, QPoint(6, 6));
        std::unique_ptr<QMimeData> mime(dot->DragData());
        const bool dropped =
            test::DropAt(target, input->geometry().center(), mime.get(), Qt::LinkAction);
        QTest::mouseRelease(dot, Qt::LeftButton, {}, QPoint(6, 6));
        return dropped;
    }
    static std::set<QRgb> Colours(const QImage& image) {
        std::set<QRgb> out;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) out.insert(image.pixel(x, y));
        }
        return out;
    }

    test::ScratchFolder folder;
    studio::TPluginShaders shaders{};
    std::unique_ptr<studio::TStudioWindow> studioWindow;
};

}  // namespace vandrel::test

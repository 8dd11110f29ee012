// With "Instant preview" ticked, every kind of edit restarts the preview with the new tree: the
// next finished picture equals the picture of the same component in a tree built afresh from the
// stream the edit produced.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/shader_file.h"
#include "editor/editor_form.h"
#include "editor/model/editor_settings.h"
#include "editor/preview_widget.h"
#include "editor_test_support.h"
#include "interface/interface_model.h"
#include "test_support.h"
#include "ui_driver.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// The picture a preview of the container at this place in the list draws from the stream.
QImage ReferencePreview(const std::string& stream, int32_t index, TPreviewShape shape) {
    TXRInterfaceModel iface;
    TXRGraphModel graph(iface);
    EXPECT_TRUE(graph.Rebuild(stream));
    TPreviewWidget widget;
    widget.Controller().SetShape(shape);
    const auto& containers = graph.Containers();
    EXPECT_LT(static_cast<size_t>(index), containers.size());
    widget.Controller().Start(graph.Tree(), containers[static_cast<size_t>(index)]->Component,
                              &iface.Working());
    EXPECT_TRUE(test::WaitUntil([&] {
        const ComponentPreview* p = widget.Controller().Preview();
        return p != nullptr && p->Finished();
    }));
    widget.Controller().Stop();
    return widget.Image();
}

class PreviewEdits : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApplication();
        shader = folder.File("edited.xrb");
        fs::copy_file(fs::path(VANDREL_SOURCE_DIR) / "resources/samples/Sine Gradient.xrb", shader);
        form = std::make_unique<TEditorForm>(iface);
        form->show();
        form->EditShader(shader);
        ASSERT_TRUE(Settled());
    }
    void TearDown() override { form.reset(); }

    bool Settled() {
        return test::WaitUntil([&] {
            const ComponentPreview* p = form->Preview()->Controller().Preview();
            return !form->PreviewPending() && p != nullptr && p->Finished();
        });
    }
    TXRComponentContainer* Of(int32_t typeId, int nth = 0) {
        for (const auto& c : form->Graph().Containers()) {
            if (c->TypeId == typeId && nth-- == 0) return c.get();
        }
        return nullptr;
    }
    // After the edit, the preview restarted and shows what the new stream computes.
    void ExpectFreshPreview(const char* edit) {
        SCOPED_TRACE(edit);
        ASSERT_TRUE(Settled());
        const TXRComponentContainer* shown = form->Previewed();
        ASSERT_NE(shown, nullptr);
        const int32_t index = form->Graph().IndexOf(shown);
        ASSERT_GE(index, 0);
        const QImage drawn = form->Preview()->Image();
        const std::string stream = form->Session().CurrentStream();
        EXPECT_EQ(drawn, ReferencePreview(stream, index, form->Preview()->Controller().Shape()));
    }

    test::ScratchFolder folder;
    test::RecordingMessages messages{true};
    TXRInterfaceModel iface;
    std::unique_ptr<TEditorForm> form;
    std::string shader;
};

TEST_F(PreviewEdits, EveryKindOfEditShowsTheNewTree) {
    TXRGraphModel& graph = form->Graph();
    TXRComponentContainer* sine = Of(101);
    TXRComponentContainer* add = Of(901);
    TXRComponentContainer* ramp = Of(115);
    TXRComponentContainer* repeat = Of(105);
    ASSERT_TRUE(sine && add && ramp && repeat);

    graph.Select(sine);
    ASSERT_TRUE(graph.SetConstant(sine, 1, kWholeProperty, 7.0f));
    ExpectFreshPreview("constant");

    form->BeginPlacement(101);
    TXRComponentContainer* placed = graph.Place(700, 500);
    ASSERT_NE(placed, nullptr);
    ExpectFreshPreview("place");

    graph.Select(add);
    TXRComponentConnection* link = graph.Connect(placed, add, 0, kWholeProperty);
    ASSERT_NE(link, nullptr);
    ExpectFreshPreview("link");

    graph.Disconnect(link);
    ExpectFreshPreview("unlink");

    ASSERT_TRUE(graph.UseTrigger(add, 0, kWholeProperty, 0));
    ExpectFreshPreview("trigger");

    graph.Select(ramp);
    ASSERT_TRUE(graph.SetValue(ramp, 6, 1));
    ExpectFreshPreview("enumeration");

    graph.Select(placed);
    form->DeleteSelected();
    ExpectFreshPreview("delete");

    graph.Select(repeat);
    form->Session().Copy();
    ASSERT_TRUE(form->Session().Paste({900, 700}));
    ExpectFreshPreview("paste");

    form->Session().Undo();
    ExpectFreshPreview("undo");

    form->Session().Hold();
    graph.Select(Of(101));
    ASSERT_TRUE(graph.SetConstant(Of(101), 0, kWholeProperty, 0.9f));
    ExpectFreshPreview("constant before fetch");
    form->Session().Fetch();
    ExpectFreshPreview("fetch");
}

TEST_F(PreviewEdits, TheRootKeepsItsRedPictureAndSaysWhy) {
    form->Graph().Select(form->Graph().RootContainer());
    ASSERT_TRUE(Settled());
    EXPECT_EQ(form->Previewed(), form->Graph().RootContainer());
    EXPECT_EQ(form->Preview()->toolTip(), kRootPreviewHint);
    // Red at half strength over the stripes: more red than anything else in the middle.
    const QColor middle = form->Preview()->Image().pixelColor(kPreviewSize / 2, kPreviewSize / 2);
    EXPECT_GT(middle.red(), middle.green() + 40);
    form->Graph().Select(Of(101));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(form->Preview()->toolTip(), "Click to update");
}

TEST_F(PreviewEdits, WithoutInstantPreviewEditsLeaveThePictureUntilAClick) {
    form->Graph().Select(Of(101));
    ASSERT_TRUE(Settled());
    const QImage before = form->Preview()->Image();
    form->Check("CheckInstantPreview")->setChecked(false);
    ASSERT_TRUE(form->Graph().SetConstant(Of(101), 1, kWholeProperty, 9.0f));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(form->Preview()->Image(), before);
    // A click on the picture draws the new tree, with the placed component's real output.
    QTest::mouseClick(form->Preview(), Qt::LeftButton);
    ExpectFreshPreview("click");
    EXPECT_NE(form->Preview()->Image(), before);
}

}  // namespace
}  // namespace vandrel

// The deep history: its bounds, and a hundred edits of a sample stepped back and forward through
// the session, each step giving the stream and the layout of that edit byte for byte.
#include "editor/model/undo_history.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "editor/model/editor_session.h"
#include "editor_test_support.h"
#include "interface/interface_model.h"
#include "test_support.h"

namespace vandrel {
namespace {

TEST(UndoHistory, StepsBackAndForwardWithinItsBounds) {
    TUndoHistory history(3, 1000);
    history.Reset("a");
    EXPECT_EQ(history.StepBack(), nullptr);
    for (const char* s : {"b", "c", "d", "e"}) history.Record(s);
    // Three steps back at most: "a" was forgotten.
    EXPECT_EQ(history.BackSteps(), 3u);
    EXPECT_EQ(*history.StepBack(), "d");
    EXPECT_EQ(*history.StepBack(), "c");
    EXPECT_EQ(*history.StepBack(), "b");
    EXPECT_EQ(history.StepBack(), nullptr);
    EXPECT_EQ(*history.StepForward(), "c");
    // An edit after stepping back drops the states ahead.
    history.Record("x");
    EXPECT_EQ(history.ForwardSteps(), 0u);
    EXPECT_EQ(history.StepForward(), nullptr);
    EXPECT_EQ(*history.StepBack(), "c");
    // Recording the present state again is no step.
    history.Record("c");
    EXPECT_EQ(history.ForwardSteps(), 1u);
    // Reaching a neighbour moves there; anything else is an edit.
    history.Reach("x");
    EXPECT_EQ(*history.Present(), "x");
    history.Reach("c");
    EXPECT_EQ(history.ForwardSteps(), 1u);
    history.Reach("y");
    EXPECT_EQ(history.ForwardSteps(), 0u);
    EXPECT_EQ(*history.StepBack(), "c");
}

TEST(UndoHistory, LargeStatesKeepFewerSteps) {
    TUndoHistory history(100, 25);
    history.Reset(std::string(10, 'a'));
    history.Record(std::string(10, 'b'));
    history.Record(std::string(10, 'c'));  // 30 bytes: the oldest goes
    EXPECT_EQ(history.BackSteps(), 1u);
    // The present state stays even when it alone is over the budget.
    history.Record(std::string(40, 'd'));
    EXPECT_EQ(history.BackSteps(), 0u);
    EXPECT_EQ(history.Present()->size(), 40u);
}

class DeepUndo : public ::testing::Test {
  protected:
    void SetUp() override {
        shader = folder.File("bricks.xrb");
        std::filesystem::copy_file(
            std::filesystem::path(VANDREL_SOURCE_DIR) / "resources/samples/Checker Polka.xrb",
            shader);
        ASSERT_TRUE(session.OpenShader(shader));
    }

    test::ScratchFolder folder;
    test::RecordingMessages messages{true};
    test::ScriptedDialogs dialogs;
    TEditorSessionHost host;
    TXRInterfaceModel iface;
    TXRGraphModel graph{iface};
    TEditorSession session{graph, host};
    std::string shader;
};

TEST_F(DeepUndo, HundredStepsBackAndForwardRestoreStreamAndLayout) {
    struct State {
        std::string stream, layout;
    };
    // The file is not what is checked here, and writing it 300 times is slow on a busy disk.
    session.AutoUpdate = false;
    std::vector<State> states{{session.CurrentStream(), graph.LayoutText()}};
    // Every kind of edit: constants, moves, folds, placements, links and their removal.
    for (int i = 0; states.size() <= kUndoDepth; ++i) {
        const auto& cs = graph.Containers();
        TXRComponentContainer* c = cs[static_cast<size_t>(i) % cs.size()].get();
        switch (i % 5) {
            case 0:
                for (int32_t p = 0; p < static_cast<int32_t>(c->Properties.size()); ++p) {
                    if (c->Properties[static_cast<size_t>(p)].Kind == kNumerical &&
                        !c->Properties[static_cast<size_t>(p)].Whole.ComponentConnected()) {
                        graph.UseConstant(c, p, kWholeProperty);
                        graph.SetConstant(c, p, kWholeProperty, 0.25f + 0.01f * i);
                        break;
                    }
                }
                break;
            case 1:
                graph.Select(c);
                graph.MoveSelected(7, 3);
                break;
            case 2:
                if (c != graph.RootContainer()) graph.SetCollapsed(c, !c->Collapsed);
                break;
            case 3:
                graph.BeginPlacement(i % 2 ? 901 : 101);
                graph.Place(600 + 3 * i, 20 + 5 * i);
                break;
            case 4:
                if (!graph.Connections().empty()) graph.Disconnect(graph.Connections()[0].get());
                break;
        }
        if (session.CurrentStream() != states.back().stream) {
            EXPECT_EQ(graph.LayoutText(),
                      StreamSection(session.CurrentStream(), kEditorSourceSection));
            states.push_back({session.CurrentStream(), graph.LayoutText()});
        }
    }
    ASSERT_EQ(states.size(), kUndoDepth + 1);
    for (size_t step = kUndoDepth; step-- > 0;) {
        ASSERT_TRUE(session.StepBackEnabled()) << step;
        session.StepBack();
        ASSERT_EQ(session.CurrentStream(), states[step].stream) << step;
        ASSERT_EQ(session.BuildStream(), states[step].stream) << step;
        ASSERT_EQ(graph.LayoutText(), states[step].layout) << step;
    }
    EXPECT_FALSE(session.StepBackEnabled());
    for (size_t step = 1; step <= kUndoDepth; ++step) {
        ASSERT_TRUE(session.StepForwardEnabled()) << step;
        session.StepForward();
        ASSERT_EQ(session.BuildStream(), states[step].stream) << step;
        ASSERT_EQ(graph.LayoutText(), states[step].layout) << step;
    }
    EXPECT_FALSE(session.StepForwardEnabled());
}

TEST_F(DeepUndo, TheUndoButtonKeepsItsOneLevel) {
    const std::string opened = session.CurrentStream();
    graph.BeginPlacement(901);
    graph.Place(500, 40);
    const std::string one = session.CurrentStream();
    graph.BeginPlacement(101);
    graph.Place(500, 240);
    const std::string two = session.CurrentStream();
    // The button goes back one edit and then is spent; the history still reaches the start.
    session.Undo();
    EXPECT_EQ(session.CurrentStream(), one);
    EXPECT_FALSE(session.UndoEnabled());
    session.StepBack();
    EXPECT_EQ(session.CurrentStream(), opened);
    // A step is a change of the stream: the button takes it back.
    EXPECT_TRUE(session.UndoEnabled());
    session.Undo();
    EXPECT_EQ(session.CurrentStream(), one);
    // Neither took an edit away from the history.
    session.StepForward();
    EXPECT_EQ(session.CurrentStream(), two);
    EXPECT_FALSE(session.StepForwardEnabled());
}

}  // namespace
}  // namespace vandrel

// The editor's commands without a window: the update, undo, hold and fetch model, the save,
// revert and encryption prompts, the category flags, the clipboard and custom components made
// from subtrees.
#include "editor/model/editor_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "components/custom/custom_components.h"
#include "core/context.h"
#include "core/editor_source.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "editor/model/editor_settings.h"
#include "editor/model/window_links.h"
#include "editor_test_support.h"
#include "interface/interface_model.h"
#include "test_support.h"

namespace vandrel {
namespace {

constexpr int32_t kAdd = 901;       // A, B (Numerical) -> Numerical
constexpr int32_t kBlend = 914;     // four Numerical -> Numerical
constexpr int32_t kTexture = 1101;  // File, Sampling -> Vector

class RecordingHost final : public TEditorSessionHost {
  public:
    void UpdateHost(const std::string& file) override { updates.push_back(file); }
    void CloseEditor() override { ++closed; }
    void BeginPlacement(int32_t typeId) override { placed = typeId; }
    bool AskComponentDetails(TCustomDefinitionParts& parts) override {
        asked = parts;
        parts.Title = "Offset";
        parts.Hint = "Adds a quarter";
        return answer;
    }

    std::vector<std::string> updates;
    int closed = 0;
    int32_t placed = 0;
    bool answer = true;
    TCustomDefinitionParts asked;
};

class PanelRecorder final : public TShaderPanelLink {
  public:
    PanelRecorder() { WindowLinks().Panels[kColor] = this; }
    ~PanelRecorder() override { WindowLinks().Panels[kColor] = nullptr; }
    void ShaderListChanged() override { ++listChanges; }
    void InformationFileChanged(std::string_view, std::string_view info) override {
        infoFiles.emplace_back(info);
    }
    void ShaderFileReverted(std::string_view file) override { reverted.emplace_back(file); }
    void ShaderEncrypted(std::string_view) override {}

    int listChanges = 0;
    std::vector<std::string> infoFiles;
    std::vector<std::string> reverted;
};

std::string FileStream(const std::string& file) { return LoadShaderFile(file).stream; }

TEditorWindow LayoutOf(const std::string& stream, size_t window) {
    const TEditorSource layout = ParseEditorSource(StreamSection(stream, kEditorSourceSection));
    return window < layout.windows.size() ? layout.windows[window] : TEditorWindow{};
}

class EditorSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        shader = folder.File("shader.xrb");
        ASSERT_TRUE(SaveShaderFile(shader, kDefaultStream).ok);
        ASSERT_TRUE(session.OpenShader(shader));
    }

    // One edit: a container added and placed.
    TXRComponentContainer* Place(int32_t type, int32_t x = 200, int32_t y = 40) {
        graph.BeginPlacement(type);
        TXRComponentContainer* c = graph.Place(x, y);
        EXPECT_NE(c, nullptr);
        return c;
    }

    test::ScratchFolder folder;
    test::RecordingMessages messages{false};
    test::ScriptedDialogs dialogs;
    PanelRecorder panel;
    RecordingHost host;
    TXRInterfaceModel iface;
    TXRGraphModel graph{iface};
    TEditorSession session{graph, host};
    std::string shader;
};

TEST_F(EditorSessionTest, SavePromptAnswersDecideWhatTheFileKeeps) {
    Place(kAdd);
    const std::string edited = session.CurrentStream();
    // No: the file goes back to the saved stream and the panels reload it.
    session.SavePrompt();
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0],
              "Vandrel Editor: Do you want to save changes to \"" + shader + "\"?");
    EXPECT_EQ(FileStream(shader), kDefaultStream);
    EXPECT_EQ(panel.reverted, std::vector<std::string>{shader});
    EXPECT_FALSE(session.Modified());

    // Yes: the current stream is kept.
    Place(kAdd, 300, 300);
    messages.SetAnswer(true);
    session.SavePrompt();
    EXPECT_EQ(FileStream(shader), session.CurrentStream());
    EXPECT_NE(session.CurrentStream(), edited);
}

TEST_F(EditorSessionTest, RevertPromptOnReopeningTheModifiedFile) {
    session.AutoUpdate = false;
    Place(kAdd);
    ASSERT_TRUE(SaveShaderFile(shader, session.CurrentStream()).ok);  // as an update would
    // No keeps the edit.
    EXPECT_FALSE(session.OpenShader(shader));
    EXPECT_EQ(messages.asked.back(),
              "Vandrel Editor: Do you want to revert to saved \"" + shader + "\"?");
    EXPECT_TRUE(session.Modified());
    // Yes writes the saved stream back and reloads it.
    messages.SetAnswer(true);
    EXPECT_TRUE(session.OpenShader(shader));
    EXPECT_FALSE(session.Modified());
    EXPECT_EQ(FileStream(shader), kDefaultStream);
    EXPECT_EQ(graph.Containers().size(), 1u);
}

TEST_F(EditorSessionTest, FetchReturnsToTheHeldStream) {
    session.Hold();
    EXPECT_TRUE(session.FetchEnabled());
    // Nothing changed since Hold: Fetch does nothing.
    const auto updates = host.updates.size();
    session.Fetch();
    EXPECT_FALSE(session.UndoEnabled());
    EXPECT_EQ(host.updates.size(), updates);

    const std::string held = session.CurrentStream();
    Place(kAdd);
    Place(kAdd, 300, 300);
    session.Fetch();
    EXPECT_EQ(session.CurrentStream(), held);
    EXPECT_EQ(graph.Containers().size(), 1u);
    EXPECT_EQ(session.UndoHint(), "Undo Fetch (Ctrl+Z)");
    EXPECT_EQ(FileStream(shader), held);
    // Undo of the fetch brings both containers back.
    session.Undo();
    EXPECT_EQ(graph.Containers().size(), 3u);
}

TEST_F(EditorSessionTest, MovingAndFoldingAreEditsOfTheLayout) {
    TXRComponentContainer* add = Place(kAdd, 200, 40);
    graph.Select(add);
    graph.MoveSelected(30, 10);
    EXPECT_EQ(LayoutOf(FileStream(shader), 1).left, 230);
    graph.SetCollapsed(add, true);
    EXPECT_EQ(ParseEditorSource(StreamSection(FileStream(shader), kEditorSourceSection)).folds,
              (std::vector<uint8_t>{0, 1}));
}

TEST_F(EditorSessionTest, DamagedFilesAreNotOpenedNorOverwritten) {
    const std::string damaged = folder.File("damaged.xrb");
    const std::string text = std::string(kDefaultStream) + "\n00000000\n";
    {
        std::ofstream out(damaged, std::ios::binary);
        out << text;
    }
    EXPECT_FALSE(session.OpenShader(damaged));
    EXPECT_EQ(session.FileName(), shader);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_NE(messages.shown.back().find("damaged"), std::string::npos);
    Place(kAdd);  // an edit of the open shader writes only that file
    std::ifstream in(damaged, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
}

TEST_F(EditorSessionTest, EncryptingToAnotherFileKeepsTheEditorOpen) {
    const std::string other = folder.File("locked.xrb");
    dialogs.files.push_back(other);
    session.EncryptedSave();
    EXPECT_TRUE(messages.asked.empty());
    EXPECT_EQ(host.closed, 0);
    EXPECT_EQ(session.FileName(), shader);
    EXPECT_TRUE(IsProtectedShader(other));
    EXPECT_EQ(panel.listChanges, 1);
}

TEST_F(EditorSessionTest, NewAndCloneWriteFilesAndOpenThemWhenAsked) {
    const std::string fresh = folder.File("fresh.xrb");
    dialogs.files.push_back(fresh);
    session.NewShader();
    EXPECT_EQ(dialogs.saves.back().Title, "Create New Shader");
    EXPECT_EQ(dialogs.saves.back().Filter, "Vandrel Bytecode (.xrb)|*.xrb");
    EXPECT_EQ(FileStream(fresh), kDefaultStream);
    EXPECT_EQ(session.FileName(), fresh);
    EXPECT_EQ(panel.listChanges, 1);

    Place(kAdd);
    session.AutoEdit = false;
    const std::string clone = folder.File("clone.xrb");
    dialogs.files.push_back(clone);
    session.CloneShader();
    EXPECT_EQ(dialogs.saves.back().Title, "Clone Shader");
    EXPECT_EQ(dialogs.saves.back().ProposedName, "fresh.xrb");
    EXPECT_EQ(FileStream(clone), session.CurrentStream());
    EXPECT_EQ(session.FileName(), fresh);  // not opened
    EXPECT_EQ(panel.listChanges, 2);
}

TEST_F(EditorSessionTest, AutoClassFollowsWhatTheRootUses) {
    struct Case {
        const char* what;
        std::function<void(TXRGraphModel&, TXRComponentContainer*)> edit;
        TCategories expected;  // Displacement, Transparency, Color, Reflectance
    };
    const std::vector<Case> cases = {
        {"untouched root: nothing used, so all four",
         [](auto&, auto*) {},
         {true, true, true, true}},
        {"colour fed",
         [](TXRGraphModel& g, TXRComponentContainer* root) {
             g.UseVariable(root, kRootColor, kWholeProperty, kVarWorldWhole);
         },
         {false, false, true, true}},
        {"colour fed while the colour output is read",
         [](TXRGraphModel& g, TXRComponentContainer* root) {
             g.UseVariable(root, kRootColor, kWholeProperty, kVarColorOutWhole);
         },
         {false, false, false, true}},
        {"alpha on a variable",
         [](TXRGraphModel& g, TXRComponentContainer* root) {
             g.UseVariable(root, kRootAlpha, kWholeProperty, kVarUV);
         },
         {false, true, false, false}},
        {"normal changed while the normal is displaced (mode 0)",
         [](TXRGraphModel& g, TXRComponentContainer* root) {
             g.SetValue(root, kRootDisplacementMode, 0);
             g.UseVariable(root, kRootNormal, kWholeProperty, kVarWorldWhole);
         },
         {true, false, false, false}},
        {"normal changed while displacing by height (the new shader's mode 1)",
         [](TXRGraphModel& g, TXRComponentContainer* root) {
             g.UseVariable(root, kRootNormal, kWholeProperty, kVarWorldWhole);
         },
         {true, true, true, true}},
        {"height on a variable",
         [](TXRGraphModel& g, TXRComponentContainer* root) {
             g.UseVariable(root, kRootDisplacement, kWholeProperty, kVarUV);
         },
         {true, false, false, false}},
        {"a height that holds its constant is not used",
         [](TXRGraphModel& g, TXRComponentContainer* root) {
             g.UseVariable(root, kRootNormal, kWholeProperty, kVarWorldWhole);
             g.UseVariable(root, kRootAlpha, kWholeProperty, kVarUV);
         },
         {false, true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(graph.Rebuild(kDefaultStream));
        c.edit(graph, graph.RootContainer());
        EXPECT_EQ(DeriveCategories(graph), c.expected);
    }
}

TEST_F(EditorSessionTest, CutCopyAndPasteMoveWholeSubtrees) {
    TXRComponentContainer* a = Place(kAdd, 100, 100);
    TXRComponentContainer* b = Place(kAdd, 300, 100);
    ASSERT_NE(graph.Connect(a, b, 0, kWholeProperty), nullptr);
    graph.SetConstant(a, 1, kWholeProperty, 0.75f);
    graph.Select(b);
    ASSERT_TRUE(session.SubtreeToolsEnabled());
    EXPECT_FALSE(session.PasteEnabled() && session.Clipboard().empty());

    session.Cut();
    EXPECT_EQ(graph.Containers().size(), 1u);
    EXPECT_TRUE(session.PasteEnabled());
    // One edit for the whole cut: Undo brings both back.
    session.Undo();
    EXPECT_EQ(graph.Containers().size(), 3u);
    EXPECT_EQ(graph.Connections().size(), 1u);

    ASSERT_TRUE(session.Paste({500, 40}));
    ASSERT_EQ(graph.Containers().size(), 5u);
    ASSERT_EQ(graph.Connections().size(), 2u);
    const TXRComponentContainer* pastedA = graph.Containers()[3].get();
    const TXRComponentContainer* pastedB = graph.Containers()[4].get();
    EXPECT_EQ(pastedA->Left, 500);  // the subtree's top-left lands on the point
    EXPECT_EQ(pastedA->Top, 40);
    EXPECT_EQ(pastedB->Left - pastedA->Left, 200);
    EXPECT_FLOAT_EQ(graph.Constant(pastedA, 1, kWholeProperty), 0.75f);
    const TXRComponentConnection& link = *graph.Connections()[1];
    EXPECT_EQ(link.Source, pastedA);
    EXPECT_EQ(link.Target, pastedB);

    // Pasted onto occupied canvas, the subtree moves to the nearest place where it covers
    // nothing, keeping its own arrangement.
    ASSERT_TRUE(session.Paste({100, 100}));
    ASSERT_EQ(graph.Containers().size(), 7u);
    const TXRComponentContainer* movedA = graph.Containers()[5].get();
    const TXRComponentContainer* movedB = graph.Containers()[6].get();
    EXPECT_EQ(movedB->Left - movedA->Left, 200);
    EXPECT_EQ(movedB->Top, movedA->Top);
    for (const TXRComponentContainer* pasted : {movedA, movedB}) {
        for (size_t i = 0; i < 5; ++i) {
            const TRect other = graph.Containers()[i]->Bounds();
            const TRect r = pasted->Bounds();
            EXPECT_FALSE(r.left < other.right && other.left < r.right && r.top < other.bottom &&
                         other.top < r.bottom)
                << "pasted over container " << i;
        }
    }
    EXPECT_LT(std::abs(movedA->Left - 100) + std::abs(movedA->Top - 100), 400);

    // The root is never a subtree to copy.
    graph.Select(graph.RootContainer());
    EXPECT_FALSE(session.SubtreeToolsEnabled());
}

TEST_F(EditorSessionTest, PasteSurvivesDamagedClipboardText) {
    for (const char* text : {"", "#", "%%%", "0385|zz%0000000000%#", "FFFF0000000%#0001%x",
                             "0385000A000ASCS%0000ZZZZ01%%9"}) {
        SCOPED_TRACE(text);
        session.Clipboard() = text;
        session.Paste({10, 10});
        for (const auto& c : graph.Containers()) EXPECT_NE(c->Component, nullptr);
    }
    session.Clipboard().clear();
}

class CustomFromSubtreeTest : public EditorSessionTest {
  protected:
    void SetUp() override {
        EditorSessionTest::SetUp();
        EditorSettings().ComponentsFolder = folder.Path().string();
    }
};

TEST_F(CustomFromSubtreeTest, SeventeenTriggersAreRefused) {
    // Six blends with four inputs each, chained: 17 distinct triggers on the free inputs.
    std::vector<TXRComponentContainer*> blends;
    int trigger = 0;
    for (int i = 0; i < 6; ++i) {
        TXRComponentContainer* c = Place(kBlend, 150 * i, 300);
        for (int32_t prop = 0; prop < 4 && trigger < 17; ++prop) {
            if (i > 0 && prop == 0) continue;  // fed by the previous blend
            graph.UseTrigger(c, prop, kWholeProperty, trigger++);
        }
        if (i > 0) graph.Connect(blends.back(), c, 0, kWholeProperty);
        blends.push_back(c);
    }
    ASSERT_EQ(trigger, 17);
    graph.Select(blends.back());
    session.CreateComponentFromSubtree();
    EXPECT_EQ(messages.shown.back(), std::string(kTooManyCustomProperties));
    EXPECT_TRUE(host.asked.Title.empty());  // no dialog

    // Sixteen are allowed.
    graph.UseConstant(blends.back(), 1, kWholeProperty);
    ASSERT_TRUE(CompileSubtree(graph, blends.back()).has_value());
}

TEST_F(CustomFromSubtreeTest, FileBasedComponentsAreRefused) {
    TXRComponentContainer* texture = Place(kTexture, 100, 300);
    TXRComponentContainer* add = Place(kAdd);
    (void)texture;
    graph.Select(graph.Containers()[1].get());
    session.CreateComponentFromSubtree();
    EXPECT_EQ(messages.shown.back(), std::string(kSubtreeNotAllowed));
    // A subtree without the texture is fine.
    EXPECT_TRUE(CompileSubtree(graph, add).has_value());
}

TEST_F(CustomFromSubtreeTest, ACreatedComponentEvaluatesLikeTheSubtree) {
    // A blend of (Trigger 4 + Trigger 9) at weight 0.25 with 0.5 at weight 0.5: the two triggers
    // become properties 1 and 2.
    TXRComponentContainer* sum = Place(kAdd, 100, 100);
    TXRComponentContainer* blend = Place(kBlend, 300, 100);
    graph.UseTrigger(sum, 0, kWholeProperty, 8);
    graph.UseTrigger(sum, 1, kWholeProperty, 3);
    ASSERT_NE(graph.Connect(sum, blend, 0, kWholeProperty), nullptr);
    graph.SetConstant(blend, 1, kWholeProperty, 0.25f);
    graph.SetConstant(blend, 2, kWholeProperty, 0.5f);
    graph.SetConstant(blend, 3, kWholeProperty, 0.5f);
    graph.Select(blend);

    const std::string file = folder.File("Offset.xrc");
    dialogs.files.push_back(file);
    session.CreateComponentFromSubtree();
    ASSERT_EQ(host.asked.Properties.size(), 2u);
    EXPECT_EQ(host.asked.Properties[0].Name, "Trigger4");
    EXPECT_EQ(host.asked.Properties[1].Name, "Trigger9");
    EXPECT_EQ(dialogs.saves.back().Title, "Save Custom Component");
    EXPECT_EQ(dialogs.saves.back().Folder, folder.Path().string());
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(session.CustomComponentNames(), std::vector<std::string>{"Offset"});

    // The subtree's value with the triggers at 0.2 and 0.6.
    *VariableAddress(&graph.Record(), kVarTrigger1 + 3) = 0.2f;
    *VariableAddress(&graph.Record(), kVarTrigger1 + 8) = 0.6f;
    graph.Tree().SetRoot(blend->Component);
    graph.Tree().Evaluate(kMaskAll);
    const float expected = blend->Component->OutputAddress()[0];

    // Another shader inserts the component and feeds its properties the same values.
    const std::string other = folder.File("other.xrb");
    ASSERT_TRUE(SaveShaderFile(other, kDefaultStream).ok);
    ASSERT_TRUE(session.OpenShader(other));
    ASSERT_TRUE(session.InsertCustomComponent("Offset"));
    ASSERT_GE(host.placed, kFirstCustomTypeId);
    TXRComponentContainer* custom = graph.Place(100, 100);
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->Title(), "Offset");
    graph.SetConstant(custom, 0, kWholeProperty, 0.2f);
    graph.SetConstant(custom, 1, kWholeProperty, 0.6f);
    graph.Tree().SetRoot(custom->Component);
    graph.Tree().Evaluate(kMaskAll);
    EXPECT_FLOAT_EQ(custom->Component->OutputAddress()[0], expected);
    // Blend: (A·WeightA + B·WeightB) / (WeightA + WeightB).
    EXPECT_NEAR(expected, ((0.2 + 0.6) * 0.25 + 0.5 * 0.5) / 0.75, 1e-6);

    // Its definition travels with the shader's stream.
    EXPECT_FALSE(StreamSection(session.CurrentStream(), kCustomSection).empty());
}

TEST_F(CustomFromSubtreeTest, CorruptComponentFilesAreReported) {
    ASSERT_TRUE(SaveShaderFile(folder.File("Broken.xrc"), "SCnot a definition").ok);
    EXPECT_EQ(session.CustomComponentNames(), std::vector<std::string>{"Broken"});
    EXPECT_FALSE(session.InsertCustomComponent("Broken"));
    EXPECT_EQ(messages.shown.back(), std::string(kComponentFileCorrupted));
    EXPECT_EQ(host.placed, 0);
}

TEST_F(EditorSessionTest, InformationFileMarksTheShaderModified) {
    dialogs.files.push_back("/somewhere/notes.txt");
    session.AttachInfoFile();
    EXPECT_EQ(session.InfoFile(), "notes.txt");
    EXPECT_TRUE(session.Modified());
    EXPECT_TRUE(session.ClearInfoEnabled());
    EXPECT_EQ(panel.infoFiles, std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(StreamSection(FileStream(shader), kInfoFileSection), "notes.txt");
    session.ClearInfoFile();
    EXPECT_TRUE(session.InfoFile().empty());
    EXPECT_FALSE(session.ClearInfoEnabled());
}

}  // namespace
}  // namespace vandrel

// The manager panel: its shader list per output type, choosing a shader, the commands, automatic
// and held updates, output types that share one shader file, and the routing of the interface
// model's calls.
#include "editor/main_form.h"
// (the model's headers before Qt's)
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "core/tree_section.h"
#include "editor/about_box.h"
#include "editor/controls/expander_panel.h"
#include "editor/controls/gcheckbox.h"
#include "editor/controls/spin_edit.h"
#include "editor/interface_panel.h"
#include "editor/model/editor_settings.h"
#include "editor/model/shader_list.h"
#include "panel_test_support.h"
#include "qt_test_support.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// A root on its own, and the same root with EvaluationMode (property 6) set to 1.
constexpr std::string_view kAloneTree = "XR0001000105V0F0002V2F000AV3F002BS00008FS00009F000F";
constexpr std::string_view kSharedTree =
    "XR0001000106V0F0002V2F000AV3F002BS00008FS00009FM60001000F";
constexpr std::string_view kLayout = "000100080008LV0005SLV000DLV002ES000100000000SS%%0000";

// A numerical trigger 1 (default 0.25), a colour trigger 3 (default 1, 0.5, 0) and a texture in
// file slot 1, in two columns.
TInterfaceData Exposed(const std::string& notice = {}) {
    TInterfaceData d;
    d.Options.NoticeText = notice;
    d.Triggers[0] = test::Numerical(0, 1, 0.25f, 0.01f);
    d.Triggers[2] = test::Colour(kOwnPicker);
    d.Files[0] = TFileEntry{'T', {"File 1", "Texture.jpg"}};
    return d;
}

std::string Stream(std::string_view tree, const TInterfaceData& data,
                   std::string_view categories = "TTTT", std::string_view info = {},
                   std::string_view layout = kLayout) {
    const std::string iface = SerialiseInterfaceString(data);
    return JoinSections({tree, layout, iface, categories, info, ""});
}

class MainFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::ResetPluginState();
        settings = EditorSettings();
        for (auto& f : EditorSettings().ShaderFolders) f = Folder();
        EditorSettings().EditNew = true;
        SetDocumentOpener([this](const QUrl& url) { opened.push_back(url); });
    }
    void TearDown() override {
        SetDocumentOpener({});
        WindowLinks().Help = nullptr;
        WindowLinks().About = nullptr;
        Plugin().Interface.SetPanelObserver(nullptr);
        EditorSettings() = settings;
    }

    std::string Folder() const { return scratch.Path().string() + "/"; }
    std::string Write(const std::string& name, const std::string& stream) {
        const std::string file = Folder() + name + ".xrb";
        EXPECT_TRUE(SaveShaderFile(file, stream).ok);
        return file;
    }
    std::vector<int32_t> Updates() { return host::TakeShaderUpdates(); }
    static std::vector<std::string> Listed(const TMainForm& form) {
        std::vector<std::string> names;
        for (int i = 0; i < form.ShaderCombo()->count(); ++i) {
            names.push_back(form.ShaderCombo()->itemText(i).toStdString());
        }
        return names;
    }
    static THostSpinEdit2* AmountField(const TMainForm& form) {
        for (TXRInterfaceComponent* c : form.InterfacePanel()->Components()) {
            if (c->Kind() == kNumerical) return c->SpinField();
        }
        return nullptr;
    }
    TLocalKeyframes& Values(int32_t t) { return *Plugin().Interface.OutputValues(t); }

    QApplication& app = test::TestApplication();
    test::RecordingMessages messages;
    test::ScriptedDialogs dialogs;
    TEditorSettings settings;
    test::ScratchFolder scratch;
    const fs::path& folder = scratch.Path();
    std::vector<QUrl> opened;
};

TEST_F(MainFormTest, EachOutputTypeListsTheShadersMeantForIt) {
    Write("NoColor", Stream(kAloneTree, Exposed(), "TTFT"));
    Write("Everywhere", Stream(kAloneTree, Exposed(), "TTTT"));
    const char* names[] = {"Displacement", "Transparency", "Color", "Reflectance"};
    for (int32_t t = 0; t < 4; ++t) {
        TMainForm form(t);
        EXPECT_EQ(form.windowTitle().toStdString(), std::string("Vandrel [") + names[t] + "]");
        const std::vector<std::string> expected =
            t == kColor ? std::vector<std::string>{"Everywhere"}
                        : std::vector<std::string>{"Everywhere", "NoColor"};
        EXPECT_EQ(Listed(form), expected) << t;
        // Nothing chosen yet.
        EXPECT_EQ(form.ShaderCombo()->currentIndex(), -1);
        EXPECT_EQ(form.ShaderCombo()->toolTip(), "No shader loaded");
        EXPECT_FALSE(form.CloneButton()->isEnabled());
        EXPECT_FALSE(form.EditButton()->isEnabled());
        EXPECT_FALSE(form.InfoButton()->isEnabled());
    }
}

TEST_F(MainFormTest, ChoosingAShaderStartsFromItsDefaults) {
    const std::string file = Write("Marble", Stream(kAloneTree, Exposed()));
    TMainForm form(kReflectance);
    Values(kReflectance).Triggers[0] = {9, 9, 9};
    form.ChooseShader("marble");  // the list matches without regard to case
    EXPECT_EQ(Plugin().CurrentShader[kReflectance], file);
    EXPECT_EQ(form.ShaderFile(), file);
    EXPECT_EQ(form.ShaderCombo()->toolTip().toStdString(), file);
    EXPECT_TRUE(form.CloneButton()->isEnabled());
    EXPECT_TRUE(form.EditButton()->isEnabled());

    TLocalKeyframes expected;
    expected.Triggers[0] = {0.25f, 0, 0};
    expected.Triggers[2] = {1, 0.5f, 0};
    expected.Files[0] = "T:Texture.jpg";
    EXPECT_EQ(Values(kReflectance), expected);
    EXPECT_EQ(AmountField(form)->ValueF(), 0.25f);
    EXPECT_EQ(Updates(), std::vector<int32_t>{103});
    EXPECT_EQ(Plugin().UpdateCounter, 1);

    // Three controls in two columns: two rows, 2 x 24 + 6.
    EXPECT_EQ(form.InterfacePanel()->Components().size(), 3u);
    EXPECT_EQ(form.Expander()->ExpandedHeight(), 54);
    EXPECT_EQ(form.Expander()->CollapsedHeight(), 0);

    // A refresh keeps the values the output type has.
    Values(kReflectance).Triggers[0] = {0.75f, 0, 0};
    form.RefreshButton()->click();
    form.SelectShaderFile(file);
    EXPECT_EQ(Values(kReflectance).Triggers[0][0], 0.75f);
    EXPECT_EQ(AmountField(form)->ValueF(), 0.75f);
    EXPECT_EQ(form.ShaderCombo()->currentText(), "Marble");
}

TEST_F(MainFormTest, ANoticeKeepsALineWhenTheSettingsAreHidden) {
    Write("Signed", Stream(kAloneTree, Exposed("By&'GAnn")));
    TMainForm form(kColor);
    form.ChooseShader("Signed");
    EXPECT_EQ(form.InterfacePanel()->NoticeText(), "By Ann");
    EXPECT_EQ(form.Expander()->ExpandedHeight(), 73);  // 54 + 19
    EXPECT_EQ(form.Expander()->CollapsedHeight(), 17);
    form.Expander()->SetExpanded(false);
    EXPECT_EQ(form.InterfacePanel()->height(), 17);
}

TEST_F(MainFormTest, WithoutAutoUpdateChangesWaitForUpdateNow) {
    Write("Marble", Stream(kAloneTree, Exposed()));
    TMainForm form(kColor);
    form.ChooseShader("Marble");
    Updates();
    const uint8_t counter = Plugin().UpdateCounter;
    EXPECT_TRUE(form.AutoUpdateBox()->Checked());
    EXPECT_FALSE(form.UpdateNowButton()->isEnabled());

    form.AutoUpdateBox()->SetChecked(false);
    AmountField(form)->SetValueF(0.5f);
    AmountField(form)->SetValueF(0.625f);
    EXPECT_EQ(Values(kColor).Triggers[0][0], 0.625f);
    EXPECT_TRUE(Updates().empty());
    EXPECT_EQ(Plugin().UpdateCounter, counter);
    EXPECT_TRUE(form.UpdateNowButton()->isEnabled());
    EXPECT_TRUE(form.InterfacePanel()->UpdatePending());

    form.UpdateNowButton()->click();
    EXPECT_EQ(Updates(), std::vector<int32_t>{102});
    EXPECT_EQ(Plugin().UpdateCounter, counter + 1);
    EXPECT_FALSE(form.UpdateNowButton()->isEnabled());
    EXPECT_FALSE(form.InterfacePanel()->UpdatePending());

    // Ticking the box with an update pending sends it at once.
    AmountField(form)->SetValueF(0.125f);
    EXPECT_TRUE(Updates().empty());
    form.AutoUpdateBox()->SetChecked(true);
    EXPECT_EQ(Updates(), std::vector<int32_t>{102});
    AmountField(form)->SetValueF(0.25f);
    EXPECT_EQ(Updates(), std::vector<int32_t>{102});
    EXPECT_FALSE(form.UpdateNowButton()->isEnabled());

    // "Update now" shows only while the settings are open.
    EXPECT_TRUE(form.UpdateNowButton()->isVisibleTo(&form));
    form.Expander()->SetExpanded(false);
    EXPECT_FALSE(form.UpdateNowButton()->isVisibleTo(&form));
}

TEST_F(MainFormTest, OutputTypesShareValuesOnlyWhenTheShaderDoesNotStandAlone) {
    ASSERT_TRUE(Scan(kAloneTree));
    ASSERT_FALSE(Scan(kSharedTree));
    for (bool shared : {true, false}) {
        SCOPED_TRACE(shared);
        test::ResetPluginState();
        Write("Both", Stream(shared ? kSharedTree : kAloneTree, Exposed()));
        TMainForm color(kColor);
        TMainForm transparency(kTransparency);
        color.ChooseShader("Both");
        AmountField(color)->SetValueF(0.5f);
        Updates();

        // A user's choice in a linked output type starts from the other's values.
        transparency.ChooseShader("Both");
        EXPECT_EQ(Values(kTransparency).Triggers[0][0], shared ? 0.5f : 0.25f);
        Updates();

        AmountField(color)->SetValueF(0.875f);
        EXPECT_EQ(Values(kTransparency).Triggers[0][0], shared ? 0.875f : 0.25f);
        EXPECT_EQ(AmountField(transparency)->ValueF(), shared ? 0.875f : 0.25f);
        EXPECT_EQ(Updates(), shared ? (std::vector<int32_t>{102, 101}) : std::vector<int32_t>{102});
        EXPECT_EQ(Plugin().Interface.Linked(kColor, kTransparency), shared);

        // Held updates go to the linked output type as well.
        transparency.AutoUpdateBox()->SetChecked(false);
        AmountField(transparency)->SetValueF(0.125f);
        EXPECT_TRUE(Updates().empty());
        transparency.UpdateNow();
        EXPECT_EQ(Updates(), shared ? (std::vector<int32_t>{101, 102}) : std::vector<int32_t>{101});
        EXPECT_EQ(Values(kColor).Triggers[0][0], shared ? 0.125f : 0.875f);
    }
}

TEST_F(MainFormTest, NewWritesTheNewShaderAndOpensIt) {
    test::FakeEditor editor;
    TMainForm form(kDisplacement);
    dialogs.files.push_back(Folder() + "Fresh");  // the name as typed, without extension
    form.NewButton()->click();
    ASSERT_EQ(dialogs.saves.size(), 1u);
    EXPECT_EQ(dialogs.saves[0].Title, "Create New Shader");
    EXPECT_EQ(dialogs.saves[0].Folder, Folder());
    EXPECT_EQ(dialogs.saves[0].Filter, "Vandrel Bytecode (.xrb)|*.xrb");

    const std::string file = Folder() + "Fresh.xrb";
    const TLoadedShader fresh = LoadShaderFile(file);
    EXPECT_EQ(fresh.status, ShaderFileStatus::kCurrent);
    EXPECT_EQ(fresh.stream,
              "XR0001000105V0F0002V2F000AV3F002BS00008FS00009F000F#000100080008LV0005SLV000DLV002ES"
              "000100000000SS%%0000#02D%%#TTTT");

    // "Auto-edit new shaders": chosen and opened in the editor.
    EXPECT_EQ(Listed(form), std::vector<std::string>{"Fresh"});
    EXPECT_EQ(form.ShaderCombo()->currentText(), "Fresh");
    EXPECT_EQ(Plugin().CurrentShader[kDisplacement], file);
    EXPECT_EQ(editor.edited, std::vector<std::string>{file});

    // Without it the file is only listed; a cancelled dialog writes nothing.
    EditorSettings().EditNew = false;
    dialogs.files.push_back(Folder() + "Second.xrb");
    dialogs.files.push_back(std::nullopt);
    form.NewShader();
    form.NewShader();
    EXPECT_EQ(Listed(form), (std::vector<std::string>{"Fresh", "Second"}));
    EXPECT_EQ(form.ShaderFile(), file);
    EXPECT_EQ(editor.edited.size(), 1u);
}

TEST_F(MainFormTest, OpenMovesToTheFilesFolder) {
    const fs::path other = folder / "other";
    fs::create_directories(other);
    const std::string file = other.string() + "/Far.xrb";
    ASSERT_TRUE(SaveShaderFile(file, Stream(kAloneTree, Exposed())).ok);
    TMainForm form(kTransparency);
    dialogs.files.push_back(file);
    form.OpenButton()->click();
    ASSERT_EQ(dialogs.opens.size(), 1u);
    EXPECT_EQ(dialogs.opens[0].Title, "Open Shader");
    EXPECT_EQ(dialogs.opens[0].Folder, Folder());
    EXPECT_EQ(form.Folder(), other.string() + "/");
    EXPECT_EQ(Listed(form), std::vector<std::string>{"Far"});
    EXPECT_EQ(Plugin().CurrentShader[kTransparency], file);
    EXPECT_EQ(Values(kTransparency).Triggers[0][0], 0.25f);
}

TEST_F(MainFormTest, CloneCopiesTheStreamTheEditorHolds) {
    const std::string saved = Stream(kAloneTree, Exposed());
    const std::string file = Write("Base", saved);
    EditorSettings().EditNew = false;
    TMainForm form(kColor);
    form.ChooseShader("Base");

    dialogs.files.push_back(Folder() + "Copy.xrb");
    form.CloneButton()->click();
    ASSERT_EQ(dialogs.saves.size(), 1u);
    EXPECT_EQ(dialogs.saves[0].Title, "Clone Shader");
    EXPECT_EQ(dialogs.saves[0].ProposedName, "Base.xrb");
    EXPECT_EQ(LoadShaderFile(Folder() + "Copy.xrb").stream, saved);
    EXPECT_EQ(Listed(form), (std::vector<std::string>{"Base", "Copy"}));

    // With the shader open in the editor, its unsaved stream is what is cloned.
    test::FakeEditor editor;
    editor.openFile = file;
    editor.stream = Stream(kAloneTree, TInterfaceData{});
    dialogs.files.push_back(Folder() + "Edited.xrb");
    form.CloneShader();
    EXPECT_EQ(LoadShaderFile(Folder() + "Edited.xrb").stream, editor.stream);
}

TEST_F(MainFormTest, EditNeedsAnEditorAndALayout) {
    const std::string file = Write("Open", Stream(kAloneTree, Exposed()));
    Write("Locked", Stream(kAloneTree, Exposed(), "TTTT", {}, ""));
    TMainForm form(kColor);
    form.ChooseShader("Open");
    form.EditButton()->click();  // no editor: nothing happens

    test::FakeEditor editor;
    form.EditButton()->click();
    EXPECT_EQ(editor.edited, std::vector<std::string>{file});

    // A shader without its editor layout can be neither edited nor cloned.
    form.ChooseShader("Locked");
    EXPECT_FALSE(form.EditButton()->isEnabled());
    EXPECT_FALSE(form.CloneButton()->isEnabled());
    form.EditShader();
    form.CloneShader();
    EXPECT_EQ(editor.edited.size(), 1u);
    EXPECT_TRUE(dialogs.saves.empty());

    // An encrypted save over the open file does the same for a panel showing it.
    form.ChooseShader("Open");
    form.ShaderEncrypted(Folder() + "OPEN.xrb");
    EXPECT_FALSE(form.EditButton()->isEnabled());
}

TEST_F(MainFormTest, InfoOpensTheInformationFile) {
    std::ofstream(folder / "Marble.txt") << "notes";
    Write("Marble", Stream(kAloneTree, Exposed(), "TTTT", "Marble.txt"));
    Write("Plain", Stream(kAloneTree, Exposed()));
    TMainForm form(kColor);
    form.ChooseShader("Plain");
    EXPECT_FALSE(form.InfoButton()->isEnabled());
    form.ChooseShader("Marble");
    EXPECT_TRUE(form.InfoButton()->isEnabled());
    form.InfoButton()->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(Folder() + "Marble.txt")));

    // The editor attaches or clears the information file.
    form.InformationFileChanged(Folder() + "Marble.xrb", "");
    EXPECT_FALSE(form.InfoButton()->isEnabled());
    form.InformationFileChanged(Folder() + "Other.xrb", "Marble.txt");
    EXPECT_FALSE(form.InfoButton()->isEnabled());
}

TEST_F(MainFormTest, HelpMenuOffersGuideAboutAndWebPages) {
    std::vector<std::string> topics;
    int abouts = 0;
    WindowLinks().Help = [&](std::string_view topic) { topics.emplace_back(topic); };
    WindowLinks().About = [&] { ++abouts; };
    TMainForm form(kColor);
    const QList<QAction*> actions = form.HelpMenu()->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(actions[0]->text(), "Vandrel User's &Guide");
    EXPECT_EQ(actions[1]->text(), "&About Vandrel");
    EXPECT_TRUE(actions[2]->isSeparator());
    actions[0]->trigger();
    actions[1]->trigger();
    actions[3]->trigger();
    actions[4]->trigger();
    EXPECT_EQ(topics, std::vector<std::string>{""});
    EXPECT_EQ(abouts, 1);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].toString().toStdString(), kProductPage);
    EXPECT_EQ(opened[1].toString().toStdString(), kSupportPage);
}

TEST_F(MainFormTest, PanelsRegisterWhileTheyExist) {
    {
        TMainForm form(kTransparency);
        EXPECT_EQ(WindowLinks().Panels[kTransparency], &form);
        EXPECT_EQ(MainFormOf(kTransparency), &form);
        // The model's calls reach the panel of their output type, and no other.
        EXPECT_FALSE(PanelObserver().InterfaceChanged(kColor));
        PanelObserver().MarkUpdatePending(kTransparency);
        EXPECT_TRUE(form.UpdateNowButton()->isEnabled());
        PanelObserver().RequestUpdate(kReflectance);
        EXPECT_EQ(Updates(), std::vector<int32_t>{103});
    }
    EXPECT_EQ(WindowLinks().Panels[kTransparency], nullptr);
    EXPECT_EQ(MainFormOf(kTransparency), nullptr);
}

TEST_F(MainFormTest, AnInterfaceChangeRebuildsFromTheEditorsStream) {
    const std::string file = Write("Live", Stream(kAloneTree, Exposed()));
    TMainForm form(kColor);
    form.ChooseShader("Live");
    AmountField(form)->SetValueF(0.5f);
    Updates();

    // The editor added a UV trigger 6; its stream is written and the panel shows five controls,
    // every value at its default.
    TInterfaceData more = Exposed();
    more.Triggers[5] = test::UV();
    test::FakeEditor editor;
    editor.openFile = file;
    editor.stream = Stream(kAloneTree, more);
    Plugin().Interface.SetEditedShaderFile(file);
    ASSERT_TRUE(Plugin().Interface.UsesEditedShader(kColor));
    Plugin().Interface.Apply(true, true, "");

    EXPECT_EQ(LoadShaderFile(file).stream, editor.stream);
    EXPECT_EQ(form.InterfacePanel()->Components().size(), 5u);
    EXPECT_EQ(Values(kColor).Triggers[0][0], 0.25f);
    EXPECT_EQ(Values(kColor).Triggers[5][0], 1.5f);
    EXPECT_EQ(Values(kColor).Triggers[5][1], 0.25f);
    EXPECT_EQ(Updates(), std::vector<int32_t>{102});

    // Reverting the file brings the saved interface back.
    ASSERT_TRUE(SaveShaderFile(file, Stream(kAloneTree, Exposed())).ok);
    form.ShaderFileReverted(file);
    EXPECT_EQ(form.InterfacePanel()->Components().size(), 3u);
}

TEST_F(MainFormTest, AShaderThatLeavesTheListIsNoLongerShown) {
    const std::string file = Write("Gone", Stream(kAloneTree, Exposed()));
    TMainForm form(kColor);
    form.ChooseShader("Gone");
    fs::remove(file);
    form.ShaderListChanged();
    EXPECT_TRUE(Listed(form).empty());
    EXPECT_EQ(form.ShaderFile(), "");
    EXPECT_EQ(form.ShaderCombo()->toolTip(), "No shader loaded");
    EXPECT_TRUE(form.InterfacePanel()->Components().empty());
}

TEST_F(MainFormTest, TheAboutBoxFadesOneNameAtATime) {
    TAboutBox box;
    ASSERT_GE(box.Names().size(), 2);
    EXPECT_EQ(box.FadeTimer()->interval(), 20);
    EXPECT_TRUE(box.FadeTimer()->isActive());
    EXPECT_EQ(box.Opacity(), 0);
    for (int i = 0; i < kAboutFadeSteps; ++i) box.Step();
    EXPECT_EQ(box.Opacity(), 1);
    for (int i = 0; i < kAboutHoldSteps; ++i) box.Step();
    EXPECT_EQ(box.Opacity(), 1);
    EXPECT_EQ(box.CurrentName(), 0);
    for (int i = 0; i < kAboutFadeSteps; ++i) box.Step();
    EXPECT_EQ(box.Opacity(), 0);
    box.Step();  // the next name starts invisible
    EXPECT_EQ(box.CurrentName(), 1);
    EXPECT_EQ(box.Opacity(), 0);
    // After the last name the first comes back.
    for (int n = 1; n < box.Names().size(); ++n) {
        for (int i = 0; i < 2 * kAboutFadeSteps + kAboutHoldSteps + 1; ++i) box.Step();
    }
    EXPECT_EQ(box.CurrentName(), 0);
}

TEST_F(MainFormTest, Screenshot) {
    TInterfaceData d = Exposed("(c)&'GAnn");
    d.Triggers[4] = test::UV();
    d.Triggers[7] = test::Enumeration();
    Write("Sample", Stream(kAloneTree, d));
    TMainForm form(kColor);
    form.ChooseShader("Sample");
    form.adjustSize();
    test::Screenshot(form, "main_form");
}

}  // namespace
}  // namespace vandrel

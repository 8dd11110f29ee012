#include "editor/main_form.h"

#include <array>

#include "core/context.h"
#include "core/messages.h"
#include "core/search_path.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "core/tree_section.h"
#include "editor/controls/qt_text.h"
#include "editor/editor_accessibility.h"
#include "editor/help_router.h"
#include "editor/model/dialogs.h"
#include "editor/model/editor_settings.h"
#include "editor/model/output_values.h"
#include "editor/model/shader_list.h"
#include "host/plugin.h"
// (the model's headers before Qt's)
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/about_box.h"
#include "editor/controls/control_fonts.h"
#include "editor/controls/expander_panel.h"
#include "editor/controls/gcheckbox.h"
#include "editor/interface_panel.h"

namespace vandrel {

namespace {

bool ValidOutputType(int32_t t) { return t >= 0 && t < kOutputTypeCount; }

std::array<TMainForm*, kOutputTypeCount>& Forms() {
    static std::array<TMainForm*, kOutputTypeCount> forms{};
    return forms;
}

TDocumentOpener& Opener() {
    static TDocumentOpener opener;
    return opener;
}

void OpenDocument(const QUrl& url) {
    if (Opener()) {
        Opener()(url);
    } else {
        QDesktopServices::openUrl(url);
    }
}

// A chosen name without an extension gets ".xrb", as the save dialogs propose.
std::string WithShaderExtension(std::string file) {
    if (FileNamePart(file).find('.') == std::string_view::npos) file += kShaderFileExtension;
    return file;
}

// The stream that Clone copies: the editor's when it has the file open, else the file's.
std::string StreamOfFile(const std::string& file) {
    TEditorLink* editor = WindowLinks().Editor;
    if (editor != nullptr && SameFileName(editor->EditedShader(), file)) {
        return editor->CurrentStream();
    }
    return LoadShaderFile(file).stream;
}

class TPanelRouter final : public TInterfacePanelObserver {
  public:
    bool InterfaceChanged(int32_t outputType) override {
        TMainForm* form = MainFormOf(outputType);
        if (form == nullptr) return false;
        form->InterfaceChanged(true);
        return true;
    }
    void ReloadControls(int32_t outputType) override {
        if (TMainForm* form = MainFormOf(outputType)) form->ReloadControls();
    }
    void RequestUpdate(int32_t outputType) override { vandrel::RequestUpdate(outputType); }
    void MarkUpdatePending(int32_t outputType) override {
        if (TMainForm* form = MainFormOf(outputType)) form->MarkUpdatePending();
    }
};

QToolButton* Tool(QWidget* parent, const char* text, const char* hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("Btn") + text);
    button->setText(text);
    button->setToolTip(hint);
    button->setFont(ControlFont());
    button->setAutoRaise(true);
    return button;
}

}  // namespace

std::string MainFormCaption(int32_t outputType) {
    return "Vandrel [" + std::string(OutputTypeName(outputType)) + "]";
}

TMainForm* MainFormOf(int32_t outputType) {
    return ValidOutputType(outputType) ? Forms()[static_cast<size_t>(outputType)] : nullptr;
}

TInterfacePanelObserver& PanelObserver() {
    static TPanelRouter router;
    return router;
}

void InstallPanelObserver() { Plugin().Interface.SetPanelObserver(&PanelObserver()); }

TDocumentOpener SetDocumentOpener(TDocumentOpener opener) {
    TDocumentOpener previous = std::move(Opener());
    Opener() = std::move(opener);
    return previous;
}

// ---- the panel -------------------------------------------------------------------------------

TMainForm::TMainForm(int32_t outputType, QWidget* parent)
    : QWidget(parent), outputType_(ValidOutputType(outputType) ? outputType : kColor) {
    InstallEditorAccessibility();
    setWindowTitle(Q(MainFormCaption(outputType_)));
    setFont(ControlFont());
    // F1 asks the help for this window's topic.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { RouteHelp(kHelpContext, kHelpTopicManager); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* shaderRow = new QHBoxLayout;
    auto* shaderLabel = new QLabel("Shader", this);
    combo_ = new QComboBox(this);
    combo_->setObjectName("ComboShader");
    combo_->setFont(ControlFont());
    combo_->setToolTip(Q(kNoShaderHint));
    shaderLabel->setBuddy(combo_);
    refresh_ = Tool(this, "Refresh", "Refresh shader list");
    shaderRow->addWidget(shaderLabel);
    shaderRow->addWidget(combo_, 1);
    shaderRow->addWidget(refresh_);
    layout->addLayout(shaderRow);

    auto* tools = new QHBoxLayout;
    new_ = Tool(this, "New", "Create a new shader");
    open_ = Tool(this, "Open", "Open a shader from a different folder");
    clone_ = Tool(this, "Clone", "Clone current shader");
    edit_ = Tool(this, "Edit", "Edit current shader / show editor");
    info_ = Tool(this, "Info", "Show shader info");
    help_ = Tool(this, "Help", "Get help");
    for (QToolButton* b : {new_, open_, clone_, edit_, info_, help_}) tools->addWidget(b);
    tools->addStretch(1);
    layout->addLayout(tools);

    expander_ = new TExpanderPanel(this);
    expander_->SetCaption("Shader Settings");
    expander_->SetAutoHint("shader settings");
    expander_->setFixedSize(kInterfacePanelWidth, kExpanderHeaderHeight);
    layout->addWidget(expander_);
    panel_ = new TXRInterfaceContainer(outputType_, this);
    layout->addWidget(panel_);
    expander_->SetAttachedControl(panel_);

    auto* updateRow = new QHBoxLayout;
    autoUpdate_ = new TGCheckBox(this);
    autoUpdate_->setObjectName("CheckAutoUpdate");
    autoUpdate_->SetCaption("Auto-update");
    autoUpdate_->SetChecked(true);
    autoUpdate_->setFixedSize(100, 17);
    updateNow_ = new QPushButton("Update now", this);
    updateNow_->setObjectName("BtnUpdateNow");
    updateNow_->setFont(ControlFont());
    updateNow_->setEnabled(false);
    updateRow->addWidget(autoUpdate_);
    updateRow->addStretch(1);
    updateRow->addWidget(updateNow_);
    layout->addLayout(updateRow);

    helpMenu_ = new QMenu(this);
    connect(helpMenu_->addAction("Vandrel User's &Guide"), &QAction::triggered, this, [] {
        if (WindowLinks().Help) WindowLinks().Help("");
    });
    connect(helpMenu_->addAction("&About Vandrel"), &QAction::triggered, this, [this] {
        if (WindowLinks().About) {
            WindowLinks().About();
        } else {
            TAboutBox box(this);
            box.exec();
        }
    });
    helpMenu_->addSeparator();
    connect(helpMenu_->addAction("Vandrel on the &Web"), &QAction::triggered, this,
            [] { OpenDocument(QUrl(Q(kProductPage))); });
    connect(helpMenu_->addAction("Vandrel &Support"), &QAction::triggered, this,
            [] { OpenDocument(QUrl(Q(kSupportPage))); });

    connect(combo_, &QComboBox::activated, this,
            [this](int index) { ChooseShader(combo_->itemText(index)); });
    connect(refresh_, &QToolButton::clicked, this, [this] { RefreshShaderList(); });
    connect(new_, &QToolButton::clicked, this, [this] { NewShader(); });
    connect(open_, &QToolButton::clicked, this, [this] { OpenShader(); });
    connect(clone_, &QToolButton::clicked, this, [this] { CloneShader(); });
    connect(edit_, &QToolButton::clicked, this, [this] { EditShader(); });
    connect(info_, &QToolButton::clicked, this, [this] { ShowInfo(); });
    connect(help_, &QToolButton::pressed, this, [this] { ShowHelpMenu(QCursor::pos()); });
    connect(expander_, &TExpanderPanel::OnChange, this, [this] { ExpanderChanged(); });
    connect(autoUpdate_, &TGCheckBox::OnChange, this, [this] { AutoUpdateChanged(); });
    connect(updateNow_, &QPushButton::clicked, this, [this] { UpdateNow(); });

    Forms()[static_cast<size_t>(outputType_)] = this;
    WindowLinks().Panels[static_cast<size_t>(outputType_)] = this;
    InstallPanelObserver();

    ShowShader({}, false);
    SelectShaderFile(Plugin().CurrentShader[outputType_]);
}

TMainForm::~TMainForm() {
    const auto t = static_cast<size_t>(outputType_);
    if (Forms()[t] == this) Forms()[t] = nullptr;
    if (WindowLinks().Panels[t] == this) WindowLinks().Panels[t] = nullptr;
}

const std::string& TMainForm::Folder() const {
    return EditorSettings().ShaderFolders[static_cast<size_t>(outputType_)];
}

void TMainForm::RefreshShaderList() {
    combo_->clear();
    for (const std::string& name : ShaderList(Folder(), outputType_)) combo_->addItem(Q(name));
    const std::string name = ShaderNameInFolder(Folder(), shaderFile_);
    const int index = name.empty() ? -1 : combo_->findText(Q(name), Qt::MatchFixedString);
    combo_->setCurrentIndex(index);
    if (index < 0 && !shaderFile_.empty()) ShowShader({}, false);
}

void TMainForm::ChooseShader(const QString& name) {
    const int index = combo_->findText(name, Qt::MatchFixedString);
    if (index < 0) return;
    combo_->setCurrentIndex(index);
    ShowShader(ShaderFilePath(Folder(), S(combo_->itemText(index))), true);
}

void TMainForm::SelectShaderFile(const std::string& file) {
    if (!file.empty()) {
        const std::string folder = FolderOfFile(file);
        if (!folder.empty() && !SameFileName(folder, Folder()) &&
            !SameFileName(folder, Folder() + kFolderSeparator)) {
            EditorSettings().ShaderFolders[static_cast<size_t>(outputType_)] = folder;
        }
    }
    shaderFile_ = file;
    RefreshShaderList();
    if (combo_->currentIndex() >= 0) ShowShader(file, false);
}

void TMainForm::ShowShader(const std::string& file, bool byUser) {
    TPluginState& p = Plugin();
    const bool changed = !SameFileName(file, shaderFile_);
    shaderFile_ = file;
    if (file.empty()) {
        editable_ = false;
        combo_->setToolTip(Q(kNoShaderHint));
        TakeStream("XR##02D%%");
        clone_->setEnabled(false);
        edit_->setEnabled(false);
        return;
    }
    p.CurrentShader[outputType_] = file;
    const std::string stream = LoadShaderFile(file).stream;
    editable_ = !StreamSection(stream, kEditorSourceSection).empty();
    combo_->setToolTip(Q(file));
    clone_->setEnabled(editable_);
    edit_->setEnabled(editable_);
    TakeStream(stream);

    if (byUser) {
        TakeChosenShaderValues(p, outputType_, stream);
    } else {
        UpdateOutputTypeLinks(p);
    }
    panel_->LoadValues();
    // A refresh that shows the same file with the same values has nothing new for the host.
    if (byUser || changed) RequestUpdate(outputType_);
}

// The information file, the interface panel and the expander from a stream.
void TMainForm::TakeStream(const std::string& stream) {
    infoFile_ = shaderFile_.empty()
                    ? std::string()
                    : InformationFilePath(shaderFile_, StreamSection(stream, kInfoFileSection));
    info_->setEnabled(!infoFile_.empty());
    panel_->Build(StreamSection(stream, kInterfaceSection));
    ResizeExpander();
}

void TMainForm::ResizeExpander() {
    expander_->SetCollapsedHeight(panel_->NoticeText().isEmpty() ? 0 : 17);
    expander_->SetExpandedHeight(panel_->PanelHeight());
    ExpanderChanged();
}

void TMainForm::ExpanderChanged() {
    panel_->SetCollapsed(!expander_->Expanded());
    updateNow_->setVisible(expander_->Expanded());
}

void TMainForm::AutoUpdateChanged() {
    panel_->SetAutoUpdate(autoUpdate_->Checked());
    if (autoUpdate_->Checked() && panel_->UpdatePending()) UpdateNow();
}

void TMainForm::UpdateNow() {
    Plugin().Interface.UpdateNow(outputType_);
    panel_->SetUpdatePending(false);
    updateNow_->setEnabled(false);
}

void TMainForm::MarkUpdatePending() {
    panel_->SetUpdatePending(true);
    updateNow_->setEnabled(true);
}

void TMainForm::ReloadControls() { panel_->LoadValues(); }

void TMainForm::InterfaceChanged(bool writeEditorStream) {
    if (shaderFile_.empty()) return;
    std::string stream;
    TEditorLink* editor = WindowLinks().Editor;
    if (writeEditorStream && editor != nullptr &&
        SameFileName(editor->EditedShader(), shaderFile_)) {
        stream = editor->CurrentStream();
        const TSaveResult saved = SaveShaderFile(shaderFile_, stream);
        if (!saved.ok) ShowError(saved.error);
    } else {
        stream = LoadShaderFile(shaderFile_).stream;
    }
    TakeStream(stream);
    TakeInterfaceDefaults(Plugin(), outputType_, stream);
    panel_->LoadValues();
    UpdateOutputTypeLinks(Plugin());
    RequestUpdate(outputType_);
}

// ---- commands --------------------------------------------------------------------------------

void TMainForm::TellPanelsListChanged() {
    bool self = false;
    WindowLinks().ForEachPanel([&](TShaderPanelLink& panel) {
        self = self || &panel == this;
        panel.ShaderListChanged();
    });
    if (!self) ShaderListChanged();
}

// New and Clone with "Auto-edit new shaders": the file's folder becomes the output type's, and
// the new shader is chosen and opened in the editor.
void TMainForm::ChooseWrittenFile(const std::string& file) {
    if (!EditorSettings().EditNew) return;
    EditorSettings().ShaderFolders[static_cast<size_t>(outputType_)] = FolderOfFile(file);
    RefreshShaderList();
    const int index = combo_->findText(Q(ShaderNameInFolder(Folder(), file)), Qt::MatchFixedString);
    combo_->setCurrentIndex(index);
    ShowShader(file, true);
    EditShader();
}

void TMainForm::NewShader() {
    TFileRequest request;
    request.Title = "Create New Shader";
    request.Filter = std::string(kShaderFileFilter);
    request.Folder = Folder();
    request.DefaultSuffix = std::string(kShaderFileExtension);
    const auto chosen = CurrentDialogs().SaveFile(request);
    if (!chosen || chosen->empty()) return;
    const std::string file = WithShaderExtension(*chosen);
    const TSaveResult saved = SaveShaderFile(file, kNewShaderStream);
    if (!saved.ok) {
        ShowError(saved.error);
        return;
    }
    TellPanelsListChanged();
    ChooseWrittenFile(file);
}

void TMainForm::OpenShader() {
    TFileRequest request;
    request.Title = "Open Shader";
    request.Filter = std::string(kShaderFileFilter);
    request.Folder = Folder();
    request.DefaultSuffix = std::string(kShaderFileExtension);
    const auto chosen = CurrentDialogs().OpenFile(request);
    if (!chosen || chosen->empty()) return;
    EditorSettings().ShaderFolders[static_cast<size_t>(outputType_)] = FolderOfFile(*chosen);
    RefreshShaderList();
    const std::string name = ShaderNameInFolder(Folder(), *chosen);
    combo_->setCurrentIndex(combo_->findText(Q(name), Qt::MatchFixedString));
    ShowShader(*chosen, true);
}

void TMainForm::CloneShader() {
    if (shaderFile_.empty() || !editable_) return;
    TFileRequest request;
    request.Title = "Clone Shader";
    request.Filter = std::string(kShaderFileFilter);
    request.Folder = Folder();
    request.ProposedName = std::string(FileNamePart(shaderFile_));
    request.DefaultSuffix = std::string(kShaderFileExtension);
    const auto chosen = CurrentDialogs().SaveFile(request);
    if (!chosen || chosen->empty()) return;
    const std::string file = WithShaderExtension(*chosen);
    const TSaveResult saved = SaveShaderFile(file, StreamOfFile(shaderFile_));
    if (!saved.ok) {
        ShowError(saved.error);
        return;
    }
    TellPanelsListChanged();
    ChooseWrittenFile(file);
}

void TMainForm::EditShader() {
    if (shaderFile_.empty() || !editable_ || WindowLinks().Editor == nullptr) return;
    WindowLinks().Editor->EditShader(shaderFile_);
}

void TMainForm::ShowInfo() {
    if (!infoFile_.empty()) OpenDocument(QUrl::fromLocalFile(Q(infoFile_)));
}

void TMainForm::ShowHelpMenu(QPoint globalPosition) {
    lastHelpPoint_ = globalPosition;
    helpMenu_->popup(globalPosition);
}

// ---- what the editor tells the panels --------------------------------------------------------

void TMainForm::ShaderListChanged() { RefreshShaderList(); }

void TMainForm::InformationFileChanged(std::string_view shaderFile, std::string_view infoFile) {
    if (shaderFile_.empty() || !SameFileName(shaderFile, shaderFile_)) return;
    infoFile_ = InformationFilePath(shaderFile_, infoFile);
    info_->setEnabled(!infoFile_.empty());
}

void TMainForm::ShaderFileReverted(std::string_view shaderFile) {
    if (shaderFile_.empty() || !SameFileName(shaderFile, shaderFile_)) return;
    ShowShader(shaderFile_, false);
    RequestUpdate(outputType_);
}

void TMainForm::ShaderEncrypted(std::string_view shaderFile) {
    if (shaderFile_.empty() || !SameFileName(shaderFile, shaderFile_)) return;
    editable_ = false;
    clone_->setEnabled(false);
    edit_->setEnabled(false);
}

}  // namespace vandrel

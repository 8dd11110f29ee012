#include "editor/model/editor_session.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "core/messages.h"
#include "core/shader_file.h"
#include "core/stream_codec.h"
#include "editor/model/dialogs.h"
#include "editor/model/editor_settings.h"
#include "editor/model/window_links.h"
#include "interface/interface_model.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kNoSource = "Unable to rebuild shader; source data not found.";
constexpr std::string_view kAnyFileFilter = "Any file (*.*)|*.*";
constexpr int32_t kColorInWhole = 5;
constexpr int32_t kTrInWhole = 13;
constexpr int32_t kSNormWhole = 46;

bool SameFile(std::string_view a, std::string_view b) {
    return !a.empty() && a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Quoted(std::string_view prefix, const std::string& file) {
    return std::string(prefix) + " \"" + file + "\"?";
}

// Whether two streams evaluate alike: the same tree and the same interface (its trigger
// defaults feed the preview).
bool SameEvaluation(std::string_view a, std::string_view b) {
    return StreamSection(a, kTreeSection) == StreamSection(b, kTreeSection) &&
           StreamSection(a, kInterfaceSection) == StreamSection(b, kInterfaceSection);
}

std::string FolderOf(const std::string& file) { return fs::path(file).parent_path().string(); }

std::string BareName(const std::string& file) { return fs::path(file).filename().string(); }

// Left at its pass-through: whole, aimed at the variable and fed by no component.
bool PassesThrough(const TPropertyState* p, int32_t variable) {
    return p != nullptr && !p->Split && !p->Whole.ComponentConnected() && p->Whole.VariableFlag &&
           p->Whole.VariableNumber == variable;
}

// Holds its own constant: neither a variable nor a component feeds it.
bool HoldsConstant(const TPropertyState* p) {
    return p != nullptr && !p->Whole.ComponentConnected() && !p->Whole.VariableFlag;
}

}  // namespace

TCategories DeriveCategories(const TXRGraphModel& model) {
    const TXRComponentContainer* root = model.RootContainer();
    if (root == nullptr) return {true, true, true, true};
    const bool color = !PassesThrough(root->Property(kRootColor), kColorInWhole);
    const bool alpha = !HoldsConstant(root->Property(kRootAlpha));
    const bool filter = !PassesThrough(root->Property(kRootTransparencyFilter), kTrInWhole);
    const bool normal = !PassesThrough(root->Property(kRootNormal), kSNormWhole);
    const bool displacement = !HoldsConstant(root->Property(kRootDisplacement));
    const TPropertyState* mode = root->Property(kRootDisplacementMode);
    const bool byHeight = mode != nullptr && mode->Value != 0;
    TCategories out{};
    out[kReflectance] = color;
    out[kColor] = color && const_cast<TXRGraphModel&>(model).Usage().ColorOutputCount() == 0;
    out[kTransparency] = alpha || filter;
    out[kDisplacement] = byHeight ? displacement : normal;
    if (std::none_of(out.begin(), out.end(), [](bool b) { return b; })) out.fill(true);
    return out;
}

TEditorSession::TEditorSession(TXRGraphModel& graph, TEditorSessionHost& host)
    : graph_(graph), host_(host) {
    graph_.AddObserver(this);
}

TEditorSession::~TEditorSession() { graph_.RemoveObserver(this); }

std::string& TEditorSession::Clipboard() {
    static std::string clipboard;
    return clipboard;
}

std::string TEditorSession::BuildStream() {
    TXRTree& tree = graph_.Tree();
    // The preview may have made its component the tree's result: the stream is written in the
    // root's order, and the preview's order comes back after it, so that a running preview goes
    // on evaluating what it shows.
    TXRComponent* previewed = tree.RootEntry != nullptr ? tree.RootEntry->Component.get() : nullptr;
    const TXRComponentContainer* root = graph_.RootContainer();
    if (root != nullptr) tree.SetRoot(root->Component);
    const std::string treeSection = "XR" + tree.WriteTree();
    if (root != nullptr && previewed != nullptr && previewed != root->Component) {
        tree.SetRoot(previewed, true);
    }
    const std::string layout = graph_.LayoutText();
    const std::string interfaceString = graph_.Interface().Serialise();
    const std::string categories = WriteCategories(categories_);
    const std::string customs = tree.UsedCustomText();
    return JoinSections({treeSection, layout, interfaceString, categories, infoFile_, customs});
}

std::string TEditorSession::Caption() const {
    std::string caption(kEditorCaption);
    if (!fileName_.empty()) caption += " [" + fileName_ + "]";
    if (modified_) caption += " *";
    return caption;
}

bool TEditorSession::SameAsOpenFile(const std::string& file) const {
    return SameFile(file, fileName_);
}

std::string TEditorSession::ShaderFolder() const {
    return !folder_.empty() ? folder_ : EditorSettings().ShaderFolders[kColor];
}

bool TEditorSession::WriteStream(const std::string& file, std::string_view stream) {
    if (file.empty()) return false;
    const TSaveResult result = SaveShaderFile(file, stream);
    if (!result.ok) ShowError(result.error);
    return result.ok;
}

void TEditorSession::UpdateOutputTypes() {
    if (!fileName_.empty()) host_.UpdateHost(fileName_);
}

bool TEditorSession::OpenShader(const std::string& file) {
    if (SameAsOpenFile(file)) {
        if (!modified_) return true;
        if (!CurrentMessages().Ask(Quoted("Vandrel Editor: Do you want to revert to saved", file),
                                   kEditorCaption)) {
            return false;
        }
        WriteStream(fileName_, saved_);
    } else if (modified_ && !SavePrompt()) {
        return false;
    }
    const TLoadedShader loaded = LoadShaderFile(file);
    if (loaded.status == ShaderFileStatus::kNotFound ||
        loaded.status == ShaderFileStatus::kUnreadable ||
        loaded.status == ShaderFileStatus::kTooLong) {
        ShowError("Unable to read the shader file \"" + file + "\".");
        return false;
    }
    // The reader gives the default stream for a damaged file; editing that with automatic update
    // would write it over the file and lose what is left of the shader.
    if (loaded.status == ShaderFileStatus::kMismatch) {
        ShowError("The shader file \"" + file +
                  "\" is damaged (its checksum does not match) and was not opened.");
        return false;
    }
    if (StreamSection(loaded.stream, kEditorSourceSection).empty()) {
        ShowError(kNoSource);
        return false;
    }
    Load(file, loaded.stream);
    return true;
}

void TEditorSession::Load(const std::string& file, const std::string& stream) {
    host_.StopPreview();
    massUpdate_ = true;
    fileName_ = file;
    folder_ = FolderOf(file);
    graph_.Interface().SetEditedShaderFile(file);
    graph_.Rebuild(stream);
    saved_ = stream;
    current_ = stream;
    previous_.clear();
    hold_.clear();
    history_.Reset(stream);
    undoEnabled_ = false;
    undoHint_ = std::string(kUndoHint);
    fetchEnabled_ = false;
    updateNowEnabled_ = false;
    infoFile_ = std::string(StreamSection(stream, kInfoFileSection));
    categories_ = ParseCategories(StreamSection(stream, kCategoriesSection));
    modified_ = false;
    graph_.ClearModified();
    massUpdate_ = false;
    if (TXRComponentContainer* root = graph_.RootContainer()) {
        graph_.Select(root);
        host_.Preview(root);
    }
    host_.StateChanged();
}

void TEditorSession::RebuildFrom(const std::string& stream) {
    host_.StopPreview();
    // The container at the same place in the list is selected again, so that stepping back
    // keeps previewing what the user was looking at; the root when it is gone.
    const int32_t active = graph_.IndexOf(graph_.ActiveComponent());
    massUpdate_ = true;
    graph_.Rebuild(stream);
    infoFile_ = std::string(StreamSection(stream, kInfoFileSection));
    categories_ = ParseCategories(StreamSection(stream, kCategoriesSection));
    massUpdate_ = false;
    const auto& containers = graph_.Containers();
    TXRComponentContainer* select = active >= 0 && static_cast<size_t>(active) < containers.size()
                                        ? containers[static_cast<size_t>(active)].get()
                                        : graph_.RootContainer();
    if (select != nullptr) {
        graph_.Select(select);
        host_.Preview(select);
    }
}

void TEditorSession::MarkModified() { modified_ = true; }

void TEditorSession::ApplyAutoClass() { categories_ = DeriveCategories(graph_); }

void TEditorSession::TreeChanged() {
    if (massUpdate_) return;
    MarkModified();
    if (autoClass_) ApplyAutoClass();
    previous_ = current_;
    current_ = BuildStream();
    history_.Record(current_);
    undoHint_ = std::string(kUndoEditingHint);
    undoEnabled_ = true;
    Publish();
    // A move or a fold changes only the layout; anything else may change what the selected
    // component computes.
    if (InstantPreview && !SameEvaluation(previous_, current_)) host_.PreviewEdited();
    host_.StateChanged();
}

void TEditorSession::Publish() {
    // The stream is built already and evaluation happens only on this thread, so writing it
    // needs no pause of the preview.
    if (AutoUpdate) {
        WriteCurrent();
        UpdateOutputTypes();
    } else {
        updateNowEnabled_ = true;
    }
}

void TEditorSession::WriteCurrent() { WriteStream(fileName_, current_); }

void TEditorSession::UpdateNow() {
    host_.StopPreview();
    current_ = BuildStream();
    WriteCurrent();
    updateNowEnabled_ = false;
    UpdateOutputTypes();
    host_.StateChanged();
}

void TEditorSession::Undo() {
    if (!undoEnabled_) return;
    current_ = previous_;
    undoEnabled_ = false;
    RebuildFrom(current_);
    history_.Reach(current_);
    undoHint_ = std::string(kUndoHint);
    Publish();
    host_.StateChanged();
}

void TEditorSession::Restore(const std::string& stream) {
    previous_ = current_;
    current_ = stream;
    RebuildFrom(current_);
    // The one-level Undo takes a step back like any other change of the stream.
    undoHint_ = std::string(kUndoEditingHint);
    undoEnabled_ = true;
    // The flags come back with the stream, as they were.
    MarkModified();
    Publish();
    host_.StateChanged();
}

void TEditorSession::StepBack() {
    if (const std::string* state = history_.StepBack()) Restore(*state);
}

void TEditorSession::StepForward() {
    if (const std::string* state = history_.StepForward()) Restore(*state);
}

void TEditorSession::Hold() {
    hold_ = current_;
    fetchEnabled_ = true;
    host_.StateChanged();
}

void TEditorSession::Fetch() {
    if (!fetchEnabled_ || current_ == hold_) return;
    previous_ = current_;
    current_ = hold_;
    RebuildFrom(current_);
    history_.Reach(current_);
    undoHint_ = std::string(kUndoFetchHint);
    undoEnabled_ = true;
    // The file will hold the fetched stream: the save prompt must be able to take it back.
    MarkModified();
    Publish();
    host_.StateChanged();
}

void TEditorSession::Save() {
    if (!modified_) return;
    const std::string stream = BuildStream();
    if (!WriteStream(fileName_, stream)) return;
    saved_ = stream;
    current_ = stream;
    modified_ = false;
    host_.StateChanged();
}

bool TEditorSession::SavePrompt() {
    if (fileName_.empty()) return true;
    const MessageAnswer answer = CurrentMessages().AskYesNoCancel(
        Quoted("Vandrel Editor: Do you want to save changes to", fileName_), kEditorCaption);
    if (answer == MessageAnswer::Cancel) return false;
    host_.StopPreview();
    if (answer == MessageAnswer::Yes) {
        if (WriteStream(fileName_, current_)) saved_ = current_;
    } else {
        WriteStream(fileName_, saved_);
        const std::string file = fileName_;
        WindowLinks().ForEachPanel([&](TShaderPanelLink& p) { p.ShaderFileReverted(file); });
    }
    modified_ = false;
    host_.StateChanged();
    return true;
}

bool TEditorSession::Close() {
    if (modified_ && !SavePrompt()) return false;
    host_.StopPreview();
    EditorSettings().EditNew = AutoEdit;
    UpdateOutputTypes();
    return true;
}

void TEditorSession::NewShader() {
    const auto file = CurrentDialogs().SaveFile(
        {"Create New Shader", std::string(kShaderFileFilter), ShaderFolder(), "", ".xrb"});
    if (!file || !WriteStream(*file, kDefaultStream)) return;
    WindowLinks().ForEachPanel([](TShaderPanelLink& p) { p.ShaderListChanged(); });
    if (AutoEdit) OpenShader(*file);
}

void TEditorSession::CloneShader() {
    const auto file = CurrentDialogs().SaveFile({"Clone Shader", std::string(kShaderFileFilter),
                                                 ShaderFolder(), BareName(fileName_), ".xrb"});
    if (!file) return;
    const std::string stream = current_.empty() ? BuildStream() : current_;
    if (!WriteStream(*file, stream)) return;
    WindowLinks().ForEachPanel([](TShaderPanelLink& p) { p.ShaderListChanged(); });
    if (AutoEdit) OpenShader(*file);
}

void TEditorSession::OpenShaderDialog() {
    const auto file = CurrentDialogs().OpenFile(
        {"Open Shader", std::string(kShaderFileFilter), ShaderFolder(), "", ""});
    if (file) OpenShader(*file);
}

void TEditorSession::EncryptedSave() {
    const auto file =
        CurrentDialogs().SaveFile({"Save Encrypted Shader", std::string(kShaderFileFilter),
                                   ShaderFolder(), BareName(fileName_), ".xrb"});
    if (!file) return;
    const bool overOpenFile = SameAsOpenFile(*file);
    if (overOpenFile && !CurrentMessages().Ask(kEncryptQuestion, kEditorCaption)) return;
    const std::string stream = BuildStream();
    std::vector<std::string_view> sections = SplitSections(stream);
    if (sections.size() > kEditorSourceSection) sections[kEditorSourceSection] = {};
    if (!WriteStream(*file, JoinSections(sections))) return;
    WindowLinks().ForEachPanel([](TShaderPanelLink& p) { p.ShaderListChanged(); });
    if (!overOpenFile) return;
    WindowLinks().ForEachPanel([&](TShaderPanelLink& p) { p.ShaderEncrypted(*file); });
    host_.StopPreview();
    fileName_.clear();
    folder_ = FolderOf(*file);
    graph_.Interface().SetEditedShaderFile({});
    modified_ = false;
    host_.StateChanged();
    host_.CloseEditor();
}

bool TEditorSession::SubtreeToolsEnabled() const {
    const TXRComponentContainer* active = graph_.ActiveComponent();
    return active != nullptr && active != graph_.RootContainer() && graph_.SelectedCount() == 1 &&
           active->Selected;
}

void TEditorSession::Copy() {
    if (!SubtreeToolsEnabled()) return;
    Clipboard() = CopySubtreeText(graph_, graph_.ActiveComponent());
    host_.StateChanged();
}

void TEditorSession::Cut() {
    if (!SubtreeToolsEnabled()) return;
    TXRComponentContainer* active = graph_.ActiveComponent();
    Clipboard() = CopySubtreeText(graph_, active);
    host_.StopPreview();
    massUpdate_ = true;
    for (TXRComponentContainer* c : graph_.Subtree(active)) graph_.DeleteContainer(c);
    massUpdate_ = false;
    TreeChanged();
}

bool TEditorSession::Paste(TPoint topLeft) {
    if (Clipboard().empty()) return false;
    host_.StopPreview();
    massUpdate_ = true;
    const std::vector<TXRComponentContainer*> created =
        PasteSubtreeText(graph_, Clipboard(), topLeft);
    massUpdate_ = false;
    const bool any = std::any_of(created.begin(), created.end(),
                                 [](const TXRComponentContainer* c) { return c != nullptr; });
    if (any) TreeChanged();
    return any;
}

void TEditorSession::CreateComponentFromSubtree() {
    if (!SubtreeToolsEnabled()) return;
    host_.StopPreview();
    std::optional<TSubtreeComponent> compiled = CompileSubtree(graph_, graph_.ActiveComponent());
    if (!compiled) return;
    TCustomDefinitionParts parts = std::move(compiled->Parts);
    if (!host_.AskComponentDetails(parts)) return;
    const std::optional<std::string> definition = MakeCustomDefinition(parts);
    if (!definition) return;
    const auto file =
        CurrentDialogs().SaveFile({"Save Custom Component", std::string(kComponentFileFilter),
                                   EditorSettings().ComponentsFolder, "", ".xrc"});
    if (!file) return;
    const TSaveResult saved = WriteCustomComponentFile(*file, *definition);
    if (!saved.ok) ShowError(saved.error);
    host_.StateChanged();
}

std::vector<std::string> TEditorSession::CustomComponentNames() const {
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path folder = EditorSettings().ComponentsFolder;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == kComponentFileExtension && it->is_regular_file(ec)) {
            names.push_back(it->path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool TEditorSession::InsertCustomComponent(const std::string& name) {
    if (name.empty()) return false;
    const fs::path file =
        fs::path(EditorSettings().ComponentsFolder) / (name + std::string(kComponentFileExtension));
    const std::optional<std::string> definition = ReadCustomComponentFile(file);
    if (!definition) return false;
    const int32_t typeId = InsertCustomDefinition(graph_.Tree(), *definition);
    if (typeId == 0) {
        ShowError(kComponentFileCorrupted);
        return false;
    }
    ChosenCustom = name;
    graph_.BeginPlacement(typeId);
    host_.BeginPlacement(typeId);
    host_.StateChanged();
    return true;
}

void TEditorSession::OpenCustomComponent() {
    const auto file =
        CurrentDialogs().OpenFile({"Open Custom Component", std::string(kComponentFileFilter),
                                   EditorSettings().ComponentsFolder, "", ""});
    if (!file) return;
    EditorSettings().ComponentsFolder = FolderOf(*file);
    InsertCustomComponent(fs::path(*file).stem().string());
}

void TEditorSession::AttachInfoFile() {
    const auto file = CurrentDialogs().OpenFile(
        {"Attach Information File", std::string(kAnyFileFilter), ShaderFolder(), "", ""});
    if (!file) return;
    const std::string bare = BareName(*file);
    if (bare == infoFile_) return;
    infoFile_ = bare;
    WindowLinks().ForEachPanel(
        [&](TShaderPanelLink& p) { p.InformationFileChanged(fileName_, infoFile_); });
    TreeChanged();
}

void TEditorSession::ClearInfoFile() {
    if (infoFile_.empty()) return;
    infoFile_.clear();
    WindowLinks().ForEachPanel(
        [&](TShaderPanelLink& p) { p.InformationFileChanged(fileName_, infoFile_); });
    TreeChanged();
}

void TEditorSession::SetCategory(int32_t outputType, bool ticked) {
    if (autoClass_ || outputType < 0 || outputType >= kOutputTypeCount) return;
    categories_[static_cast<size_t>(outputType)] = ticked;
    // At least one category stays.
    if (std::none_of(categories_.begin(), categories_.end(), [](bool b) { return b; })) {
        categories_[static_cast<size_t>(outputType)] = true;
    }
    TreeChanged();
}

void TEditorSession::SetAutoClass(bool on) {
    autoClass_ = on;
    if (!on) {
        host_.StateChanged();
        return;
    }
    const TCategories before = categories_;
    ApplyAutoClass();
    if (categories_ != before) {
        TreeChanged();
    } else {
        host_.StateChanged();
    }
}

}  // namespace vandrel

// The shader editor's document: the open shader file, its saved, current, previous and held
// streams, the modified flag, the category flags and the commands of the editor window.
//
// Plain C++: the editor window shows this state and forwards its buttons here; tests drive it
// with a recording message sink and scripted dialogs. The stream is rebuilt from the graph after
// every edit ("tree changed"); with automatic update on it is written to the shader file (whole,
// through a temporary file and a rename) and every output type showing that file is asked to
// update. The Undo button keeps one level; StepBack and StepForward walk the deep history of the
// last edits (Ctrl+Z, Ctrl+Shift+Z).
//
// The window supplies what lies outside the model through TEditorSessionHost: waiting for the
// preview, the custom component dialog and closing itself. User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/root.h"
#include "core/stream_sections.h"
#include "editor/model/graph_model.h"
#include "editor/model/subtree.h"
#include "editor/model/undo_history.h"

namespace vandrel {

inline constexpr std::string_view kEditorCaption = "Vandrel Editor";
inline constexpr std::string_view kUndoHint = "Undo (Ctrl+Z)";
inline constexpr std::string_view kUndoEditingHint = "Undo Editing (Ctrl+Z)";
inline constexpr std::string_view kUndoFetchHint = "Undo Fetch (Ctrl+Z)";
inline constexpr std::string_view kEncryptQuestion =
    "It is not longer possible to edit shaders after encryption.\n"
    "Are you sure you want to use existing file name ?";

class TEditorSessionHost {
  public:
    virtual ~TEditorSessionHost() = default;
    // Stops the preview and waits for it: the tree must not be evaluated while it is rebuilt or
    // its stream written.
    virtual void StopPreview() {}
    // Starts the preview of the container (forced: even when it shows that container already).
    virtual void Preview(TXRComponentContainer* /*container*/) {}
    // An edit changed what the tree computes: the preview starts over on the selected component
    // (the one it showed, or the root, when nothing is selected).
    virtual void PreviewEdited() {}
    // The "New Component" dialog: names and hints of the component and of its properties, the
    // part letters of vector properties. False when cancelled.
    virtual bool AskComponentDetails(TCustomDefinitionParts& /*parts*/) { return false; }
    // The editor closes (after an encrypted save over the open file).
    virtual void CloseEditor() {}
    // Placement mode for a type id (a custom component was inserted).
    virtual void BeginPlacement(int32_t /*typeId*/) {}
    // Asks every output type whose shader file is this one to update.
    virtual void UpdateHost(const std::string& /*file*/) {}
    // The enabled state or caption changed.
    virtual void StateChanged() {}
};

// Which categories the root's use gives (Auto-class).
TCategories DeriveCategories(const TXRGraphModel& model);

class TEditorSession final : public TGraphObserver {
  public:
    TEditorSession(TXRGraphModel& graph, TEditorSessionHost& host);
    ~TEditorSession() override;
    TEditorSession(const TEditorSession&) = delete;
    TEditorSession& operator=(const TEditorSession&) = delete;

    // The stream of the graph, built now: tree, layout, interface, categories, information file,
    // the custom definitions used.
    std::string BuildStream();

    // Opens the file in the editor with the revert and save prompts. False when it was not
    // opened (declined, or a stream without layout).
    bool OpenShader(const std::string& file);
    // After every edit of the graph, a property, the interface or the flags.
    void TreeChanged();
    void UpdateNow();
    void Undo();
    // One step back or forward through the deep history; each restores the stream (tree, layout,
    // interface, flags) exactly as it was after that edit.
    void StepBack();
    void StepForward();
    void Hold();
    void Fetch();
    void Save();
    // Closing the editor or opening another shader while modified: Yes writes the current
    // stream, No writes the saved one back; false on Cancel, which changes nothing.
    bool SavePrompt();
    // Closing: the save prompt when modified, then every output type using the file updates.
    // False when the user cancelled: the editor stays open with its changes.
    bool Close();

    // File commands through the dialogs.
    void NewShader();
    void CloneShader();
    void OpenShaderDialog();
    void EncryptedSave();

    // Clipboard.
    void Copy();
    void Cut();
    // Rebuilds the clipboard subtree with its top-left corner at the point (paste mode's click).
    bool Paste(TPoint topLeft);
    static std::string& Clipboard();

    // Custom components.
    void CreateComponentFromSubtree();
    // "*.xrc" names of the Components folder, without extension, sorted.
    std::vector<std::string> CustomComponentNames() const;
    // Reads Components folder + name + ".xrc", registers it, enters placement. False when corrupt.
    bool InsertCustomComponent(const std::string& name);
    void OpenCustomComponent();
    std::string ChosenCustom;  // the choice of the list, empty when none

    // Information file and category flags.
    void AttachInfoFile();
    void ClearInfoFile();
    void SetCategory(int32_t outputType, bool ticked);
    void SetAutoClass(bool on);

    // State the window shows.
    const std::string& FileName() const { return fileName_; }
    std::string Caption() const;
    bool Modified() const { return modified_; }
    const std::string& SavedStream() const { return saved_; }
    const std::string& CurrentStream() const { return current_; }
    const std::string& InfoFile() const { return infoFile_; }
    const TCategories& Categories() const { return categories_; }
    bool AutoClass() const { return autoClass_; }
    bool UndoEnabled() const { return undoEnabled_; }
    const std::string& UndoHint() const { return undoHint_; }
    bool FetchEnabled() const { return fetchEnabled_; }
    bool StepBackEnabled() const { return history_.BackSteps() > 0; }
    bool StepForwardEnabled() const { return history_.ForwardSteps() > 0; }
    bool SaveEnabled() const { return modified_; }
    bool UpdateNowEnabled() const { return updateNowEnabled_; }
    bool ClearInfoEnabled() const { return !infoFile_.empty(); }
    // Cut, copy, delete, highlight and create-from-subtree.
    bool SubtreeToolsEnabled() const;
    bool PasteEnabled() const { return !Clipboard().empty(); }
    bool InsertCustomEnabled() const { return !ChosenCustom.empty(); }

    bool AutoUpdate = true;  // "Auto-update shader"
    bool AutoEdit = true;    // "Auto-edit new shaders"
    bool InstantPreview = true;

    // Graph notifications.
    void ShaderUpdate() override { TreeChanged(); }

  private:
    void Load(const std::string& file, const std::string& stream);
    void MarkModified();
    void ApplyAutoClass();
    // Step 4 of tree changed: write and update, or enable "Update shader now".
    void Publish();
    void WriteCurrent();
    void UpdateOutputTypes();
    bool WriteStream(const std::string& file, std::string_view stream);
    void RebuildFrom(const std::string& stream);
    // current := the stream (a step or an undo): the one-level previous is the stream left.
    void Restore(const std::string& stream);
    bool SameAsOpenFile(const std::string& file) const;
    std::string ShaderFolder() const;

    TXRGraphModel& graph_;
    TEditorSessionHost& host_;
    std::string fileName_;
    std::string folder_;
    std::string saved_;
    std::string current_;
    std::string previous_;
    std::string hold_;
    TUndoHistory history_;
    bool modified_ = false;
    bool massUpdate_ = false;
    std::string infoFile_;
    TCategories categories_ = {true, true, true, true};
    bool autoClass_ = true;
    bool undoEnabled_ = false;
    std::string undoHint_ = std::string(kUndoHint);
    bool fetchEnabled_ = false;
    bool updateNowEnabled_ = false;
};

}  // namespace vandrel

// TEditorForm: the shader editor window. It owns the editor's graph (and so its tree and shading
// context), the canvas, the preview, the palette and the tool area, and forwards every command to
// its TEditorSession.
//
// One editor serves every manager panel; it registers itself as WindowLinks().Editor while it
// exists.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "editor/model/editor_session.h"
#include "editor/model/window_links.h"

class QHBoxLayout;
class QLayout;

namespace vandrel {

class TExpanderPanel;
class TImageGridSelect;
class TPreviewWidget;
class THostSpinEdit2;
class TXRComponentWindow;
class TInterfaceEditor;
class TLargePreview;

inline constexpr int kEditorClientWidth = 612;
inline constexpr int kEditorClientHeight = 423;
inline constexpr int kToolsExpandedHeight = 80;
inline constexpr int kToolButtonHeight = 19;
inline constexpr int kCheckRowHeight = 15;
// The preview's hint while it shows the root, which has no output of its own to draw.
inline constexpr const char* kRootPreviewHint =
    "The root has no output of its own, so its preview stays red: select a component to preview "
    "it. Click to update.";

class TEditorForm final : public QWidget,
                          public TEditorSessionHost,
                          public TEditorLink,
                          public TGraphObserver {
    Q_OBJECT

  public:
    // The interface model must outlive the window (the plug-in's, or a test's).
    explicit TEditorForm(TXRInterfaceModel& interfaceModel, QWidget* parent = nullptr);
    ~TEditorForm() override;

    TEditorSession& Session() { return session_; }
    TXRGraphModel& Graph() { return *graph_; }
    TXRComponentWindow* Canvas() const { return canvas_; }
    TPreviewWidget* Preview() const { return preview_; }
    TImageGridSelect* Palette() const { return palette_; }
    QTabBar* PaletteTabs() const { return tabs_; }
    QComboBox* Presets() const { return presets_; }
    QLabel* StatusLine() const { return status_; }
    // A preview start is waiting for the event loop.
    bool PreviewPending() const { return previewPosted_; }
    // The container the preview shows; null before the first.
    TXRComponentContainer* Previewed() const { return previewed_; }
    // The tool buttons by their control names ("BtnNewShader", "BtnUndo" …).
    QToolButton* Button(const QString& name) const;
    QCheckBox* Check(const QString& name) const;
    QMenu* HelpMenu() const { return helpMenu_; }
    TInterfaceEditor* InterfaceEditor() const;
    // The large preview's dock; null until first opened.
    TLargePreview* LargePreview() const { return large_; }
    // Opens the large preview (Ctrl+P, or the small preview's menu) on what the small one shows.
    void ShowLargePreview();

    // The "New Component" dialog; tests replace it.
    std::function<bool(TCustomDefinitionParts&)> ComponentDialog;

    // Shows the interface editor, creating it when needed.
    void ShowInterfaceEditor();
    // Refills the custom component list, keeping the choice when it is still there.
    void RefillPresets();
    // Cancels placement and paste mode (Esc).
    void CancelTool();
    // Deletes the selection (the Delete button and key).
    void DeleteSelected();
    // Paste mode: the next canvas click pastes the clipboard there.
    void BeginPaste();

    // TEditorLink.
    void EditShader(const std::string& file) override;
    std::string EditedShader() const override { return session_.FileName(); }
    std::string CurrentStream() override { return session_.BuildStream(); }

    // TEditorSessionHost.
    void StopPreview() override;
    void Preview(TXRComponentContainer* container) override;
    void PreviewEdited() override;
    bool AskComponentDetails(TCustomDefinitionParts& parts) override;
    void CloseEditor() override;
    void BeginPlacement(int32_t typeId) override;
    void UpdateHost(const std::string& file) override;
    void StateChanged() override;

    // TGraphObserver: a component about to be freed must not be under the preview.
    void ContainerRemoving(TXRComponentContainer& container) override;
    void ClipToolsChange() override { StateChanged(); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QToolButton* AddButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& hint, std::function<void()> command);
    QCheckBox* AddCheck(QWidget* parent, const char* name, const QString& caption);
    void BuildTools(QWidget* area);
    QLayout* BuildPreviewBlock(QWidget* area);
    QLayout* BuildToolRows(QWidget* area);
    void BuildOptionColumns(QWidget* area, QHBoxLayout& row);
    void BuildPalette(QWidget* area);
    void CreateFromSubtree() { session_.CreateComponentFromSubtree(), RefillPresets(); }
    void InsertChosen();
    void OpenCustom() { session_.OpenCustomComponent(), RefillPresets(); }
    void ShapeChosen(int shape);
    void CategoryClicked(int32_t outputType, bool ticked);
    void ShowHelpMenu();

    TXRInterfaceModel& interface_;
    std::unique_ptr<TXRGraphModel> graph_;
    TEditorSession session_;
    TExpanderPanel* expander_ = nullptr;
    TPreviewWidget* preview_ = nullptr;
    std::array<QToolButton*, 3> shapes_{};
    THostSpinEdit2* range_ = nullptr;
    QTabBar* tabs_ = nullptr;
    TImageGridSelect* palette_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QComboBox* presets_ = nullptr;
    TXRComponentWindow* canvas_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QLabel* status_ = nullptr;
    std::map<QString, QToolButton*> buttons_;
    std::map<QString, QCheckBox*> checks_;
    QPointer<TInterfaceEditor> interfaceEditor_;
    TLargePreview* large_ = nullptr;
    // The large preview, when it is open, starts on the container with the small one's settings.
    void StartLarge(TXRComponentContainer* container);
    // Starts the preview of the container from the event loop, once per burst of requests; null
    // asks for what PreviewTarget gives when it starts.
    void SchedulePreview(TXRComponentContainer* container);
    // The selected container, else the one previewed last, else the root.
    TXRComponentContainer* PreviewTarget() const;

    TXRComponentContainer* previewed_ = nullptr;
    TXRComponentContainer* pendingPreview_ = nullptr;
    bool previewPosted_ = false;
    bool pendingSelected_ = false;
    bool refreshing_ = false;
};

}  // namespace vandrel

// The manager panel of one output type: which shader file the output type uses, the commands
// that make, find and edit shader files, and the shader's exposed values for this output type.
//
// The panel lists the shader files of the output type's folder (EditorSettings().ShaderFolders)
// that are meant for it. Choosing one makes it the output type's shader (Plugin().CurrentShader),
// builds the interface panel from the file's interface string, and recomputes which output types
// share their values: an output type whose shader does not stand alone (its root evaluates output
// types together) is linked with every output type using the same file. A choice made by the user
// starts from the shader's defaults, or from a linked output type's values; a refresh keeps the
// stored values.
//
// While it exists a panel is WindowLinks().Panels[t] and the panel that the interface model's
// calls for t reach (InstallPanelObserver). It works without the host and without an editor: Edit
// then does nothing. User-interface thread only.
#pragma once

#include "editor/model/window_links.h"
#include "interface/interface_model.h"
// (the model's headers before Qt's)
#include <QPoint>
#include <QUrl>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QComboBox;
class QMenu;
class QPushButton;
class QToolButton;

namespace vandrel {

class TExpanderPanel;
class TGCheckBox;
class TXRInterfaceContainer;

inline constexpr std::string_view kNoShaderHint = "No shader loaded";
inline constexpr std::string_view kProductPage = "https://vandrel.ferrow-software.example/";
inline constexpr std::string_view kSupportPage = "https://vandrel.ferrow-software.example/support/";

// "Vandrel [" + the output type's name + "]".
std::string MainFormCaption(int32_t outputType);

class TMainForm : public QWidget, public TShaderPanelLink {
    Q_OBJECT

  public:
    explicit TMainForm(int32_t outputType, QWidget* parent = nullptr);
    ~TMainForm() override;

    int32_t OutputType() const { return outputType_; }
    // The shader shown (full path), empty when none.
    const std::string& ShaderFile() const { return shaderFile_; }
    // The information file's full path, empty when the shader has none.
    const std::string& InformationFile() const { return infoFile_; }
    const std::string& Folder() const;

    // Rebuilds the list; the shown shader stays chosen when it is still listed, otherwise the
    // panel shows none.
    void RefreshShaderList();
    // As a choice in the "Shader" list.
    void ChooseShader(const QString& name);
    // Shows the file as a refresh does, changing the folder when the file lies elsewhere (the
    // host chose it, or the panel opened).
    void SelectShaderFile(const std::string& file);

    void NewShader();
    void OpenShader();
    void CloneShader();
    void EditShader();
    void ShowInfo();
    void ShowHelpMenu(QPoint globalPosition);
    QMenu* HelpMenu() const { return helpMenu_; }
    void UpdateNow();

    // The interface model's calls for this output type.
    // The shader's interface changed: rebuild from the editor's stream (written to the file
    // first) when writeEditorStream and the editor has this file open, else from the file.
    void InterfaceChanged(bool writeEditorStream);
    void ReloadControls();
    void MarkUpdatePending();

    // TShaderPanelLink.
    void ShaderListChanged() override;
    void InformationFileChanged(std::string_view shaderFile, std::string_view infoFile) override;
    void ShaderFileReverted(std::string_view shaderFile) override;
    void ShaderEncrypted(std::string_view shaderFile) override;

    QComboBox* ShaderCombo() const { return combo_; }
    QToolButton* RefreshButton() const { return refresh_; }
    QToolButton* NewButton() const { return new_; }
    QToolButton* OpenButton() const { return open_; }
    QToolButton* CloneButton() const { return clone_; }
    QToolButton* EditButton() const { return edit_; }
    QToolButton* InfoButton() const { return info_; }
    QToolButton* HelpButton() const { return help_; }
    TExpanderPanel* Expander() const { return expander_; }
    TXRInterfaceContainer* InterfacePanel() const { return panel_; }
    TGCheckBox* AutoUpdateBox() const { return autoUpdate_; }
    QPushButton* UpdateNowButton() const { return updateNow_; }

  private:
    void ShowShader(const std::string& file, bool byUser);
    void TakeStream(const std::string& stream);
    void ResizeExpander();
    void ExpanderChanged();
    void AutoUpdateChanged();
    void ChooseWrittenFile(const std::string& file);
    void TellPanelsListChanged();

    int32_t outputType_;
    std::string shaderFile_;
    std::string infoFile_;
    QPoint lastHelpPoint_;
    bool editable_ = false;

    QComboBox* combo_ = nullptr;
    QToolButton* refresh_ = nullptr;
    QToolButton* new_ = nullptr;
    QToolButton* open_ = nullptr;
    QToolButton* clone_ = nullptr;
    QToolButton* edit_ = nullptr;
    QToolButton* info_ = nullptr;
    QToolButton* help_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    TExpanderPanel* expander_ = nullptr;
    TXRInterfaceContainer* panel_ = nullptr;
    TGCheckBox* autoUpdate_ = nullptr;
    QPushButton* updateNow_ = nullptr;
};

// The panel of an output type, null when none is open.
TMainForm* MainFormOf(int32_t outputType);

// Routes the interface model's panel calls to the panels, and its update requests to the host.
TInterfacePanelObserver& PanelObserver();
// Installs PanelObserver() on Plugin().Interface.
void InstallPanelObserver();

// How Info and the web pages are opened: the system's default program unless replaced (tests).
// Returns the previous opener; an empty one restores the default.
using TDocumentOpener = std::function<void(const QUrl&)>;
TDocumentOpener SetDocumentOpener(TDocumentOpener opener);

}  // namespace vandrel

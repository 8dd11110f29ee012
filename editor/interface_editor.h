// TInterfaceEditor, the "Shader Interface" tool window: how the triggers and file slots that the
// tree uses are presented to the user of the shader (labels, limits, defaults, steps, colour
// picker, item names, default files) and the global layout of the interface panel.
//
// The window edits a TXRInterfaceModel that it does not own and installs itself as the model's
// editor observer while it exists. Nothing reaches the shader until Apply, which serialises the
// model; Revert parses the last applied interface string back. A page's edits go into the model's
// settings when another entry is chosen and on Apply. While the model's update counter is raised,
// the window ignores its controls' change events (it raises the counter itself while it fills
// them).
//
// Texts: what the pages show comes from editor/model/interface_page.h. The notice is held to 255
// bytes of UTF-8, the length the model stores, so that what is typed is what is applied.
//
// Closing the window sets Closed() (and emits WindowClosed) and frees it (WA_DeleteOnClose): the
// owner keeps it in a QPointer and creates it anew. User-interface thread only.
#pragma once

// Colours go to and from 0 … 255 as interface_layout.h says.
#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/model/interface_layout.h"
#include "editor/model/interface_page.h"
#include "interface/interface_model.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;

namespace vandrel {

class TGCheckBox;
class THostSpinEdit2;

// Typing a sign: it replaces the selection (selectionStart < 0 or selectionLength 0: none) or is
// inserted at the caret; the caret lands after it.
struct TCaretText {
    QString Text;
    int Caret = 0;
};
TCaretText InsertAtCaret(const QString& text, int caret, int selectionStart, int selectionLength,
                         const QString& sign);

// ---- the window --------------------------------------------------------------------------------

class TColorSwatch;

class TInterfaceEditor final : public QWidget, public TInterfaceEditorObserver {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 202;
    static constexpr int kClientHeight = 289;

    explicit TInterfaceEditor(TXRInterfaceModel& model, QWidget* parent = nullptr);
    ~TInterfaceEditor() override;

    // Raised after Apply: the editor re-selects its active container so the preview takes the new
    // defaults.
    void SetChangeHandler(std::function<void()> handler) { changeHandler_ = std::move(handler); }
    // Raised when Apply marks the shader modified.
    void SetModifiedHandler(std::function<void()> handler) {
        modifiedHandler_ = std::move(handler);
    }

    // TInterfaceEditorObserver
    void RefreshTriggerList() override;
    void TriggerFreed(int trigger) override;
    void Reload() override;
    void ShaderModified() override;

    // As the buttons do.
    void Apply();
    void Revert();
    // Chooses an entry of the drop-down as the user does; false when it is not listed.
    bool SelectEntry(const TInterfaceEntry& entry);
    std::optional<TInterfaceEntry> SelectedEntry() const;
    int SelectedTrigger() const { return trigger_; }
    int SelectedFile() const { return file_; }
    // Presses the colour swatch of a colour trigger's page; browses for a slot's default file.
    void PickDefaultColor();
    void BrowseDefaultFile();
    // Presses one of the sign buttons: 0 "©", 1 "®", 2 "™".
    void InsertSign(int sign);

    bool Closed() const { return closed_; }

    // The controls, for tests and for the screenshot.
    QLineEdit* NoticeEdit() const { return notice_; }
    std::array<QToolButton*, 3> SignButtons() const { return signs_; }
    TGCheckBox* TwoColumnsBox() const { return twoColumns_; }
    QRadioButton* DownThenOverButton() const { return downThenOver_; }
    QRadioButton* OverThenDownButton() const { return overThenDown_; }
    QComboBox* EntryList() const { return entries_; }
    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* RevertButton() const { return revert_; }
    QLabel* HintLabel() const { return hint_; }
    // The page shown: 0 none, 1 numerical, 2 UV, 3 colour, 4 enumeration, 5 file.
    int PageIndex() const;
    QLineEdit* LabelEdit() const;  // the page's "Label (friendly name)" or "U Label"; null if none
    QLineEdit* VLabelEdit() const { return uvLabels_[1]; }
    // Numerical: minimum, maximum, default, increment.
    std::array<THostSpinEdit2*, 4> NumericalFields() const { return numFields_; }
    // UV: U then V, each minimum, maximum, default, increment.
    std::array<THostSpinEdit2*, 8> UVFields() const { return uvFields_; }
    TColorSwatch* Swatch() const { return swatch_; }
    QRadioButton* OwnPickerButton() const { return ownPicker_; }
    QRadioButton* SystemPickerButton() const { return systemPicker_; }
    QListWidget* ItemList() const { return items_; }
    QLineEdit* DefaultFileEdit() const { return defaultFile_; }
    QToolButton* BrowseButton() const { return browse_; }

  Q_SIGNALS:
    void WindowClosed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    enum Page { kNoPage, kNumericalPage, kUVPage, kColorPage, kEnumerationPage, kFilePage };

    void BuildGlobalOptions();
    void BuildPages(QWidget* host);
    // Options, notice and list from the model; keepSelection keeps the entry when still listed.
    void LoadAll(bool keepSelection);
    void FillEntryList();
    void ShowSelectedPage();
    void StorePage();
    void EntryChosen(int index);
    void Edited();
    void UpdateOrderButtons();
    void TwoColumnsChanged();
    void ItemChanged(QListWidgetItem* item);
    void SetSwatchColor(const std::array<int, 3>& rgb);
    TTriggerPage PageFromControls() const;
    // The kind the shown trigger page stands for, 0 for none.
    int32_t PageKind() const;

    TXRInterfaceModel& model_;
    std::function<void()> changeHandler_;
    std::function<void()> modifiedHandler_;
    int trigger_ = -1;
    int file_ = -1;
    bool pageEdited_ = false;
    bool closed_ = false;
    bool itemGuard_ = false;

    QGroupBox* options_ = nullptr;
    QLineEdit* notice_ = nullptr;
    std::array<QToolButton*, 3> signs_{};
    TGCheckBox* twoColumns_ = nullptr;
    QRadioButton* downThenOver_ = nullptr;
    QRadioButton* overThenDown_ = nullptr;
    QComboBox* entries_ = nullptr;
    QGroupBox* properties_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* revert_ = nullptr;

    QLabel* hint_ = nullptr;
    QLineEdit* numLabel_ = nullptr;
    std::array<THostSpinEdit2*, 4> numFields_{};
    std::array<QLineEdit*, 2> uvLabels_{};
    std::array<THostSpinEdit2*, 8> uvFields_{};
    QLineEdit* colorLabel_ = nullptr;
    TColorSwatch* swatch_ = nullptr;
    std::array<int, 3> swatchColor_{};
    QRadioButton* ownPicker_ = nullptr;
    QRadioButton* systemPicker_ = nullptr;
    QLineEdit* enumLabel_ = nullptr;
    QListWidget* items_ = nullptr;
    QLineEdit* fileLabel_ = nullptr;
    QLineEdit* defaultFile_ = nullptr;
    QToolButton* browse_ = nullptr;
};

// The default colour's swatch: a left press released inside it counts as a click.
class TColorSwatch final : public QWidget {
  public:
    explicit TColorSwatch(QWidget* parent = nullptr);
    void SetColor(const QColor& color);
    QColor Color() const { return color_; }
    std::function<void()> OnClick;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QColor color_ = Qt::black;
    bool pressed_ = false;
};

}  // namespace vandrel

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
// Texts: the model holds labels escaped and in UTF-8. Escaped texts that do not decode to valid
// UTF-8 are read as Windows-1252, the code page older shaders were written in. The notice is held
// to 255 bytes of UTF-8, the length the model stores, so that what is typed is what is applied.
//
// Closing the window sets Closed() (and emits WindowClosed) and frees it (WA_DeleteOnClose): the
// owner keeps it in a QPointer and creates it anew. User-interface thread only.
#pragma once

// The models before any Qt header: Qt's "slots" keyword macro clashes with the core's names.
// Colours go to and from 0 … 255 as interface_layout.h says.
#include "editor/model/interface_layout.h"
#include "interface/interface_model.h"
// (keep this order)
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

// ---- entries of the drop-down ------------------------------------------------------------------

struct TInterfaceEntry {
    bool File = false;  // a file slot, else a trigger
    int Index = -1;     // 0 … 4 or 0 … 19
    bool operator==(const TInterfaceEntry&) const = default;
};

// "File 1" … "File 5", "Trigger 1" … "Trigger 20".
std::string InterfaceEntryName(const TInterfaceEntry& entry);
// The inverse; nothing for any other text.
std::optional<TInterfaceEntry> ParseInterfaceEntryName(std::string_view name);
// The file slots in use, then the triggers in use, each in index order.
std::vector<TInterfaceEntry> UsedInterfaceEntries(const TUsageTable& usage);

// ---- texts -------------------------------------------------------------------------------------

// UTF-8 text as Qt text; bytes that are not valid UTF-8 read as Windows-1252.
QString ModelTextToQt(std::string_view text);
std::string QtTextToModel(const QString& text);
// Unescaped model text for display, and the escaped form of typed text.
QString UnescapedText(std::string_view escaped);
std::string EscapedText(const QString& text);
// An enumeration item name escaped so that it cannot split the ";"-joined list: ";" is written as
// its escape too.
std::string EscapeItemName(std::string_view name);

// Whether the notice fits the 255 bytes the model stores.
bool NoticeFits(const QString& text);

// Typing a sign: it replaces the selection (selectionStart < 0 or selectionLength 0: none) or is
// inserted at the caret; the caret lands after it.
struct TCaretText {
    QString Text;
    int Caret = 0;
};
TCaretText InsertAtCaret(const QString& text, int caret, int selectionStart, int selectionLength,
                         const QString& sign);

// ---- pages -------------------------------------------------------------------------------------

// What a trigger's page shows, with texts unescaped.
struct TTriggerPage {
    QString Label;   // numerical, colour, enumeration; the U label of a UV trigger
    QString VLabel;  // UV
    // Numerical: minimum, maximum, default, increment in U. UV: the same for U and for V.
    std::array<float, 4> U{};
    std::array<float, 4> V{};
    std::array<int, 3> Color{};  // 0 … 255
    bool SystemPicker = false;
    QStringList Items;     // enumeration: the friendly item names
    int DefaultItem = -1;  // the marked item; -1 when the stored default names none
    bool operator==(const TTriggerPage&) const = default;
};

TTriggerPage LoadTriggerPage(const TTriggerSettings& settings, int32_t kind);
// Writes the page's fields of the kind into the settings; an enumeration with no marked item
// keeps its default. Does not touch the working record.
void StoreTriggerPage(const TTriggerPage& page, int32_t kind, TTriggerSettings& settings);

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

  signals:
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

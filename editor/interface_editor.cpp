#include "editor/interface_editor.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QValidator>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "core/numbers.h"
#include "core/stream_codec.h"
#include "editor/controls/control_fonts.h"
#include "editor/controls/gcheckbox.h"
#include "editor/controls/qt_text.h"
#include "editor/controls/spin_edit.h"
#include "editor/editor_accessibility.h"
#include "editor/help_router.h"
#include "editor/interface_panel.h"
#include "editor/model/dialogs.h"
#include "editor/model/editor_settings.h"

namespace vandrel {

namespace {

const char16_t kSigns[3] = {u'\u00A9', u'\u00AE', u'\u2122'};

// Which window watches which model: a window freed after its successor was made must not
// uninstall the successor.
std::map<const TXRInterfaceModel*, const TInterfaceEditor*>& InstalledEditors() {
    static std::map<const TXRInterfaceModel*, const TInterfaceEditor*> editors;
    return editors;
}

// Raises the model's counter while the window fills its controls, so their change events are
// ignored.
class TUpdateGuard {
  public:
    explicit TUpdateGuard(TXRInterfaceModel& model) : model_(model) { model_.BeginUpdate(); }
    ~TUpdateGuard() { model_.EndUpdate(); }
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;

  private:
    TXRInterfaceModel& model_;
};

class TNoticeValidator final : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return NoticeFits(S(input)) ? Acceptable : Invalid;
    }
};

// The notice as the model will keep it: whole characters within 255 bytes.
QString FitNotice(QString text) {
    while (!NoticeFits(S(text))) {
        text.chop(text.size() >= 2 && text.at(text.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return text;
}

// The layout was made for "Tahoma" 8; a wider stand-in font shrinks where a text would be cut.
void FitFont(QWidget* widget, const QString& text, int width) {
    QFont font = widget->font();
    const auto widest = [&] {
        int w = 0;
        for (const QString& line : text.split('\n')) {
            w = std::max(w, QFontMetrics(font).horizontalAdvance(line));
        }
        return w;
    };
    while (widest() > width && font.pointSizeF() > 5.5) font.setPointSizeF(font.pointSizeF() - 0.5);
    widget->setFont(font);
}

QLabel* Caption(QWidget* parent, const QString& text, const QRect& at) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(at);
    FitFont(label, text, at.width() - 1);
    return label;
}

QLineEdit* Edit(QWidget* parent, const QRect& at) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(at);
    return edit;
}

THostSpinEdit2* Spin(QWidget* parent, const QString& caption, const QRect& at, int editorWidth) {
    auto* spin = new THostSpinEdit2(parent);
    spin->setGeometry(at);
    spin->SetCaption(caption);
    spin->SetEditorWidth(editorWidth);
    spin->SetIncrement(0.1f);
    return spin;
}

}  // namespace

// ---- typing ------------------------------------------------------------------------------------

TCaretText InsertAtCaret(const QString& text, int caret, int selectionStart, int selectionLength,
                         const QString& sign) {
    const int size = static_cast<int>(text.size());
    int start = std::clamp(caret, 0, size);
    int length = 0;
    if (selectionStart >= 0 && selectionLength > 0 && selectionStart < size) {
        start = selectionStart;
        length = std::min(selectionLength, size - selectionStart);
    }
    QString result = text;
    result.replace(start, length, sign);
    return {result, start + static_cast<int>(sign.size())};
}

// ---- swatch ------------------------------------------------------------------------------------

TColorSwatch::TColorSwatch(QWidget* parent) : QWidget(parent) { setCursor(Qt::PointingHandCursor); }

void TColorSwatch::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void TColorSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), color_);
    DrawBevel(p, rect().adjusted(0, 0, -1, -1), false);
}

void TColorSwatch::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void TColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click && OnClick) OnClick();
}

// ---- the window --------------------------------------------------------------------------------

TInterfaceEditor::TInterfaceEditor(TXRInterfaceModel& model, QWidget* parent)
    : QWidget(parent, Qt::Tool), model_(model) {
    setAttribute(Qt::WA_DeleteOnClose);
    InstallEditorAccessibility();
    setWindowTitle(QStringLiteral("Shader Interface"));
    setFont(ControlFont(8));
    setFixedSize(kClientWidth, kClientHeight);
    // F1 asks the help for this window's topic.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { RouteHelp(kHelpContext, kHelpTopicInterface); });

    BuildGlobalOptions();

    entries_ = new QComboBox(this);
    entries_->setGeometry(4, 122, 194, 21);
    connect(entries_, &QComboBox::currentIndexChanged, this, &TInterfaceEditor::EntryChosen);

    properties_ = new QGroupBox(QStringLiteral("Properties"), this);
    properties_->setGeometry(4, 146, 194, 112);
    pages_ = new QStackedWidget(properties_);
    pages_->setGeometry(4, 15, 186, 94);
    BuildPages(pages_);

    apply_ = new QPushButton(QStringLiteral("Apply"), this);
    apply_->setGeometry(4, 262, 95, 23);
    revert_ = new QPushButton(QStringLiteral("Revert"), this);
    revert_->setGeometry(103, 262, 95, 23);
    apply_->setEnabled(false);
    revert_->setEnabled(false);
    connect(apply_, &QPushButton::clicked, this, &TInterfaceEditor::Apply);
    connect(revert_, &QPushButton::clicked, this, &TInterfaceEditor::Revert);

    InstalledEditors()[&model_] = this;
    model_.SetEditorObserver(this);
    LoadAll(false);
}

TInterfaceEditor::~TInterfaceEditor() {
    auto& installed = InstalledEditors();
    const auto it = installed.find(&model_);
    if (it != installed.end() && it->second == this) {
        installed.erase(it);
        model_.SetEditorObserver(nullptr);
    }
}

void TInterfaceEditor::BuildGlobalOptions() {
    options_ = new QGroupBox(QStringLiteral(" Global Options "), this);
    options_->setGeometry(4, 2, 194, 116);
    Caption(options_, QStringLiteral("Copyright information"), QRect(8, 16, 178, 14));
    notice_ = Edit(options_, QRect(8, 32, 116, 20));
    notice_->setMaxLength(static_cast<int>(kMaxNoticeLength));
    notice_->setValidator(new TNoticeValidator(notice_));
    connect(notice_, &QLineEdit::textChanged, this, &TInterfaceEditor::Edited);
    for (int i = 0; i < 3; ++i) {
        auto* button = new QToolButton(options_);
        button->setText(QString(QChar(kSigns[i])));
        button->setGeometry(126 + 20 * i, 32, 20, 20);
        // The field keeps the focus and so its selection.
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, i] { InsertSign(i); });
        signs_[static_cast<size_t>(i)] = button;
    }
    twoColumns_ = new TGCheckBox(options_);
    twoColumns_->SetCaption(QStringLiteral("Order controls into two columns"));
    twoColumns_->setGeometry(6, 58, 184, 17);
    // The box and its gap take 19 pixels.
    FitFont(twoColumns_, twoColumns_->Caption(), twoColumns_->width() - 20);
    twoColumns_->SetChecked(true);
    connect(twoColumns_, &TGCheckBox::OnChange, this, &TInterfaceEditor::TwoColumnsChanged);
    downThenOver_ = new QRadioButton(QStringLiteral("Down, then over"), options_);
    downThenOver_->setGeometry(22, 77, 160, 17);
    downThenOver_->setChecked(true);
    overThenDown_ = new QRadioButton(QStringLiteral("Over, then down"), options_);
    overThenDown_->setGeometry(22, 95, 160, 17);
    connect(downThenOver_, &QRadioButton::toggled, this, &TInterfaceEditor::Edited);
}

void TInterfaceEditor::BuildPages(QWidget* host) {
    const auto page = [&] {
        auto* w = new QWidget(host);
        pages_->addWidget(w);
        return w;
    };
    const auto pageEdited = [this] {
        if (model_.Updating()) return;
        pageEdited_ = true;
        Edited();
    };
    const auto labelRow = [&](QWidget* w, const QString& caption) {
        Caption(w, caption, QRect(2, 0, 182, 13));
        QLineEdit* edit = Edit(w, QRect(2, 13, 182, 19));
        connect(edit, &QLineEdit::textChanged, this, pageEdited);
        return edit;
    };

    QWidget* none = page();
    hint_ = new QLabel(QStringLiteral("Select a trigger from the drop-down\nlist above to access "
                                      "it' s properties."),
                       none);
    hint_->setGeometry(0, 0, 186, 94);
    FitFont(hint_, hint_->text(), 182);
    hint_->setAlignment(Qt::AlignCenter);

    QWidget* numerical = page();
    numLabel_ = labelRow(numerical, QStringLiteral("Label (friendly name)"));
    const QString numCaptions[4] = {QStringLiteral("Minimum"), QStringLiteral("Maximum"),
                                    QStringLiteral("Default value"), QStringLiteral("Increment")};
    for (int i = 0; i < 4; ++i) {
        numFields_[static_cast<size_t>(i)] =
            Spin(numerical, numCaptions[i], QRect(2, 35 + 15 * i, 182, 14), 96);
    }

    QWidget* uv = page();
    Caption(uv, QStringLiteral("U Label"), QRect(2, 0, 88, 13));
    Caption(uv, QStringLiteral("V Label"), QRect(96, 0, 88, 13));
    uvLabels_[0] = Edit(uv, QRect(2, 13, 88, 19));
    uvLabels_[1] = Edit(uv, QRect(96, 13, 88, 19));
    for (QLineEdit* edit : uvLabels_) connect(edit, &QLineEdit::textChanged, this, pageEdited);
    const QString uvCaptions[4] = {QStringLiteral("Minimum"), QStringLiteral("Maximum"),
                                   QStringLiteral("Default"), QStringLiteral("Increment")};
    for (int i = 0; i < 4; ++i) {
        const int y = 35 + 15 * i;
        Caption(uv, uvCaptions[i], QRect(2, y, 58, 14));
        uvFields_[static_cast<size_t>(i)] = Spin(uv, QString(), QRect(62, y, 60, 14), 51);
        uvFields_[static_cast<size_t>(4 + i)] = Spin(uv, QString(), QRect(124, y, 60, 14), 51);
    }

    QWidget* color = page();
    colorLabel_ = labelRow(color, QStringLiteral("Label (friendly name)"));
    Caption(color, QStringLiteral("Default value (color)"), QRect(2, 38, 120, 14));
    swatch_ = new TColorSwatch(color);
    swatch_->setGeometry(128, 35, 56, 20);
    swatch_->OnClick = [this] { PickDefaultColor(); };
    Caption(color, QStringLiteral("Color picker"), QRect(2, 59, 182, 14));
    ownPicker_ = new QRadioButton(QStringLiteral("Vandrel (default)"), color);
    ownPicker_->setGeometry(2, 74, 112, 17);
    systemPicker_ = new QRadioButton(QStringLiteral("Windows"), color);
    systemPicker_->setGeometry(116, 74, 68, 17);
    ownPicker_->setChecked(true);
    connect(ownPicker_, &QRadioButton::toggled, this, pageEdited);

    QWidget* enumeration = page();
    enumLabel_ = labelRow(enumeration, QStringLiteral("Label (friendly name)"));
    Caption(enumeration, QStringLiteral("Default"), QRect(2, 33, 182, 13));
    items_ = new QListWidget(enumeration);
    items_->setGeometry(2, 46, 182, 48);
    items_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
    connect(items_, &QListWidget::itemChanged, this, &TInterfaceEditor::ItemChanged);

    QWidget* file = page();
    fileLabel_ = labelRow(file, QStringLiteral("Label (friendly name)"));
    Caption(file, QStringLiteral("Default"), QRect(2, 36, 182, 13));
    defaultFile_ = Edit(file, QRect(2, 50, 158, 19));
    connect(defaultFile_, &QLineEdit::textChanged, this, pageEdited);
    browse_ = new QToolButton(file);
    browse_->setText(QStringLiteral("..."));
    browse_->setGeometry(162, 50, 22, 19);
    connect(browse_, &QToolButton::clicked, this, &TInterfaceEditor::BrowseDefaultFile);

    for (THostSpinEdit2* spin : numFields_)
        connect(spin, &THostSpinEdit2::OnChange, this, pageEdited);
    for (THostSpinEdit2* spin : uvFields_)
        connect(spin, &THostSpinEdit2::OnChange, this, pageEdited);
}

// ---- observer ----------------------------------------------------------------------------------

void TInterfaceEditor::RefreshTriggerList() {
    const std::optional<TInterfaceEntry> before = SelectedEntry();
    const int32_t kindBefore = PageKind();
    FillEntryList();
    // Typed edits of an entry that is still there with its kind stay in the controls.
    const bool same =
        before && SelectedEntry() == before &&
        (before->File || model_.Usage().Triggers[static_cast<size_t>(trigger_)].Kind == kindBefore);
    if (!(same && pageEdited_)) ShowSelectedPage();
}

void TInterfaceEditor::TriggerFreed(int trigger) {
    if (trigger < 0 || trigger != trigger_) return;
    trigger_ = -1;
    pageEdited_ = false;
    {
        const QSignalBlocker block(entries_);
        entries_->setCurrentIndex(-1);
    }
    ShowSelectedPage();
}

void TInterfaceEditor::Reload() {
    LoadAll(true);
    apply_->setEnabled(false);
    revert_->setEnabled(false);
}

void TInterfaceEditor::ShaderModified() {
    if (modifiedHandler_) modifiedHandler_();
}

// ---- actions -----------------------------------------------------------------------------------

void TInterfaceEditor::Apply() {
    apply_->setEnabled(false);
    revert_->setEnabled(false);
    StorePage();
    model_.Apply(twoColumns_->Checked(), downThenOver_->isChecked(), S(FitNotice(notice_->text())));
    if (changeHandler_) changeHandler_();
}

void TInterfaceEditor::Revert() {
    apply_->setEnabled(false);
    revert_->setEnabled(false);
    pageEdited_ = false;
    const std::string applied = model_.InterfaceString();
    if (applied.empty()) {
        ShowSelectedPage();
        return;
    }
    model_.Parse(applied);
    // The model tells its observer; a window that is not it reloads by itself.
    const auto it = InstalledEditors().find(&model_);
    if (it == InstalledEditors().end() || it->second != this) Reload();
}

bool TInterfaceEditor::SelectEntry(const TInterfaceEntry& entry) {
    const int index = entries_->findText(QString::fromStdString(InterfaceEntryName(entry)));
    if (index < 0) return false;
    entries_->setCurrentIndex(index);
    return SelectedEntry() == entry;
}

std::optional<TInterfaceEntry> TInterfaceEditor::SelectedEntry() const {
    if (file_ >= 0) return TInterfaceEntry{true, file_};
    if (trigger_ >= 0) return TInterfaceEntry{false, trigger_};
    return std::nullopt;
}

void TInterfaceEditor::PickDefaultColor() {
    if (PageIndex() != kColorPage) return;
    const QString title = colorLabel_->text() + QStringLiteral(" (Default)");
    std::array<double, 3> initial{};
    for (size_t i = 0; i < 3; ++i) initial[i] = ColorFromByte(swatchColor_[i]);
    const auto chosen = CurrentDialogs().PickColor(S(title), initial, ownPicker_->isChecked());
    if (!chosen) return;
    std::array<int, 3> rgb{};
    for (size_t i = 0; i < 3; ++i) rgb[i] = ColorToByte((*chosen)[i]);
    SetSwatchColor(rgb);
    if (model_.Updating()) return;
    pageEdited_ = true;
    Edited();
}

void TInterfaceEditor::BrowseDefaultFile() {
    if (file_ < 0 || PageIndex() != kFilePage) return;
    TFileRequest request;
    request.Filter =
        std::string(FileSlotFilter(model_.Usage().Files[static_cast<size_t>(file_)].Type));
    request.Folder = EditorSettings().LastTexture;
    const std::optional<std::string> chosen = CurrentDialogs().OpenFile(request);
    if (!chosen) return;
    const std::filesystem::path path(*chosen);
    EditorSettings().LastTexture = path.parent_path().string();
    defaultFile_->setText(Q(DisplayText(path.filename().string())));
}

void TInterfaceEditor::InsertSign(int sign) {
    if (sign < 0 || sign > 2) return;
    const TCaretText result = InsertAtCaret(
        notice_->text(), notice_->cursorPosition(), notice_->selectionStart(),
        static_cast<int>(notice_->selectedText().size()), QString(QChar(kSigns[sign])));
    if (!NoticeFits(S(result.Text))) return;
    notice_->setText(result.Text);
    notice_->setCursorPosition(result.Caret);
}

int TInterfaceEditor::PageIndex() const { return pages_->currentIndex(); }

QLineEdit* TInterfaceEditor::LabelEdit() const {
    switch (PageIndex()) {
        case kNumericalPage:
            return numLabel_;
        case kUVPage:
            return uvLabels_[0];
        case kColorPage:
            return colorLabel_;
        case kEnumerationPage:
            return enumLabel_;
        case kFilePage:
            return fileLabel_;
        default:
            return nullptr;
    }
}

void TInterfaceEditor::closeEvent(QCloseEvent* event) {
    closed_ = true;
    Q_EMIT WindowClosed();
    QWidget::closeEvent(event);
}

// ---- filling and storing -----------------------------------------------------------------------

void TInterfaceEditor::LoadAll(bool keepSelection) {
    TUpdateGuard guard(model_);
    if (!keepSelection) {
        trigger_ = -1;
        file_ = -1;
    }
    pageEdited_ = false;
    const TInterfaceOptions& options = model_.Options();
    twoColumns_->SetChecked(options.Columns == 2);
    downThenOver_->setChecked(options.Order != 'O');
    overThenDown_->setChecked(options.Order == 'O');
    UpdateOrderButtons();
    notice_->setText(FitNotice(Q(UnescapedText(options.NoticeText))));
    FillEntryList();
    ShowSelectedPage();
}

void TInterfaceEditor::FillEntryList() {
    const QSignalBlocker block(entries_);
    entries_->clear();
    const std::optional<TInterfaceEntry> selected = SelectedEntry();
    int current = -1;
    for (const TInterfaceEntry& entry : UsedInterfaceEntries(model_.Usage())) {
        if (selected == entry) current = entries_->count();
        entries_->addItem(QString::fromStdString(InterfaceEntryName(entry)));
    }
    if (current < 0) {
        trigger_ = -1;
        file_ = -1;
    }
    entries_->setCurrentIndex(current);
}

void TInterfaceEditor::ShowSelectedPage() {
    TUpdateGuard guard(model_);
    pageEdited_ = false;
    if (file_ >= 0) {
        const TFileSettings& s = model_.Settings().Files[static_cast<size_t>(file_)];
        fileLabel_->setText(Q(DisplayText(s.Label)));
        defaultFile_->setText(Q(DisplayText(s.DefaultFile)));
        pages_->setCurrentIndex(kFilePage);
        return;
    }
    if (trigger_ < 0) {
        pages_->setCurrentIndex(kNoPage);
        return;
    }
    const TTriggerSettings& s = model_.Settings().Triggers[static_cast<size_t>(trigger_)];
    const int32_t kind = model_.Usage().Triggers[static_cast<size_t>(trigger_)].Kind;
    const TTriggerPage page = LoadTriggerPage(s, kind);
    switch (kind) {
        case kNumerical: {
            numLabel_->setText(Q(page.Label));
            const TSpinShow show = s.IsInteger ? TSpinShow::Whole : TSpinShow::Float;
            for (size_t i = 0; i < 4; ++i) {
                numFields_[i]->SetShowValue(show);
                numFields_[i]->SetIncrement(s.IsInteger ? 1.0f : 0.1f);
                numFields_[i]->SetValueF(page.U[i]);
            }
            pages_->setCurrentIndex(kNumericalPage);
            break;
        }
        case kUV:
            uvLabels_[0]->setText(Q(page.Label));
            uvLabels_[1]->setText(Q(page.VLabel));
            for (size_t i = 0; i < 4; ++i) {
                uvFields_[i]->SetValueF(page.U[i]);
                uvFields_[4 + i]->SetValueF(page.V[i]);
            }
            pages_->setCurrentIndex(kUVPage);
            break;
        case kVector:
            colorLabel_->setText(Q(page.Label));
            SetSwatchColor(page.Color);
            (page.SystemPicker ? systemPicker_ : ownPicker_)->setChecked(true);
            pages_->setCurrentIndex(kColorPage);
            break;
        case kEnumeration:
            enumLabel_->setText(Q(page.Label));
            items_->clear();
            for (size_t i = 0; i < page.Items.size(); ++i) {
                auto* item = new QListWidgetItem(Q(page.Items[i]));
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable |
                               Qt::ItemIsUserCheckable);
                item->setCheckState(static_cast<int>(i) == page.DefaultItem ? Qt::Checked
                                                                            : Qt::Unchecked);
                items_->addItem(item);
            }
            pages_->setCurrentIndex(kEnumerationPage);
            break;
        default:
            trigger_ = -1;
            pages_->setCurrentIndex(kNoPage);
            break;
    }
}

TTriggerPage TInterfaceEditor::PageFromControls() const {
    TTriggerPage page;
    switch (PageIndex()) {
        case kNumericalPage: {
            page.Label = S(numLabel_->text());
            const bool whole = numFields_[0]->ShowValue() == TSpinShow::Whole;
            for (size_t i = 0; i < 4; ++i) {
                page.U[i] =
                    whole ? static_cast<float>(numFields_[i]->ValueInt()) : numFields_[i]->ValueF();
            }
            break;
        }
        case kUVPage:
            page.Label = S(uvLabels_[0]->text());
            page.VLabel = S(uvLabels_[1]->text());
            for (size_t i = 0; i < 4; ++i) {
                page.U[i] = uvFields_[i]->ValueF();
                page.V[i] = uvFields_[4 + i]->ValueF();
            }
            break;
        case kColorPage:
            page.Label = S(colorLabel_->text());
            page.Color = swatchColor_;
            page.SystemPicker = systemPicker_->isChecked();
            break;
        case kEnumerationPage:
            page.Label = S(enumLabel_->text());
            for (int i = 0; i < items_->count(); ++i) {
                page.Items.push_back(S(items_->item(i)->text()));
                if (items_->item(i)->checkState() == Qt::Checked) page.DefaultItem = i;
            }
            break;
    }
    return page;
}

int32_t TInterfaceEditor::PageKind() const {
    switch (PageIndex()) {
        case kNumericalPage:
            return kNumerical;
        case kUVPage:
            return kUV;
        case kColorPage:
            return kVector;
        case kEnumerationPage:
            return kEnumeration;
        default:
            return 0;
    }
}

void TInterfaceEditor::StorePage() {
    if (!pageEdited_) return;
    pageEdited_ = false;
    if (file_ >= 0 && PageIndex() == kFilePage) {
        if (model_.Usage().Files[static_cast<size_t>(file_)].Count == 0) return;
        TFileSettings& s = model_.Settings().Files[static_cast<size_t>(file_)];
        s.Label = S(fileLabel_->text());
        s.DefaultFile = S(defaultFile_->text());
        return;
    }
    if (trigger_ < 0) return;
    const TTriggerUsage& usage = model_.Usage().Triggers[static_cast<size_t>(trigger_)];
    // A page left from a kind the trigger no longer has would scramble its values.
    if (usage.Count == 0 || usage.Kind != PageKind()) return;
    StoreTriggerPage(PageFromControls(), usage.Kind,
                     model_.Settings().Triggers[static_cast<size_t>(trigger_)]);
    if (usage.Kind != kEnumeration) model_.TakeDefaultAsCurrent(trigger_);
}

// ---- change events -----------------------------------------------------------------------------

void TInterfaceEditor::EntryChosen(int index) {
    if (model_.Updating()) return;
    StorePage();
    const std::optional<TInterfaceEntry> entry =
        index < 0 ? std::nullopt : ParseInterfaceEntryName(entries_->itemText(index).toStdString());
    trigger_ = entry && !entry->File ? entry->Index : -1;
    file_ = entry && entry->File ? entry->Index : -1;
    ShowSelectedPage();
}

void TInterfaceEditor::Edited() {
    if (model_.Updating()) return;
    apply_->setEnabled(true);
    revert_->setEnabled(!model_.InterfaceString().empty());
}

void TInterfaceEditor::UpdateOrderButtons() {
    downThenOver_->setEnabled(twoColumns_->Checked());
    overThenDown_->setEnabled(twoColumns_->Checked());
}

void TInterfaceEditor::TwoColumnsChanged() {
    UpdateOrderButtons();
    Edited();
}

void TInterfaceEditor::ItemChanged(QListWidgetItem* item) {
    if (itemGuard_ || model_.Updating() || item == nullptr) return;
    itemGuard_ = true;
    if (item->checkState() == Qt::Checked) {
        // One mark: the default item.
        for (int i = 0; i < items_->count(); ++i) {
            if (items_->item(i) != item) items_->item(i)->setCheckState(Qt::Unchecked);
        }
    } else {
        bool any = false;
        for (int i = 0; i < items_->count(); ++i) {
            any = any || items_->item(i)->checkState() == Qt::Checked;
        }
        if (!any) item->setCheckState(Qt::Checked);
    }
    itemGuard_ = false;
    pageEdited_ = true;
    Edited();
}

void TInterfaceEditor::SetSwatchColor(const std::array<int, 3>& rgb) {
    swatchColor_ = rgb;
    swatch_->SetColor(QColor(rgb[0], rgb[1], rgb[2]));
}

}  // namespace vandrel

#include "editor/property_bar.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include "editor/controls/color_picker.h"
#include "editor/controls/control_fonts.h"
#include "editor/controls/spin_edit.h"
#include "editor/input_menu_widget.h"

namespace vandrel {

namespace {

QColor EditorKindColor(int32_t kind, bool integer) {
    const std::optional<TRgb> rgb = KindColor(kind, integer);
    if (!rgb) return QGuiApplication::palette().color(QPalette::Button);
    return QColor(rgb->r, rgb->g, rgb->b);
}

TColorPickerFn& ColorPicker() {
    static TColorPickerFn picker = [](QWidget* parent, const QString& title,
                                      std::array<double, 3>& rgb) {
        return TColSelect::Execute(parent, title, rgb);
    };
    return picker;
}

constexpr QRect kMenuArrowArea(45, 1, 9, 15);  // (45, 1) - (53, 15)

}  // namespace

std::vector<QString> FittedNames(const std::vector<QString>& names, const QFontMetrics& metrics,
                                 int width) {
    std::vector<QString> shown(names.size());
    const auto clash = [&](size_t i) {
        for (size_t j = 0; j < shown.size(); ++j) {
            if (j != i && shown[j] == shown[i] && names[j] != names[i]) return true;
        }
        return false;
    };
    for (size_t i = 0; i < names.size(); ++i) {
        shown[i] = metrics.elidedText(names[i], Qt::ElideRight, width);
    }
    // Each pass settles the clashes of the previous form; names that still read alike get the
    // digit of their row, which is always unique among siblings.
    for (const Qt::TextElideMode mode : {Qt::ElideMiddle, Qt::ElideLeft}) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (clash(i) && shown[i] != names[i]) {
                shown[i] = metrics.elidedText(names[i], mode, width);
            }
        }
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (!clash(i)) continue;
        const QString digit = QString::number(i + 1);
        shown[i] =
            metrics.elidedText(names[i], Qt::ElideRight, width - metrics.horizontalAdvance(digit)) +
            digit;
    }
    return shown;
}

// ---- buttons ---------------------------------------------------------------------------------

TXRPropertyLockButton::TXRPropertyLockButton(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFixedSize(11, 12);
    setToolTip(QStringLiteral("Lock/Unlock Property"));
    setFocusPolicy(Qt::NoFocus);
}

void TXRPropertyLockButton::paintEvent(QPaintEvent*) {
    // A padlock: closed while the property is whole, open (shackle lifted to the side) while it
    // is split.
    QPainter p(this);
    const bool open = isChecked();
    p.fillRect(rect(), palette().color(QPalette::Button));
    const QColor metal(64, 64, 64);
    p.setPen(metal);
    const int shackleLeft = open ? 4 : 2;
    p.drawLine(shackleLeft, 2, shackleLeft, open ? 4 : 5);
    p.drawLine(shackleLeft + 1, 1, shackleLeft + 5, 1);
    p.drawLine(shackleLeft + 6, 2, shackleLeft + 6, 5);
    p.fillRect(QRect(1, 6, 9, 6), open ? QColor(192, 160, 64) : QColor(160, 128, 32));
    p.setPen(QColor(96, 72, 16));
    p.drawRect(QRect(1, 6, 8, 5));
    p.setPen(Qt::black);
    p.drawLine(5, 8, 5, 9);
}

TXRColorButton::TXRColorButton(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(11, 30);
    setToolTip(QStringLiteral("Edit as color"));
    setFocusPolicy(Qt::NoFocus);
}

void TXRColorButton::paintEvent(QPaintEvent*) {
    // Flat: three swatches, red, green and blue, sunken while pressed.
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    const int shift = isDown() ? 1 : 0;
    const QColor swatches[3] = {QColor(224, 32, 32), QColor(32, 192, 32), QColor(32, 64, 224)};
    for (int i = 0; i < 3; ++i) {
        const QRect r(2 + shift, 2 + i * 9 + shift, 7, 8);
        p.fillRect(r, swatches[i]);
        p.setPen(QColor(64, 64, 64));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    if (underMouse() || isDown()) DrawBevel(p, rect().adjusted(0, 0, -1, -1), !isDown());
}

// ---- editor ----------------------------------------------------------------------------------

TXRPropertyEditor::TXRPropertyEditor(TXRGraphModel& model, TXRComponentContainer& container,
                                     int32_t prop, int32_t part, QWidget* parent)
    : QWidget(parent), model_(model), container_(container), prop_(prop), part_(part) {
    setFont(ControlFont(8));
    resize(kEditorWidth, kEditorHeight);
    const TPropertyState* p = container_.Property(prop_);
    if (p == nullptr || p->PartCount == 0 || Kind() != kNumerical) return;
    // The spin field is the container's child, beside the other bars' fields, so that Tab moves
    // from one property to the next.
    spin_ = new THostSpinEdit2(parent);
    spin_->resize(kEditorWidth - kValueLeft - 1, kEditorHeight - 2);
    spin_->SetEditorWidth(kEditorWidth);
    spin_->SetEditorBorderStyle(TSpinBorder::None);
    spin_->SetEditorColor(palette().color(QPalette::Base));
    spin_->blockSignals(true);
    if (p->IsInteger && part_ < 0) {
        spin_->SetShowValue(TSpinShow::Whole);
        spin_->SetIncrement(1);
        spin_->SetMin(1);
        spin_->SetMax(10000);
    } else {
        spin_->SetIncrement(0.001f);
    }
    spin_->blockSignals(false);
    connect(spin_, &THostSpinEdit2::OnChange, this, [this] {
        if (refreshing_) return;
        if (model_.SetConstant(&container_, prop_, part_, spin_->ValueF())) {
            model_.Select(&container_);
        }
    });
}

// The spin field belongs to the container widget; it goes with its editor.
TXRPropertyEditor::~TXRPropertyEditor() { delete spin_.data(); }

int32_t TXRPropertyEditor::Kind() const {
    if (part_ >= 0) return kNumerical;
    const TPropertyState* p = container_.Property(prop_);
    return p != nullptr ? p->Kind : kUndefined;
}

QString TXRPropertyEditor::NameText() const {
    const TPropertyState* p = container_.Property(prop_);
    if (p == nullptr) return {};
    if (part_ >= 0) {
        return part_ < static_cast<int32_t>(p->PartLetters.size())
                   ? QString(QChar(p->PartLetters[static_cast<size_t>(part_)]))
                   : QString::number(part_);
    }
    return QString::fromStdString(p->Name);
}

QString TXRPropertyEditor::FullName() const {
    const TPropertyState* p = container_.Property(prop_);
    if (p == nullptr) return {};
    const QString name = QString::fromStdString(p->Name);
    return part_ >= 0 ? name + "." + NameText() : name;
}

void TXRPropertyEditor::SetShownName(const QString& name) {
    shownName_ = name == NameText() ? QString() : name;
    update();
}

bool TXRPropertyEditor::ComponentConnected() const {
    const TPropertyState* p = container_.Property(prop_);
    return p != nullptr && p->Input(part_).ComponentConnected();
}

bool TXRPropertyEditor::ShowsSpinField() const {
    const TPropertyState* p = container_.Property(prop_);
    return spin_ != nullptr && p != nullptr && p->Input(part_).Source() == TInputSource::kConstant;
}

void TXRPropertyEditor::Place(int top) {
    move(kEditorLeft, top);
    if (spin_ != nullptr) spin_->move(kEditorLeft + kValueLeft, top + 1);
}

void TXRPropertyEditor::SetShown(bool shown) {
    shown_ = shown;
    setVisible(shown);
    if (spin_ != nullptr) spin_->setVisible(shown && ShowsSpinField());
}

void TXRPropertyEditor::Refresh() {
    const TPropertyState* p = container_.Property(prop_);
    if (p == nullptr) return;
    valueText_ = QString::fromStdString(model_.ValueText(&container_, prop_, part_));
    valueWidth_ = ComponentConnected() ? kConnectedValueTextWidth : kValueTextWidth;
    // The whole name, which the row may show cut, with what the property does.
    const QString name = QString::fromStdString(p->Name);
    const QString hint = QString::fromStdString(p->Hint);
    QString tip = FullName();
    if (!hint.isEmpty() && hint != name) tip += ": " + hint;
    setToolTip(tip);
    if (spin_ != nullptr) {
        spin_->setAccessibleName(FullName());
        spin_->setToolTip(tip);
        refreshing_ = true;
        spin_->SetValueF(model_.Constant(&container_, prop_, part_));
        refreshing_ = false;
        spin_->setVisible(shown_ && ShowsSpinField());
    }
    update();
}

void TXRPropertyEditor::OpenMenu(const QPoint& globalPos) {
    ExecInputMenu(this, globalPos, model_, &container_, prop_, part_);
}

void TXRPropertyEditor::paintEvent(QPaintEvent*) {
    const TPropertyState* p = container_.Property(prop_);
    if (p == nullptr) return;
    QPainter painter(this);
    const QColor kind = EditorKindColor(Kind(), p->IsInteger && part_ < 0);
    painter.fillRect(rect(), kind);
    painter.fillRect(kMenuArrowArea, palette().color(QPalette::Button));
    painter.setPen(Qt::black);
    painter.drawLine(48, 6, 48, 11);
    painter.drawLine(49, 7, 49, 10);
    painter.drawLine(50, 8, 50, 9);
    painter.fillRect(QRect(QPoint(kValueLeft, 1), QPoint(width() - 2, height() - 2)),
                     palette().color(QPalette::Base));
    if (ComponentConnected()) painter.fillRect(QRect(QPoint(91, 3), QPoint(101, 13)), kind);
    painter.setPen(Qt::white);
    painter.setClipRect(QRect(1, 1, kMenuArrowArea.left() - 1, height() - 2));
    painter.drawText(QRect(1, 1, kNameWidth, height() - 2), Qt::AlignLeft | Qt::AlignVCenter,
                     ShownName());
    if (!valueText_.isEmpty()) {
        painter.setClipRect(QRect(QPoint(kValueLeft, 1), QPoint(kValueLeft + valueWidth_, 15)));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(kValueLeft + 1, 1, valueWidth_, height() - 2),
                         Qt::AlignLeft | Qt::AlignVCenter, valueText_);
    }
}

void TXRPropertyEditor::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::RightButton ||
        (event->button() == Qt::LeftButton && kMenuArrowArea.contains(at))) {
        OpenMenu(event->globalPosition().toPoint());
        return;
    }
    event->ignore();  // selection and moving belong to the container
}

// ---- bar -------------------------------------------------------------------------------------

TXRPropertyBar::TXRPropertyBar(QWidget* container, TXRGraphModel& model,
                               TXRComponentContainer& component, int32_t prop)
    : container_(container), model_(model), component_(component), prop_(prop) {
    const TPropertyState& p = State();
    whole_ = new TXRPropertyEditor(model, component, prop, kWholeProperty, container);
    if (p.Splittable()) {
        for (int32_t k = 0; k < p.PartCount && k < 3; ++k) {
            parts_[static_cast<size_t>(k)] =
                new TXRPropertyEditor(model, component, prop, k, container);
        }
        lock_ = new TXRPropertyLockButton(container);
        lock_->setAccessibleName("Split " + QString::fromStdString(p.Name) + " into parts");
        connect(lock_, &QAbstractButton::clicked, this, &TXRPropertyBar::ToggleLock);
        if (p.Kind == kVector) {
            color_ = new TXRColorButton(container);
            color_->setAccessibleName("Edit " + QString::fromStdString(p.Name) + " as color");
            connect(color_, &QAbstractButton::clicked, this, &TXRPropertyBar::EditAsColor);
        }
    }
    Place(p.Top, p.Height());
    Refresh();
}

TXRPropertyBar::~TXRPropertyBar() {
    delete whole_.data();
    for (auto& part : parts_) delete part.data();
    delete lock_.data();
    delete color_.data();
}

const TPropertyState& TXRPropertyBar::State() const {
    static const TPropertyState kNone;
    const TPropertyState* p = component_.Property(prop_);
    return p != nullptr ? *p : kNone;
}

int32_t TXRPropertyBar::Height() const { return State().Height(); }

TXRPropertyEditor* TXRPropertyBar::PartEditor(int32_t part) const {
    return part >= 0 && part < 3 ? parts_[static_cast<size_t>(part)].data() : nullptr;
}

void TXRPropertyBar::Place(int32_t top, int32_t height) {
    (void)height;  // the state decides the rows
    top_ = top;
    if (whole_ != nullptr) whole_->Place(top);
    for (int32_t k = 0; k < 3; ++k) {
        if (TXRPropertyEditor* part = PartEditor(k)) part->Place(top + kBarRowHeight * k);
    }
    if (lock_ != nullptr) lock_->move(3, top + 2);
    if (color_ != nullptr) color_->move(3, top + 18);
    SetVisible(visible_);
}

void TXRPropertyBar::SetVisible(bool visible) {
    visible_ = visible;
    const bool split = State().Split;
    if (whole_ != nullptr) whole_->SetShown(visible && !split);
    for (int32_t k = 0; k < 3; ++k) {
        if (TXRPropertyEditor* part = PartEditor(k)) part->SetShown(visible && split);
    }
    if (lock_ != nullptr) lock_->setVisible(visible);
    if (color_ != nullptr) color_->setVisible(visible && split);
}

void TXRPropertyBar::Refresh() {
    if (lock_ != nullptr) lock_->setChecked(State().Split);
    if (whole_ != nullptr) whole_->Refresh();
    for (int32_t k = 0; k < 3; ++k) {
        if (TXRPropertyEditor* part = PartEditor(k)) part->Refresh();
    }
    SetVisible(visible_);
}

void TXRPropertyBar::ToggleLock() {
    // The model asks its questions; a declined or failed switch leaves the state, and so the
    // button, as it was.
    const bool changed = State().Split ? model_.LockProperty(&component_, prop_)
                                       : model_.UnlockProperty(&component_, prop_);
    Place(State().Top, State().Height());
    Refresh();
    if (changed) model_.Select(&component_);
}

void TXRPropertyBar::EditAsColor() {
    const TPropertyState& p = State();
    if (p.Kind != kVector || !p.Split) return;
    std::array<double, 3> rgb{};
    for (int32_t k = 0; k < 3; ++k)
        rgb[static_cast<size_t>(k)] = model_.Constant(&component_, prop_, k);
    const QString title =
        QString::fromStdString(component_.Title()) + "." + QString::fromStdString(p.Name);
    if (!ColorPicker()(container_, title, rgb)) return;
    for (int32_t k = 0; k < 3; ++k) {
        model_.SetConstant(&component_, prop_, k, static_cast<float>(rgb[static_cast<size_t>(k)]));
    }
    Refresh();
    model_.Select(&component_);
}

void TXRPropertyBar::SetColorPicker(TColorPickerFn picker) {
    if (picker) {
        ColorPicker() = std::move(picker);
    } else {
        ColorPicker() = [](QWidget* parent, const QString& title, std::array<double, 3>& rgb) {
            return TColSelect::Execute(parent, title, rgb);
        };
    }
}

}  // namespace vandrel

#include "editor/controls/spin_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <charconv>
#include <cmath>

#include "core/numbers.h"
#include "editor/controls/control_fonts.h"

namespace vandrel {

bool SpinAcceptsChar(char32_t c, bool wholeNumbers) {
    if (c > 0x7F) return false;
    const std::string_view allowed = wholeNumbers ? kSpinWholeChars : kSpinFloatChars;
    return allowed.find(static_cast<char>(c)) != std::string_view::npos;
}

std::optional<double> ParseSpinText(std::string_view text, bool wholeNumbers) {
    std::string s(text);
    for (char& c : s) {
        if (c == ',') c = '.';
    }
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (wholeNumbers) {
        long long whole = 0;
        const auto [end, error] = std::from_chars(first, last, whole);
        if (error != std::errc() || end != last || s.empty()) return std::nullopt;
        return static_cast<double>(whole);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || end != last || s.empty() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string FormatSpinFloat(float value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    // Round the float's shortest decimal form, not its binary value, so that 12345.6 typed in
    // shows as 12345.6 and not as the 12345.5996 the nearest float would print.
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, written.ptr);
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.erase(0, 1);
    size_t point = text.find('.');
    if (point == std::string::npos) {
        point = text.size();
        text += '.';
    }
    std::string digits = text.substr(0, point) + text.substr(point + 1);
    size_t decimals = text.size() - point - 1;
    if (decimals > 4) {
        const bool up = digits[point + 4] >= '5';  // halves away from zero
        digits.resize(point + 4);
        decimals = 4;
        for (size_t i = digits.size(); up && i-- > 0;) {
            if (digits[i] == '9') {
                digits[i] = '0';
                if (i == 0) {
                    digits.insert(digits.begin(), '1');
                    ++point;
                }
            } else {
                ++digits[i];
                break;
            }
        }
    }
    std::string_view all(digits);
    std::string_view whole = all.substr(0, point);
    std::string_view fraction = all.substr(point);
    while (fraction.size() > 1 && fraction.back() == '0') fraction.remove_suffix(1);
    const bool zero = whole.find_first_not_of('0') == std::string_view::npos &&
                      fraction.find_first_not_of('0') == std::string_view::npos;
    std::string result;
    if (negative && !zero) result.push_back('-');
    result.append(whole.empty() ? std::string_view("0") : whole);
    result.push_back('.');
    result.append(fraction.empty() ? std::string_view("0") : fraction);
    return result;
}

float ClampSpinValue(float value, const TSpinLimits& limits) {
    if (limits.Min != 0 || limits.Max != 0) {
        if (value > limits.Max) value = limits.Max;
        if (!(value >= limits.Min)) value = limits.Min;  // NaN takes the minimum too
    }
    if (limits.PositiveOnly && value < 0) value = 0;
    return value;
}

void SetSpinMin(TSpinLimits& limits, float min) {
    limits.Min = min;
    if (limits.Max < min) limits.Max = min;
}

void SetSpinMax(TSpinLimits& limits, float max) {
    limits.Max = max < limits.Min ? limits.Min : max;
}

int32_t RoundSpinValue(float value) { return RoundHalfEven(value); }

int WrapSpinIndex(int index, int count, bool forward) {
    if (count <= 0) return -1;
    const int next = forward ? index + 1 : index - 1;
    return ((next % count) + count) % count;
}

// The inline editor: filters characters and turns Enter, Escape, Tab and the arrows into the
// field's commands.
class TSpinLineEdit final : public QLineEdit {
  public:
    TSpinLineEdit(THostSpinEdit2* owner) : QLineEdit(owner), owner_(owner) {}

  protected:
    bool event(QEvent* event) override {
        // Tab never reaches keyPressEvent: the focus chain takes it first.
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
                owner_->FinishEdit(true, key->key() == Qt::Key_Tab
                                             ? THostSpinEdit2::Move::Next
                                             : THostSpinEdit2::Move::Previous);
                return true;
            }
        }
        return QLineEdit::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                owner_->FinishEdit(true, THostSpinEdit2::Move::Stay);
                return;
            case Qt::Key_Escape:
                owner_->FinishEdit(false, THostSpinEdit2::Move::Stay);
                return;
            case Qt::Key_Down:
                owner_->FinishEdit(true, THostSpinEdit2::Move::Next);
                return;
            case Qt::Key_Up:
                owner_->FinishEdit(true, THostSpinEdit2::Move::Previous);
                return;
            default:
                break;
        }
        const QString text = event->text();
        if (!text.isEmpty() && text[0].isPrint()) {
            for (const QChar c : text) {
                if (!SpinAcceptsChar(c.unicode(), owner_->show_ == TSpinShow::Whole)) return;
            }
        }
        QLineEdit::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        owner_->FinishEdit(true, THostSpinEdit2::Move::Stay);
    }

  private:
    THostSpinEdit2* owner_;
};

THostSpinEdit2::THostSpinEdit2(QWidget* parent) : QWidget(parent) {
    setFont(ControlFont(8));
    resize(100, 16);
    setFocusPolicy(Qt::ClickFocus);
    repeat_ = new QTimer(this);
    connect(repeat_, &QTimer::timeout, this, [this] {
        repeat_->setInterval(50);
        Step(pressed_);
    });
}

void THostSpinEdit2::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}
void THostSpinEdit2::SetCaptionAlign(Qt::Alignment align) {
    captionAlign_ = align;
    update();
}
void THostSpinEdit2::SetCaptionColor(const QColor& color) {
    captionColor_ = color;
    update();
}
void THostSpinEdit2::SetEditorWidth(int width) {
    editorWidth_ = qMax(0, width);
    update();
}
void THostSpinEdit2::SetEditorColor(const QColor& color) {
    editorColor_ = color;
    update();
}
void THostSpinEdit2::SetEditorBorderStyle(TSpinBorder border) {
    border_ = border;
    update();
}

void THostSpinEdit2::SetMin(float min) {
    SetSpinMin(limits_, min);
    SetValueF(value_);
}
void THostSpinEdit2::SetMax(float max) {
    SetSpinMax(limits_, max);
    SetValueF(value_);
}
void THostSpinEdit2::SetPositiveOnly(bool on) {
    limits_.PositiveOnly = on;
    SetValueF(value_);
}

void THostSpinEdit2::SetValueF(float value) {
    value_ = ClampSpinValue(value, limits_);
    valueInt_ = RoundSpinValue(value_);
    update();
    Q_EMIT OnChange();
}

void THostSpinEdit2::SetShowValue(TSpinShow show) {
    show_ = show;
    update();
}
void THostSpinEdit2::SetLargeSpinButton(bool large) {
    largeButton_ = large;
    update();
}

QString THostSpinEdit2::DisplayText() const {
    if (show_ == TSpinShow::Whole) return QString::number(valueInt_);
    return QString::fromStdString(FormatSpinFloat(value_));
}

QRect THostSpinEdit2::ButtonRect() const {
    const int w = largeButton_ ? 13 : 9;
    return QRect(width() - w, 0, w, height());
}

QRect THostSpinEdit2::ValueRect() const {
    const QRect button = ButtonRect();
    const int w = qMin(editorWidth_, button.left());
    return QRect(button.left() - w, 0, w, height());
}

void THostSpinEdit2::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect value = ValueRect();
    if (!caption_.isEmpty()) {
        p.setPen(captionColor_);
        p.drawText(QRect(1, 0, value.left() - 2, height()), captionAlign_, caption_);
    }
    p.fillRect(value, editorColor_);
    if (border_ == TSpinBorder::Single) DrawBevel(p, value.adjusted(0, 0, -1, -1), false);
    if (editor_ == nullptr) {
        p.setPen(isEnabled() ? palette().color(QPalette::Text)
                             : palette().color(QPalette::Disabled, QPalette::Text));
        p.drawText(value.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, DisplayText());
    }
    // The two halves of the button: raised when idle, sunken while held, grey when disabled.
    const QRect button = ButtonRect();
    const int half = button.height() / 2;
    const QRect halves[2] = {QRect(button.left(), 0, button.width(), half),
                             QRect(button.left(), half, button.width(), button.height() - half)};
    for (int i = 0; i < 2; ++i) {
        const bool held = (i == 0 && pressed_ > 0) || (i == 1 && pressed_ < 0);
        p.fillRect(halves[i], palette().color(QPalette::Button));
        DrawBevel(p, halves[i].adjusted(0, 0, -1, -1), !held);
        const QColor arrow = isEnabled() ? QColor(Qt::black) : palette().color(QPalette::Dark);
        DrawTriangleGlyph(p, halves[i].adjusted(1, 1, -1, -1).translated(held ? 1 : 0, 0), i == 0,
                          arrow);
    }
}

void THostSpinEdit2::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) return;
    const QPoint at = event->position().toPoint();
    if (ButtonRect().contains(at)) {
        pressed_ = at.y() < height() / 2 ? 1 : -1;
        Step(pressed_);
        repeat_->start(400);
        update();
    } else if (ValueRect().contains(at)) {
        StartEdit();
    }
}

void THostSpinEdit2::mouseReleaseEvent(QMouseEvent*) {
    repeat_->stop();
    if (pressed_ != 0) {
        pressed_ = 0;
        update();
    }
}

void THostSpinEdit2::resizeEvent(QResizeEvent*) {
    if (editor_ != nullptr) editor_->setGeometry(ValueRect().adjusted(1, 1, -1, -1));
}

void THostSpinEdit2::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

void THostSpinEdit2::wheelEvent(QWheelEvent* event) {
    // One step per notch (120 eighths of a degree); fine-grained wheels add up to notches.
    wheel_ += event->angleDelta().y();
    const int notches = wheel_ / 120;
    wheel_ -= notches * 120;
    if (notches != 0 && isEnabled()) {
        if (editor_ != nullptr) FinishEdit(true, Move::Stay);
        Step(notches);
    }
    event->accept();
}

void THostSpinEdit2::Step(int direction) {
    if (direction == 0) return;
    SetValueF(value_ + static_cast<float>(direction) * increment_);
}

void THostSpinEdit2::StartEdit() {
    if (editor_ != nullptr || !isEnabled()) return;
    editor_ = new TSpinLineEdit(this);
    editor_->setFrame(false);
    editor_->setFont(font());
    editor_->setText(DisplayText());
    editor_->selectAll();
    editor_->setGeometry(ValueRect().adjusted(1, 1, -1, -1));
    editor_->show();
    editor_->setFocus(Qt::MouseFocusReason);
    update();
    Q_EMIT OnEnter();
}

void THostSpinEdit2::FinishEdit(bool commit, Move move) {
    if (editor_ == nullptr || finishing_) return;
    finishing_ = true;
    const std::optional<double> typed =
        ParseSpinText(editor_->text().toStdString(), show_ == TSpinShow::Whole);
    QLineEdit* closing = editor_;
    editor_ = nullptr;
    closing->hide();
    closing->deleteLater();
    finishing_ = false;
    if (commit && typed) SetValueF(static_cast<float>(*typed));
    update();
    Q_EMIT OnExit();
    if (move == Move::Stay || parentWidget() == nullptr) return;
    QList<THostSpinEdit2*> fields;
    for (THostSpinEdit2* field :
         parentWidget()->findChildren<THostSpinEdit2*>(Qt::FindDirectChildrenOnly)) {
        if (field == this || (field->isVisibleTo(parentWidget()) && field->isEnabled())) {
            fields.append(field);
        }
    }
    const int next = WrapSpinIndex(static_cast<int>(fields.indexOf(this)),
                                   static_cast<int>(fields.size()), move == Move::Next);
    if (next >= 0) fields[next]->StartEdit();
}

}  // namespace vandrel

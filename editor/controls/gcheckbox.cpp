#include "editor/controls/gcheckbox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "editor/controls/control_fonts.h"

namespace vandrel {

TGCheckBox::TGCheckBox(QWidget* parent) : QWidget(parent) {
    setFont(ControlFont(8));
    setFocusPolicy(Qt::StrongFocus);
    resize(120, 17);
}

void TGCheckBox::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TGCheckBox::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    update();
    Q_EMIT OnChange();
}

void TGCheckBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect box(1, (height() - 13) / 2, 13, 13);
    p.fillRect(box,
               isEnabled() ? palette().color(QPalette::Base) : palette().color(QPalette::Button));
    DrawBevel(p, box, false);
    DrawBevel(p, box.adjusted(1, 1, -1, -1), false);
    if (checked_) {
        // A tick of three-pixel strokes.
        p.setPen(QPen(palette().color(QPalette::Text), 2));
        p.setRenderHint(QPainter::Antialiasing, true);
        p.drawPolyline(
            QPolygon({QPoint(box.left() + 3, box.top() + 6), QPoint(box.left() + 5, box.top() + 9),
                      QPoint(box.left() + 10, box.top() + 3)}));
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(QRect(box.right() + 5, 0, width() - box.right() - 5, height()),
               Qt::AlignLeft | Qt::AlignVCenter, caption_);
    if (hasFocus()) {
        const int w = p.fontMetrics().horizontalAdvance(caption_);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        p.drawRect(QRect(box.right() + 3, 1, w + 4, height() - 3));
    }
}

void TGCheckBox::mouseReleaseEvent(QMouseEvent* event) {
    if (isEnabled() && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        SetChecked(!checked_);
    }
}

void TGCheckBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && isEnabled()) {
        SetChecked(!checked_);
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vandrel

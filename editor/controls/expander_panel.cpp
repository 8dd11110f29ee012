#include "editor/controls/expander_panel.h"

#include <QMouseEvent>
#include <QPainter>

#include "editor/controls/control_fonts.h"

namespace vandrel {

char ExpanderGlyph(bool expanded, bool bottomAligned, bool reversed) {
    const bool swapped = bottomAligned != reversed;
    return (expanded != swapped) ? '5' : '6';
}

std::string ExpanderHint(bool expanded, std::string_view autoHint) {
    std::string hint = expanded ? "Click to hide " : "Click to show ";
    hint += autoHint;
    return hint;
}

TExpanderPanel::TExpanderPanel(QWidget* parent) : QWidget(parent) {
    setFont(ControlFont(8));
    resize(200, kExpanderHeaderHeight);
    // A header in a layout keeps its own height.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    Apply();
}

void TExpanderPanel::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}
void TExpanderPanel::SetAutoHint(const QString& hint) {
    autoHint_ = hint;
    Apply();
}
void TExpanderPanel::SetExpanded(bool expanded) {
    if (expanded_ == expanded) return;
    expanded_ = expanded;
    Apply();
    Q_EMIT OnChange();
}
void TExpanderPanel::SetExpandedHeight(int height) {
    expandedHeight_ = qMax(0, height);
    Apply();
}
void TExpanderPanel::SetCollapsedHeight(int height) {
    collapsedHeight_ = qMax(0, height);
    Apply();
}
void TExpanderPanel::SetAttachedControl(QWidget* control) {
    attached_ = control;
    Apply();
}
void TExpanderPanel::SetReversed(bool reversed) {
    reversed_ = reversed;
    update();
}
void TExpanderPanel::SetBottomAligned(bool bottom) {
    bottom_ = bottom;
    update();
}

void TExpanderPanel::Apply() {
    if (attached_ != nullptr) {
        const int h = expanded_ ? expandedHeight_ : collapsedHeight_;
        attached_->setFixedHeight(h);
        attached_->setVisible(h > 0);
    }
    setToolTip(QString::fromStdString(ExpanderHint(expanded_, autoHint_.toStdString())));
    update();
}

void TExpanderPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const int h = qMin(height(), kExpanderHeaderHeight);
    const char glyph = ExpanderGlyph(expanded_, bottom_, reversed_);
    const QRect left(2, 0, 14, h);
    const QRect right(width() - 16, 0, 14, h);
    for (const QRect& area : {left, right}) {
        if (HasMarlettFont()) {
            QFont marlett(QStringLiteral("Marlett"));
            marlett.setPointSize(10);
            p.setFont(marlett);
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(area, Qt::AlignCenter, QString(QChar(glyph)));
        } else {
            DrawTriangleGlyph(p, area.adjusted(3, 5, -3, -5), glyph == '5',
                              palette().color(QPalette::WindowText));
        }
    }
    p.setFont(font());
    const int textWidth = p.fontMetrics().horizontalAdvance(caption_);
    const int textLeft = (width() - textWidth) / 2;
    const QRect text(textLeft, 0, textWidth + 1, h);
    // Engraved: the highlight one pixel below and right, the shadow on top.
    p.setPen(light);
    p.drawText(text.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, caption_);
    p.setPen(shadow);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, caption_);
    const int y = h / 2;
    const auto etch = [&](int x0, int x1) {
        if (x1 <= x0) return;
        p.setPen(shadow);
        p.drawLine(x0, y, x1, y);
        p.setPen(light);
        p.drawLine(x0, y + 1, x1, y + 1);
    };
    etch(left.right() + 3, textLeft - 5);
    etch(textLeft + textWidth + 5, right.left() - 3);
}

void TExpanderPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        SetExpanded(!expanded_);
    }
}

}  // namespace vandrel

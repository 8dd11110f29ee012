#include "editor/controls/cursors.h"

#include <QPainter>
#include <QPainterPath>

#include "core/value_kind.h"

namespace vandrel {

namespace {

QColor SignColor(int id) {
    switch (id) {
        case kCursorNoDragBlue:
        case kCursorDragOkBlue:
            return {0, 0, 255};
        case kCursorNoDragGreen:
        case kCursorDragOkGreen:
            return {0, 160, 0};
        default:
            return {200, 0, 200};
    }
}

void DrawArrow(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(0, 0);
    arrow.lineTo(0, 16);
    arrow.lineTo(4, 12);
    arrow.lineTo(7, 19);
    arrow.lineTo(9, 18);
    arrow.lineTo(6, 11);
    arrow.lineTo(11, 11);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPath(arrow);
}

}  // namespace

const char* EditorCursorName(int id) {
    switch (id) {
        case kCursorNoDragBlue:
            return "NODRAGBLUE";
        case kCursorNoDragGreen:
            return "NODRAGGreen";
        case kCursorNoDragMagenta:
            return "NODRAGMagenta";
        case kCursorDragOkBlue:
            return "DRAGOKBLUE";
        case kCursorDragOkGreen:
            return "DRAGOKGreen";
        case kCursorDragOkMagenta:
            return "DRAGOKMagenta";
        case kCursorNewComponent:
            return "NEWCOMPONENT";
        case kCursorPaste:
            return "PASTE";
        default:
            return "";
    }
}

QPixmap EditorCursorPixmap(int id) {
    if (id < kCursorNoDragBlue || id > kCursorPaste) return {};
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawArrow(p);
    const QRect sign(14, 14, 14, 14);
    if (id <= kCursorNoDragMagenta) {
        // A crossed-out circle: this input does not take the output.
        p.setPen(QPen(SignColor(id), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(sign);
        p.drawLine(sign.topLeft() + QPoint(3, 3), sign.bottomRight() - QPoint(3, 3));
    } else if (id <= kCursorDragOkMagenta) {
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(SignColor(id));
        p.drawEllipse(sign);
    } else if (id == kCursorNewComponent) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(14, 16, 14, 11);
        p.fillRect(15, 17, 13, 3, QColor(0, 0, 128));
        p.drawLine(21, 21, 21, 25);
        p.drawLine(19, 23, 23, 23);
    } else {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(160, 120, 60));
        p.drawRect(14, 15, 12, 14);
        p.setBrush(Qt::white);
        p.drawRect(17, 18, 10, 12);
        p.drawLine(19, 22, 25, 22);
        p.drawLine(19, 25, 25, 25);
    }
    return pixmap;
}

QCursor EditorCursor(int id) {
    const QPixmap pixmap = EditorCursorPixmap(id);
    return pixmap.isNull() ? QCursor(Qt::ArrowCursor) : QCursor(pixmap, 0, 0);
}

std::pair<int, int> DragCursorPair(int32_t outputKind) {
    switch (outputKind) {
        case kUV:
            return {kCursorDragOkBlue, kCursorNoDragBlue};
        case kNumerical:
            return {kCursorDragOkGreen, kCursorNoDragGreen};
        case kVector:
            return {kCursorDragOkMagenta, kCursorNoDragMagenta};
        default:
            return {-1, -1};
    }
}

}  // namespace vandrel

#include "editor/controls/control_fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPolygon>

namespace vandrel {

QFont ControlFont(int pointSize, bool bold) {
    static const bool hasTahoma = QFontDatabase::families().contains(QStringLiteral("Tahoma"));
    QFont font = hasTahoma ? QFont(QStringLiteral("Tahoma"))
                           : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

bool HasMarlettFont() {
    static const bool has = QFontDatabase::families().contains(QStringLiteral("Marlett"));
    return has;
}

void DrawTriangleGlyph(QPainter& painter, const QRect& area, bool up, const QColor& color) {
    // An odd base keeps the apex on a whole pixel.
    const int half = qMax(1, qMin(area.width() / 2 - 1, area.height() / 2));
    const int cx = area.left() + area.width() / 2;
    const int top = area.top() + (area.height() - half) / 2;
    QPolygon shape;
    if (up) {
        shape << QPoint(cx, top) << QPoint(cx + half, top + half) << QPoint(cx - half, top + half);
    } else {
        shape << QPoint(cx - half, top) << QPoint(cx + half, top) << QPoint(cx, top + half);
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(shape);
    painter.restore();
}

void DrawBevel(QPainter& painter, const QRect& rect, bool raised) {
    const QPalette palette = QGuiApplication::palette();
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    painter.save();
    painter.setPen(raised ? light : dark);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(raised ? dark : light);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.restore();
}

}  // namespace vandrel

// Fonts and small drawing helpers shared by the editor's own controls.
//
// The controls were designed for "Tahoma"; where it is not installed the system's sans-serif
// takes its place at the same point size, so that the pixel layouts still fit.
#pragma once

#include <QColor>
#include <QFont>

class QPainter;
class QRect;

namespace vandrel {

// "Tahoma" at the given size when installed, else the general system font at that size.
QFont ControlFont(int pointSize = 8, bool bold = false);

// The "Marlett" symbol font exists only on some systems; without it glyphs are drawn as shapes.
bool HasMarlettFont();

// A filled triangle inside the rectangle, pointing up or down: the Marlett "5" and "6".
void DrawTriangleGlyph(QPainter& painter, const QRect& area, bool up, const QColor& color);

// A one-pixel raised (or sunken) frame in the highlight and shadow colours.
void DrawBevel(QPainter& painter, const QRect& rect, bool raised);

}  // namespace vandrel

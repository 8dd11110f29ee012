// What the canvas's widgets share: colours, rectangles and dragged sources between the model's
// types and Qt's. Only the component window's own files include this.
#pragma once

#include <QApplication>
#include <QColor>
#include <QMimeData>
#include <QPalette>
#include <QRect>

#include "editor/component_window.h"

namespace vandrel::canvas_parts {

inline QColor ToQColor(TRgb c) { return {c.r, c.g, c.b}; }

inline QColor KindQColor(int32_t kind, bool integer = false) {
    const auto c = KindColor(kind, integer);
    return c ? ToQColor(*c) : QApplication::palette().color(QPalette::Button);
}

inline QRect ToQRect(const TRect& r) { return {r.left, r.top, r.Width(), r.Height()}; }

// The source container a drag carries; only compared with the model's containers, never
// dereferenced before it is found there.
inline const TXRComponentContainer* DraggedSource(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasFormat(kDragDotMime)) return nullptr;
    bool ok = false;
    const quintptr value = mime->data(kDragDotMime).toULongLong(&ok, 16);
    return ok ? reinterpret_cast<const TXRComponentContainer*>(value) : nullptr;
}

}  // namespace vandrel::canvas_parts

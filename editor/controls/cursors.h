// The editor's cursors 100 … 107, drawn in code: an arrow with a coloured sign.
#pragma once

#include <QCursor>
#include <QPixmap>
#include <cstdint>
#include <utility>

namespace vandrel {

enum EditorCursorId : int {
    kCursorNoDragBlue = 100,
    kCursorNoDragGreen = 101,
    kCursorNoDragMagenta = 102,
    kCursorDragOkBlue = 103,
    kCursorDragOkGreen = 104,
    kCursorDragOkMagenta = 105,
    kCursorNewComponent = 106,
    kCursorPaste = 107,
};

// The resource name of a cursor ("NODRAGBLUE" …); empty outside 100 … 107.
const char* EditorCursorName(int id);

// 32 × 32 with the arrow's tip at (0, 0); a null pixmap outside 100 … 107.
QPixmap EditorCursorPixmap(int id);
QCursor EditorCursor(int id);

// The pair a drag of this output kind shows: {accepting, refusing}; {-1, -1} for kinds that show
// the system's no-drop cursor.
std::pair<int, int> DragCursorPair(int32_t outputKind);

}  // namespace vandrel

// Where a manager panel puts the controls of a shader's interface.
//
// The panel is 264 pixels wide and split into 1 or 2 columns of 264 / c pixels. There is one
// control per file slot in use, then one per trigger in use in index order, a UV trigger giving
// two (its U control, then its V control). With two columns there are (count + 1) / 2 rows, else
// count; each row is 24 pixels. Cells are filled down then over (rows of a column first) or over
// then down (columns of a row first). A cell is 4 pixels narrower than its column and starts
// 4 pixels below its row's top.
//
// Height: rows x 24, plus 6 when there is a row, plus 19 when there is a notice text. The notice
// is drawn above the controls, so with a notice every cell moves 19 pixels down; without one the
// first row starts at 4.
//
// Colours travel to and from the colour dialogs as whole numbers 0 … 255: below 0 (or NaN) gives
// 0, 1 or more gives 255, anything between v x 255 rounded to the nearest integer (halves to
// even); back is n / 255.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/model/geometry.h"
#include "interface/interface_string.h"

namespace vandrel {

inline constexpr int kInterfacePanelWidth = 264;
inline constexpr int kInterfaceRowHeight = 24;
inline constexpr int kInterfaceBottomMargin = 6;
inline constexpr int kInterfaceNoticeHeight = 19;
inline constexpr int kInterfaceCellTop = 4;
inline constexpr int kInterfaceCellGap = 4;
// The part of a colour control that shows the colour and opens the dialog.
inline constexpr int kColorSwatchWidth = 54;

// Kind 8: a file slot.
inline constexpr int32_t kFileControl = kFile;

struct TInterfaceControl {
    int32_t Kind = kNumerical;  // 2, 3, 4 (shown as a colour), 6, or 8 for a file slot
    int Index = 0;              // trigger 0 … 19 or file slot 0 … 4
    int Part = 0;               // 1 for the V control of a UV trigger
    TRect Cell;
    bool operator==(const TInterfaceControl&) const = default;
};

struct TInterfaceLayout {
    int Columns = 2;
    char Order = 'D';
    std::string Notice;  // unescaped
    int ColumnWidth = kInterfacePanelWidth / 2;
    int Rows = 0;
    int Height = 0;
    std::vector<TInterfaceControl> Controls;
};

TInterfaceLayout LayoutInterface(const TInterfaceData& data);
TInterfaceLayout LayoutInterface(std::string_view interfaceString);

int ColorToByte(double fraction);
double ColorFromByte(int value);
// The fraction as the dialogs see it: through 0 … 255 and back.
double QuantiseColor(double fraction);

}  // namespace vandrel

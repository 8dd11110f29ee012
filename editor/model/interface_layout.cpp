#include "editor/model/interface_layout.h"

#include "core/numbers.h"
#include "core/stream_codec.h"

namespace vandrel {

namespace {

bool ShownTriggerKind(int32_t kind) {
    return kind == kNumerical || kind == kUV || kind == kVector || kind == kEnumeration;
}

}  // namespace

TInterfaceLayout LayoutInterface(const TInterfaceData& data) {
    TInterfaceLayout layout;
    layout.Columns = data.Options.Columns > 1 ? 2 : 1;
    layout.Order = data.Options.Order == 'O' ? 'O' : 'D';
    layout.Notice = UnescapeText(data.Options.NoticeText);
    layout.ColumnWidth = kInterfacePanelWidth / layout.Columns;

    for (size_t s = 0; s < data.Files.size(); ++s) {
        if (data.Files[s]) layout.Controls.push_back({kFileControl, static_cast<int>(s), 0, {}});
    }
    for (size_t i = 0; i < data.Triggers.size(); ++i) {
        if (!data.Triggers[i] || !ShownTriggerKind(data.Triggers[i]->Kind)) continue;
        const int32_t kind = data.Triggers[i]->Kind;
        layout.Controls.push_back({kind, static_cast<int>(i), 0, {}});
        if (kind == kUV) layout.Controls.push_back({kind, static_cast<int>(i), 1, {}});
    }

    const int count = static_cast<int>(layout.Controls.size());
    layout.Rows = layout.Columns == 2 ? (count + 1) / 2 : count;
    const bool notice = !layout.Notice.empty();
    layout.Height = layout.Rows * kInterfaceRowHeight +
                    (layout.Rows > 0 ? kInterfaceBottomMargin : 0) +
                    (notice ? kInterfaceNoticeHeight : 0);

    const int top = kInterfaceCellTop + (notice ? kInterfaceNoticeHeight : 0);
    int column = 0, row = 0;
    for (TInterfaceControl& control : layout.Controls) {
        const int left = column * layout.ColumnWidth;
        const int y = top + row * kInterfaceRowHeight;
        control.Cell = {left, y, left + layout.ColumnWidth - kInterfaceCellGap,
                        y + kInterfaceRowHeight};
        if (layout.Order == 'D') {
            if (++row == layout.Rows) row = 0, ++column;
        } else {
            if (++column == layout.Columns) column = 0, ++row;
        }
    }
    return layout;
}

TInterfaceLayout LayoutInterface(std::string_view interfaceString) {
    return LayoutInterface(ParseInterfaceString(interfaceString));
}

int ColorToByte(double fraction) {
    if (!(fraction >= 0)) return 0;
    if (fraction >= 1) return 255;
    return RoundHalfEven(fraction * 255);
}

double ColorFromByte(int value) { return value / 255.0; }

double QuantiseColor(double fraction) { return ColorFromByte(ColorToByte(fraction)); }

}  // namespace vandrel

// TImageGridSelect: the component palette. ImageGrid holds one image strip per row; the strip of
// ActiveRow is cut into Columns cells of equal width, laid out left to right and wrapped at the
// control's width.
//
// Tags and Hints are texts with rows separated by "|" and cells by ";". A tag is the cell's
// component type id; a missing or unreadable tag counts as 0. Clicking a cell sets ItemIndex (an
// index below -1 is stored as -1) and the control's Tag; the hint follows the cell under the
// pointer. Moving with the left button held outside the pressed cell drags the cell out as a
// TGridDrag with the "NEWCOMPONENT" cursor over targets that accept it; the drag's end clears
// ItemIndex.
#pragma once

#include <QImage>
#include <QMimeData>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

using TGridTexts = std::vector<std::vector<std::string>>;

TGridTexts SplitGridTexts(std::string_view text);
// Empty when the row or cell is missing.
std::string GridText(const TGridTexts& texts, int row, int cell);
int32_t GridTag(const TGridTexts& tags, int row, int cell);

struct TGridGeometry {
    int CellWidth = 0;
    int CellHeight = 0;
    int PerLine = 1;  // cells on one line
    int Count = 0;    // cells in the active row
};
// The cell at (x, y), or -1 outside every cell.
int GridCellAt(const TGridGeometry& geometry, int x, int y);
// The cells of a strip of the given width cut into columns, wrapped at the control's width.
TGridGeometry GridLayout(int stripWidth, int stripHeight, int columns, int controlWidth);

inline constexpr const char* kGridDragFormat = "application/x-vandrel-component";

// What a palette drag carries: the component type id of the cell.
class TGridDrag final : public QMimeData {
    Q_OBJECT

  public:
    explicit TGridDrag(int32_t typeId);
    int32_t TypeId() const { return typeId_; }
    // The type id a drop carries, or 0 when it is not a palette drag.
    static int32_t TypeIdOf(const QMimeData* data);

  private:
    int32_t typeId_;
};

class TImageGridSelect : public QWidget {
    Q_OBJECT

  public:
    explicit TImageGridSelect(QWidget* parent = nullptr);

    void SetImageGrid(std::vector<QImage> strips);
    int Rows() const { return static_cast<int>(strips_.size()); }
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    int ActiveRow() const { return activeRow_; }
    void SetActiveRow(int row);
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    void SetTags(const QString& tags);
    void SetHints(const QString& hints);
    int32_t Tag() const { return tag_; }

    TGridGeometry Geometry() const;
    QString HintAt(const QPoint& at) const;
    // The hint and the rectangle of a cell of the active row.
    QString HintOf(int cell) const;
    // What a drag of the pressed cell carries.
    QMimeData* DragData() const { return new TGridDrag(tag_); }
    QRect CellRect(int cell) const;

  Q_SIGNALS:
    void OnChange();
    // The hint of the cell under the pointer; empty when it leaves the cells.
    void HoverChanged(const QString& hint);

  protected:
    bool event(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void StartDrag();

    std::vector<QImage> strips_;
    int columns_ = 1;
    int activeRow_ = 0;
    int itemIndex_ = -1;
    int pressedCell_ = -1;
    int hoveredCell_ = -1;
    int32_t tag_ = 0;
    TGridTexts tags_;
    TGridTexts hints_;
};

}  // namespace vandrel

#include "editor/controls/image_grid_select.h"

#include <QDrag>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <charconv>

#include "editor/controls/cursors.h"

namespace vandrel {

namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return parts;
}

}  // namespace

TGridTexts SplitGridTexts(std::string_view text) {
    TGridTexts rows;
    if (text.empty()) return rows;
    for (const std::string& row : Split(text, '|')) rows.push_back(Split(row, ';'));
    return rows;
}

std::string GridText(const TGridTexts& texts, int row, int cell) {
    if (row < 0 || cell < 0 || row >= static_cast<int>(texts.size())) return {};
    const auto& cells = texts[row];
    return cell < static_cast<int>(cells.size()) ? cells[cell] : std::string();
}

int32_t GridTag(const TGridTexts& tags, int row, int cell) {
    const std::string text = GridText(tags, row, cell);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

int GridCellAt(const TGridGeometry& g, int x, int y) {
    if (g.CellWidth <= 0 || g.CellHeight <= 0 || g.PerLine <= 0 || x < 0 || y < 0) return -1;
    const int column = x / g.CellWidth;
    if (column >= g.PerLine) return -1;
    const long long cell = static_cast<long long>(y / g.CellHeight) * g.PerLine + column;
    return cell < g.Count ? static_cast<int>(cell) : -1;
}

TGridGeometry GridLayout(int stripWidth, int stripHeight, int columns, int controlWidth) {
    TGridGeometry g;
    if (columns <= 0 || stripWidth <= 0 || stripHeight <= 0) return g;
    g.CellWidth = stripWidth / columns;
    g.CellHeight = stripHeight;
    g.Count = g.CellWidth > 0 ? columns : 0;
    g.PerLine = g.CellWidth > 0 ? qMax(1, controlWidth / g.CellWidth) : 1;
    return g;
}

TGridDrag::TGridDrag(int32_t typeId) : typeId_(typeId) {
    setData(QString::fromLatin1(kGridDragFormat), QByteArray::number(typeId));
}

int32_t TGridDrag::TypeIdOf(const QMimeData* data) {
    if (data == nullptr) return 0;
    if (const auto* drag = qobject_cast<const TGridDrag*>(data)) return drag->TypeId();
    bool ok = false;
    const int32_t id = data->data(QString::fromLatin1(kGridDragFormat)).toInt(&ok);
    return ok ? id : 0;
}

TImageGridSelect::TImageGridSelect(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    resize(200, 32);
}

void TImageGridSelect::SetImageGrid(std::vector<QImage> strips) {
    strips_ = std::move(strips);
    SetActiveRow(activeRow_);
}

void TImageGridSelect::SetColumns(int columns) {
    columns_ = qMax(1, columns);
    update();
}

void TImageGridSelect::SetActiveRow(int row) {
    activeRow_ = strips_.empty() ? 0 : qBound(0, row, Rows() - 1);
    update();
}

void TImageGridSelect::SetItemIndex(int index) {
    itemIndex_ = index < -1 ? -1 : index;
    tag_ = itemIndex_ >= 0 ? GridTag(tags_, activeRow_, itemIndex_) : 0;
    update();
    Q_EMIT OnChange();
}

void TImageGridSelect::SetTags(const QString& tags) { tags_ = SplitGridTexts(tags.toStdString()); }
void TImageGridSelect::SetHints(const QString& hints) {
    hints_ = SplitGridTexts(hints.toStdString());
}

TGridGeometry TImageGridSelect::Geometry() const {
    if (strips_.empty()) return {};
    const QImage& strip = strips_[activeRow_];
    return GridLayout(strip.width(), strip.height(), columns_, width());
}

QString TImageGridSelect::HintAt(const QPoint& at) const {
    return HintOf(GridCellAt(Geometry(), at.x(), at.y()));
}

QString TImageGridSelect::HintOf(int cell) const {
    return cell < 0 ? QString() : QString::fromStdString(GridText(hints_, activeRow_, cell));
}

QRect TImageGridSelect::CellRect(int cell) const {
    const TGridGeometry g = Geometry();
    if (cell < 0 || cell >= g.Count) return {};
    return QRect((cell % g.PerLine) * g.CellWidth, (cell / g.PerLine) * g.CellHeight, g.CellWidth,
                 g.CellHeight);
}

void TImageGridSelect::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const TGridGeometry g = Geometry();
    if (g.Count == 0) return;
    const QImage& strip = strips_[activeRow_];
    for (int i = 0; i < g.Count; ++i) {
        const QRect target = CellRect(i);
        p.drawImage(target, strip, QRect(i * g.CellWidth, 0, g.CellWidth, g.CellHeight));
        if (i == itemIndex_) {
            p.setPen(palette().color(QPalette::Highlight));
            p.drawRect(target.adjusted(0, 0, -1, -1));
        }
    }
}

void TImageGridSelect::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    pressedCell_ = GridCellAt(Geometry(), at.x(), at.y());
    if (pressedCell_ >= 0) SetItemIndex(pressedCell_);
}

bool TImageGridSelect::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString hint = HintAt(help->pos());
        if (hint.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), hint, this);
        }
        return true;
    }
    return QWidget::event(event);
}

void TImageGridSelect::leaveEvent(QEvent* event) {
    if (hoveredCell_ >= 0) {
        hoveredCell_ = -1;
        Q_EMIT HoverChanged({});
    }
    QWidget::leaveEvent(event);
}

void TImageGridSelect::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const int cell = GridCellAt(Geometry(), at.x(), at.y());
    if (cell != hoveredCell_) {
        hoveredCell_ = cell;
        Q_EMIT HoverChanged(HintAt(at));
    }
    if ((event->buttons() & Qt::LeftButton) && pressedCell_ >= 0 && cell != pressedCell_) {
        StartDrag();
    }
}

void TImageGridSelect::mouseReleaseEvent(QMouseEvent*) { pressedCell_ = -1; }

void TImageGridSelect::StartDrag() {
    pressedCell_ = -1;
    auto* drag = new QDrag(this);
    drag->setMimeData(DragData());
    const QPixmap cursor = EditorCursorPixmap(kCursorNewComponent);
    drag->setDragCursor(cursor, Qt::CopyAction);
    drag->setDragCursor(cursor, Qt::MoveAction);
    drag->exec(Qt::CopyAction);
    SetItemIndex(-1);
}

}  // namespace vandrel

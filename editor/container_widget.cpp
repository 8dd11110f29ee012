// The widgets of one container on the canvas: its output dot, its collapse button and the
// container itself with its property bars.
#include <QApplication>
#include <QDrag>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include "editor/canvas_parts.h"
#include "editor/component_window.h"
#include "editor/controls/control_fonts.h"
#include "editor/controls/cursors.h"
#include "editor/controls/image_grid_select.h"
#include "editor/controls/progress_form.h"
#include "editor/controls/spin_edit.h"
#include "editor/editor_accessibility.h"
#include "editor/input_menu_widget.h"
#include "editor/property_bar.h"

namespace vandrel {

using namespace canvas_parts;

// ---- output dot -------------------------------------------------------------------------------

TXROutputDotWidget::TXROutputDotWidget(TXRComponentWindow& window, TXRComponentContainer& container,
                                       QWidget* parent)
    : QWidget(parent), window_(window), container_(container) {
    setGeometry(ToQRect(container.OutputDot.Bounds));
    setToolTip(QString::fromUtf8(container.OutputDot.Hint().data(),
                                 static_cast<qsizetype>(container.OutputDot.Hint().size())));
    setVisible(container.OutputDot.Visible);
}

void TXROutputDotWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(KindQColor(container_.OutputDot.Kind));
    painter.drawEllipse(QRectF(0.5, 0.5, 11, 11));
}

QMimeData* TXROutputDotWidget::DragData() {
    if (!dragDot_) {
        dragDot_ = std::make_unique<TXRDragDot>();
        dragDot_->OutputKind = container_.Component->OutputKind();
        dragDot_->OutputAddress = container_.Component->OutputAddress();
        dragDot_->Source = &container_;
    }
    auto* mime = new QMimeData;
    mime->setData(kDragDotMime,
                  QByteArray::number(reinterpret_cast<quintptr>(dragDot_->Source), 16));
    return mime;
}

void TXROutputDotWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    window_.CancelPlacement();
    auto* drag = new QDrag(this);
    drag->setMimeData(DragData());
    QPixmap image(12, 12);
    image.fill(Qt::transparent);
    render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    drag->setPixmap(image);
    drag->setHotSpot(QPoint(kDragHotSpot.x, kDragHotSpot.y));
    const auto [ok, no] = DragCursorPair(dragDot_->OutputKind);
    if (ok >= 0) {
        drag->setDragCursor(EditorCursorPixmap(ok), Qt::LinkAction);
        drag->setDragCursor(EditorCursorPixmap(no), Qt::IgnoreAction);
    }
    drag->exec(Qt::LinkAction);
}

// ---- collapse button --------------------------------------------------------------------------

TXRCollapseButton::TXRCollapseButton(QWidget* parent) : QWidget(parent) {
    setGeometry(ToQRect(kCollapseButtonRect));
    setCursor(Qt::ArrowCursor);
}

void TXRCollapseButton::SetCollapsed(bool collapsed) {
    collapsed_ = collapsed;
    update();
}

void TXRCollapseButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    // Up while open (fold away), down while folded (open again).
    DrawTriangleGlyph(painter, rect().adjusted(1, 2, -1, -2), !collapsed_, Qt::black);
}

void TXRCollapseButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT clicked();
}

// ---- container --------------------------------------------------------------------------------

TXRContainerWidget::TXRContainerWidget(TXRComponentWindow& window, TXRComponentContainer& container,
                                       QWidget* parent)
    : QWidget(parent), window_(window), container_(container) {
    setFont(ControlFont(8));
    setAcceptDrops(true);
    setFocusPolicy(Qt::ClickFocus);  // the Delete key reaches the window through it
    setAttribute(Qt::WA_OpaquePaintEvent);
    dot_ = new TXROutputDotWidget(window, container, this);
    collapse_ = new TXRCollapseButton(this);
    connect(collapse_, &TXRCollapseButton::clicked, this, [this] {
        window_.CancelPlacement();
        window_.Model().SetCollapsed(&container_, !container_.Collapsed);
    });
    std::vector<QString> names;
    for (size_t i = 0; i < container.Properties.size(); ++i) {
        bars_.push_back(std::make_unique<TXRPropertyBar>(this, window.Model(), container,
                                                         static_cast<int32_t>(i)));
        names.push_back(QString::fromStdString(container.Properties[i].Name));
    }
    const std::vector<QString> shown = FittedNames(names, QFontMetrics(font()), kNameWidth);
    for (size_t i = 0; i < bars_.size(); ++i) bars_[i]->WholeEditor()->SetShownName(shown[i]);
    SyncFromModel();
}

TXRContainerWidget::~TXRContainerWidget() { bars_.clear(); }

void TXRContainerWidget::SyncFromModel() {
    const QPoint at = window_.ToCanvas({container_.Left, container_.Top});
    setGeometry(at.x(), at.y(), container_.Width, container_.Height);
    dot_->setVisible(container_.OutputDot.Visible);
    collapse_->setVisible(container_.CollapseButton);
    collapse_->SetCollapsed(container_.Collapsed);
    for (size_t i = 0; i < bars_.size(); ++i) {
        const TPropertyState& p = container_.Properties[i];
        bars_[i]->Place(p.Top, p.Height());
        bars_[i]->SetVisible(!container_.Collapsed);
        bars_[i]->Refresh();
    }
    update();
}

void TXRContainerWidget::RefreshProperty(int32_t prop) {
    if (prop >= 0 && static_cast<size_t>(prop) < bars_.size()) {
        bars_[static_cast<size_t>(prop)]->Refresh();
    }
    update();
}

bool TXRContainerWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPoint p = help->pos();
        if (p.x() >= 2 && p.x() <= width() - 2 && p.y() < 16) {
            QToolTip::showText(help->globalPos(), QString::fromStdString(container_.TitleHint()),
                               this);
            container_.HintShown = true;
        } else {
            QToolTip::hideText();
            container_.HintShown = false;
        }
        return true;
    }
    return QWidget::event(event);
}

void TXRContainerWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Button));
    DrawBevel(painter, rect(), true);
    const QRect title(2, 2, width() - 4, 14);
    painter.fillRect(title,
                     container_.Selected ? pal.color(QPalette::Highlight) : QColor(128, 128, 128));
    QFont bold = ControlFont(8, true);
    painter.setFont(bold);
    painter.setPen(Qt::white);
    const int x = container_.OutputDot.Visible ? 16 : 3;
    const int right = container_.CollapseButton ? kCollapseButtonRect.left - 1 : width() - 3;
    painter.drawText(QRect(x, 2, right - x, 14), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(container_.Title()));
    if (container_.Collapsed) return;
    for (const TPropertyState& p : container_.Properties) {
        painter.fillRect(QRect(kBarLeft, p.Top, kInputLaneWidth, p.Height()),
                         KindQColor(p.Kind, p.IsInteger));
    }
}

void TXRContainerWidget::mousePressEvent(QMouseEvent* event) {
    // The middle button and Space pan: the canvas beneath takes them.
    if (event->button() != Qt::LeftButton || window_.PanKeyHeld()) {
        event->ignore();
        return;
    }
    TXRGraphModel& model = window_.Model();
    if (window_.TakePasteClick(mapTo(window_.Canvas(), event->position().toPoint()))) return;
    if (model.PendingType >= 0) {
        // Placement clicks land on the canvas even over a container.
        const TPoint at = window_.ToModel(mapTo(window_.Canvas(), event->position().toPoint()));
        model.Place(at.x, at.y);
        window_.CancelPlacement();
        window_.UpdateExtents();
        return;
    }
    // A connected input's end takes its wire; the canvas follows the drag.
    if (window_.TakeInputEnd(mapTo(window_.Canvas(), event->position().toPoint()))) return;
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) {
        model.ToggleSelection(&container_);
        return;
    }
    model.PressSelect(&container_);
    setFocus();
    moving_ = true;
    container_.Moving = true;
    pressPoint_ = mapTo(window_.Canvas(), event->position().toPoint());
}

void TXRContainerWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!moving_) {
        event->ignore();
        return;
    }
    const QPoint at = window_.ClampToClient(mapTo(window_.Canvas(), event->position().toPoint()));
    window_.SetMoveOffset(true, at - pressPoint_);
}

void TXRContainerWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!moving_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    moving_ = false;
    container_.Moving = false;
    const QPoint at = window_.ClampToClient(mapTo(window_.Canvas(), event->position().toPoint()));
    const QPoint offset = at - pressPoint_;
    window_.SetMoveOffset(false, {});
    if (!offset.isNull()) window_.Model().MoveSelected(offset.x(), offset.y());
    window_.UpdateExtents();
}

TLinkCheck TXRContainerWidget::CheckDrop(const QMimeData* mime, QPoint local, int32_t* prop,
                                         int32_t* part) const {
    TXRGraphModel& model = window_.Model();
    const TXRComponentContainer* source = DraggedSource(mime);
    if (source == nullptr) return TLinkCheck::kNoOutput;
    int32_t p = 0;
    int32_t k = kWholeProperty;
    if (!model.InputAt(&container_, {local.x(), local.y()}, p, k)) return TLinkCheck::kNoSuchInput;
    if (prop != nullptr) *prop = p;
    if (part != nullptr) *part = k;
    // CheckLink finds the source among the containers before it reads it.
    return model.CheckLink(source, &container_, p, k);
}

void TXRContainerWidget::dragEnterEvent(QDragEnterEvent* event) {
    // A palette tile dropped over a container lands on the canvas at that point.
    if (TGridDrag::TypeIdOf(event->mimeData()) > 0 || event->mimeData()->hasFormat(kDragDotMime)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TXRContainerWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (TGridDrag::TypeIdOf(event->mimeData()) > 0) {
        event->acceptProposedAction();
        return;
    }
    const bool ok =
        CheckDrop(event->mimeData(), event->position().toPoint()) == TLinkCheck::kAccepted;
    if (ok) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TXRContainerWidget::dropEvent(QDropEvent* event) {
    if (TGridDrag::TypeIdOf(event->mimeData()) > 0) {
        if (window_.PlaceDropped(event->mimeData(),
                                 mapTo(window_.Canvas(), event->position().toPoint()))) {
            event->acceptProposedAction();
        }
        return;
    }
    int32_t prop = 0;
    int32_t part = kWholeProperty;
    if (CheckDrop(event->mimeData(), event->position().toPoint(), &prop, &part) !=
        TLinkCheck::kAccepted) {
        event->ignore();
        return;
    }
    TXRGraphModel& model = window_.Model();
    const TXRComponentContainer* dragged = DraggedSource(event->mimeData());
    for (const auto& c : model.Containers()) {
        if (c.get() == dragged && model.Connect(c.get(), &container_, prop, part) != nullptr) {
            event->setDropAction(Qt::LinkAction);
            event->accept();
            return;
        }
    }
    event->ignore();
}

}  // namespace vandrel

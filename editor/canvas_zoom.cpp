// Zoom and pan of the canvas. At 100 % the containers are their live widgets; at any other scale
// the widgets are hidden, the canvas paints their pictures through the scale, and presses, moves
// and drops over them are answered here through the model's own hit tests (ContainerAt, InputAt,
// CheckLink), so that selecting, moving, wiring and placing work the same at every scale.
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "editor/component_window.h"
#include "editor/controls/cursors.h"
#include "editor/model/arrange.h"
#include "editor/model/wire_hit.h"

namespace vandrel {
namespace {

const TXRComponentContainer* DraggedSource(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasFormat(kDragDotMime)) return nullptr;
    bool ok = false;
    const quintptr value = mime->data(kDragDotMime).toULongLong(&ok, 16);
    return ok ? reinterpret_cast<const TXRComponentContainer*>(value) : nullptr;
}

}  // namespace

TPoint TXRComponentWindow::ToModel(QPoint canvasPoint) const {
    return zoom_.ToLayout({canvasPoint.x(), canvasPoint.y()});
}

QPoint TXRComponentWindow::ToCanvas(TPoint modelPoint) const {
    const TPoint p = zoom_.ToCanvas(modelPoint);
    return {p.x, p.y};
}

void TXRComponentWindow::SetZoom(double scale, QPoint anchor) {
    scale = TViewZoom::Clamped(scale);
    if (scale == zoom_.Scale) return;
    const TPoint scroll{horizontalScrollBar()->value(), verticalScrollBar()->value()};
    const TPoint to =
        AnchoredScroll(scroll, {anchor.x(), anchor.y()}, zoom_.Scale, scale, kViewMargin);
    zoom_.Scale = scale;
    ApplyZoom();
    horizontalScrollBar()->setValue(to.x);
    verticalScrollBar()->setValue(to.y);
}

void TXRComponentWindow::ApplyZoom() {
    const bool live = !Scaled() && !model_.Rebuilding();
    for (const auto& [container, widget] : widgets_) {
        widget->SyncFromModel();
        widget->setVisible(live);
    }
    UpdateExtents();
    canvas_->update();
    overlay_->update();
}

void TXRComponentWindow::FrameAll() {
    TRect all;
    bool any = false;
    for (const auto& c : model_.Containers()) {
        const TRect b = c->Bounds();
        all = any ? TRect{std::min(all.left, b.left), std::min(all.top, b.top),
                          std::max(all.right, b.right), std::max(all.bottom, b.bottom)}
                  : b;
        any = true;
    }
    if (!any) return;
    const TFraming f = FrameRect(all, viewport()->width(), viewport()->height(), kViewMargin);
    zoom_.Scale = f.Scale;
    ApplyZoom();
    horizontalScrollBar()->setValue(f.Scroll.x);
    verticalScrollBar()->setValue(f.Scroll.y);
}

void TXRComponentWindow::FrameSelected() {
    TRect all;
    bool any = false;
    for (const auto& c : model_.Containers()) {
        if (!c->Selected) continue;
        const TRect b = c->Bounds();
        all = any ? TRect{std::min(all.left, b.left), std::min(all.top, b.top),
                          std::max(all.right, b.right), std::max(all.bottom, b.bottom)}
                  : b;
        any = true;
    }
    if (!any) {
        FrameAll();
        return;
    }
    // One box is shown at no more than 100 %: framing is for finding it, not for magnifying it.
    TFraming f = FrameRect(all, viewport()->width(), viewport()->height(), kViewMargin);
    if (f.Scale > 1.0) {
        f = FrameRect(all.Inflated(std::max(0, (viewport()->width() - all.Width()) / 2)),
                      viewport()->width(), viewport()->height(), kViewMargin, 0);
        f.Scale = std::min(f.Scale, 1.0);
    }
    zoom_.Scale = TViewZoom::Clamped(f.Scale);
    ApplyZoom();
    const QPoint centre = ToCanvas({(all.left + all.right) / 2, (all.top + all.bottom) / 2});
    horizontalScrollBar()->setValue(std::max(0, centre.x() - viewport()->width() / 2));
    verticalScrollBar()->setValue(std::max(0, centre.y() - viewport()->height() / 2));
}

bool TXRComponentWindow::ViewKey(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier) return false;
    switch (event->key()) {
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) {
                spaceHeld_ = true;
                spacePanned_ = false;
            }
            return true;
        case Qt::Key_Home:
            FrameAll();
            return true;
        case Qt::Key_F:
            FrameSelected();
            return true;
        default:
            return false;
    }
}

void TXRComponentWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && spaceHeld_) {
        spaceHeld_ = false;
        panning_ = false;
        canvas_->unsetCursor();
        // Space pressed and let go without a drag: search to add.
        if (!spacePanned_) SearchToAdd();
        return;
    }
    QScrollArea::keyReleaseEvent(event);
}

void TXRComponentWindow::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QScrollArea::wheelEvent(event);
        return;
    }
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->accept();
        return;
    }
    double scale = zoom_.Scale;
    for (int i = 0; i < std::abs(notches); ++i)
        scale = notches > 0 ? scale * kZoomStep : scale / kZoomStep;
    // Whole percentages near 100 % snap to it, so that the live widgets come back.
    if (std::abs(scale - 1.0) < 0.01) scale = 1.0;
    SetZoom(scale, viewport()->mapFrom(this, event->position().toPoint()));
    event->accept();
}

bool TXRComponentWindow::viewportEvent(QEvent* event) {
    // Ctrl + wheel anywhere on the canvas, over a container or a field too, zooms.
    if (event->type() == QEvent::Wheel &&
        (static_cast<QWheelEvent*>(event)->modifiers() & Qt::ControlModifier)) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QScrollArea::viewportEvent(event);
}

bool TXRComponentWindow::CanvasPress(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        panning_ = true;
        spacePanned_ = true;
        panFrom_ = event->globalPosition().toPoint();
        canvas_->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    if (event->button() != Qt::LeftButton || Pasting() || model_.PendingType >= 0) return false;
    if (TakeInputEnd(at)) return true;
    TXRComponentContainer* c = model_.ContainerAt(ToModel(at));
    if (c == nullptr) {
        // Empty canvas: a wire under the pointer is selected, else a band starts.
        model_.ClearSelection();
        canvas_->setFocus();
        const int32_t tolerance = std::max(3, static_cast<int32_t>(3 / zoom_.Scale));
        wire_ = ConnectionAt(model_, ToModel(at), tolerance);
        if (wire_ == nullptr) {
            banding_ = true;
            bandFrom_ = bandTo_ = at;
        }
        canvas_->update();
        return true;
    }
    if (!Scaled()) return false;
    const TPoint local = ToModel(at);
    const TPoint inside{local.x - c->Left, local.y - c->Top};
    if (c->OutputDot.Visible && c->OutputDot.Bounds.Contains(inside)) {
        // A wire from the painted dot, as from the live one.
        if (TXRContainerWidget* w = WidgetOf(c)) {
            if (auto* dot = w->findChild<TXROutputDotWidget*>()) {
                auto* drag = new QDrag(canvas_);
                drag->setMimeData(dot->DragData());
                drag->exec(Qt::LinkAction);
            }
        }
        return true;
    }
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) {
        model_.ToggleSelection(c);
        return true;
    }
    model_.PressSelect(c);
    canvas_->setFocus();
    pressed_ = c;
    pressAt_ = at;
    c->Moving = true;
    return true;
}

void TXRComponentWindow::CanvasMove(QMouseEvent* event) {
    if (DragWireEnd(event->position().toPoint())) return;
    if (panning_) {
        const QPoint now = event->globalPosition().toPoint();
        const QPoint d = now - panFrom_;
        panFrom_ = now;
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - d.x());
        verticalScrollBar()->setValue(verticalScrollBar()->value() - d.y());
        return;
    }
    if (banding_) {
        bandTo_ = ClampToClient(event->position().toPoint());
        overlay_->raise();
        overlay_->update();
        return;
    }
    if (pressed_ != nullptr) {
        const QPoint at = ClampToClient(event->position().toPoint());
        const TPoint from = ToModel(pressAt_);
        const TPoint to = ToModel(at);
        SetMoveOffset(true, QPoint(to.x - from.x, to.y - from.y));
    }
}

void TXRComponentWindow::CanvasRelease(QMouseEvent* event) {
    if (panning_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panning_ = false;
        if (spaceHeld_) {
            canvas_->setCursor(Qt::OpenHandCursor);
        } else {
            canvas_->unsetCursor();
        }
        return;
    }
    if (event->button() == Qt::LeftButton && DropWireEnd(event->position().toPoint())) return;
    if (banding_ && event->button() == Qt::LeftButton) {
        banding_ = false;
        bandTo_ = ClampToClient(event->position().toPoint());
        const TPoint a = ToModel(bandFrom_);
        const TPoint b = ToModel(bandTo_);
        overlay_->update();
        if (std::abs(b.x - a.x) < 3 && std::abs(b.y - a.y) < 3) return;  // a click
        // The first one met becomes the active container, as a Shift click would make it.
        for (TXRComponentContainer* c : ContainersIn(model_, {a.x, a.y, b.x, b.y})) {
            if (!c->Selected) model_.ToggleSelection(c);
        }
        return;
    }
    if (pressed_ != nullptr && event->button() == Qt::LeftButton) {
        TXRComponentContainer* c = pressed_;
        pressed_ = nullptr;
        if (model_.IndexOf(c) >= 0) c->Moving = false;
        const QPoint at = ClampToClient(event->position().toPoint());
        const TPoint from = ToModel(pressAt_);
        const TPoint to = ToModel(at);
        SetMoveOffset(false, {});
        if (from.x != to.x || from.y != to.y) model_.MoveSelected(to.x - from.x, to.y - from.y);
        UpdateExtents();
    }
}

bool TXRComponentWindow::CanvasDoubleClick(QMouseEvent* event) {
    if (!Scaled() || event->button() != Qt::LeftButton) return false;
    const QPoint at = event->position().toPoint();
    if (model_.ContainerAt(ToModel(at)) == nullptr) return false;
    // Back to 100 % about the box, whose fields then take typing again.
    SetZoom(1.0, canvas_->mapTo(viewport(), at));
    return true;
}

TXRComponentConnection* TXRComponentWindow::SelectedWire() const {
    for (const auto& conn : model_.Connections()) {
        if (conn.get() == wire_) return wire_;
    }
    return nullptr;
}

void TXRComponentWindow::Arrange() {
    CancelPlacement();
    ArrangeGraph(model_);
    UpdateExtents();
    FrameAll();
}

void TXRComponentWindow::PaintScaled(QPainter& painter) {
    if (TXRComponentConnection* wire = SelectedWire()) {
        // The selected wire stands out in white, under its own lines.
        const TPath points = wire->CanvasPoints();
        QPolygon line;
        for (const TPoint& p : points) line << QPoint(p.x, p.y);
        painter.setPen(QPen(Qt::white, 3));
        painter.drawPolyline(line);
        DrawConnection(painter, *wire);
    }
    if (!Scaled()) return;
    // The painter is in layout coordinates already; each container's picture goes to its box.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_.Scale < 1.0);
    for (const auto& c : model_.Containers()) {
        TXRContainerWidget* w = WidgetOf(c.get());
        if (w == nullptr) continue;
        painter.drawPixmap(QRect(c->Left, c->Top, c->Width, c->Height), w->grab());
    }
}

TLinkCheck TXRComponentWindow::DropOnPainted(const QMimeData* mime, QPoint canvasPoint, bool link) {
    const TPoint at = ToModel(canvasPoint);
    TXRComponentContainer* target = model_.ContainerAt(at);
    const TXRComponentContainer* dragged = DraggedSource(mime);
    if (target == nullptr || dragged == nullptr) return TLinkCheck::kNoSuchInput;
    int32_t prop = 0;
    int32_t part = kWholeProperty;
    if (!model_.InputAt(target, {at.x - target->Left, at.y - target->Top}, prop, part)) {
        return TLinkCheck::kNoSuchInput;
    }
    const TLinkCheck check = model_.CheckLink(dragged, target, prop, part);
    if (check != TLinkCheck::kAccepted || !link) return check;
    for (const auto& c : model_.Containers()) {
        if (c.get() == dragged) model_.Connect(c.get(), target, prop, part);
    }
    return check;
}

}  // namespace vandrel

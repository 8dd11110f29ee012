// Wire editing by dragging a wire's input end: a press on a connected input (its mark near the
// box's right edge, or the wire's arrow beside it) takes the wire; released on empty canvas the
// link is removed, released on another input the wire moves there as one edit, released anywhere
// else it stays. A press that does not move selects the wire, as a click on its line does. The
// hit tests are the model's, so the drag works the same at every scale.
#include <QMouseEvent>
#include <QPainter>

#include "editor/component_window.h"
#include "editor/model/wire_hit.h"

namespace vandrel {
namespace {

// A press that moves less than this is a click.
constexpr int kDragStart = 3;

QColor Colour(TRgb c) { return {c.r, c.g, c.b}; }

}  // namespace

bool TXRComponentWindow::TakeInputEnd(QPoint canvasPoint) {
    TXRComponentConnection* wire = InputEndAt(model_, ToModel(canvasPoint));
    if (wire == nullptr) return false;
    detaching_ = wire;
    detachFrom_ = detachTo_ = canvasPoint;
    detachMoved_ = false;
    canvas_->setFocus();
    return true;
}

TXRComponentConnection* TXRComponentWindow::DraggedWire() const {
    for (const auto& conn : model_.Connections()) {
        if (conn.get() == detaching_) return detaching_;
    }
    return nullptr;
}

bool TXRComponentWindow::DragWireEnd(QPoint canvasPoint) {
    if (detaching_ == nullptr) return false;
    detachTo_ = ClampToClient(canvasPoint);
    if (!detachMoved_ && (detachTo_ - detachFrom_).manhattanLength() >= kDragStart) {
        detachMoved_ = true;
        canvas_->update();
    }
    overlay_->raise();
    overlay_->update();
    return true;
}

bool TXRComponentWindow::DropWireEnd(QPoint canvasPoint) {
    if (detaching_ == nullptr) return false;
    TXRComponentConnection* wire = DraggedWire();
    detaching_ = nullptr;
    overlay_->update();
    canvas_->update();
    if (wire == nullptr) return true;  // gone meanwhile
    if (!detachMoved_ && (canvasPoint - detachFrom_).manhattanLength() < kDragStart) {
        wire_ = wire;
        canvas_->update();
        return true;
    }
    const TPoint at = ToModel(ClampToClient(canvasPoint));
    if (InputEndAt(model_, at) == wire) return true;  // back where it was
    TXRComponentContainer* target = model_.ContainerAt(at);
    if (target == nullptr) {
        model_.DisconnectInput(wire->Target, wire->Property, wire->Part);
    } else if (int32_t prop = 0, part = kWholeProperty;
               model_.InputAt(target, {at.x - target->Left, at.y - target->Top}, prop, part)) {
        // A refused input leaves the wire as it was.
        model_.MoveConnection(wire, target, prop, part);
    }
    canvas_->update();
    return true;
}

void TXRComponentWindow::PaintDraggedWire(QPainter& painter) {
    const TXRComponentConnection* wire = DraggedWire();
    if (wire == nullptr || !detachMoved_) return;
    // The painter is in layout coordinates: from the output to the pointer.
    const TPoint out = wire->Source->OutputPoint();
    const TPoint to = ToModel(detachTo_);
    painter.setPen(QPen(Colour(LighterColor(wire->Color)), 2, Qt::DashLine));
    painter.drawLine(QPoint(out.x, out.y), QPoint(to.x, to.y));
    painter.setPen(QPen(Colour(wire->Color), 1));
    painter.setBrush(Colour(wire->Color));
    painter.drawEllipse(QPoint(to.x, to.y), 3, 3);
    painter.setBrush(Qt::NoBrush);
}

}  // namespace vandrel

#include "editor/component_window.h"

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

namespace {

class TOverlay final : public QWidget {
  public:
    TOverlay(TXRComponentWindow& window, QWidget* parent) : QWidget(parent), window_(window) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        window_.PaintOverlay(painter);
    }

  private:
    TXRComponentWindow& window_;
};

}  // namespace

void DrawConnection(QPainter& painter, const TXRComponentConnection& connection) {
    const TPath points = connection.CanvasPoints();
    if (points.size() < 2) return;
    QPolygon line;
    for (const TPoint& p : points) line << QPoint(p.x, p.y);
    const QColor color = ToQColor(connection.Color);
    const QColor light = ToQColor(LighterColor(connection.Color));
    const QColor grey(128, 128, 128);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The shadow darkens what lies beneath it.
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.setPen(QPen(grey, 1));
    painter.drawPolyline(line.translated(2, 2));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(color, 1));
    painter.drawPolyline(line.translated(1, 1));
    painter.setPen(QPen(light, 1));
    painter.drawPolyline(line);
    static constexpr const char* kArrow[7] = {"0010", "0113", "1111", "2222",
                                              "0223", "0023", "0003"};
    const TPoint end = points.front();
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 4; ++col) {
            const char code = kArrow[row][col];
            if (code == '0') continue;
            painter.setPen(code == '1' ? light : code == '2' ? color : grey);
            painter.drawPoint(end.x + 3 + col, end.y - 2 + row);
        }
    }
    painter.restore();
}

// ---- canvas -----------------------------------------------------------------------------------

TXRCanvas::TXRCanvas(TXRComponentWindow& window) : window_(window) {
    setAccessibleName(QStringLiteral("Shader graph"));
    setToolTip(QString::fromUtf8(kCanvasHint));
    setAutoFillBackground(true);
    setAcceptDrops(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kCanvasColor);
    setPalette(pal);
}

void TXRCanvas::dragEnterEvent(QDragEnterEvent* event) {
    // Palette tiles, and wires whose end is dropped on empty canvas (search to add).
    if (TGridDrag::TypeIdOf(event->mimeData()) > 0 || event->mimeData()->hasFormat(kDragDotMime)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TXRCanvas::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->mimeData()->hasFormat(kDragDotMime) &&
        window_.Model().ContainerAt(window_.ToModel(at)) != nullptr) {
        // Over a painted container (other scales): only an input that takes it.
        if (window_.DropOnPainted(event->mimeData(), at, false) == TLinkCheck::kAccepted) {
            event->setDropAction(Qt::LinkAction);
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    if (TGridDrag::TypeIdOf(event->mimeData()) > 0 || event->mimeData()->hasFormat(kDragDotMime)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TXRCanvas::dropEvent(QDropEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->mimeData()->hasFormat(kDragDotMime) &&
        window_.Model().ContainerAt(window_.ToModel(at)) != nullptr) {
        if (window_.DropOnPainted(event->mimeData(), at, true) == TLinkCheck::kAccepted) {
            event->setDropAction(Qt::LinkAction);
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    if (window_.PlaceDropped(event->mimeData(), at) ||
        window_.OfferLinkedSearch(event->mimeData(), at)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TXRCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.scale(window_.Zoom(), window_.Zoom());
    painter.translate(kViewMargin, kViewMargin);
    TXRGraphModel& model = window_.Model();
    if (model.RootContainer() != nullptr) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(192, 192, 192));
        painter.drawRoundedRect(ToQRect(model.RootMarkerBounds()), 10, 10);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    const TXRComponentConnection* lifted = window_.LiftedWire();
    for (const auto& conn : model.Connections()) {
        if (conn->Visible && conn.get() != lifted) DrawConnection(painter, *conn);
    }
    window_.PaintScaled(painter);
}

void TXRCanvas::mousePressEvent(QMouseEvent* event) {
    if (window_.CanvasPress(event)) return;
    if (event->button() != Qt::LeftButton) return;
    TXRGraphModel& model = window_.Model();
    if (window_.TakePasteClick(event->position().toPoint())) return;
    if (model.PendingType >= 0) {
        const TPoint at = window_.ToModel(event->position().toPoint());
        model.Place(at.x, at.y);
        window_.CancelPlacement();
        window_.UpdateExtents();
        return;
    }
    model.ClearSelection();
    setFocus();
}

void TXRCanvas::mouseMoveEvent(QMouseEvent* event) { window_.CanvasMove(event); }

void TXRCanvas::mouseReleaseEvent(QMouseEvent* event) { window_.CanvasRelease(event); }

void TXRCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!window_.CanvasDoubleClick(event)) QWidget::mouseDoubleClickEvent(event);
}

// ---- window -----------------------------------------------------------------------------------

TXRComponentWindow::TXRComponentWindow(TXRGraphModel& model, QWidget* parent)
    : QScrollArea(parent), model_(model) {
    InstallEditorAccessibility();
    setFont(ControlFont(8));
    setFocusPolicy(Qt::StrongFocus);
    canvas_ = new TXRCanvas(*this);
    canvas_->setFocusPolicy(Qt::ClickFocus);
    overlay_ = new TOverlay(*this, canvas_);
    setWidget(canvas_);
    setWidgetResizable(false);
    model_.AddObserver(this);
    for (const auto& c : model_.Containers()) ContainerAdded(*c);
    UpdateExtents();
}

TXRComponentWindow::~TXRComponentWindow() { model_.RemoveObserver(this); }

TXRContainerWidget* TXRComponentWindow::WidgetOf(const TXRComponentContainer* container) const {
    const auto it = widgets_.find(container);
    return it != widgets_.end() ? it->second : nullptr;
}

void TXRComponentWindow::BeginPlacement(int32_t typeId) {
    model_.BeginPlacement(typeId);
    canvas_->setCursor(EditorCursor(kCursorNewComponent));
}

void TXRComponentWindow::CancelPlacement() {
    model_.CancelPlacement();
    paste_ = nullptr;
    detaching_ = nullptr;
    overlay_->update();
    canvas_->update();
    canvas_->unsetCursor();
}

void TXRComponentWindow::BeginPaste(std::function<void(QPoint)> handler) {
    model_.CancelPlacement();
    paste_ = std::move(handler);
    canvas_->setCursor(EditorCursor(kCursorPaste));
}

bool TXRComponentWindow::PlaceDropped(const QMimeData* mime, QPoint canvasPoint) {
    const int32_t typeId = TGridDrag::TypeIdOf(mime);
    if (typeId <= 0) return false;
    paste_ = nullptr;
    model_.BeginPlacement(typeId);
    const TPoint at = ToModel(canvasPoint);
    TXRComponentContainer* placed = model_.Place(at.x, at.y);
    CancelPlacement();
    UpdateExtents();
    return placed != nullptr;
}

bool TXRComponentWindow::TakePasteClick(QPoint canvasPoint) {
    if (!paste_) return false;
    const std::function<void(QPoint)> handler = std::move(paste_);
    paste_ = nullptr;
    canvas_->unsetCursor();
    const TPoint at = ToModel(canvasPoint);
    handler(QPoint(at.x, at.y));
    UpdateExtents();
    return true;
}

void TXRComponentWindow::SetHiliteTree(bool on) {
    hilite_ = on;
    overlay_->raise();
    overlay_->update();
}

void TXRComponentWindow::SetMoveOffset(bool moving, QPoint offset) {
    moving_ = moving;
    moveOffset_ = offset;
    overlay_->raise();
    overlay_->update();
}

QPoint TXRComponentWindow::ClampToClient(QPoint canvasPoint) const {
    const QRect client(-canvas_->pos(), viewport()->size());
    return {std::clamp(canvasPoint.x(), client.left(), client.right()),
            std::clamp(canvasPoint.y(), client.top(), client.bottom())};
}

void TXRComponentWindow::UpdateExtents() {
    int right = viewport()->width();
    int bottom = viewport()->height();
    for (const auto& c : model_.Containers()) {
        const QPoint corner = ToCanvas({c->Left + c->Width + 40, c->Top + c->Height + 40});
        right = std::max(right, corner.x());
        bottom = std::max(bottom, corner.y());
    }
    canvas_->resize(right, bottom);
    overlay_->setGeometry(canvas_->rect());
    overlay_->raise();
}

void TXRComponentWindow::PaintOverlay(QPainter& painter) {
    painter.scale(Zoom(), Zoom());
    painter.translate(kViewMargin, kViewMargin);
    PaintDraggedWire(painter);
    if (moving_) {
        // Double dotted outlines at the moved places.
        QPen pen(Qt::black, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        for (const auto& c : model_.Containers()) {
            if (!c->Selected) continue;
            const QRect r = ToQRect(c->Bounds()).translated(moveOffset_);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            painter.drawRect(r.adjusted(1, 1, -2, -2));
        }
    }
    if (banding_) {
        const TPoint a = ToModel(bandFrom_);
        const TPoint b = ToModel(bandTo_);
        painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
        painter.setBrush(QColor(255, 255, 255, 40));
        painter.drawRect(QRect(QPoint(std::min(a.x, b.x), std::min(a.y, b.y)),
                               QPoint(std::max(a.x, b.x), std::max(a.y, b.y))));
        painter.setBrush(Qt::NoBrush);
    }
    if (hilite_ && model_.ActiveComponent() != nullptr) {
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(Qt::NoBrush);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        for (const TXRComponentContainer* c : model_.Subtree(model_.ActiveComponent())) {
            const TRect r = c->Bounds().Inflated(3);
            painter.drawRect(QRect(r.left, r.top, r.Width() + 1, r.Height() + 1));
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

void TXRComponentWindow::ContainerAdded(TXRComponentContainer& container) {
    auto* widget = new TXRContainerWidget(*this, container, canvas_);
    widgets_[&container] = widget;
    widget->setVisible(!model_.Rebuilding() && !Scaled());
    overlay_->raise();
    UpdateExtents();
}

void TXRComponentWindow::ContainerRemoving(TXRComponentContainer& container) {
    const auto it = widgets_.find(&container);
    if (it == widgets_.end()) return;
    // Deleted later: the removal may come from inside one of its own handlers.
    it->second->hide();
    it->second->deleteLater();
    widgets_.erase(it);
    canvas_->update();
}

void TXRComponentWindow::ContainerChanged(TXRComponentContainer& container) {
    if (TXRContainerWidget* w = WidgetOf(&container)) {
        w->SyncFromModel();
        if (!model_.Rebuilding() && !Scaled()) w->show();
    }
    canvas_->update();
}

void TXRComponentWindow::PropertyChanged(TXRComponentContainer& container, int32_t prop) {
    if (TXRContainerWidget* w = WidgetOf(&container)) w->RefreshProperty(prop);
}

void TXRComponentWindow::ConnectionsChanged() { canvas_->update(); }

void TXRComponentWindow::PreviewUpdate(TXRComponentContainer& container) {
    Q_EMIT previewUpdate(&container);
}

void TXRComponentWindow::ShaderUpdate() { Q_EMIT shaderUpdate(); }

void TXRComponentWindow::ClipToolsChange() { Q_EMIT clipToolsChange(); }

void TXRComponentWindow::Progress(std::string_view text, int32_t position, int32_t total) {
    if (text.empty()) {
        if (progress_ != nullptr) progress_->SetProgress({}, 0);
        progressShown_ = -1;
        return;
    }
    if (total < kProgressBoxThreshold || !isVisible()) return;
    // The box repaints at once; it does so only when its percentage moves.
    const int percent = static_cast<int>(int64_t{position} * 100 / std::max(total, 1));
    if (percent == progressShown_ && progress_ != nullptr && progress_->isVisible()) return;
    if (progress_ == nullptr) progress_ = new TProgressForm(this);
    progress_->move(mapToGlobal(
        QPoint((width() - progress_->width()) / 2, (height() - progress_->height()) / 2)));
    progressShown_ = percent;
    progress_->SetProgress(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                           percent);
}

void TXRComponentWindow::Rebuilt() {
    UpdateExtents();
    ShowContainer(model_.RootContainer());
}

void TXRComponentWindow::ShowContainer(const TXRComponentContainer* container) {
    if (container == nullptr) return;
    // Its top-left corner, where its output and title are, comes to the view's top-left with
    // the canvas margin around it.
    const QPoint at = ToCanvas({container->Left - kViewMargin, container->Top - kViewMargin});
    horizontalScrollBar()->setValue(std::max(0, at.x()));
    verticalScrollBar()->setValue(std::max(0, at.y()));
}

void TXRComponentWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        CancelPlacement();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        CancelPlacement();
        if (TXRComponentConnection* wire = SelectedWire()) {
            wire_ = nullptr;
            model_.Disconnect(wire);
            canvas_->update();
            return;
        }
        if (model_.SelectedCount() <= 1 && model_.ActiveComponent() != nullptr) {
            model_.DeleteContainer(model_.ActiveComponent());
        }
        return;
    }
    if (ViewKey(event)) return;
    QScrollArea::keyPressEvent(event);
}

void TXRComponentWindow::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    UpdateExtents();
}

}  // namespace vandrel

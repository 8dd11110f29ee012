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

#include "editor/controls/control_fonts.h"
#include "editor/controls/cursors.h"
#include "editor/controls/image_grid_select.h"
#include "editor/controls/progress_form.h"
#include "editor/controls/spin_edit.h"
#include "editor/editor_accessibility.h"
#include "editor/input_menu_widget.h"
#include "editor/property_bar.h"

namespace vandrel {

namespace {

QColor ToQColor(TRgb c) { return {c.r, c.g, c.b}; }

QColor KindQColor(int32_t kind, bool integer = false) {
    const auto c = KindColor(kind, integer);
    return c ? ToQColor(*c) : QApplication::palette().color(QPalette::Button);
}

QRect ToQRect(const TRect& r) { return {r.left, r.top, r.Width(), r.Height()}; }

// The source container a drag carries; only compared with the model's containers, never
// dereferenced before it is found there.
const TXRComponentContainer* DraggedSource(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasFormat(kDragDotMime)) return nullptr;
    bool ok = false;
    const quintptr value = mime->data(kDragDotMime).toULongLong(&ok, 16);
    return ok ? reinterpret_cast<const TXRComponentContainer*>(value) : nullptr;
}

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

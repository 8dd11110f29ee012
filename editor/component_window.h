// The graph canvas: a scrolling area that draws a TXRGraphModel and turns mouse and keyboard
// input into model operations.
//
// Each container is a child widget (so that property bars can sit inside it); connections and the
// root marker are painted on the canvas beneath them; the move outlines and the subtree marks are
// painted on a transparent overlay above them.
#pragma once

#include <QColor>
#include <QMimeData>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "editor/model/graph_model.h"
#include "editor/model/view_zoom.h"

namespace vandrel {

class TXRComponentWindow;
class TXRContainerWidget;
class TXRPropertyBar;
class TProgressForm;
class TComponentSearchBox;
struct TSearchFilter;

// Rebuilds of at least this many windows or connections show the progress box.
inline constexpr int32_t kProgressBoxThreshold = 48;

inline constexpr const char* kDragDotMime = "application/x-vandrel-output-dot";
// The canvas shows model coordinates shifted by this margin, so that routes running above or left
// of containers near the origin stay visible.
inline constexpr int kViewMargin = 24;
inline constexpr QColor kCanvasColor(160, 160, 160);
// The canvas's hint: its commands with their keys.
inline constexpr const char* kCanvasHint =
    "Tab or Space: search to add\n"
    "Ctrl + wheel: zoom; middle drag or Space + drag: pan\n"
    "Home: frame all; F: frame selected; Ctrl+L: arrange\n"
    "Click a wire to select it, Delete removes it\n"
    "Drag from a connected input: move or remove its wire\n"
    "Ctrl+Z / Ctrl+Shift+Z, Ctrl+Y: step back / forward\n"
    "Ctrl+P: large preview; Esc: cancel";

// The output handle: starts the drag that connects its container's output.
class TXROutputDotWidget final : public QWidget {
    Q_OBJECT
  public:
    TXROutputDotWidget(TXRComponentWindow& window, TXRComponentContainer& container,
                       QWidget* parent);
    const TXRComponentContainer& Container() const { return container_; }
    // What a drag from the dot carries (the drop targets read only this).
    QMimeData* DragData();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    TXRComponentWindow& window_;
    TXRComponentContainer& container_;
    std::unique_ptr<TXRDragDot> dragDot_;  // created on the first drag
};

// The collapse button: an 11 × 11 flat button with an arrow glyph.
class TXRCollapseButton final : public QWidget {
    Q_OBJECT
  public:
    explicit TXRCollapseButton(QWidget* parent);
    void SetCollapsed(bool collapsed);
    bool Collapsed() const { return collapsed_; }

  Q_SIGNALS:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    bool collapsed_ = false;
};

// One container's box.
class TXRContainerWidget final : public QWidget {
    Q_OBJECT
  public:
    TXRContainerWidget(TXRComponentWindow& window, TXRComponentContainer& container,
                       QWidget* parent);
    ~TXRContainerWidget() override;

    TXRComponentContainer& Container() { return container_; }
    // Geometry, bar placement and visibility from the model.
    void SyncFromModel();
    void RefreshProperty(int32_t prop);
    // The link check for a drop at a point local to this widget.
    TLinkCheck CheckDrop(const QMimeData* mime, QPoint local, int32_t* prop = nullptr,
                         int32_t* part = nullptr) const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    TXRComponentWindow& window_;
    TXRComponentContainer& container_;
    TXROutputDotWidget* dot_;
    TXRCollapseButton* collapse_;
    std::vector<std::unique_ptr<TXRPropertyBar>> bars_;
    bool moving_ = false;
    QPoint pressPoint_;  // canvas coordinates
};

// The canvas inside the scroll area.
class TXRCanvas final : public QWidget {
    Q_OBJECT
  public:
    explicit TXRCanvas(TXRComponentWindow& window);
    TXRComponentWindow& Window() const { return window_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Palette tiles dropped on the canvas.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    TXRComponentWindow& window_;
};

class TXRComponentWindow final : public QScrollArea, public TGraphObserver {
    Q_OBJECT
  public:
    explicit TXRComponentWindow(TXRGraphModel& model, QWidget* parent = nullptr);
    ~TXRComponentWindow() override;

    TXRGraphModel& Model() { return model_; }
    TXRCanvas* Canvas() { return canvas_; }
    TXRContainerWidget* WidgetOf(const TXRComponentContainer* container) const;

    // Placement mode: the "NEWCOMPONENT" cursor until the next click or a cancel.
    void BeginPlacement(int32_t typeId);
    void CancelPlacement();
    // Paste mode: the "PASTE" cursor; the next click on the canvas goes to the handler (canvas
    // coordinates without the margin) and ends the mode. CancelPlacement ends it too.
    void BeginPaste(std::function<void(QPoint)> handler);
    bool Pasting() const { return static_cast<bool>(paste_); }
    // A palette tile dropped at a canvas point: its component is placed there and selected.
    // False when the drop carries no component or it could not be created.
    bool PlaceDropped(const QMimeData* mime, QPoint canvasPoint);
    // Takes the pending paste click, if any; true when it was taken.
    bool TakePasteClick(QPoint canvasPoint);
    // While held, the subtree of the active container is marked.
    void SetHiliteTree(bool on);
    bool HiliteTree() const { return hilite_; }

    // The move in progress, for the outlines: offset of every selected container.
    void SetMoveOffset(bool moving, QPoint offset);
    // Clamps a canvas point to the visible client area.
    QPoint ClampToClient(QPoint canvasPoint) const;
    // Grows the canvas to hold every container.
    void UpdateExtents();

    // Model notifications.
    void ContainerAdded(TXRComponentContainer& container) override;
    void ContainerRemoving(TXRComponentContainer& container) override;
    void ContainerChanged(TXRComponentContainer& container) override;
    void PropertyChanged(TXRComponentContainer& container, int32_t prop) override;
    void ConnectionsChanged() override;
    void PreviewUpdate(TXRComponentContainer& container) override;
    void ShaderUpdate() override;
    void ClipToolsChange() override;
    void Progress(std::string_view text, int32_t position, int32_t total) override;
    void Rebuilt() override;
    // The rebuild's progress box; null until a large rebuild shows it.
    TProgressForm* ProgressBox() const { return progress_; }
    // Scrolls so that the container is in view.
    void ShowContainer(const TXRComponentContainer* container);

    // Search to add (Tab or Space over the canvas): the search box at the pointer; the chosen
    // component is placed there.
    void SearchToAdd();
    // The search box at a canvas point; the handler gets the chosen type id.
    void OpenSearch(QPoint canvasPoint, const TSearchFilter& filter,
                    std::function<void(int32_t)> chosen);
    TComponentSearchBox* SearchBox();
    // A wire's output end dropped on empty canvas: the search offers the components that take
    // that output and links the one chosen to it. False when the drop carries no output.
    bool OfferLinkedSearch(const QMimeData* mime, QPoint canvasPoint);
    // Canvas pixels and the positions stored in the layout.
    TPoint ToModel(QPoint canvasPoint) const;
    QPoint ToCanvas(TPoint modelPoint) const;

    // Zoom, a view setting (25 % … 400 %): the layout keeps its positions. At 100 % the
    // containers are live widgets; at any other scale the canvas paints them through the scale
    // and takes their input itself, through the model's hit tests (a double click on a container
    // comes back to 100 % there, for typing into its fields).
    double Zoom() const { return zoom_.Scale; }
    bool Scaled() const { return zoom_.Scale != 1.0; }
    // The scale with the view pixel 'anchor' (viewport coordinates) kept over the same place.
    void SetZoom(double scale, QPoint anchor);
    void SetZoom(double scale) { SetZoom(scale, viewport()->rect().center()); }
    // "Frame all" (Home) and "Frame selected" (F).
    void FrameAll();
    void FrameSelected();
    // Space is held: a drag pans.
    bool PanKeyHeld() const { return spaceHeld_; }
    // What the canvas hands over: pans, and at other scales the containers' own input. True when
    // the event was taken.
    bool CanvasPress(QMouseEvent* event);
    void CanvasMove(QMouseEvent* event);
    void CanvasRelease(QMouseEvent* event);
    bool CanvasDoubleClick(QMouseEvent* event);
    // At other scales: the containers, drawn where the widgets would be.
    void PaintScaled(QPainter& painter);
    // Wire editing: a click on a wire selects it (Delete removes it); a drag on empty canvas
    // selects the containers its band meets. "Arrange" lays the graph out (Ctrl+L).
    TXRComponentConnection* SelectedWire() const;
    void Arrange();
    // A press on a connected input's end (canvas pixels) takes its wire: true when it did. The
    // drag follows the pointer; the drop removes the link on empty canvas or moves the wire to
    // the input under it (one edit), and a press that did not move selects the wire. Each answers
    // false while no wire end is held.
    bool TakeInputEnd(QPoint canvasPoint);
    bool DragWireEnd(QPoint canvasPoint);
    bool DropWireEnd(QPoint canvasPoint);
    // The wire whose input end is held; null when none.
    TXRComponentConnection* DraggedWire() const;
    // That wire once the drag has moved: the canvas draws it from its output to the pointer
    // instead of along its route.
    const TXRComponentConnection* LiftedWire() const {
        return detachMoved_ ? DraggedWire() : nullptr;
    }
    // At other scales, a wire dropped at a canvas point over a painted container: the link check
    // of the input there, and the link itself when 'link'. kNoSuchInput off every input.
    TLinkCheck DropOnPainted(const QMimeData* mime, QPoint canvasPoint, bool link);

    // Paints the overlay: move outlines, subtree marks and a held wire end.
    void PaintOverlay(QPainter& painter);

  Q_SIGNALS:
    void previewUpdate(vandrel::TXRComponentContainer* sender);
    void shaderUpdate();
    void clipToolsChange();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Tab over the canvas opens the search instead of moving the focus.
    bool focusNextPrevChild(bool next) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // Ctrl + wheel zooms about the pointer.
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    TXRGraphModel& model_;
    TComponentSearchBox* search_ = nullptr;
    // The view keys (Space, Home, F); true when taken.
    bool ViewKey(QKeyEvent* event);
    void ApplyZoom();
    TViewZoom zoom_{1.0, kViewMargin};
    bool spaceHeld_ = false;
    bool spacePanned_ = false;
    bool panning_ = false;
    QPoint panFrom_;  // global
    // A press on a painted container (other scales): the move it starts.
    TXRComponentContainer* pressed_ = nullptr;
    TXRComponentConnection* wire_ = nullptr;       // the selected wire
    TXRComponentConnection* detaching_ = nullptr;  // its input end is held
    QPoint detachFrom_, detachTo_;                 // canvas pixels
    bool detachMoved_ = false;
    void PaintDraggedWire(QPainter& painter);
    bool banding_ = false;
    QPoint bandFrom_, bandTo_;  // canvas pixels
    QPoint pressAt_;            // canvas pixels
    TXRCanvas* canvas_;
    QWidget* overlay_;
    std::map<const TXRComponentContainer*, TXRContainerWidget*> widgets_;
    bool moving_ = false;
    QPoint moveOffset_;
    bool hilite_ = false;
    std::function<void(QPoint)> paste_;
    TProgressForm* progress_ = nullptr;
    int progressShown_ = -1;  // the percentage on the box
};

// Draws one connection: shadow, colour, light line and the arrowhead at the input.
void DrawConnection(QPainter& painter, const TXRComponentConnection& connection);

}  // namespace vandrel

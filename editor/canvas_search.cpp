// Search to add on the canvas: Tab or Space opens the search box at the pointer, and a wire's
// output end dropped on empty canvas opens it filtered to the components that take that output.
#include <QApplication>
#include <QCursor>
#include <QScrollBar>

#include "editor/component_search_box.h"
#include "editor/component_window.h"

namespace vandrel {

TComponentSearchBox* TXRComponentWindow::SearchBox() {
    if (search_ == nullptr) search_ = new TComponentSearchBox(window());
    return search_;
}

void TXRComponentWindow::OpenSearch(QPoint canvasPoint, const TSearchFilter& filter,
                                    std::function<void(int32_t)> chosen) {
    TComponentSearchBox* box = SearchBox();
    QWidget* host = box->parentWidget() != nullptr ? box->parentWidget() : this;
    box->Open(canvas_->mapTo(host, canvasPoint), filter, {}, std::move(chosen));
}

void TXRComponentWindow::SearchToAdd() {
    CancelPlacement();
    // Under the pointer when it is over the canvas, else in the middle of what is shown.
    QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    if (!viewport()->rect().contains(at)) at = viewport()->rect().center();
    const QPoint canvasPoint = canvas_->mapFrom(viewport(), at);
    OpenSearch(canvasPoint, {}, [this, canvasPoint](int32_t typeId) {
        model_.BeginPlacement(typeId);
        const TPoint p = ToModel(canvasPoint);
        model_.Place(p.x, p.y);
        CancelPlacement();
        UpdateExtents();
    });
}

bool TXRComponentWindow::OfferLinkedSearch(const QMimeData* mime, QPoint canvasPoint) {
    if (mime == nullptr || !mime->hasFormat(kDragDotMime)) return false;
    bool ok = false;
    const quintptr value = mime->data(kDragDotMime).toULongLong(&ok, 16);
    const auto* dragged = reinterpret_cast<const TXRComponentContainer*>(value);
    TXRComponentContainer* source = nullptr;
    for (const auto& c : model_.Containers()) {
        if (ok && c.get() == dragged) source = c.get();
    }
    if (source == nullptr || source->Component == nullptr) return false;
    TSearchFilter filter;
    filter.InputKind = source->Component->OutputKind();
    // Opened once the drag is over: the drop event comes from inside the drag's own loop.
    QMetaObject::invokeMethod(
        this,
        [this, source, filter, canvasPoint] {
            OpenSearch(canvasPoint, filter, [this, source, canvasPoint](int32_t typeId) {
                if (model_.IndexOf(source) < 0) return;  // gone while the box was open
                const int32_t kind = source->Component->OutputKind();
                model_.BeginPlacement(typeId);
                const TPoint p = ToModel(canvasPoint);
                TXRComponentContainer* placed = model_.Place(p.x, p.y);
                CancelPlacement();
                int32_t prop = -1;
                const CatalogueRow* row = FindCatalogueRow(typeId);
                if (placed != nullptr && row != nullptr && TakesOutputOf(*row, kind, &prop)) {
                    model_.Connect(source, placed, prop, kWholeProperty);
                }
                UpdateExtents();
            });
        },
        Qt::QueuedConnection);
    return true;
}

bool TXRComponentWindow::focusNextPrevChild(bool next) {
    // Tab on the canvas or a box opens the search; in a field it moves on as usual.
    QWidget* focus = window()->focusWidget();
    const bool onCanvas = focus == nullptr || focus == this || focus == canvas_ ||
                          focus == viewport() ||
                          qobject_cast<TXRContainerWidget*>(focus) != nullptr;
    if (next && onCanvas && isVisible()) {
        SearchToAdd();
        return true;
    }
    return QScrollArea::focusNextPrevChild(next);
}

}  // namespace vandrel

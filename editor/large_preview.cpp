#include "editor/large_preview.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

#include "editor/component_window.h"
#include "editor/preview_widget.h"

namespace vandrel {

void TLargePreviewView::TEventLoopHandOver::Wake() {
    // As the small preview's: queued by name, dropped when the view is gone.
    QMetaObject::invokeMethod(view_, "ProcessHandOver", Qt::QueuedConnection);
}

TLargePreviewView::TLargePreviewView(QWidget* parent)
    : QWidget(parent), handOver_(this), controller_(handOver_, this) {
    setObjectName("LargePreviewImage");
    setAccessibleName(QString::fromUtf8(kLargePreviewTitle));
    setToolTip(QStringLiteral("Click to update"));
    setMinimumSize(64, 64);
    controller_.SetSize(PictureSize());
}

TLargePreviewView::~TLargePreviewView() { controller_.Stop(); }

int TLargePreviewView::PictureSize() const { return PreviewSizeFor(std::min(width(), height())); }

void TLargePreviewView::ShowRows(const TPreviewBitmap& bitmap, int first, int last,
                                 int progressLine) {
    CopyRows(bitmap, first, last, progressLine, image_);
    update();
}

void TLargePreviewView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kCanvasColor);
    if (image_.isNull()) return;
    // A picture of the size before a resize is shown scaled until the new one comes.
    const int side = PictureSize();
    const QRect target((width() - side) / 2, (height() - side) / 2, side, side);
    painter.drawImage(target, image_);
}

void TLargePreviewView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (controller_.SetSize(PictureSize())) Q_EMIT pictureResized();
}

void TLargePreviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT clicked();
    QWidget::mousePressEvent(event);
}

TLargePreview::TLargePreview(QWidget* parent) : QDockWidget(parent) {
    setObjectName("LargePreview");
    setWindowTitle(QString::fromUtf8(kLargePreviewTitle));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setFloating(true);
    view_ = new TLargePreviewView(this);
    setWidget(view_);
    resize(320, 340);
}

}  // namespace vandrel

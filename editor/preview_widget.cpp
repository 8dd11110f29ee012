#include "editor/preview_widget.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

namespace vandrel {

namespace {

// Marks how far the preview got.
constexpr QRgb kProgressLine = qRgb(255, 255, 255);

}  // namespace

void CopyRows(const TPreviewBitmap& bitmap, int first, int last, int progressLine, QImage& image) {
    if (image.width() != bitmap.Size || image.height() != bitmap.Size) {
        image = QImage(bitmap.Size, bitmap.Size, QImage::Format_RGB32);
        image.fill(qRgb(kStripeLight.r, kStripeLight.g, kStripeLight.b));
    }
    for (int y = std::max(first, 0); y <= std::min(last, bitmap.Size - 1); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.Size; ++x) {
            const TPixelColor& c = bitmap.At(x, y);
            line[x] = qRgb(c.r, c.g, c.b);
        }
    }
    if (progressLine >= 0 && progressLine < bitmap.Size) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(progressLine));
        std::fill(line, line + bitmap.Size, kProgressLine);
    }
}

void TPreviewWidget::TEventLoopHandOver::Wake() {
    // Queued, so that it runs on the widget's thread; dropped when the widget is gone. By name:
    // the whole request then lives inside Qt, and only the hand-over's own lock orders the two
    // threads' data.
    QMetaObject::invokeMethod(widget_, "ProcessHandOver", Qt::QueuedConnection);
}

TPreviewWidget::TPreviewWidget(QWidget* parent)
    : QWidget(parent),
      image_(kPreviewSize, kPreviewSize, QImage::Format_RGB32),
      handOver_(this),
      controller_(handOver_, this) {
    image_.fill(qRgb(kStripeLight.r, kStripeLight.g, kStripeLight.b));
    setFixedSize(kPreviewSize, kPreviewSize);
    setToolTip(QStringLiteral("Click to update"));
}

TPreviewWidget::~TPreviewWidget() { controller_.Stop(); }

void TPreviewWidget::ShowRows(const TPreviewBitmap& bitmap, int first, int last, int progressLine) {
    CopyRows(bitmap, first, last, progressLine, image_);
    update();
}

void TPreviewWidget::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void TPreviewWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT clicked();
    QWidget::mousePressEvent(event);
}

}  // namespace vandrel

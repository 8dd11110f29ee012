// The editor's 64 × 64 preview image: shows what the preview thread draws and runs its handed-over
// calls from Qt's event loop. A click asks for an update ("Click to update").
#pragma once

#include <QImage>
#include <QWidget>

#include "editor/preview/component_preview.h"

namespace vandrel {

// Rows first … last of the bitmap onto the image (made the bitmap's size when it is not), and the
// progress line across it.
void CopyRows(const TPreviewBitmap& bitmap, int first, int last, int progressLine, QImage& image);

class TPreviewWidget final : public QWidget, public TPreviewDisplay {
    Q_OBJECT

  public:
    explicit TPreviewWidget(QWidget* parent = nullptr);
    ~TPreviewWidget() override;

    TPreviewController& Controller() { return controller_; }
    THandOver& HandOver() { return handOver_; }
    const QImage& Image() const { return image_; }

    void ShowRows(const TPreviewBitmap& bitmap, int first, int last, int progressLine) override;

    // Runs the waiting handed-over call, if any; queued by the preview thread.
    Q_INVOKABLE void ProcessHandOver() { handOver_.ProcessPending(); }

  Q_SIGNALS:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    // Wakes the event loop of the widget's thread, which then runs the waiting call.
    class TEventLoopHandOver final : public THandOver {
      public:
        explicit TEventLoopHandOver(TPreviewWidget* widget) : widget_(widget) {}

      protected:
        void Wake() override;

      private:
        TPreviewWidget* widget_;
    };

    QImage image_;
    TEventLoopHandOver handOver_;
    TPreviewController controller_;
};

}  // namespace vandrel

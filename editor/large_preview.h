// The large preview: the component preview again, as large as its dock window allows up to
// 512 × 512 rendered pixels, beside the 64 × 64 one. It runs a preview of its own (thread and
// hand-over) on the same component, shape and range, coarse to fine as the small one; a resize
// that changes the picture's side asks for a new picture at the new size.
#pragma once

#include <QDockWidget>
#include <QImage>
#include <QWidget>

#include "editor/preview/component_preview.h"

namespace vandrel {

inline constexpr const char* kLargePreviewTitle = "Large Preview";
inline constexpr const char* kLargePreviewCommand = "Large Preview (Ctrl+P)";

// The picture: the largest even square the widget holds, at most kLargePreviewMax a side,
// centred on the canvas colour.
class TLargePreviewView final : public QWidget, public TPreviewDisplay {
    Q_OBJECT

  public:
    explicit TLargePreviewView(QWidget* parent = nullptr);
    ~TLargePreviewView() override;

    TPreviewController& Controller() { return controller_; }
    // What was drawn, at the size it was rendered.
    const QImage& Image() const { return image_; }
    // The picture side the widget's size gives.
    int PictureSize() const;

    void ShowRows(const TPreviewBitmap& bitmap, int first, int last, int progressLine) override;
    Q_INVOKABLE void ProcessHandOver() { handOver_.ProcessPending(); }
    QSize sizeHint() const override { return {256, 256}; }

  Q_SIGNALS:
    // The picture side changed: the owner starts the preview again at the new size.
    void pictureResized();
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    class TEventLoopHandOver final : public THandOver {
      public:
        explicit TEventLoopHandOver(TLargePreviewView* view) : view_(view) {}

      protected:
        void Wake() override;

      private:
        TLargePreviewView* view_;
    };

    QImage image_;
    TEventLoopHandOver handOver_;
    TPreviewController controller_;
};

// The dock window that holds it: floating beside the editor, resizable, closed with its button.
class TLargePreview final : public QDockWidget {
    Q_OBJECT

  public:
    explicit TLargePreview(QWidget* parent);
    TLargePreviewView* View() const { return view_; }

  private:
    TLargePreviewView* view_;
};

}  // namespace vandrel

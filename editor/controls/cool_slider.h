// TCoolSlider: a fill slider. The empty track spans the width; the filled track covers the first
// (Position - Min) / (Max - Min) of it, rounded to whole pixels, and nothing when Min equals Max.
// Position is held to Min … Max (Max below Min counts as Min). Pressing or dragging sets the
// position from the pointer and raises OnChange.
#pragma once

#include <QWidget>

namespace vandrel {

double ClampSliderPosition(double position, double min, double max);
int SliderFilledWidth(double position, double min, double max, int width);
double SliderPositionFromX(int x, int width, double min, double max);

class TCoolSlider : public QWidget {
    Q_OBJECT

  public:
    explicit TCoolSlider(QWidget* parent = nullptr);

    double Min() const { return min_; }
    void SetMin(double min);
    double Max() const { return max_; }
    void SetMax(double max);
    double Position() const { return position_; }
    void SetPosition(double position);
    int FilledWidth() const { return SliderFilledWidth(position_, min_, max_, width()); }

  Q_SIGNALS:
    void OnChange();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void DragTo(int x);

    double min_ = 0;
    double max_ = 100;
    double position_ = 0;
};

}  // namespace vandrel

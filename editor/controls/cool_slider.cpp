#include "editor/controls/cool_slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vandrel {

double ClampSliderPosition(double position, double min, double max) {
    if (max < min) max = min;
    if (!(position >= min)) return min;  // NaN too
    return position > max ? max : position;
}

int SliderFilledWidth(double position, double min, double max, int width) {
    if (!(max > min) || width <= 0) return 0;
    const double f = (ClampSliderPosition(position, min, max) - min) / (max - min);
    return static_cast<int>(std::lround(f * width));
}

double SliderPositionFromX(int x, int width, double min, double max) {
    if (width <= 0 || !(max > min)) return min;
    const double f = std::clamp(double(x) / double(width), 0.0, 1.0);
    return min + f * (max - min);
}

namespace {

// The track images, drawn: a rounded groove with a left end, a tiled middle and a right end.
// The filled variant is the same groove in the highlight colour.
void DrawTrack(QPainter& p, const QRect& r, bool filled) {
    const QColor top = filled ? QColor(72, 104, 168) : QColor(128, 128, 128);
    const QColor body = filled ? QColor(104, 144, 216) : QColor(224, 224, 224);
    const QColor bottom = filled ? QColor(56, 80, 136) : QColor(255, 255, 255);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(r, 3, 3);
    p.setPen(top);
    p.drawLine(r.left() + 2, r.top(), r.right() - 2, r.top());
    p.setPen(bottom);
    p.drawLine(r.left() + 2, r.bottom(), r.right() - 2, r.bottom());
    p.restore();
}

}  // namespace

TCoolSlider::TCoolSlider(QWidget* parent) : QWidget(parent) { resize(100, 10); }

void TCoolSlider::SetMin(double min) {
    min_ = min;
    position_ = ClampSliderPosition(position_, min_, max_);
    update();
}
void TCoolSlider::SetMax(double max) {
    max_ = max;
    position_ = ClampSliderPosition(position_, min_, max_);
    update();
}
void TCoolSlider::SetPosition(double position) {
    position_ = ClampSliderPosition(position, min_, max_);
    update();
}

void TCoolSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawTrack(p, rect().adjusted(0, 0, -1, -1), false);
    const int filled = FilledWidth();
    if (filled > 0) {
        p.setClipRect(QRect(0, 0, filled, height()));
        DrawTrack(p, rect().adjusted(0, 0, -1, -1), true);
    }
}

void TCoolSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) DragTo(event->position().toPoint().x());
}

void TCoolSlider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) DragTo(event->position().toPoint().x());
}

void TCoolSlider::DragTo(int x) {
    position_ = SliderPositionFromX(x, width(), min_, max_);
    update();
    Q_EMIT OnChange();
}

}  // namespace vandrel

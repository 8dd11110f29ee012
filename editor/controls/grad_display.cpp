#include "editor/controls/grad_display.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "components/shared/hsv.h"

namespace vandrel {

namespace {

TGradColor Mix(const TGradColor& a, const TGradColor& b, double f) {
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f,
            a.a + (b.a - a.a) * f};
}

TGradColor CurveAt(const std::vector<TGradKnot>& curve, double t) {
    if (curve.empty()) return {t, t, t, 1};
    if (t <= curve.front().t) return curve.front().color;
    for (size_t i = 1; i < curve.size(); ++i) {
        const TGradKnot& a = curve[i - 1];
        const TGradKnot& b = curve[i];
        if (t <= b.t) {
            const double span = b.t - a.t;
            return span > 0 ? Mix(a.color, b.color, (t - a.t) / span) : b.color;
        }
    }
    return curve.back().color;
}

int Channel(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

}  // namespace

double GradColumnT(int x, int width) { return width > 1 ? double(x) / double(width - 1) : 0.0; }

TGradColor GradColorAt(const TGradParams& params, double t) {
    switch (params.Mode) {
        case 0:
            return CurveAt(params.Curve, t);
        case 1:
        case 2: {
            TGradColor c = CurveAt(params.Curve, t);
            c.a = 1;
            return c;
        }
        case 3: {
            TGradColor c = Mix(params.Color1, params.Color2, t);
            c.a = 1;
            return c;
        }
        case 4: {
            const TVec3 rgb = HsvToRgb(t, params.HueSaturation, params.HueValue);
            return {rgb.x, rgb.y, rgb.z, 1};
        }
        case 5:
            return {t, 0, 0, 1};
        case 6:
            return {0, t, 0, 1};
        case 7:
            return {0, 0, t, 1};
        default:
            return {0, 0, 0, 1};
    }
}

TGradColor GradPixel(const TGradParams& params, int x, int y, int width) {
    const TGradColor c = GradColorAt(params, GradColumnT(x, width));
    const double a = std::clamp(c.a, 0.0, 1.0);
    double back = 0;
    if (params.Mode == 0) {
        const bool light = ((x / kGradCheckerSize) + (y / kGradCheckerSize)) % 2 == 0;
        back = (light ? kGradCheckerLight : kGradCheckerDark) / 255.0;
    }
    const auto over = [&](double v) {
        return Channel(params.Mode == 0 ? v * a + back * (1 - a) : v);
    };
    return {double(over(c.r)), double(over(c.g)), double(over(c.b)), 255};
}

int GradMarkX(double pos, int width) {
    if (width <= 1) return 0;
    return static_cast<int>(std::lround(std::clamp(pos, 0.0, 1.0) * (width - 1)));
}

double GradPosFromX(int x, int width) { return std::clamp(GradColumnT(x, width), 0.0, 1.0); }

TGradDisplay::TGradDisplay(QWidget* parent) : QWidget(parent) { resize(150, 14); }

void TGradDisplay::SetMode(int mode) {
    params_.Mode = mode;
    update();
}
void TGradDisplay::SetSlideOn(bool on) {
    slideOn_ = on;
    update();
}
void TGradDisplay::SetSlidePos(double pos) {
    slidePos_ = std::isnan(pos) ? 0.0 : std::clamp(pos, 0.0, 1.0);
    update();
}
void TGradDisplay::SetEndColors(const TGradColor& first, const TGradColor& second) {
    params_.Color1 = first;
    params_.Color2 = second;
    update();
}
void TGradDisplay::SetHueSaturationValue(double saturation, double value) {
    params_.HueSaturation = saturation;
    params_.HueValue = value;
    update();
}
void TGradDisplay::SetCurve(std::vector<TGradKnot> curve) {
    params_.Curve = std::move(curve);
    update();
}

void TGradDisplay::paintEvent(QPaintEvent*) {
    QImage image(width(), height(), QImage::Format_RGB32);
    for (int y = 0; y < height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width(); ++x) {
            // Only mode 0 varies down a column.
            if (y > 0 && params_.Mode != 0) {
                line[x] = reinterpret_cast<const QRgb*>(image.constScanLine(0))[x];
                continue;
            }
            const TGradColor c = GradPixel(params_, x, y, width());
            line[x] = qRgb(int(c.r), int(c.g), int(c.b));
        }
    }
    QPainter p(this);
    p.drawImage(0, 0, image);
    if (slideOn_) {
        // A black-and-white mark that shows on every colour.
        const int x = GradMarkX(slidePos_, width());
        const int h = height();
        QPolygon down, up;
        down << QPoint(x - 3, 0) << QPoint(x + 3, 0) << QPoint(x, 3);
        up << QPoint(x - 3, h - 1) << QPoint(x + 3, h - 1) << QPoint(x, h - 4);
        p.setPen(Qt::white);
        p.setBrush(Qt::black);
        p.drawPolygon(down);
        p.drawPolygon(up);
        p.setPen(Qt::black);
        p.drawLine(x, 3, x, h - 4);
    }
}

void TGradDisplay::mousePressEvent(QMouseEvent* event) {
    if (slideOn_ && event->button() == Qt::LeftButton) DragTo(event->position().toPoint().x());
}

void TGradDisplay::mouseMoveEvent(QMouseEvent* event) {
    if (slideOn_ && (event->buttons() & Qt::LeftButton)) DragTo(event->position().toPoint().x());
}

void TGradDisplay::DragTo(int x) {
    slidePos_ = GradPosFromX(x, width());
    update();
    Q_EMIT OnPosChanged();
}

}  // namespace vandrel

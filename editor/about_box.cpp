#include "editor/about_box.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>

#include "editor/controls/control_fonts.h"

namespace vandrel {

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 220;
constexpr int kPictureHeight = 110;
constexpr int kNameTop = 150;

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Vandrel");
    setFixedSize(kWidth, kHeight);
    setFont(ControlFont());
    names_ = {"The noise and fractal pioneers of computer graphics",
              "The authors of the shading literature", "Everyone who tested the early shaders",
              "The users who sent their materials and ideas"};
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    ok->setGeometry(kWidth / 2 - 40, kHeight - 34, 80, 24);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    timer_ = new QTimer(this);
    timer_->setInterval(kAboutFadeStepMs);
    connect(timer_, &QTimer::timeout, this, [this] { Step(); });
    timer_->start();
}

double TAboutBox::Opacity() const {
    if (phase_ < kAboutFadeSteps) return static_cast<double>(phase_) / kAboutFadeSteps;
    if (phase_ < kAboutFadeSteps + kAboutHoldSteps) return 1.0;
    const int out = phase_ - kAboutFadeSteps - kAboutHoldSteps;
    return 1.0 - static_cast<double>(out) / kAboutFadeSteps;
}

void TAboutBox::Step() {
    if (++phase_ > 2 * kAboutFadeSteps + kAboutHoldSteps) {
        phase_ = 0;
        current_ = names_.isEmpty() ? 0 : (current_ + 1) % static_cast<int>(names_.size());
    }
    update(0, kNameTop - 4, kWidth, 24);
}

void TAboutBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().window());

    // The picture: a shaded sphere over a checker floor, what the plug-in is for.
    const QRect picture(0, 0, kWidth, kPictureHeight);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, QColor(40, 56, 96));
    sky.setColorAt(1, QColor(150, 170, 210));
    p.fillRect(picture, sky);
    const int floorTop = kPictureHeight * 2 / 3;
    for (int x = 0; x < kWidth; x += 20) {
        for (int y = floorTop; y < kPictureHeight; y += 10) {
            const bool dark = ((x / 20) + (y - floorTop) / 10) % 2 == 0;
            p.fillRect(QRect(x, y, 20, 10), dark ? QColor(90, 90, 90) : QColor(200, 200, 200));
        }
    }
    QRadialGradient ball(QPointF(128, 42), 46, QPointF(116, 30));
    ball.setColorAt(0, QColor(255, 236, 200));
    ball.setColorAt(0.5, QColor(214, 120, 40));
    ball.setColorAt(1, QColor(80, 30, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawEllipse(QPointF(150, floorTop + 18), 46, 8);
    p.setBrush(ball);
    p.drawEllipse(QPointF(150, 52), 40, 40);

    QFont title = ControlFont(14, true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(8, 4, kWidth - 16, 30), Qt::AlignLeft | Qt::AlignVCenter, "Vandrel");

    p.setFont(font());
    p.setPen(Qt::black);
    p.drawText(QRect(0, kPictureHeight + 8, kWidth, 18), Qt::AlignCenter,
               "Procedural shaders. With thanks to");
    if (!names_.isEmpty()) {
        QColor text(Qt::black);
        text.setAlphaF(static_cast<float>(Opacity()));
        p.setPen(text);
        p.drawText(QRect(0, kNameTop, kWidth, 18), Qt::AlignCenter,
                   names_[current_ % static_cast<int>(names_.size())]);
    }
}

}  // namespace vandrel

#include "editor/controls/color_picker.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <functional>

#include "components/shared/hsv.h"
#include "editor/controls/control_fonts.h"

namespace vandrel {

namespace {

double Unit(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); }

TGradColor FromHsv(double h, double s, double v) {
    const TVec3 c = HsvToRgb(h, s, v);
    return {c.x, c.y, c.z, 1};
}

QColor ToQColor(double r, double g, double b) {
    return QColor::fromRgbF(float(Unit(r)), float(Unit(g)), float(Unit(b)));
}

}  // namespace

double HueFromBarPosition(double position) { return Unit(position) * kHueTop; }

double HueBarPosition(double hue) { return Unit(hue / kHueTop); }

void TColorPickerState::SetRgb(double r, double g, double b) {
    R = Unit(r), G = Unit(g), B = Unit(b);
    const THsv hsv = RgbToHsv(R, G, B);
    H = hsv.h, S = hsv.s, V = hsv.v;
}

void TColorPickerState::SetHsv(double h, double s, double v) {
    H = Unit(h), S = Unit(s), V = Unit(v);
    const TVec3 rgb = HsvToRgb(H, S, V);
    R = rgb.x, G = rgb.y, B = rgb.z;
}

void TColorPickerState::SetBar(int bar, double position) {
    const double p = Unit(position);
    switch (bar) {
        case kHueBar:
            SetHsv(HueFromBarPosition(p), S, V);
            break;
        case kSaturationBar:
            SetHsv(H, p, V);
            break;
        case kValueBar:
            SetHsv(H, S, p);
            break;
        case kRedBar:
            SetRgb(p, G, B);
            break;
        case kGreenBar:
            SetRgb(R, p, B);
            break;
        case kBlueBar:
            SetRgb(R, G, p);
            break;
        default:
            break;
    }
}

double TColorPickerState::BarPosition(int bar) const {
    switch (bar) {
        case kHueBar:
            return HueBarPosition(H);
        case kSaturationBar:
            return S;
        case kValueBar:
            return V;
        case kRedBar:
            return R;
        case kGreenBar:
            return G;
        case kBlueBar:
            return B;
        default:
            return 0;
    }
}

TGradParams TColorPickerState::BarParams(int bar) const {
    TGradParams params;
    params.Mode = 3;
    switch (bar) {
        case kHueBar:
            params.Mode = 4;
            params.HueSaturation = S;
            params.HueValue = V;
            break;
        case kSaturationBar:
            params.Color1 = FromHsv(H, 0, V);
            params.Color2 = FromHsv(H, 1, V);
            break;
        case kValueBar:
            params.Color1 = FromHsv(H, S, 0);
            params.Color2 = FromHsv(H, S, 1);
            break;
        case kRedBar:
            params.Color1 = {0, G, B, 1};
            params.Color2 = {1, G, B, 1};
            break;
        case kGreenBar:
            params.Color1 = {R, 0, B, 1};
            params.Color2 = {R, 1, B, 1};
            break;
        case kBlueBar:
            params.Color1 = {R, G, 0, 1};
            params.Color2 = {R, G, 1, 1};
            break;
        default:
            break;
    }
    return params;
}

// A 40 x 40 colour square that reports clicks.
class TSwatch final : public QWidget {
  public:
    TSwatch(QWidget* parent, std::function<void()> clicked)
        : QWidget(parent), clicked_(std::move(clicked)) {
        setFixedSize(40, 40);
        setCursor(Qt::PointingHandCursor);
    }
    void SetColor(const QColor& color) {
        color_ = color;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), color_);
        DrawBevel(p, rect().adjusted(0, 0, -1, -1), false);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            clicked_();
        }
    }

  private:
    QColor color_;
    std::function<void()> clicked_;
};

TColSelect::TColSelect(QWidget* parent) : QDialog(parent) {
    setFixedSize(kColorPickerWidth, kColorPickerHeight);
    setFont(ControlFont(8));
    setAutoFillBackground(true);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silver);

    static const char* const kLabels[kColorBarCount] = {"Hue", "Saturation", "Value",
                                                        "Red", "Green",      "Blue"};
    for (int i = 0; i < kColorBarCount; ++i) {
        const int y = 8 + i * 21;
        auto* label = new QLabel(QString::fromLatin1(kLabels[i]), this);
        label->setGeometry(4, y - 1, 59, 16);
        bars_[i] = new TGradDisplay(this);
        bars_[i]->setGeometry(64, y, 143, 14);
        bars_[i]->SetSlideOn(true);
        connect(bars_[i], &TGradDisplay::OnPosChanged, this,
                [this, i] { MoveBar(i, bars_[i]->SlidePos()); });
    }
    auto* oldLabel = new QLabel(QStringLiteral("Old Color"), this);
    oldLabel->setGeometry(14, 134, 60, 14);
    auto* newLabel = new QLabel(QStringLiteral("New Color"), this);
    newLabel->setGeometry(134, 134, 60, 14);
    oldSwatch_ = new TSwatch(this, [this] { ClickOldSwatch(); });
    oldSwatch_->move(20, 150);
    newSwatch_ = new TSwatch(this, [this] { ClickNewSwatch(); });
    newSwatch_->move(140, 150);
    restore_ = new QToolButton(this);
    restore_->setText(QStringLiteral("<"));
    restore_->setToolTip(QStringLiteral("Restore the old color"));
    restore_->setGeometry(70, 162, 20, 16);
    connect(restore_, &QToolButton::clicked, this, &TColSelect::RestoreOld);
    // Buttons for those who do not know that the swatches close the picker; Enter takes the new
    // colour, Escape keeps the old one.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setGeometry(6, 198, kColorPickerWidth - 12, 26);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Refresh();
}

void TColSelect::SetOldColor(const std::array<double, 3>& rgb) {
    old_ = {Unit(rgb[0]), Unit(rgb[1]), Unit(rgb[2])};
    state_.SetRgb(old_[0], old_[1], old_[2]);
    Refresh();
}

void TColSelect::MoveBar(int bar, double position) {
    if (bar < 0 || bar >= kColorBarCount) return;
    state_.SetBar(bar, position);
    Refresh();
}

void TColSelect::RestoreOld() {
    state_.SetRgb(old_[0], old_[1], old_[2]);
    Refresh();
    reject();
}

void TColSelect::Refresh() {
    for (int i = 0; i < kColorBarCount; ++i) {
        const TGradParams params = state_.BarParams(i);
        bars_[i]->SetMode(params.Mode);
        bars_[i]->SetEndColors(params.Color1, params.Color2);
        bars_[i]->SetHueSaturationValue(params.HueSaturation, params.HueValue);
        bars_[i]->SetSlidePos(state_.BarPosition(i));
    }
    oldSwatch_->SetColor(ToQColor(old_[0], old_[1], old_[2]));
    newSwatch_->SetColor(ToQColor(state_.R, state_.G, state_.B));
}

bool TColSelect::Execute(QWidget* parent, const QString& title, std::array<double, 3>& rgb) {
    TColSelect dialog(parent);
    dialog.setWindowTitle(title);
    dialog.SetOldColor(rgb);
    if (dialog.exec() != QDialog::Accepted) return false;
    rgb = dialog.NewColor();
    return true;
}

}  // namespace vandrel

// TGradDisplay: a horizontal colour bar with an optional slider mark.
//
// Column x shows the colour at t = x / (width - 1) (t = 0 for a bar one pixel wide):
//   0  the colour curve with its transparency, over an 8-pixel checkerboard of two greys;
//   1, 2  the colour curve, opaque;
//   3  a linear blend from the first to the second end colour;
//   4  the hue ramp HSV(t, saturation, value);
//   5, 6, 7  red, green or blue alone at t, the other channels 0.
// Any other mode draws black. The curve interpolates linearly between its knots, held constant
// beyond the first and last; an empty curve runs from opaque black to opaque white.
// The mark sits at column round(SlidePos * (width - 1)); dragging it sets SlidePos in 0 … 1.
#pragma once

#include <QWidget>
#include <vector>

namespace vandrel {

struct TGradColor {
    double r = 0, g = 0, b = 0, a = 1;
    bool operator==(const TGradColor&) const = default;
};

struct TGradKnot {
    double t = 0;
    TGradColor color;
};

struct TGradParams {
    int Mode = 3;
    TGradColor Color1{0, 0, 0, 1};
    TGradColor Color2{1, 1, 1, 1};
    double HueSaturation = 1;
    double HueValue = 1;
    std::vector<TGradKnot> Curve;  // by ascending t
};

inline constexpr int kGradCheckerSize = 8;
inline constexpr int kGradCheckerLight = 204;
inline constexpr int kGradCheckerDark = 153;

double GradColumnT(int x, int width);
// The colour of column t before any checkerboard (mode 0 keeps its alpha).
TGradColor GradColorAt(const TGradParams& params, double t);
// The opaque colour of pixel (x, y) of a bar of the given width, 0 … 255 per channel.
TGradColor GradPixel(const TGradParams& params, int x, int y, int width);
int GradMarkX(double pos, int width);
double GradPosFromX(int x, int width);

class TGradDisplay : public QWidget {
    Q_OBJECT

  public:
    explicit TGradDisplay(QWidget* parent = nullptr);

    int Mode() const { return params_.Mode; }
    void SetMode(int mode);
    bool SlideOn() const { return slideOn_; }
    void SetSlideOn(bool on);
    double SlidePos() const { return slidePos_; }
    // Clamped to 0 … 1; raises nothing (OnPosChanged is for the user's drags).
    void SetSlidePos(double pos);
    void SetEndColors(const TGradColor& first, const TGradColor& second);
    void SetHueSaturationValue(double saturation, double value);
    void SetCurve(std::vector<TGradKnot> curve);
    const TGradParams& Params() const { return params_; }

  Q_SIGNALS:
    void OnPosChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void DragTo(int x);

    TGradParams params_;
    bool slideOn_ = false;
    double slidePos_ = 0;
};

}  // namespace vandrel

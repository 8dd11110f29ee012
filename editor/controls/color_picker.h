// TColSelect: the own colour picker, a 215 x 228 dialog of six gradient bars (hue, saturation,
// value, red, green, blue), an old and a new swatch, and OK and Cancel below them.
//
// The picker's state is plain data (TColorPickerState), so the arithmetic is checked without a
// window:
//   - The hue lies in 0 … 127/128: bar position p gives hue p * 127/128 and the hue's mark sits at
//     hue * 128/127 (held to the bar). Keeping the top of the ramp short of 1 keeps its right end
//     from wrapping back to red.
//   - Moving an HSV bar recomputes red, green and blue; moving an RGB bar recomputes hue,
//     saturation and value (a grey keeps the hue it had, so the hue bar does not jump).
//   - Every bar shows the colours it would give at the current colour: red from 0 to 1 with green
//     and blue kept, and so on; saturation and value over their range at the current hue and the
//     other component; the hue bar the rainbow at the current saturation and value.
// Clicking "Old Color" closes with Cancel, "New Color" with OK; the button beside the old swatch
// makes the old colour the new one and closes with Cancel. OK (the default) and Cancel do the
// same as the swatches.
#pragma once

#include <QDialog>
#include <array>

#include "editor/controls/grad_display.h"

class QLabel;
class QToolButton;

namespace vandrel {

enum TColorBar { kHueBar, kSaturationBar, kValueBar, kRedBar, kGreenBar, kBlueBar };
inline constexpr int kColorBarCount = 6;
inline constexpr double kHueTop = 127.0 / 128.0;
inline constexpr int kColorPickerWidth = 215;
inline constexpr int kColorPickerHeight = 228;

double HueFromBarPosition(double position);
double HueBarPosition(double hue);

struct TColorPickerState {
    double R = 0, G = 0, B = 0;
    double H = 0, S = 0, V = 0;

    void SetRgb(double r, double g, double b);
    void SetHsv(double h, double s, double v);
    // Sets the bar's component from a position 0 … 1.
    void SetBar(int bar, double position);
    double BarPosition(int bar) const;
    // What the bar draws at the current colour.
    TGradParams BarParams(int bar) const;
};

class TSwatch;

class TColSelect : public QDialog {
    Q_OBJECT

  public:
    explicit TColSelect(QWidget* parent = nullptr);

    void SetOldColor(const std::array<double, 3>& rgb);
    std::array<double, 3> OldColor() const { return old_; }
    std::array<double, 3> NewColor() const { return {state_.R, state_.G, state_.B}; }
    const TColorPickerState& State() const { return state_; }
    // As a drag of the bar to this position.
    void MoveBar(int bar, double position);

    void ClickOldSwatch() { reject(); }
    void ClickNewSwatch() { accept(); }
    void RestoreOld();

    TGradDisplay* Bar(int bar) const { return bars_[bar]; }

    // Shows the dialog modally from the given colour; true and the new colour after OK.
    static bool Execute(QWidget* parent, const QString& title, std::array<double, 3>& rgb);

  private:
    void Refresh();

    TColorPickerState state_;
    std::array<double, 3> old_{};
    std::array<TGradDisplay*, kColorBarCount> bars_{};
    TSwatch* oldSwatch_ = nullptr;
    TSwatch* newSwatch_ = nullptr;
    QToolButton* restore_ = nullptr;
};

}  // namespace vandrel

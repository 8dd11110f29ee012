// The about box: a picture drawn in code, the acknowledgements shown one name at a time, fading
// in and out in steps of 20 ms, and OK.
#pragma once

#include <QDialog>
#include <QStringList>

class QTimer;

namespace vandrel {

inline constexpr int kAboutFadeStepMs = 20;
// Steps from invisible to fully shown (and back), and the steps a name stays fully shown.
inline constexpr int kAboutFadeSteps = 25;
inline constexpr int kAboutHoldSteps = 75;

// No signals of its own, so no meta-object: its header stays out of the moc's shared unit.
class TAboutBox : public QDialog {
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    const QStringList& Names() const { return names_; }
    int CurrentName() const { return current_; }
    // 0 … 1: how visible the current name is.
    double Opacity() const;
    QTimer* FadeTimer() const { return timer_; }
    // One 20 ms step, as the timer takes it.
    void Step();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QStringList names_;
    int current_ = 0;
    int phase_ = 0;  // steps into the current name's fade in, hold and fade out
    QTimer* timer_ = nullptr;
};

}  // namespace vandrel

// TGCheckBox: a self-drawn check box. A click toggles Checked; every change of Checked, from a
// click or from code, raises OnChange; setting the value it already has raises nothing.
#pragma once

#include <QString>
#include <QWidget>

namespace vandrel {

class TGCheckBox : public QWidget {
    Q_OBJECT

  public:
    explicit TGCheckBox(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);

  Q_SIGNALS:
    void OnChange();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString caption_;
    bool checked_ = false;
};

}  // namespace vandrel

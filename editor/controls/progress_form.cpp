#include "editor/controls/progress_form.h"

#include <QLabel>
#include <QProgressBar>

#include "editor/controls/control_fonts.h"

namespace vandrel {

TProgressForm::TProgressForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setFont(ControlFont(8));
    setFixedSize(220, 56);
    setAutoFillBackground(true);
    label_ = new QLabel(this);
    label_->setGeometry(10, 6, 200, 16);
    bar_ = new QProgressBar(this);
    bar_->setGeometry(10, 28, 200, 16);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
}

void TProgressForm::SetProgress(const QString& message, int position) {
    if (message.isEmpty()) {
        hide();
        return;
    }
    label_->setText(message);
    bar_->setValue(qBound(0, position, 100));
    if (!isVisible()) show();
    repaint();
}

QString TProgressForm::Message() const { return label_->text(); }
int TProgressForm::Position() const { return bar_->value(); }

}  // namespace vandrel

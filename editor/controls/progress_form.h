// TProgressForm: a small box with a message and a progress bar. Setting a message and a position
// shows the box and repaints it at once (the canvas rebuild runs without returning to the event
// loop); an empty message hides it.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace vandrel {

inline constexpr const char* kCreatingComponentsText = "Creating components...";
inline constexpr const char* kConnectingComponentsText = "Connecting components...";

class TProgressForm : public QWidget {
    Q_OBJECT

  public:
    explicit TProgressForm(QWidget* parent = nullptr);

    // Position 0 … 100, held to that range.
    void SetProgress(const QString& message, int position);
    QString Message() const;
    int Position() const;

  private:
    QLabel* label_;
    QProgressBar* bar_;
};

}  // namespace vandrel

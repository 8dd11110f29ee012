#include "editor/controls/qt_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "editor/controls/control_fonts.h"
#include "editor/controls/qt_text.h"

namespace vandrel {
namespace {

bool OnInterfaceThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread() &&
           qobject_cast<const QApplication*>(app) != nullptr;
}

// A box in the editor's own font, over the active window; the default button keeps the work.
int Exec(QMessageBox::Icon icon, std::string_view caption, std::string_view text,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, Q(caption), Q(text), buttons, QApplication::activeWindow());
    box.setFont(ControlFont());
    box.setDefaultButton(defaultButton);
    return box.exec();
}

}  // namespace

void TQtMessages::Show(std::string_view text, MessageIcon icon, std::string_view caption) {
    if (!OnInterfaceThread()) {
        fallback_.Show(text, icon, caption);
        return;
    }
    Exec(icon == MessageIcon::Error         ? QMessageBox::Critical
         : icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                            : QMessageBox::Information,
         caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool TQtMessages::Ask(std::string_view text, std::string_view caption) {
    if (!OnInterfaceThread()) return fallback_.Ask(text, caption);
    // Yes would disconnect, revert or lock the shader: No is what Enter answers.
    return Exec(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                QMessageBox::No) == QMessageBox::Yes;
}

MessageAnswer TQtMessages::AskYesNoCancel(std::string_view text, std::string_view caption) {
    if (!OnInterfaceThread()) return fallback_.AskYesNoCancel(text, caption);
    switch (Exec(QMessageBox::Question, caption, text,
                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:  // Escape and closing the box keep the editor as it is
            return MessageAnswer::Cancel;
    }
}

}  // namespace vandrel

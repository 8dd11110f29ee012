#include "editor/qt_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace vandrel {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool OnInterfaceThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread() &&
           qobject_cast<const QApplication*>(app) != nullptr;
}

}  // namespace

void TQtMessages::Show(std::string_view text, MessageIcon icon, std::string_view caption) {
    if (!OnInterfaceThread()) {
        fallback_.Show(text, icon, caption);
        return;
    }
    QMessageBox box(icon == MessageIcon::Error         ? QMessageBox::Critical
                    : icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                       : QMessageBox::Information,
                    Q(caption), Q(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool TQtMessages::Ask(std::string_view text, std::string_view caption) {
    if (!OnInterfaceThread()) return fallback_.Ask(text, caption);
    return QMessageBox::question(QApplication::activeWindow(), Q(caption), Q(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

MessageAnswer TQtMessages::AskYesNoCancel(std::string_view text, std::string_view caption) {
    if (!OnInterfaceThread()) return fallback_.AskYesNoCancel(text, caption);
    switch (QMessageBox::question(QApplication::activeWindow(), Q(caption), Q(text),
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                  QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:  // Escape and closing the box keep the editor as it is
            return MessageAnswer::Cancel;
    }
}

}  // namespace vandrel

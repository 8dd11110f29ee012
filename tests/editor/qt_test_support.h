// One QApplication for every widget test, on the offscreen platform unless another is set.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QInputDevice>
#include <QWidget>
#include <QtGlobal>

namespace vandrel::test {

inline QApplication& TestApplication() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *existing;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vandrel_tests";
    static char* argv[] = {name, nullptr};
    // Freed by the environment below, while Qt's own globals still exist.
    return *new QApplication(argc, argv);
}

// The tests' application goes when the tests are done, before the process's exit handlers: what
// it frees at its end (Qt's default mouse and keyboard, the hidden desktop window some dialogs
// make) needs Qt's globals, which exit may already have destroyed.
class QtDevicesEnvironment final : public ::testing::Environment {
  public:
    void TearDown() override {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (app == nullptr) return;
        const QList<const QInputDevice*> devices = QInputDevice::devices();
        for (const QInputDevice* device : devices) {
            if (device->parent() == app) delete device;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete app;
    }
};
inline ::testing::Environment* const kQtDevices =
    ::testing::AddGlobalTestEnvironment(new QtDevicesEnvironment);

// Writes a picture of the widget when VANDREL_SCREENSHOTS names a folder.
inline void Screenshot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("VANDREL_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(widget.grab().save(folder + "/" + name + ".png"));
}

}  // namespace vandrel::test

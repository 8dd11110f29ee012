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
    static QApplication app(argc, argv);
    return app;
}

// Qt makes its default mouse and keyboard on first use, as children of the application object.
// The tests' application is a static that outlives Qt's registry of devices, so those children
// would unregister from a destroyed list at exit; they go while the registry still exists.
class QtDevicesEnvironment final : public ::testing::Environment {
  public:
    void TearDown() override {
        QObject* app = QCoreApplication::instance();
        if (app == nullptr) return;
        const QList<const QInputDevice*> devices = QInputDevice::devices();
        for (const QInputDevice* device : devices) {
            if (device->parent() == app) delete device;
        }
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

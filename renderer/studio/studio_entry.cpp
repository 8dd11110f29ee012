// The studio module's one entry: a Qt application around the studio window, with the plug-in
// loaded from beside the program as a host loads it.
#include "renderer/studio/studio_entry.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>

#include "components/registry.h"
#include "core/messages.h"
#include "editor/controls/qt_dialogs.h"
#include "editor/controls/qt_messages.h"
#include "editor/model/dialogs.h"
#include "renderer/plugin_host.h"
#include "renderer/studio/studio_window.h"

namespace {

using namespace vandrel;

// Whether Qt will find a window system: without one it aborts the process from inside the
// application's constructor, with a message that does not say what to do.
bool DisplayAvailable() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(':', 0, 0);
    const bool windowSystem =
        platform.isEmpty() || platform == "xcb" || platform.startsWith("wayland");
    if (!windowSystem) return true;  // offscreen, vnc, minimal … need no display
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && platform != "xcb") return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) return false;
    // A local display ":N" or ":N.S" has its socket; a remote one is left to Qt.
    if (!display.startsWith(':')) return true;
    const QString number = display.mid(1).section('.', 0, 0);
    return std::filesystem::exists("/tmp/.X11-unix/X" + number.toStdString());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int vandrel_studio_main(int argc, char** argv,
                                                                          const char* shader) {
    InstallComponents();
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "vandrel ERROR: studio : the studio needs a display (set DISPLAY), or "
                     "QT_QPA_PLATFORM=offscreen to run without one\n");
        return 1;
    }
    static int arguments = 0;
    arguments = argc;
    QApplication application(arguments, argv);
    TPluginHost plugin;
    std::string error;
    const auto path = DefaultPluginPath();
    if (!plugin.Load(path, error)) {
        std::fprintf(stderr, "vandrel ERROR: \"%s\" : %s\n", path.c_str(), error.c_str());
        return 1;
    }
    TQtMessages messages;
    Messages* previous = InstallMessages(&messages);
    TQtDialogs dialogs;
    TDialogs* previousDialogs = InstallDialogs(&dialogs);
    studio::TPluginShaders shaders{};
    for (int32_t type = 0; type < 4; ++type)
        shaders[static_cast<size_t>(type)] = plugin.Shader(type);
    int status = 0;
    {
        studio::TStudioWindow window(shaders);
        window.show();
        if (shader != nullptr && *shader != '\0' && !window.SetSlotShader(kColor, shader, error)) {
            std::fprintf(stderr, "vandrel ERROR: \"%s\" : %s\n", shader, error.c_str());
        }
        window.RestartPreview();
        status = application.exec();
    }
    InstallDialogs(previousDialogs);
    InstallMessages(previous);
    return status;
}

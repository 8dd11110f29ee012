// The plug-in's windows as a host with a Qt user interface meets them: the real plug-in, opened
// with dlopen, loads its windows module when a panel first opens.
#include "editor/plugin/windows_module.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "editor/main_form.h"
#include "editor/plugin_windows.h"
#include "editor/qt_test_support.h"
#include "hostapi/hostapi.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// The colour shader's descriptor of the plug-in at path, registered as a host registers it.
hxShaderDescriptor RegisterColour(void* plugin) {
    auto* initialize =
        reinterpret_cast<hxShaderInitializeFunction>(dlsym(plugin, "hxShaderInitialize"));
    hxShaderDescriptor colour{};
    int32_t counter = 0;
    for (int32_t handle = 901; initialize != nullptr && counter >= 0 && handle <= 904; ++handle) {
        hxShaderDescriptor d{};
        initialize(&d, handle, &counter);
        if (d.category == 1) colour = d;
    }
    return colour;
}

// The plug-in's own panels: top-level manager windows that the in-process windows did not make.
std::vector<QWidget*> ModulePanels() {
    std::vector<QWidget*> panels;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (std::string(widget->metaObject()->className()) != "vandrel::TMainForm") continue;
        if (widget == static_cast<QWidget*>(QtPluginWindows().Panel(kColor))) continue;
        panels.push_back(widget);
    }
    return panels;
}

TEST(WindowsModule, APanelOpensAndClosesThroughThePluginsCallback) {
    test::TestApplication();
    const fs::path config =
        fs::temp_directory_path() / ("vandrel_module_" + std::to_string(getpid()));
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    test::RecordingMessages messages;
    void* plugin = dlopen(VANDREL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin, nullptr) << dlerror();
    const hxShaderDescriptor colour = RegisterColour(plugin);
    ASSERT_NE(colour.panel, nullptr);

    colour.panel(1);
    const std::vector<QWidget*> opened = ModulePanels();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0]->isVisible());
    EXPECT_EQ(opened[0]->windowTitle().toStdString(), "Vandrel [Color]");
    const fs::path module = fs::path(VANDREL_PLUGIN_PATH).parent_path() / kWindowsModule;
    void* loaded = dlopen(module.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    EXPECT_NE(loaded, nullptr);
    if (loaded != nullptr) dlclose(loaded);

    QPointer<QWidget> panel = opened[0];
    colour.panel(2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
    // Unloading the plug-in frees its windows; the module stays for the next load.
    colour.panel(1);
    ASSERT_EQ(ModulePanels().size(), 1u);
    QPointer<QWidget> reopened = ModulePanels()[0];
    EXPECT_EQ(dlclose(plugin), 0);
    EXPECT_TRUE(reopened.isNull());
    EXPECT_TRUE(messages.shown.empty());
    fs::remove_all(config);
}

// Without its module the plug-in says so once, and goes on shading; the host is not brought down.
TEST(WindowsModule, AMissingModuleIsReportedOnce) {
    test::TestApplication();  // Qt's widgets are in the process, so the plug-in tries its module
    const fs::path folder =
        fs::temp_directory_path() / ("vandrel_nomodule_" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path bin = fs::path(VANDREL_PLUGIN_PATH).parent_path();
    fs::copy_file(VANDREL_PLUGIN_PATH, folder / "libvandrel.so");
    fs::copy_file(bin / "Vandrel.lng", folder / "Vandrel.lng");
    const fs::path log = folder / "err.txt";
    const pid_t child = fork();
    if (child == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        void* plugin = dlopen((folder / "libvandrel.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (plugin == nullptr) _exit(10);
        const hxShaderDescriptor colour = RegisterColour(plugin);
        if (colour.panel == nullptr) _exit(11);
        colour.panel(1);
        colour.panel(1);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    fs::remove_all(folder);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string err = text.str();
    const std::string message = "The plug-in's windows cannot be opened";
    const size_t first = err.find(message);
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_NE(err.find(kWindowsModule, first), std::string::npos) << err;
    EXPECT_EQ(err.find(message, first + 1), std::string::npos) << err;
}

}  // namespace
}  // namespace vandrel

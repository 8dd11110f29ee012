#include "editor/plugin_windows.h"

#include <dlfcn.h>

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <filesystem>

#include "editor/about_box.h"
#include "editor/controls/qt_dialogs.h"
#include "editor/controls/qt_messages.h"
#include "editor/editor_form.h"
#include "editor/help_router.h"
#include "editor/main_form.h"
#include "editor/model/editor_settings.h"
#include "editor/model/window_links.h"

namespace vandrel {
namespace {

// The folder of the module holding this code: the plug-in's, where its samples, components and
// help lie.
std::filesystem::path ModuleFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) == 0 || info.dli_fname == nullptr) {
        return std::filesystem::current_path();
    }
    return std::filesystem::absolute(info.dli_fname).parent_path();
}

// Qt cannot be unloaded once it has run: its globals and exit handlers outlive a dlclose of the
// plug-in that brought it in. The plug-in keeps Qt's libraries loaded for the life of the process.
void PinLibraryOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return;
    (void)dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

void PinQt() {
    PinLibraryOf(reinterpret_cast<const void*>(&qVersion));
    PinLibraryOf(&QGuiApplication::staticMetaObject);
    PinLibraryOf(&QApplication::staticMetaObject);
}

}  // namespace

struct TQtPluginWindows::TState {
    std::array<QPointer<TMainForm>, kOutputTypeCount> panels;
    QPointer<TEditorForm> editor;
    TQtMessages messages;
    bool sharedInstalled = false;
};

TQtPluginWindows::TQtPluginWindows() : state_(std::make_unique<TState>()) {
    // The plug-in makes its windows before it registers its exit handler, which writes the
    // settings and closes the windows: what that handler uses must exist now, so that it is
    // destroyed after the handler has run (at exit and at unload alike).
    (void)EditorSettings();
    (void)WindowLinks();
    (void)CurrentMessages();
    PinQt();
}

TQtPluginWindows::~TQtPluginWindows() = default;

bool TQtPluginWindows::WindowsPossible() const {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void TQtPluginWindows::InstallShared() {
    if (state_->sharedInstalled) return;
    state_->sharedInstalled = true;
    // A sink installed before (a test's) stays.
    if (Messages* previous = InstallMessages(&state_->messages); previous != nullptr) {
        InstallMessages(previous);
    }
    InstallQtDialogsOnce();
    InstallHelpRouter();
    InstallPanelObserver();
    WindowLinks().About = [] {
        TAboutBox box(QApplication::activeWindow());
        box.exec();
    };
    // Panels may be opened before the first render.
    LoadEditorSettingsOnce(ModuleFolder());
}

void TQtPluginWindows::InitialiseOnce() { LoadEditorSettingsOnce(ModuleFolder()); }

TMainForm* TQtPluginWindows::Panel(int32_t outputType) const {
    if (outputType < 0 || outputType >= kOutputTypeCount) return nullptr;
    return state_->panels[static_cast<size_t>(outputType)].data();
}

TEditorForm& TQtPluginWindows::Editor() {
    if (state_->editor == nullptr) state_->editor = new TEditorForm(Plugin().Interface);
    return *state_->editor;
}

void TQtPluginWindows::OpenPanel(int32_t outputType) {
    if (outputType < 0 || outputType >= kOutputTypeCount || !WindowsPossible()) return;
    InstallShared();
    if (state_->editor == nullptr) Editor().hide();  // the panels' Edit reaches it
    QPointer<TMainForm>& panel = state_->panels[static_cast<size_t>(outputType)];
    if (panel == nullptr) panel = new TMainForm(outputType);
    panel->SelectShaderFile(Plugin().CurrentShader[static_cast<size_t>(outputType)]);
    panel->show();
    panel->raise();
}

void TQtPluginWindows::ClosePanel(int32_t outputType) {
    TMainForm* panel = Panel(outputType);
    if (panel == nullptr || !WindowsPossible()) return;
    panel->hide();
    panel->deleteLater();
    state_->panels[static_cast<size_t>(outputType)] = nullptr;
}

void TQtPluginWindows::RefreshPanel(int32_t outputType) {
    if (TMainForm* panel = Panel(outputType); panel != nullptr && panel->isVisible()) {
        panel->RefreshShaderList();
        panel->SelectShaderFile(Plugin().CurrentShader[static_cast<size_t>(outputType)]);
    }
}

void TQtPluginWindows::ShaderChosen(int32_t outputType) {
    if (TMainForm* panel = Panel(outputType); panel != nullptr && panel->isVisible()) {
        panel->SelectShaderFile(Plugin().CurrentShader[static_cast<size_t>(outputType)]);
    }
}

void TQtPluginWindows::ValuesChanged(int32_t outputType) {
    if (TMainForm* panel = Panel(outputType); panel != nullptr && panel->isVisible()) {
        panel->ReloadControls();
    }
}

void TQtPluginWindows::CloseAll() {
    for (QPointer<TMainForm>& panel : state_->panels) {
        delete panel.data();
        panel = nullptr;
    }
    delete state_->editor.data();
    state_->editor = nullptr;
    // Panels closed by the host wait for the event loop; the plug-in's code may not outlast it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TQtPluginWindows::Unloading() {
    if (state_->editor != nullptr) {
        EditorSettings().EditNew = state_->editor->Session().AutoEdit;
    }
    SaveEditorSettingsIfLoaded();
    // Windows left when the application is gone are Qt's to free; freeing them after it would
    // touch a dead window system.
    if (WindowsPossible()) CloseAll();
    if (&CurrentMessages() == &state_->messages) InstallMessages(nullptr);
}

TRecentFolders TQtPluginWindows::RecentFolders() { return EditorSettings().Search; }

TQtPluginWindows& QtPluginWindows() {
    static TQtPluginWindows windows;
    return windows;
}

}  // namespace vandrel

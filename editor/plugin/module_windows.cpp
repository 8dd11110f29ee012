// Linked into the plug-in: gives the binding windows that open libvandrel_windows.so on first use.
// The editor's settings are plain C++ in the shared core, so that a render without windows still
// reads the recent folders of its search path, and the windows, once open, share them.
#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/messages.h"
#include "editor/model/editor_settings.h"
#include "editor/plugin/windows_module.h"

namespace vandrel {
namespace {

std::filesystem::path PluginFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&PluginFolder), &info) == 0 || info.dli_fname == nullptr) {
        return std::filesystem::current_path();
    }
    return std::filesystem::absolute(info.dli_fname).parent_path();
}

// Where Qt's widgets were never loaded there is no application to show a window in, and the
// module, which would load them, is left alone.
bool QtWidgetsLoaded() {
    void* widgets = dlopen("libQt6Widgets.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (widgets != nullptr) dlclose(widgets);
    return widgets != nullptr;
}

class TModuleWindows final : public TPluginWindows {
  public:
    TModuleWindows() {
        // Made before the plug-in registers its exit handler, which saves them.
        (void)EditorSettings();
        (void)CurrentMessages();
    }

    void OpenPanel(int32_t outputType) override {
        if (TPluginWindows* windows = Load()) windows->OpenPanel(outputType);
    }
    void ClosePanel(int32_t outputType) override {
        if (windows_ != nullptr) windows_->ClosePanel(outputType);
    }
    void RefreshPanel(int32_t outputType) override {
        if (windows_ != nullptr) windows_->RefreshPanel(outputType);
    }
    void ShaderChosen(int32_t outputType) override {
        if (windows_ != nullptr) windows_->ShaderChosen(outputType);
    }
    void ValuesChanged(int32_t outputType) override {
        if (windows_ != nullptr) windows_->ValuesChanged(outputType);
    }
    void InitialiseOnce() override { LoadEditorSettingsOnce(PluginFolder()); }
    void Unloading() override {
        if (windows_ != nullptr) {
            windows_->Unloading();
        } else {
            SaveEditorSettingsIfLoaded();
        }
    }
    TRecentFolders RecentFolders() override { return EditorSettings().Search; }

  private:
    TPluginWindows* Load() {
        if (windows_ != nullptr || failed_ || !QtWidgetsLoaded()) return windows_.get();
        const std::filesystem::path path = PluginFolder() / kWindowsModule;
        // Never closed: Qt, which it brings in, cannot be unloaded once it has run.
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        void* entry = module != nullptr ? dlsym(module, kWindowsEntry) : nullptr;
        if (entry == nullptr) {
            failed_ = true;  // one message, not one per click
            const char* reason = dlerror();
            ShowError("The plug-in's windows cannot be opened: " +
                      std::string(reason != nullptr ? reason : path.string()));
            return nullptr;
        }
        windows_.reset(reinterpret_cast<TCreateWindows>(entry)(
            TWindowsBinding{&Plugin(), &vandrel::RequestUpdate}));
        return windows_.get();
    }

    std::unique_ptr<TPluginWindows> windows_;
    bool failed_ = false;
};

}  // namespace

TPluginWindows* VandrelPluginWindows() {
    static TModuleWindows windows;
    return &windows;
}

}  // namespace vandrel

// The studio's main window: the host's material panel played by the stand-in host. Four slots
// (Color, Transparency, Reflectance, Displacement), each opening the plug-in's manager panel for
// its output type; a live preview restarted whenever the plug-in asks for an update; the object's
// shape and the picture's size; materials saved to and loaded from JSON files; the material
// rendered to an image file; a slot's shader baked into a texture map on the object's mesh (or the
// UV plane).
//
// What a slot renders is always read back through the plug-in's get-parameter callbacks, as a host
// reads it; the window keeps no copy of its own. User-interface thread only.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "editor/model/dialogs.h"
#include "renderer/host/host_state.h"
#include "renderer/studio/studio_render.h"
#include "renderer/studio_material.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace vandrel::studio {

// Linear RGB floats as an 8-bit sRGB picture.
QImage PassImage(int width, int height, const std::vector<float>& rgb);

class TStudioWindow final : public QMainWindow {
  public:
    explicit TStudioWindow(const TPluginShaders& shaders, QWidget* parent = nullptr);
    ~TStudioWindow() override;

    // A slot's shader, its values starting from the shader's interface defaults; an empty name
    // clears the slot. False with a reason when the file cannot be read.
    bool SetSlotShader(int32_t outputType, const std::string& file, std::string& error);
    void SetView(host::ShapeKind shape, int size);
    // Shows the preview on a model file in place of the object; false with a reason (and the
    // view as it was) when the file cannot be used.
    bool SetMesh(const std::string& path, std::string& error);

    // Restarts the preview from the plug-in's current values.
    void RestartPreview();
    void StopRender();

    bool SaveMaterial(const std::string& path, std::string& error) const;
    // Applies a material file through the set-parameter callbacks and restarts the preview; a
    // file that fails changes nothing.
    bool LoadMaterial(const std::string& path, std::string& error);
    // Renders the material at the chosen size into an image file (PNG or EXR), in the background.
    void RenderToFile(const std::string& path);

    // The commands behind the buttons, their dialogs through CurrentDialogs() and their errors
    // through CurrentMessages().
    void OpenPanelCommand(int32_t outputType);
    void ChooseShaderCommand(int32_t outputType);
    void OpenMaterialCommand();
    void SaveMaterialCommand();
    void RenderToFileCommand();
    // "Object: Mesh...": asks for a model file.
    void MeshCommand();

    // The slot and the map size that Bake to File uses.
    void SetBakeOptions(int32_t outputType, int size);
    // Bakes the slot's shader into a map (PNG, EXR or TIFF): in the mesh's UV layout when the
    // object is a mesh, else on the UV plane, as `vandrel bake` does. Waits for the preview to
    // stop, bakes on this thread, then restarts it. False with a reason when nothing was written.
    bool BakeToFile(const std::string& path, std::string& error);
    // "Bake to File...": asks for the map's file.
    void BakeToFileCommand();

    bool Busy() const { return renderer_.Busy(); }
    uint64_t StartedRenders() const { return renderer_.StartedRenders(); }
    // The last preview or file render that ran to its end: its render number and final pass.
    uint64_t FinishedRender() const { return finished_.Render; }
    const TStudioPass& FinishedPass() const { return finished_; }
    const TStudioOutcome& LastOutcome() const { return outcome_; }
    // The picture the preview shows now: the render and the pass it came from and its size.
    struct TShownPicture {
        uint64_t Render = 0;
        int Index = 0;
        int Width = 0;
        int Height = 0;
    };
    const TShownPicture& Shown() const { return shown_; }
    std::string StatusText() const;

  private:
    void BuildWidgets();
    void ShowPass(const TStudioPass& pass);
    void RenderFinished(const TStudioOutcome& outcome);
    void RefreshSlots();
    TStudioView View() const;

    TPluginShaders shaders_;
    TStudioRenderer renderer_;
    host::ShaderUpdateListener previousListener_;
    std::unique_ptr<QObject> updateReceiver_;
    // A burst of update requests (one per output type) restarts the preview once.
    std::shared_ptr<std::atomic<bool>> restartQueued_ = std::make_shared<std::atomic<bool>>(false);
    TStudioPass finished_;
    TStudioOutcome outcome_;
    TShownPicture shown_;
    std::string lastFolder_;
    std::shared_ptr<const host::TMeshGeometry> mesh_;
    int shapeIndex_ = 0;  // the last choice of the shape box that showed

    std::array<QLabel*, 4> shaderLabels_{};
    QComboBox* shapeBox_ = nullptr;
    QComboBox* sizeBox_ = nullptr;
    QComboBox* bakeSlotBox_ = nullptr;
    QComboBox* bakeSizeBox_ = nullptr;
    QLabel* preview_ = nullptr;
    QPushButton* stopButton_ = nullptr;
};

}  // namespace vandrel::studio

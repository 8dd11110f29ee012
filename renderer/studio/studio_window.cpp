#include "renderer/studio/studio_window.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/context.h"
#include "core/messages.h"
#include "core/search_path.h"
#include "core/shader_file.h"
#include "editor/controls/qt_text.h"
#include "renderer/bake_mesh.h"
#include "renderer/host/mesh_geometry.h"
#include "renderer/image_writer.h"
#include "renderer/plugin_host.h"

namespace vandrel::studio {

namespace {

constexpr int32_t kSlotRows[4] = {kColor, kTransparency, kReflectance, kDisplacement};
constexpr int kSizes[] = {128, 256, 384, 512};
constexpr int kDefaultSize = 256;
constexpr const char* kShaderFilter = "Vandrel Bytecode (.xrb)|*.xrb";
constexpr const char* kMaterialFilter = "Vandrel Material (.json)|*.json";
constexpr const char* kImageFilter = "PNG image (.png)|*.png|OpenEXR image (.exr)|*.exr";
constexpr const char* kMapFilter =
    "PNG image (.png)|*.png|OpenEXR image (.exr)|*.exr|TIFF image (.tif)|*.tif;*.tiff";
constexpr int kBakeSizes[] = {256, 512, 1024, 2048, 4096};
constexpr int kDefaultBakeSize = 1024;

struct TShapeChoice {
    const char* name;
    host::ShapeKind shape;
};
constexpr TShapeChoice kShapes[] = {{"Sphere", host::ShapeKind::kSphere},
                                    {"Cube", host::ShapeKind::kCube},
                                    {"Plane", host::ShapeKind::kPlane},
                                    {"Torus", host::ShapeKind::kTorus}};
// The last entry of the shape box, after the shapes.
constexpr const char* kMeshChoice = "Mesh...";
constexpr int kMeshIndex = static_cast<int>(std::size(kShapes));
constexpr const char* kMeshFilter =
    "Models (*.obj *.gltf *.glb *.ply *.fbx *.stl *.dae *.3ds);;All files (*)";

uint8_t Srgb8(float linear) {
    if (!std::isfinite(linear)) return 0;
    const float v = std::clamp(linear, 0.0f, 1.0f);
    const float encoded = v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f;
    return static_cast<uint8_t>(std::lround(encoded * 255));
}

void ShowError(const std::string& context, const std::string& error) {
    CurrentMessages().Show(context + ": " + error, MessageIcon::Error, "Vandrel Studio");
}

}  // namespace

QImage PassImage(int width, int height, const std::vector<float>& rgb) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        return {};
    }
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        const float* row = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
        for (int k = 0; k < width * 3; ++k) line[k] = Srgb8(row[k]);
    }
    return image;
}

TStudioWindow::TStudioWindow(const TPluginShaders& shaders, QWidget* parent)
    : QMainWindow(parent),
      shaders_(shaders),
      renderer_(shaders),
      updateReceiver_(std::make_unique<QObject>()) {
    setWindowTitle("Vandrel Studio");
    BuildWidgets();
    renderer_.OnPass = [this](const TStudioPass& pass) { ShowPass(pass); };
    renderer_.OnFinished = [this](const TStudioOutcome& outcome) { RenderFinished(outcome); };
    // The plug-in may ask for an update from inside one of its callbacks: the restart waits for
    // the event loop rather than re-entering it.
    QObject* receiver = updateReceiver_.get();
    previousListener_ =
        host::SetShaderUpdateListener([this, receiver, queued = restartQueued_](int32_t) {
            if (queued->exchange(true)) return;
            QMetaObject::invokeMethod(
                receiver,
                [this, queued] {
                    queued->store(false);
                    RestartPreview();
                },
                Qt::QueuedConnection);
        });
    RefreshSlots();
}

TStudioWindow::~TStudioWindow() {
    host::SetShaderUpdateListener(previousListener_);
    updateReceiver_.reset();
}

void TStudioWindow::BuildWidgets() {
    auto* central = new QWidget(this);
    auto* columns = new QHBoxLayout(central);

    auto* left = new QVBoxLayout;
    auto* slotsBox = new QGroupBox("Material", central);
    auto* grid = new QGridLayout(slotsBox);
    for (int row = 0; row < 4; ++row) {
        const int32_t type = kSlotRows[row];
        const std::string_view name = SlotName(type);
        grid->addWidget(new QLabel(Q(name), slotsBox), row, 0);
        auto* shader = new QLabel(slotsBox);
        shader->setMinimumWidth(140);
        shaderLabels_[static_cast<size_t>(type)] = shader;
        grid->addWidget(shader, row, 1);
        // Four rows of the same buttons: their names say which slot they act on.
        const QString slot = Q(name);
        auto* panel = new QPushButton("Panel", slotsBox);
        panel->setObjectName("Panel" + slot);
        panel->setAccessibleName(slot + " panel");
        panel->setToolTip("Open the manager panel of this slot");
        connect(panel, &QPushButton::clicked, this, [this, type] { OpenPanelCommand(type); });
        grid->addWidget(panel, row, 2);
        auto* choose = new QPushButton("Shader...", slotsBox);
        choose->setObjectName("Shader" + slot);
        choose->setAccessibleName(slot + " shader");
        choose->setToolTip("Choose the shader file of this slot");
        connect(choose, &QPushButton::clicked, this, [this, type] { ChooseShaderCommand(type); });
        grid->addWidget(choose, row, 3);
        auto* clear = new QPushButton("Clear", slotsBox);
        clear->setObjectName("Clear" + slot);
        clear->setAccessibleName("Clear " + slot);
        clear->setToolTip("Leave this slot to the host's default");
        connect(clear, &QPushButton::clicked, this, [this, type] {
            std::string error;
            SetSlotShader(type, {}, error);
        });
        grid->addWidget(clear, row, 4);
    }
    left->addWidget(slotsBox);

    auto* viewBox = new QGroupBox("View", central);
    auto* viewRow = new QHBoxLayout(viewBox);
    viewRow->addWidget(new QLabel("Shape", viewBox));
    shapeBox_ = new QComboBox(viewBox);
    shapeBox_->setAccessibleName("Shape");
    for (const TShapeChoice& choice : kShapes) shapeBox_->addItem(choice.name);
    shapeBox_->addItem(kMeshChoice);
    viewRow->addWidget(shapeBox_);
    viewRow->addWidget(new QLabel("Size", viewBox));
    sizeBox_ = new QComboBox(viewBox);
    sizeBox_->setAccessibleName("Size");
    for (const int size : kSizes) sizeBox_->addItem(QString("%1 x %1").arg(size), size);
    sizeBox_->setCurrentIndex(sizeBox_->findData(kDefaultSize));
    viewRow->addWidget(sizeBox_);
    viewRow->addStretch();
    connect(shapeBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index == kMeshIndex && mesh_ == nullptr) {
            // Nothing to show yet: the dialog decides; the box goes back when it is cancelled.
            const QSignalBlocker block(shapeBox_);
            shapeBox_->setCurrentIndex(shapeIndex_);
            MeshCommand();
            return;
        }
        shapeIndex_ = index;
        RestartPreview();
    });
    connect(sizeBox_, &QComboBox::currentIndexChanged, this, [this] { RestartPreview(); });
    left->addWidget(viewBox);

    auto* bakeBox = new QGroupBox("Bake", central);
    auto* bakeRow = new QHBoxLayout(bakeBox);
    bakeRow->addWidget(new QLabel("Slot", bakeBox));
    bakeSlotBox_ = new QComboBox(bakeBox);
    bakeSlotBox_->setAccessibleName("Bake slot");
    for (const int32_t type : kSlotRows) {
        const std::string_view name = SlotName(type);
        bakeSlotBox_->addItem(Q(name), type);
    }
    bakeRow->addWidget(bakeSlotBox_);
    bakeRow->addWidget(new QLabel("Map", bakeBox));
    bakeSizeBox_ = new QComboBox(bakeBox);
    bakeSizeBox_->setAccessibleName("Map size");
    for (const int size : kBakeSizes) bakeSizeBox_->addItem(QString("%1 x %1").arg(size), size);
    bakeSizeBox_->setCurrentIndex(bakeSizeBox_->findData(kDefaultBakeSize));
    bakeRow->addWidget(bakeSizeBox_);
    bakeRow->addStretch();
    left->addWidget(bakeBox);

    auto* commands = new QGridLayout;
    const auto button = [&](const char* text, const char* tip, int row, int column, auto action) {
        auto* b = new QPushButton(text, central);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, action);
        commands->addWidget(b, row, column);
        return b;
    };
    button("Open Material...", "Read a material file", 0, 0, [this] { OpenMaterialCommand(); });
    button("Save Material...", "Write the four slots to a material file", 0, 1,
           [this] { SaveMaterialCommand(); });
    button("Render to File...", "Render the material to a PNG or EXR image", 1, 0,
           [this] { RenderToFileCommand(); });
    stopButton_ = button("Stop", "Cancel the render", 1, 1, [this] { StopRender(); });
    button("Bake to File...", "Bake the chosen slot's shader into a texture map", 2, 0,
           [this] { BakeToFileCommand(); });
    stopButton_->setEnabled(false);
    left->addLayout(commands);
    left->addStretch();
    columns->addLayout(left);

    preview_ = new QLabel(central);
    preview_->setObjectName("StudioPreview");
    preview_->setAccessibleName("Material preview");
    preview_->setFixedSize(kSizes[std::size(kSizes) - 1], kSizes[std::size(kSizes) - 1]);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setStyleSheet("background: rgb(40, 40, 40);");
    columns->addWidget(preview_);
    setCentralWidget(central);
    statusBar()->showMessage("Ready");
}

TStudioView TStudioWindow::View() const {
    TStudioView view;
    if (shapeBox_->currentIndex() == kMeshIndex && mesh_ != nullptr) {
        view.Shape = host::ShapeKind::kMesh;
        view.Mesh = mesh_;
    } else {
        const int shape =
            std::clamp(shapeBox_->currentIndex(), 0, static_cast<int>(std::size(kShapes)) - 1);
        view.Shape = kShapes[shape].shape;
    }
    view.Width = view.Height =
        sizeBox_->currentData().toInt() > 0 ? sizeBox_->currentData().toInt() : kDefaultSize;
    return view;
}

void TStudioWindow::SetView(host::ShapeKind shape, int size) {
    // One restart for both changes.
    const QSignalBlocker blockShape(shapeBox_), blockSize(sizeBox_);
    for (int i = 0; i < static_cast<int>(std::size(kShapes)); ++i) {
        if (kShapes[i].shape == shape) shapeBox_->setCurrentIndex(i), shapeIndex_ = i;
    }
    int index = sizeBox_->findData(size);
    if (index < 0) {
        sizeBox_->addItem(QString("%1 x %1").arg(size), size);
        index = sizeBox_->count() - 1;
    }
    sizeBox_->setCurrentIndex(index);
    RestartPreview();
}

void TStudioWindow::RefreshSlots() {
    const TStudioMaterial material = ReadMaterial(shaders_);
    for (const int32_t type : kSlotRows) {
        QLabel* label = shaderLabels_[static_cast<size_t>(type)];
        const std::string& shader = material[static_cast<size_t>(type)].Shader;
        const QString path = Q(shader);
        label->setText(shader.empty() ? QString("(default)") : QFileInfo(path).completeBaseName());
        label->setToolTip(shader.empty() ? QString("No shader: the host's default") : path);
    }
}

void TStudioWindow::RestartPreview() {
    RefreshSlots();
    renderer_.Start(ReadMaterial(shaders_), View());
    stopButton_->setEnabled(true);
    statusBar()->showMessage("Rendering...");
}

void TStudioWindow::StopRender() {
    renderer_.Stop();
    statusBar()->showMessage("Stopping...");
}

void TStudioWindow::ShowPass(const TStudioPass& pass) {
    // A pass of a render that was replaced meanwhile is stale.
    if (pass.Render != renderer_.StartedRenders()) return;
    const QImage image = PassImage(pass.Width, pass.Height, pass.Rgb);
    const int side = std::max(View().Width, 1);
    preview_->setPixmap(QPixmap::fromImage(
        image.scaled(side, side * pass.Height / std::max(pass.Width, 1), Qt::KeepAspectRatio,
                     pass.Final() ? Qt::SmoothTransformation : Qt::FastTransformation)));
    shown_ = {pass.Render, pass.Index, pass.Width, pass.Height};
    if (pass.Final()) {
        finished_ = pass;
    } else {
        statusBar()->showMessage(
            QString("Rendering... pass %1 of %2").arg(pass.Index + 1).arg(pass.Count));
    }
}

void TStudioWindow::RenderFinished(const TStudioOutcome& outcome) {
    outcome_ = outcome;
    if (renderer_.Busy()) return;  // the next render already runs
    stopButton_->setEnabled(false);
    if (!outcome.Completed) {
        statusBar()->showMessage("Stopped");
    } else if (!outcome.Error.empty()) {
        ShowError(outcome.OutputFile, outcome.Error);
        statusBar()->showMessage(Q("Not written: " + outcome.Error));
    } else if (!outcome.OutputFile.empty()) {
        statusBar()->showMessage(Q("Written to " + outcome.OutputFile));
    } else {
        statusBar()->showMessage("Done");
    }
}

std::string TStudioWindow::StatusText() const { return S(statusBar()->currentMessage()); }

bool TStudioWindow::SetSlotShader(int32_t outputType, const std::string& file, std::string& error) {
    if (outputType < 0 || outputType >= kOutputTypeCount) return false;
    TStudioSlot slot;
    if (!file.empty()) {
        std::error_code failure;
        const std::filesystem::path path = std::filesystem::absolute(file, failure);
        if (failure || !std::filesystem::is_regular_file(path, failure)) {
            error = "no such shader file";
            return false;
        }
        const TLoadedShader loaded = LoadShaderFile(path.string(), TSearchPath{});
        if (loaded.status == ShaderFileStatus::kUnreadable ||
            loaded.status == ShaderFileStatus::kTooLong) {
            error = ShaderFileProblem(loaded.status);
            return false;
        }
        slot.Shader = path.string();
        slot.Values = InterfaceDefaults(loaded.stream);
    }
    WriteSlot(shaders_, outputType, slot);
    RestartPreview();
    return true;
}

bool TStudioWindow::SaveMaterial(const std::string& path, std::string& error) const {
    return SaveMaterialFile(path, ReadMaterial(shaders_), error);
}

bool TStudioWindow::LoadMaterial(const std::string& path, std::string& error) {
    const std::optional<TStudioMaterial> material = LoadMaterialFile(path, error);
    if (!material) return false;
    WriteMaterial(shaders_, *material);
    RestartPreview();
    return true;
}

void TStudioWindow::RenderToFile(const std::string& path) {
    RefreshSlots();
    renderer_.Start(ReadMaterial(shaders_), View(), path);
    stopButton_->setEnabled(true);
    statusBar()->showMessage(Q("Rendering to " + path + "..."));
}

void TStudioWindow::OpenPanelCommand(int32_t outputType) {
    const hxPanelCallback panel = shaders_[static_cast<size_t>(outputType)].panel;
    if (panel != nullptr) panel(1);
    // A panel may have chosen another shader without asking for an update.
    RefreshSlots();
}

void TStudioWindow::ChooseShaderCommand(int32_t outputType) {
    TFileRequest request{"Choose Shader", kShaderFilter, lastFolder_, {}, ".xrb"};
    const std::optional<std::string> file = CurrentDialogs().OpenFile(request);
    if (!file) return;
    lastFolder_ = std::filesystem::path(*file).parent_path().string();
    std::string error;
    if (!SetSlotShader(outputType, *file, error)) ShowError(*file, error);
}

void TStudioWindow::OpenMaterialCommand() {
    TFileRequest request{"Open Material", kMaterialFilter, lastFolder_, {}, ".json"};
    const std::optional<std::string> file = CurrentDialogs().OpenFile(request);
    if (!file) return;
    lastFolder_ = std::filesystem::path(*file).parent_path().string();
    std::string error;
    if (!LoadMaterial(*file, error)) ShowError(*file, error);
}

void TStudioWindow::SaveMaterialCommand() {
    TFileRequest request{"Save Material", kMaterialFilter, lastFolder_, "material.json", ".json"};
    const std::optional<std::string> file = CurrentDialogs().SaveFile(request);
    if (!file) return;
    lastFolder_ = std::filesystem::path(*file).parent_path().string();
    std::string error;
    if (!SaveMaterial(*file, error)) ShowError(*file, error);
}

bool TStudioWindow::SetMesh(const std::string& path, std::string& error) {
    std::shared_ptr<const host::TMeshGeometry> mesh = host::TMeshGeometry::Load(path, error);
    if (mesh == nullptr) return false;
    mesh_ = std::move(mesh);
    {
        const QSignalBlocker block(shapeBox_);
        shapeBox_->setCurrentIndex(kMeshIndex);
        shapeIndex_ = kMeshIndex;
    }
    RestartPreview();
    return true;
}

void TStudioWindow::MeshCommand() {
    TFileRequest request{"Object: Mesh", kMeshFilter, lastFolder_, {}, ".obj"};
    const std::optional<std::string> file = CurrentDialogs().OpenFile(request);
    if (!file) return;
    lastFolder_ = std::filesystem::path(*file).parent_path().string();
    std::string error;
    if (!SetMesh(*file, error)) ShowError(*file, error);
}

void TStudioWindow::RenderToFileCommand() {
    TFileRequest request{"Render to File", kImageFilter, lastFolder_, "material.png", ".png"};
    const std::optional<std::string> file = CurrentDialogs().SaveFile(request);
    if (!file) return;
    lastFolder_ = std::filesystem::path(*file).parent_path().string();
    RenderToFile(*file);
}

void TStudioWindow::SetBakeOptions(int32_t outputType, int size) {
    const int slot = bakeSlotBox_->findData(outputType);
    if (slot >= 0) bakeSlotBox_->setCurrentIndex(slot);
    int index = bakeSizeBox_->findData(size);
    if (index < 0 && size > 0) {
        bakeSizeBox_->addItem(QString("%1 x %1").arg(size), size);
        index = bakeSizeBox_->count() - 1;
    }
    if (index >= 0) bakeSizeBox_->setCurrentIndex(index);
}

bool TStudioWindow::BakeToFile(const std::string& path, std::string& error) {
    const int32_t type = bakeSlotBox_->currentData().toInt();
    const TStudioSlot slot = ReadMaterial(shaders_)[static_cast<size_t>(type)];
    if (slot.Shader.empty()) {
        error = "the " + std::string(SlotName(type)) + " slot has no shader to bake";
        return false;
    }
    if (!IsMapPath(path)) {
        error = "the map must end in .png, .exr, .tif or .tiff";
        return false;
    }
    const int size = std::max(bakeSizeBox_->currentData().toInt(), 1);
    const std::shared_ptr<const host::TMeshGeometry> mesh =
        View().Shape == host::ShapeKind::kMesh ? mesh_ : nullptr;
    TUvLayout layout;
    if (mesh != nullptr && !layout.Build(mesh->Mesh(), size, size, error)) return false;

    // The plug-in renders one thing at a time: the preview stops for the bake.
    renderer_.StopAndWait();
    statusBar()->showMessage(Q("Baking to " + path + "..."));
    TPluginHost plugin;
    plugin.Adopt(shaders_);
    TBakeSettings settings;
    settings.width = settings.height = size;
    settings.outputType = type;
    bool written = false;
    try {
        written = vandrel::BakeToFile(plugin, CreateMaterial(slot.Shader, slot.Values), settings,
                                      mesh != nullptr ? &layout : nullptr, path, error);
    } catch (const std::exception& e) {
        error = e.what();
    }
    RestartPreview();
    statusBar()->showMessage(Q(written ? "Baked to " + path : "Not written: " + error));
    return written;
}

void TStudioWindow::BakeToFileCommand() {
    TFileRequest request{"Bake to File", kMapFilter, lastFolder_, "map.png", ".png"};
    const std::optional<std::string> file = CurrentDialogs().SaveFile(request);
    if (!file) return;
    lastFolder_ = std::filesystem::path(*file).parent_path().string();
    std::string error;
    if (!BakeToFile(*file, error)) ShowError(*file, error);
}

}  // namespace vandrel::studio

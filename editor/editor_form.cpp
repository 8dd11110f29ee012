#include "editor/editor_form.h"

// clang-format off
#include "core/catalogue.h"
#include "editor/add_preset_dialog.h"
#include "editor/component_window.h"
#include "editor/controls/control_fonts.h"
#include "editor/controls/expander_panel.h"
#include "editor/controls/image_grid_select.h"
#include "editor/controls/spin_edit.h"
#include "editor/help_router.h"
#include "editor/interface_editor.h"
#include "editor/model/editor_settings.h"
#include "editor/palette_icons.h"
#include "editor/preview_widget.h"
#include "editor/qt_dialogs.h"
#include "host/plugin.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>
// clang-format on

#include <algorithm>
#include <cctype>

namespace vandrel {
namespace {

constexpr const char* kProductPage = "https://vandrel.org/";
constexpr const char* kSupportPage = "https://vandrel.org/support/";

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool SameFile(std::string_view a, std::string_view b) {
    return !a.empty() && a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The category boxes by output type.
constexpr const char* kCategoryBoxes[kOutputTypeCount] = {"CheckBox4", "CheckBox2", "CheckBox1",
                                                          "CheckBox3"};

}  // namespace

TEditorForm::TEditorForm(TXRInterfaceModel& interfaceModel, QWidget* parent)
    : QWidget(parent, Qt::Window),
      interface_(interfaceModel),
      graph_(std::make_unique<TXRGraphModel>(interfaceModel)),
      session_(*graph_, *this) {
    InstallQtDialogsOnce();
    setFont(ControlFont());
    setWindowTitle(Q(kEditorCaption));
    setMinimumSize(620, 200);
    resize(kEditorClientWidth, kEditorClientHeight);
    graph_->AddObserver(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    expander_ = new TExpanderPanel(this);
    expander_->setObjectName("ExpanderTools");
    expander_->SetCaption("Tools & Options");
    expander_->SetAutoHint("tools & options");
    auto* tools = new QWidget(this);
    tools->setObjectName("PanelTools");
    BuildTools(tools);
    expander_->SetExpandedHeight(kToolsExpandedHeight);
    expander_->SetAttachedControl(tools);
    layout->addWidget(expander_);
    layout->addWidget(tools);

    auto* paletteArea = new QWidget(this);
    BuildPalette(paletteArea);
    layout->addWidget(paletteArea);

    canvas_ = new TXRComponentWindow(*graph_, this);
    canvas_->setObjectName("ComponentWindow");
    QPalette canvasPalette = canvas_->palette();
    canvasPalette.setColor(QPalette::Window, QColor(160, 160, 160));
    canvas_->setPalette(canvasPalette);
    canvas_->setAutoFillBackground(true);
    layout->addWidget(canvas_, 1);
    connect(canvas_, &TXRComponentWindow::previewUpdate, this, [this](TXRComponentContainer* c) {
        if (checks_["CheckInstantPreview"]->isChecked()) Preview(c);
    });

    // Ctrl shortcuts; those with an enabled state only while their button is enabled.
    const auto shortcut = [this](Qt::Key key, const char* button, auto command) {
        auto* s = new QShortcut(QKeySequence(Qt::CTRL | key), this);
        connect(s, &QShortcut::activated, this, [this, button, command] {
            QToolButton* b = Button(button);
            if (b != nullptr && !b->isEnabled()) return;
            CancelTool();
            command();
        });
    };
    shortcut(Qt::Key_C, "BtnClipCopy", [this] { session_.Copy(); });
    shortcut(Qt::Key_F, "BtnFetch", [this] { session_.Fetch(); });
    shortcut(Qt::Key_H, "BtnHold", [this] { session_.Hold(); });
    shortcut(Qt::Key_N, "BtnNewShader", [this] { session_.NewShader(); });
    shortcut(Qt::Key_O, "BtnOpenShader", [this] { session_.OpenShaderDialog(); });
    shortcut(Qt::Key_S, "BtnSave", [this] { session_.Save(); });
    shortcut(Qt::Key_V, "BtnClipPaste", [this] { BeginPaste(); });
    shortcut(Qt::Key_X, "BtnClipCut", [this] { session_.Cut(); });
    shortcut(Qt::Key_Z, "BtnUndo", [this] { session_.Undo(); });

    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { RouteHelp(kHelpContext, kHelpTopicEditor); });

    WindowLinks().Editor = this;
    RefillPresets();
    StateChanged();
}

TEditorForm::~TEditorForm() {
    if (WindowLinks().Editor == this) WindowLinks().Editor = nullptr;
    preview_->Controller().Stop();
    graph_->RemoveObserver(this);
    delete interfaceEditor_.data();
    // The canvas observes the graph, which goes with the members, before the children would.
    delete canvas_;
}

QToolButton* TEditorForm::AddButton(QWidget* parent, const char* name, const QString& caption,
                                    const QString& hint, std::function<void()> command) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    if (command) {
        connect(b, &QToolButton::clicked, this, [this, command] {
            CancelTool();
            command();
        });
    }
    buttons_[name] = b;
    return b;
}

QCheckBox* TEditorForm::AddCheck(QWidget* parent, const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    c->setChecked(true);
    checks_[name] = c;
    return c;
}

void TEditorForm::BuildTools(QWidget* area) {
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);

    auto* previewColumn = new QVBoxLayout;
    preview_ = new TPreviewWidget(area);
    preview_->setObjectName("ImagePreview");
    preview_->setToolTip("Click to update");
    preview_->setFixedSize(kPreviewSize, kPreviewSize);
    connect(preview_, &TPreviewWidget::clicked, this, [this] {
        if (previewed_ != nullptr) preview_->Controller().Restart();
    });
    row->addWidget(preview_);
    static const char* const kShapeNames[3] = {"BtnShapePlane", "BtnShapeSphere", "BtnShapeCube"};
    static const char* const kShapeHints[3] = {"UV plane", "Sphere", "Cube"};
    static const char* const kShapeCaptions[3] = {"▦", "●", "■"};
    auto* shapeRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        shapes_[static_cast<size_t>(i)] =
            AddButton(area, kShapeNames[i], kShapeCaptions[i], kShapeHints[i], nullptr);
        QToolButton* b = shapes_[static_cast<size_t>(i)];
        b->setCheckable(true);
        b->setAutoExclusive(true);
        connect(b, &QToolButton::clicked, this, [this, i] { ShapeChosen(i); });
        shapeRow->addWidget(b);
    }
    shapes_[1]->setChecked(true);  // the sphere is down by default
    previewColumn->addLayout(shapeRow);
    range_ = new THostSpinEdit2(area);
    range_->setObjectName("EditRange");
    range_->SetCaption("Range ±");
    range_->SetMin(kPreviewRangeMin);
    range_->SetMax(kPreviewRangeMax);
    range_->SetIncrement(0.1f);
    range_->SetValueF(kPreviewRangeDefault);
    range_->setFixedWidth(110);
    range_->SetEditorWidth(52);
    connect(range_, &THostSpinEdit2::OnChange, this,
            [this] { preview_->Controller().SetRange(range_->ValueF()); });
    previewColumn->addWidget(range_);
    row->addLayout(previewColumn);

    // Three rows of tools: files and history, the subtree and the shader's extras, custom
    // components.
    auto* grid = new QVBoxLayout;
    grid->setSpacing(0);
    auto* top = new QHBoxLayout;
    auto* bottom = new QHBoxLayout;
    auto* third = new QHBoxLayout;
    top->addWidget(AddButton(area, "BtnNewShader", "New", "Create a new shader (Ctrl+N)",
                             [this] { session_.NewShader(); }));
    top->addWidget(AddButton(area, "BtnOpenShader", "Open", "Open existing shader (Ctrl+O)",
                             [this] { session_.OpenShaderDialog(); }));
    top->addWidget(AddButton(area, "BtnCloneShader", "Clone", "Clone current shader",
                             [this] { session_.CloneShader(); }));
    top->addWidget(AddButton(area, "BtnSave", "Save", "Save changes to current shader (Ctrl+S)",
                             [this] { session_.Save(); }));
    top->addWidget(AddButton(area, "BtnEncryptShader", "Encrypt", "Encrypt current shader",
                             [this] { session_.EncryptedSave(); }));
    top->addWidget(AddButton(area, "BtnRefreshShader", "Update", "Update shader now",
                             [this] { session_.UpdateNow(); }));
    top->addSpacing(6);
    top->addWidget(
        AddButton(area, "BtnUndo", "Undo", "Undo (Ctrl+Z)", [this] { session_.Undo(); }));
    top->addWidget(
        AddButton(area, "BtnHold", "Hold", "Hold (Ctrl+H)", [this] { session_.Hold(); }));
    top->addWidget(
        AddButton(area, "BtnFetch", "Fetch", "Fetch (Ctrl+F)", [this] { session_.Fetch(); }));
    top->addStretch(1);

    bottom->addWidget(
        AddButton(area, "BtnClipCut", "Cut", "Cut subtree (Ctrl+X)", [this] { session_.Cut(); }));
    bottom->addWidget(AddButton(area, "BtnClipCopy", "Copy", "Copy subtree (Ctrl+C)",
                                [this] { session_.Copy(); }));
    bottom->addWidget(AddButton(area, "BtnClipPaste", "Paste", "Paste subtree (Ctrl+V)", nullptr));
    connect(Button("BtnClipPaste"), &QToolButton::clicked, this, [this] { BeginPaste(); });
    QToolButton* hilite = AddButton(area, "BtnHiliteTree", "Tree", "Highlight subtree", nullptr);
    connect(hilite, &QToolButton::pressed, this, [this] { canvas_->SetHiliteTree(true); });
    connect(hilite, &QToolButton::released, this, [this] { canvas_->SetHiliteTree(false); });
    bottom->addWidget(hilite);
    third->addWidget(AddButton(area, "BtnCreateCustom", "Make", "Create component from subtree",
                               [this] { CreateFromSubtree(); }));
    presets_ = new QComboBox(area);
    presets_->setObjectName("ComboPreset");
    presets_->setMinimumWidth(120);
    connect(presets_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (refreshing_) return;
        session_.ChosenCustom = index >= 0 ? presets_->itemText(index).toStdString() : "";
        StateChanged();
    });
    third->addWidget(presets_);
    third->addWidget(AddButton(area, "BtnInsertCustom", "Insert", "Create selected component",
                               [this] { InsertChosen(); }));
    third->addWidget(
        AddButton(area, "BtnOpenCustom", "Load", "Open component", [this] { OpenCustom(); }));
    third->addStretch(1);
    bottom->addSpacing(6);
    bottom->addWidget(AddButton(area, "BtnEditInterface", "Interface", "Show interface editor",
                                [this] { ShowInterfaceEditor(); }));
    bottom->addWidget(AddButton(area, "SpeedButton1", "Info", "Attach info file",
                                [this] { session_.AttachInfoFile(); }));
    bottom->addWidget(AddButton(area, "SpeedButton2", "Clear", "Clear info file",
                                [this] { session_.ClearInfoFile(); }));
    bottom->addWidget(AddButton(area, "SpeedButton3", "?", "Get help", [this] { ShowHelpMenu(); }));
    bottom->addStretch(1);
    grid->addLayout(top);
    grid->addLayout(bottom);
    grid->addLayout(third);
    row->addLayout(grid, 1);

    auto* checks = new QVBoxLayout;
    checks->setSpacing(0);
    connect(AddCheck(area, "CheckInstantPreview", "Instant preview"), &QCheckBox::toggled, this,
            [this](bool on) { session_.InstantPreview = on; });
    connect(AddCheck(area, "CheckAutoUpdate", "Auto-update shader"), &QCheckBox::toggled, this,
            [this](bool on) {
                session_.AutoUpdate = on;
                StateChanged();
            });
    connect(AddCheck(area, "CheckAutoEdit", "Auto-edit new shaders"), &QCheckBox::toggled, this,
            [this](bool on) { session_.AutoEdit = on; });
    checks_["CheckAutoEdit"]->setChecked(EditorSettings().EditNew);
    session_.AutoEdit = EditorSettings().EditNew;
    for (QWidget* w : {static_cast<QWidget*>(checks_["CheckInstantPreview"]),
                       static_cast<QWidget*>(checks_["CheckAutoUpdate"]),
                       static_cast<QWidget*>(checks_["CheckAutoEdit"])}) {
        checks->addWidget(w);
    }
    row->addLayout(checks);

    auto* kinds = new QVBoxLayout;
    kinds->setSpacing(0);
    connect(AddCheck(area, "CheckBox5", "Auto-class"), &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_) session_.SetAutoClass(on);
    });
    kinds->addWidget(checks_["CheckBox5"]);
    static const char* const kCaptions[kOutputTypeCount] = {"Displacement", "Transparency", "Color",
                                                            "Reflectance"};
    for (int32_t t : {kColor, kTransparency, kReflectance, kDisplacement}) {
        QCheckBox* box = AddCheck(area, kCategoryBoxes[t], kCaptions[t]);
        connect(box, &QCheckBox::toggled, this, [this, t](bool on) { CategoryClicked(t, on); });
        kinds->addWidget(box);
    }
    row->addLayout(kinds);
}

void TEditorForm::BuildPalette(QWidget* area) {
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    tabs_ = new QTabBar(area);
    tabs_->setObjectName("TabsPalette");
    for (int tab = 0; tab < kCatalogueTabCount; ++tab) tabs_->addTab(Q(CatalogueTabCaption(tab)));
    layout->addWidget(tabs_);
    auto* row = new QHBoxLayout;
    palette_ = new TImageGridSelect(area);
    palette_->setObjectName("PaletteGrid");
    palette_->SetImageGrid(PaletteStrips());
    palette_->SetTags(PaletteTags());
    palette_->SetHints(PaletteHints());
    palette_->SetColumns(PaletteTabCount(0));
    palette_->setFixedHeight(kPaletteIconSize + 4);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int tab) {
        CancelTool();
        palette_->SetActiveRow(tab);
        palette_->SetColumns(std::max(PaletteTabCount(tab), 1));
    });
    connect(palette_, &TImageGridSelect::OnChange, this, [this] {
        if (palette_->ItemIndex() < 0 || palette_->Tag() <= 0) return;
        canvas_->BeginPlacement(palette_->Tag());
        StateChanged();
    });
    row->addWidget(palette_, 1);
    delete_ = new QPushButton("Delete", area);
    delete_->setObjectName("BtnDelete");
    delete_->setToolTip("Delete selected component (Delete)");
    connect(delete_, &QPushButton::clicked, this, &TEditorForm::DeleteSelected);
    cancel_ = new QPushButton("Cancel", area);
    cancel_->setObjectName("BtnCancel");
    cancel_->setToolTip("Cancel (Esc)");
    connect(cancel_, &QPushButton::clicked, this, &TEditorForm::CancelTool);
    row->addWidget(delete_);
    row->addWidget(cancel_);
    layout->addLayout(row);
}

QToolButton* TEditorForm::Button(const QString& name) const {
    const auto it = buttons_.find(name);
    return it == buttons_.end() ? nullptr : it->second;
}

TInterfaceEditor* TEditorForm::InterfaceEditor() const { return interfaceEditor_.data(); }

QCheckBox* TEditorForm::Check(const QString& name) const {
    const auto it = checks_.find(name);
    return it == checks_.end() ? nullptr : it->second;
}

void TEditorForm::StateChanged() {
    if (refreshing_) return;
    refreshing_ = true;
    setWindowTitle(Q(session_.Caption()));
    const bool subtree = session_.SubtreeToolsEnabled();
    Button("BtnClipCut")->setEnabled(subtree);
    Button("BtnClipCopy")->setEnabled(subtree);
    Button("BtnHiliteTree")->setEnabled(subtree);
    Button("BtnCreateCustom")->setEnabled(subtree);
    delete_->setEnabled(subtree);
    Button("BtnClipPaste")->setEnabled(session_.PasteEnabled());
    Button("BtnInsertCustom")->setEnabled(session_.InsertCustomEnabled());
    Button("BtnUndo")->setEnabled(session_.UndoEnabled());
    Button("BtnUndo")->setToolTip(Q(session_.UndoHint()));
    Button("BtnFetch")->setEnabled(session_.FetchEnabled());
    Button("BtnSave")->setEnabled(session_.SaveEnabled());
    Button("BtnRefreshShader")->setEnabled(!session_.AutoUpdate && session_.UpdateNowEnabled());
    Button("SpeedButton2")->setEnabled(session_.ClearInfoEnabled());
    const bool open = !session_.FileName().empty();
    for (const char* name : {"BtnCloneShader", "BtnEncryptShader", "SpeedButton1"}) {
        Button(name)->setEnabled(open);
    }
    cancel_->setEnabled(graph_->PendingType >= 0 || canvas_->Pasting());
    checks_["CheckBox5"]->setChecked(session_.AutoClass());
    for (int32_t t = 0; t < kOutputTypeCount; ++t) {
        QCheckBox* box = checks_[kCategoryBoxes[t]];
        box->setChecked(session_.Categories()[static_cast<size_t>(t)]);
        box->setEnabled(!session_.AutoClass());
    }
    presets_->setToolTip(session_.ChosenCustom.empty() ? QString("No custom component selected.")
                                                       : Q(session_.ChosenCustom));
    refreshing_ = false;
}

void TEditorForm::RefillPresets() {
    refreshing_ = true;
    presets_->clear();
    int chosen = -1;
    for (const std::string& name : session_.CustomComponentNames()) {
        if (name == session_.ChosenCustom) chosen = presets_->count();
        presets_->addItem(Q(name));
    }
    presets_->setCurrentIndex(chosen);
    if (chosen < 0) session_.ChosenCustom.clear();
    refreshing_ = false;
    StateChanged();
}

void TEditorForm::InsertChosen() {
    if (session_.InsertCustomComponent(session_.ChosenCustom)) StateChanged();
}

void TEditorForm::CategoryClicked(int32_t outputType, bool ticked) {
    if (refreshing_) return;
    session_.SetCategory(outputType, ticked);
    StateChanged();  // the last box ticks itself again
}

void TEditorForm::ShapeChosen(int shape) {
    preview_->Controller().SetShape(static_cast<TPreviewShape>(shape));
}

void TEditorForm::CancelTool() {
    canvas_->CancelPlacement();
    palette_->SetItemIndex(-1);
    StateChanged();
}

void TEditorForm::DeleteSelected() {
    TXRComponentContainer* active = graph_->ActiveComponent();
    CancelTool();
    if (active == nullptr || !session_.SubtreeToolsEnabled()) return;
    graph_->DeleteContainer(active);
    StateChanged();
}

void TEditorForm::BeginPaste() {
    if (!session_.PasteEnabled()) return;
    canvas_->BeginPaste([this](QPoint at) {
        session_.Paste({at.x(), at.y()});
        StateChanged();
    });
    StateChanged();
}

void TEditorForm::ShowHelpMenu() {
    if (helpMenu_ == nullptr) {
        helpMenu_ = new QMenu(this);
        helpMenu_->addAction("Vandrel User's &Guide", this, [] {
            if (WindowLinks().Help) WindowLinks().Help("");
        });
        helpMenu_->addAction("&About Vandrel", this, [] {
            if (WindowLinks().About) WindowLinks().About();
        });
        helpMenu_->addSeparator();
        helpMenu_->addAction("Vandrel on the web", this,
                             [] { QDesktopServices::openUrl(QUrl(kProductPage)); });
        helpMenu_->addAction("Vandrel support", this,
                             [] { QDesktopServices::openUrl(QUrl(kSupportPage)); });
    }
    if (isVisible()) {
        QToolButton* b = Button("SpeedButton3");
        helpMenu_->popup(b->mapToGlobal(QPoint(0, b->height())));
    }
}

void TEditorForm::ShowInterfaceEditor() {
    if (interfaceEditor_ == nullptr || interfaceEditor_->Closed()) {
        delete interfaceEditor_.data();
        interfaceEditor_ = new TInterfaceEditor(interface_, this);
        interfaceEditor_->setWindowFlag(Qt::Tool);
        interfaceEditor_->SetChangeHandler([this] {
            // The preview takes the new defaults.
            if (TXRComponentContainer* active = graph_->ActiveComponent()) {
                graph_->Select(active);
            }
        });
        interfaceEditor_->SetModifiedHandler([this] { session_.TreeChanged(); });
    }
    interfaceEditor_->show();
    interfaceEditor_->raise();
}

void TEditorForm::EditShader(const std::string& file) {
    show();
    raise();
    session_.OpenShader(file);
}

void TEditorForm::StopPreview() { preview_->Controller().Stop(); }

void TEditorForm::Preview(TXRComponentContainer* container) {
    if (container == nullptr || container->Component == nullptr) return;
    previewed_ = container;
    preview_->Controller().Start(graph_->Tree(), container->Component, &interface_.Working());
}

bool TEditorForm::AskComponentDetails(TCustomDefinitionParts& parts) {
    if (ComponentDialog) return ComponentDialog(parts);
    return TAddPresetDialog::Execute(this, parts);
}

void TEditorForm::CloseEditor() {
    if (interfaceEditor_ != nullptr) interfaceEditor_->close();
    hide();
}

void TEditorForm::BeginPlacement(int32_t typeId) { canvas_->BeginPlacement(typeId); }

void TEditorForm::UpdateHost(const std::string& file) {
    TPluginState& plugin = Plugin();
    for (int32_t t = 0; t < kOutputTypeCount; ++t) {
        if (SameFile(plugin.CurrentShader[static_cast<size_t>(t)], file)) RequestUpdate(t);
    }
}

void TEditorForm::ContainerRemoving(TXRComponentContainer& container) {
    (void)container;
    // Any removed component may feed the one under the preview.
    preview_->Controller().Stop();
    if (previewed_ == &container) previewed_ = nullptr;
}

void TEditorForm::closeEvent(QCloseEvent* event) {
    session_.Close();
    if (interfaceEditor_ != nullptr) interfaceEditor_->close();
    event->accept();
}

void TEditorForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        CancelTool();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        DeleteSelected();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vandrel

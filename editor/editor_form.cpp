#include "editor/editor_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "core/catalogue.h"
#include "editor/add_preset_dialog.h"
#include "editor/component_search_box.h"
#include "editor/component_window.h"
#include "editor/controls/control_fonts.h"
#include "editor/controls/expander_panel.h"
#include "editor/controls/image_grid_select.h"
#include "editor/controls/qt_dialogs.h"
#include "editor/controls/qt_text.h"
#include "editor/controls/spin_edit.h"
#include "editor/editor_accessibility.h"
#include "editor/help_router.h"
#include "editor/interface_editor.h"
#include "editor/large_preview.h"
#include "editor/model/editor_settings.h"
#include "editor/palette_icons.h"
#include "editor/preview_widget.h"
#include "host/plugin.h"

namespace vandrel {
namespace {

constexpr const char* kProductPage = "https://vandrel.org/";
constexpr const char* kSupportPage = "https://vandrel.org/support/";

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
    InstallEditorAccessibility();
    setFont(ControlFont());
    setWindowTitle(Q(kEditorCaption));
    // The client area's least size: the 612 pixels of its default width (620 with the frame).
    setMinimumSize(kEditorClientWidth, 200);
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
    layout->addWidget(canvas_, 1);
    // What the pointer is over: a palette tile's component, a tool's hint.
    status_ = new QLabel(this);
    status_->setObjectName("StatusLine");
    status_->setFixedHeight(16);
    status_->setContentsMargins(4, 0, 4, 0);
    status_->setAccessibleName("Status");
    layout->addWidget(status_);
    connect(canvas_, &TXRComponentWindow::previewUpdate, this, [this](TXRComponentContainer* c) {
        if (checks_["CheckInstantPreview"]->isChecked()) SchedulePreview(c);
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
    // Ctrl+Z walks back through the last edits; the Undo button keeps its one level.
    const auto step = [this](QKeySequence keys, bool back) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, this, [this, back] {
            CancelTool();
            back ? session_.StepBack() : session_.StepForward();
        });
    };
    step(QKeySequence(Qt::CTRL | Qt::Key_Z), true);
    step(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), false);
    step(QKeySequence(Qt::CTRL | Qt::Key_Y), false);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this), &QShortcut::activated, this,
            [this] { canvas_->Arrange(); });
    // The large preview: Ctrl+P, and the small preview's menu (its right click) names it.
    auto* large = new QAction(QString::fromUtf8(kLargePreviewTitle), this);
    large->setObjectName("ActionLargePreview");
    large->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    large->setShortcutContext(Qt::WindowShortcut);
    large->setToolTip(QString::fromUtf8(kLargePreviewCommand));
    connect(large, &QAction::triggered, this, [this] { ShowLargePreview(); });
    addAction(large);
    preview_->addAction(large);
    preview_->setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { RouteHelp(kHelpContext, kHelpTopicEditor); });

    WindowLinks().Editor = this;
    RefillPresets();
    StateChanged();
}

TEditorForm::~TEditorForm() {
    if (WindowLinks().Editor == this) WindowLinks().Editor = nullptr;
    preview_->Controller().Stop();
    if (large_ != nullptr) large_->View()->Controller().Stop();
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
    // Short captions ("Info", "Tree") read alike out of context: the name is the hint without
    // its shortcut, the shortcut goes with it.
    const qsizetype shortcut = hint.indexOf(" (");
    b->setAccessibleName(shortcut > 0 ? hint.left(shortcut) : hint);
    b->setAccessibleDescription(hint);
    b->setAutoRaise(true);
    // Flat, with a few pixels around the caption: four rows of them share the strip with the
    // options, where the style's own padding would not fit.
    b->setFont(font());
    b->setFixedSize(b->fontMetrics().horizontalAdvance(caption) + 8, kToolButtonHeight);
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
    c->setFixedHeight(kCheckRowHeight);
    checks_[name] = c;
    return c;
}

void TEditorForm::BuildTools(QWidget* area) {
    // Four columns in the strip's 80 pixels: the preview with its shape buttons and range, four
    // rows of tools, the editor's options and the shader's categories.
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(6);
    row->addLayout(BuildPreviewBlock(area));
    row->addLayout(BuildToolRows(area), 1);
    BuildOptionColumns(area, *row);
}

QLayout* TEditorForm::BuildPreviewBlock(QWidget* area) {
    auto* previewBlock = new QGridLayout;
    previewBlock->setContentsMargins(0, 0, 0, 0);
    previewBlock->setHorizontalSpacing(2);
    previewBlock->setVerticalSpacing(0);
    preview_ = new TPreviewWidget(area);
    preview_->setObjectName("ImagePreview");
    preview_->setToolTip("Click to update");
    preview_->setFixedSize(kPreviewSize, kPreviewSize);
    connect(preview_, &TPreviewWidget::clicked, this, [this] {
        if (previewed_ != nullptr) preview_->Controller().Restart();
    });
    previewBlock->addWidget(preview_, 0, 0);
    static const char* const kShapeNames[3] = {"BtnShapePlane", "BtnShapeSphere", "BtnShapeCube"};
    static const char* const kShapeHints[3] = {"UV plane", "Sphere", "Cube"};
    static const char* const kShapeCaptions[3] = {"▦", "●", "■"};
    auto* shapeColumn = new QVBoxLayout;
    shapeColumn->setSpacing(2);
    shapeColumn->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 3; ++i) {
        shapes_[static_cast<size_t>(i)] =
            AddButton(area, kShapeNames[i], kShapeCaptions[i], kShapeHints[i], nullptr);
        QToolButton* b = shapes_[static_cast<size_t>(i)];
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFixedSize(20, 20);
        connect(b, &QToolButton::clicked, this, [this, i] { ShapeChosen(i); });
        shapeColumn->addWidget(b);
    }
    shapeColumn->addStretch(1);
    shapes_[1]->setChecked(true);  // the sphere is down by default
    previewBlock->addLayout(shapeColumn, 0, 1);
    range_ = new THostSpinEdit2(area);
    range_->setObjectName("EditRange");
    range_->SetCaption("Range ±");
    range_->SetMin(kPreviewRangeMin);
    range_->SetMax(kPreviewRangeMax);
    range_->SetIncrement(kPreviewRangeStep);
    range_->SetValueF(kPreviewRangeDefault);
    range_->setFixedSize(kPreviewSize + 22, 16);
    range_->SetEditorWidth(40);
    range_->setToolTip("Half the width of the previewed area");
    connect(range_, &THostSpinEdit2::OnChange, this, [this] {
        preview_->Controller().SetRange(range_->ValueF());
        if (large_ != nullptr && large_->isVisible()) StartLarge(previewed_);
    });
    previewBlock->addWidget(range_, 1, 0, 1, 2);
    return previewBlock;
}

// The tools: files, history and the information file, the subtree and the interface, custom
// components.
QLayout* TEditorForm::BuildToolRows(QWidget* area) {
    auto* tools = new QVBoxLayout;
    tools->setSpacing(0);
    tools->setContentsMargins(0, 1, 0, 1);
    const auto toolRow = [&](std::initializer_list<QWidget*> widgets) {
        auto* line = new QHBoxLayout;
        line->setSpacing(1);
        for (QWidget* w : widgets) line->addWidget(w);
        line->addStretch(1);
        tools->addLayout(line);
    };
    toolRow({AddButton(area, "BtnNewShader", "New", "Create a new shader (Ctrl+N)",
                       [this] { session_.NewShader(); }),
             AddButton(area, "BtnOpenShader", "Open", "Open existing shader (Ctrl+O)",
                       [this] { session_.OpenShaderDialog(); }),
             AddButton(area, "BtnCloneShader", "Clone", "Clone current shader",
                       [this] { session_.CloneShader(); }),
             AddButton(area, "BtnSave", "Save", "Save changes to current shader (Ctrl+S)",
                       [this] { session_.Save(); }),
             AddButton(area, "BtnEncryptShader", "Encrypt", "Encrypt current shader",
                       [this] { session_.EncryptedSave(); }),
             AddButton(area, "SpeedButton3", "Help", "Get help", [this] { ShowHelpMenu(); })});
    toolRow({AddButton(area, "BtnUndo", "Undo", "Undo (Ctrl+Z)", [this] { session_.Undo(); }),
             AddButton(area, "BtnHold", "Hold", "Hold (Ctrl+H)", [this] { session_.Hold(); }),
             AddButton(area, "BtnFetch", "Fetch", "Fetch (Ctrl+F)", [this] { session_.Fetch(); }),
             AddButton(area, "BtnRefreshShader", "Update", "Update shader now",
                       [this] { session_.UpdateNow(); }),
             AddButton(area, "SpeedButton1", "Info", "Attach info file",
                       [this] { session_.AttachInfoFile(); }),
             AddButton(area, "SpeedButton2", "Clear", "Clear info file",
                       [this] { session_.ClearInfoFile(); })});
    QToolButton* hilite = AddButton(area, "BtnHiliteTree", "Tree", "Highlight subtree", nullptr);
    connect(hilite, &QToolButton::pressed, this, [this] { canvas_->SetHiliteTree(true); });
    connect(hilite, &QToolButton::released, this, [this] { canvas_->SetHiliteTree(false); });
    toolRow(
        {AddButton(area, "BtnClipCut", "Cut", "Cut subtree (Ctrl+X)", [this] { session_.Cut(); }),
         AddButton(area, "BtnClipCopy", "Copy", "Copy subtree (Ctrl+C)",
                   [this] { session_.Copy(); }),
         AddButton(area, "BtnClipPaste", "Paste", "Paste subtree (Ctrl+V)",
                   [this] { BeginPaste(); }),
         hilite, AddButton(area, "BtnEditInterface", "Interface", "Show interface editor", [this] {
             ShowInterfaceEditor();
         })});
    presets_ = new QComboBox(area);
    presets_->setObjectName("ComboPreset");
    presets_->setFixedSize(104, kToolButtonHeight);
    presets_->setAccessibleName("Custom component");
    connect(presets_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (refreshing_) return;
        session_.ChosenCustom = index >= 0 ? presets_->itemText(index).toStdString() : "";
        StateChanged();
    });
    toolRow({AddButton(area, "BtnCreateCustom", "Make", "Create component from subtree",
                       [this] { CreateFromSubtree(); }),
             presets_,
             AddButton(area, "BtnInsertCustom", "Insert", "Create selected component",
                       [this] { InsertChosen(); }),
             AddButton(area, "BtnOpenCustom", "Load", "Open component", [this] { OpenCustom(); })});
    return tools;
}

// The editor's options, then the shader's categories.
void TEditorForm::BuildOptionColumns(QWidget* area, QHBoxLayout& row) {
    const auto checkColumn = [&](std::initializer_list<QCheckBox*> boxes) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        column->setContentsMargins(0, 1, 0, 1);
        for (QCheckBox* box : boxes) column->addWidget(box);
        column->addStretch(1);
        row.addLayout(column);
    };
    QCheckBox* instant = AddCheck(area, "CheckInstantPreview", "Instant preview");
    connect(instant, &QCheckBox::toggled, this, [this](bool on) {
        session_.InstantPreview = on;
        // Ticking it shows what the edits since unticking did.
        if (on) PreviewEdited();
    });
    QCheckBox* autoUpdate = AddCheck(area, "CheckAutoUpdate", "Auto-update shader");
    connect(autoUpdate, &QCheckBox::toggled, this, [this](bool on) {
        session_.AutoUpdate = on;
        StateChanged();
    });
    QCheckBox* autoEdit = AddCheck(area, "CheckAutoEdit", "Auto-edit new shaders");
    connect(autoEdit, &QCheckBox::toggled, this, [this](bool on) { session_.AutoEdit = on; });
    autoEdit->setChecked(EditorSettings().EditNew);
    session_.AutoEdit = EditorSettings().EditNew;
    checkColumn({instant, autoUpdate, autoEdit});

    QCheckBox* autoClass = AddCheck(area, "CheckBox5", "Auto-class");
    connect(autoClass, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_) session_.SetAutoClass(on);
    });
    static const char* const kCaptions[kOutputTypeCount] = {"Displacement", "Transparency", "Color",
                                                            "Reflectance"};
    std::array<QCheckBox*, kOutputTypeCount> kinds{};
    for (int32_t t : {kColor, kTransparency, kReflectance, kDisplacement}) {
        QCheckBox* box = AddCheck(area, kCategoryBoxes[t], kCaptions[t]);
        connect(box, &QCheckBox::toggled, this, [this, t](bool on) { CategoryClicked(t, on); });
        kinds[static_cast<size_t>(t)] = box;
    }
    checkColumn({autoClass, kinds[kColor], kinds[kTransparency], kinds[kReflectance],
                 kinds[kDisplacement]});
}

void TEditorForm::BuildPalette(QWidget* area) {
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    tabs_ = new QTabBar(area);
    tabs_->setObjectName("TabsPalette");
    // Narrow tabs, so that every category shows its whole caption at the window's own width.
    tabs_->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 1px 4px; margin-right: 1px; border: 1px solid palette(mid);"
        " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
        " background: palette(button); }"
        "QTabBar::tab:selected { background: palette(base); }"));
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    for (int tab = 0; tab < kCatalogueTabCount; ++tab) tabs_->addTab(Q(CatalogueTabCaption(tab)));
    // Search to add from the palette: what is typed opens the search box over the field, and the
    // chosen component is placed with the next click, as a tile is.
    auto* tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(0, 0, 0, 0);
    tabRow->setSpacing(2);
    tabRow->addWidget(tabs_);
    auto* search = new QLineEdit(area);
    search->setObjectName("PaletteSearch");
    search->setPlaceholderText("Search (Tab)");
    search->setAccessibleName("Search components");
    search->setToolTip("Search components by name, tab or property (Tab or Space over the canvas)");
    search->setFixedHeight(tabs_->sizeHint().height() - 1);
    connect(search, &QLineEdit::textEdited, this, [this, search](const QString& text) {
        search->clear();
        CancelTool();
        canvas_->SearchBox()->Open(search->mapTo(this, QPoint(0, 0)), {}, text,
                                   [this](int32_t typeId) {
                                       canvas_->BeginPlacement(typeId);
                                       StateChanged();
                                   });
    });
    tabRow->addWidget(search, 1);
    layout->addLayout(tabRow);
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
    connect(palette_, &TImageGridSelect::HoverChanged, this,
            [this](const QString& hint) { status_->setText(hint); });
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
    if (large_ != nullptr && large_->isVisible()) StartLarge(previewed_);
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

void TEditorForm::StopPreview() {
    pendingPreview_ = nullptr;
    pendingSelected_ = false;
    preview_->Controller().Stop();
    if (large_ != nullptr) large_->View()->Controller().Stop();
}

void TEditorForm::Preview(TXRComponentContainer* container) {
    pendingPreview_ = nullptr;
    pendingSelected_ = false;
    if (container == nullptr || container->Component == nullptr) return;
    previewed_ = container;
    preview_->setToolTip(container == graph_->RootContainer() ? QString::fromUtf8(kRootPreviewHint)
                                                              : QStringLiteral("Click to update"));
    preview_->Controller().Start(graph_->Tree(), container->Component, &interface_.Working());
    StartLarge(container);
}

void TEditorForm::StartLarge(TXRComponentContainer* container) {
    if (large_ == nullptr || !large_->isVisible()) return;
    TPreviewController& controller = large_->View()->Controller();
    controller.Stop();
    if (container == nullptr || graph_->IndexOf(container) < 0) return;
    controller.TakeSettings(preview_->Controller());
    controller.Start(graph_->Tree(), container->Component, &interface_.Working());
}

void TEditorForm::ShowLargePreview() {
    if (large_ == nullptr) {
        large_ = new TLargePreview(this);
        const auto again = [this] {
            if (previewed_ != nullptr) StartLarge(previewed_);
        };
        connect(large_->View(), &TLargePreviewView::pictureResized, this, again);
        connect(large_->View(), &TLargePreviewView::clicked, this, again);
        connect(large_, &QDockWidget::visibilityChanged, this, [this](bool shown) {
            if (!shown) large_->View()->Controller().Stop();
        });
        // Beside the editor, where it covers none of the canvas.
        large_->move(frameGeometry().topRight() + QPoint(8, 0));
    }
    large_->show();
    large_->raise();
    StartLarge(previewed_ != nullptr && graph_->IndexOf(previewed_) >= 0 ? previewed_
                                                                         : PreviewTarget());
}

void TEditorForm::SchedulePreview(TXRComponentContainer* container) {
    // One edit raises several requests (the link, then the tree change): they start one preview,
    // once the edit is complete. A request for a container wins over one for the selection.
    if (container != nullptr) {
        pendingPreview_ = container;
    } else {
        pendingSelected_ = true;
    }
    if (previewPosted_) return;
    previewPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            previewPosted_ = false;
            TXRComponentContainer* c = pendingPreview_;
            if (c == nullptr && pendingSelected_) c = PreviewTarget();
            pendingPreview_ = nullptr;
            pendingSelected_ = false;
            if (c != nullptr && graph_->IndexOf(c) >= 0) Preview(c);
        },
        Qt::QueuedConnection);
}

TXRComponentContainer* TEditorForm::PreviewTarget() const {
    TXRComponentContainer* target = graph_->ActiveComponent();
    if (target == nullptr && previewed_ != nullptr && graph_->IndexOf(previewed_) >= 0) {
        target = previewed_;
    }
    return target != nullptr ? target : graph_->RootContainer();
}

void TEditorForm::PreviewEdited() { SchedulePreview(nullptr); }

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
    // Any removed component may feed the one under the preview: it stops now and starts over on
    // what is selected once the removal is done.
    preview_->Controller().Stop();
    if (large_ != nullptr) large_->View()->Controller().Stop();
    if (previewed_ == &container) previewed_ = nullptr;
    if (pendingPreview_ == &container) pendingPreview_ = nullptr;
    if (session_.InstantPreview) SchedulePreview(nullptr);
}

void TEditorForm::closeEvent(QCloseEvent* event) {
    // Cancel in the save prompt keeps the window open with its changes.
    if (!session_.Close()) {
        event->ignore();
        return;
    }
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

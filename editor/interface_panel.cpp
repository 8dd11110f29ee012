#include "editor/interface_panel.h"

#include "core/numbers.h"
#include "core/search_path.h"
#include "core/stream_codec.h"
#include "editor/controls/qt_text.h"
#include "editor/model/dialogs.h"
#include "editor/model/editor_settings.h"
#include "host/plugin.h"
// (the model's headers before Qt's)
#include <QComboBox>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <cmath>

#include "editor/controls/control_fonts.h"
#include "editor/controls/cool_slider.h"
#include "editor/controls/spin_edit.h"

namespace vandrel {

namespace {

constexpr int kFieldHeight = 20;
constexpr int kFieldTop = 1;

// The record's value of a file slot without its type letter; "*.*" means none.
std::string FileChoicePath(std::string_view choice) {
    if (choice.size() >= 2 && choice[1] == ':') choice.remove_prefix(2);
    return choice == "*.*" ? std::string() : std::string(choice);
}

std::vector<QString> EnumerationNames(std::string_view secondText) {
    std::vector<QString> names;
    std::string_view rest = EnumerationItemNames(secondText);
    if (rest.empty()) return names;
    for (;;) {
        const size_t semicolon = rest.find(';');
        names.push_back(Q(UnescapeText(rest.substr(0, semicolon))));
        if (semicolon == std::string_view::npos) break;
        rest.remove_prefix(semicolon + 1);
    }
    return names;
}

TXRInterfaceModel& Model() { return Plugin().Interface; }

}  // namespace

std::string_view FileSlotFilter(char type) {
    return type == 'T' || type == 'I' || type == 'B' ? kTextureFileFilter : kSoundFileFilter;
}

// ---- one control -----------------------------------------------------------------------------

TXRInterfaceComponent::TXRInterfaceComponent(TXRInterfaceContainer* owner,
                                             const TInterfaceControl& control,
                                             const TInterfaceData& data)
    : QWidget(owner),
      part_(control.Part),
      index_(control.Index),
      kind_(control.Kind),
      owner_(owner) {
    setFont(ControlFont());
    setGeometry(control.Cell.left, control.Cell.top, control.Cell.Width(), control.Cell.Height());
    const int w = control.Cell.Width();

    if (kind_ == kFileControl) {
        const auto& entry = data.Files[static_cast<size_t>(index_)];
        fileType_ = entry ? entry->Type : 'N';
        label_ = entry ? Q(entry->Settings.Label) : QString();
        browse_ = new QToolButton(this);
        browse_->setText("...");
        browse_->setToolTip("Choose a file");
        browse_->setGeometry(w - kFieldHeight, kFieldTop, kFieldHeight, kFieldHeight);
        connect(browse_, &QToolButton::clicked, this, [this] { BrowseFile(); });
        return;
    }

    const TTriggerSettings& trigger = *data.Triggers[static_cast<size_t>(index_)];
    label_ = Q(UnescapeText(part_ == 1 ? trigger.SecondText : trigger.Label));
    const auto& v = trigger.Values;
    switch (kind_) {
        case kNumerical:
        case kUV: {
            spin_ = new THostSpinEdit2(this);
            spin_->setGeometry(0, kFieldTop, w, kFieldHeight);
            spin_->SetCaption(label_);
            spin_->SetEditorWidth(qMin(72, w / 2));
            if (kind_ == kNumerical) {
                spin_->SetMin(v[0]);
                spin_->SetMax(v[1]);
                spin_->SetIncrement(v[3]);
                spin_->SetShowValue(trigger.IsInteger ? TSpinShow::Whole : TSpinShow::Float);
            } else {
                spin_->SetMin(v[static_cast<size_t>(part_)]);
                spin_->SetMax(v[static_cast<size_t>(2 + part_)]);
                spin_->SetIncrement(v[static_cast<size_t>(6 + part_)]);
            }
            connect(spin_, &THostSpinEdit2::OnChange, this, [this] { SpinChanged(); });
            break;
        }
        case kVector: {
            pickerChoice_ = trigger.PickerChoice();
            const int room = w - kColorSwatchWidth - 2;
            const int left = room / 2;
            for (int c = 0; c < 3; ++c) {
                auto* slider = new TCoolSlider(this);
                slider->SetMin(0);
                slider->SetMax(1);
                slider->setGeometry(left, kFieldTop + c * 7, room - left, 6);
                connect(slider, &TCoolSlider::OnChange, this, [this, c] { SliderChanged(c); });
                sliders_[static_cast<size_t>(c)] = slider;
            }
            setToolTip(label_);
            break;
        }
        case kEnumeration: {
            items_ = new QComboBox(this);
            const int left = w * 2 / 5;
            items_->setGeometry(left, kFieldTop, w - left, kFieldHeight);
            items_->setFont(ControlFont());
            for (const QString& name : EnumerationNames(trigger.SecondText)) items_->addItem(name);
            connect(items_, &QComboBox::currentIndexChanged, this,
                    [this](int item) { ItemChosen(item); });
            break;
        }
        default:
            break;
    }
}

TCoolSlider* TXRInterfaceComponent::Slider(int channel) const {
    return channel >= 0 && channel < 3 ? sliders_[static_cast<size_t>(channel)] : nullptr;
}

QRect TXRInterfaceComponent::SwatchRect() const {
    if (kind_ != kVector) return {};
    return QRect(width() - kColorSwatchWidth, kFieldTop, kColorSwatchWidth, kFieldHeight);
}

void TXRInterfaceComponent::LoadValues(const TLocalKeyframes& values) {
    loading_ = true;
    if (kind_ == kFileControl) {
        fileName_ = FileChoicePath(values.Files[static_cast<size_t>(index_)]);
        setToolTip(Q(fileName_));
        update();
    } else {
        const auto& value = values.Triggers[static_cast<size_t>(index_)];
        switch (kind_) {
            case kNumerical:
            case kUV:
                spin_->SetValueF(value[static_cast<size_t>(part_)]);
                break;
            case kVector:
                SetColor(value);
                break;
            case kEnumeration: {
                const int32_t item = RoundHalfEven(value[0]);
                items_->setCurrentIndex(item >= 0 && item < items_->count() ? item : -1);
                break;
            }
            default:
                break;
        }
    }
    loading_ = false;
}

void TXRInterfaceComponent::SetColor(const std::array<float, 3>& color) {
    color_ = color;
    const bool wasLoading = loading_;
    loading_ = true;  // the sliders' own change signals are not user input
    for (size_t c = 0; c < 3; ++c) {
        sliders_[c]->SetPosition(std::isfinite(color_[c]) ? color_[c] : 0.0);
    }
    loading_ = wasLoading;
    update();
}

void TXRInterfaceComponent::SpinChanged() {
    if (loading_) return;
    const float value = spin_->ShowValue() == TSpinShow::Whole
                            ? static_cast<float>(spin_->ValueInt())
                            : spin_->ValueF();
    Model().ChangeTriggerValue(owner_->OutputType(), index_, part_, value, owner_->AutoUpdate());
    Q_EMIT OnChange();
}

void TXRInterfaceComponent::SliderChanged(int channel) {
    if (loading_) return;
    color_[static_cast<size_t>(channel)] =
        static_cast<float>(sliders_[static_cast<size_t>(channel)]->Position());
    update();
    Model().ChangeColorValue(owner_->OutputType(), index_, color_, owner_->AutoUpdate());
    Q_EMIT OnChange();
}

void TXRInterfaceComponent::ItemChosen(int item) {
    if (loading_ || item < 0) return;
    Model().ChangeTriggerValue(owner_->OutputType(), index_, 0, static_cast<float>(item),
                               owner_->AutoUpdate());
    Q_EMIT OnChange();
}

void TXRInterfaceComponent::PickColor() {
    if (kind_ != kVector) return;
    // The dialogs work in whole steps of 1/255, as the colour dialogs of the host's platform do.
    const std::array<double, 3> initial = {QuantiseColor(color_[0]), QuantiseColor(color_[1]),
                                           QuantiseColor(color_[2])};
    const auto picked =
        CurrentDialogs().PickColor(label_.toStdString(), initial, pickerChoice_ != kSystemPicker);
    if (!picked) return;
    SetColor({static_cast<float>(QuantiseColor((*picked)[0])),
              static_cast<float>(QuantiseColor((*picked)[1])),
              static_cast<float>(QuantiseColor((*picked)[2]))});
    Model().ChangeColorValue(owner_->OutputType(), index_, color_, owner_->AutoUpdate());
    Q_EMIT OnChange();
}

void TXRInterfaceComponent::BrowseFile() {
    if (kind_ != kFileControl) return;
    TEditorSettings& settings = EditorSettings();
    TFileRequest request;
    request.Title = label_.toStdString();
    request.Filter = std::string(FileSlotFilter(fileType_));
    request.Folder = settings.LastTexture;
    const auto chosen = CurrentDialogs().OpenFile(request);
    if (!chosen || chosen->empty()) return;
    const std::string folder = FolderOfFile(*chosen);
    settings.LastTexture = folder;
    settings.Search.Use(folder);
    fileName_ = *chosen;
    setToolTip(Q(fileName_));
    update();
    Model().ChangeFileValue(owner_->OutputType(), index_, fileType_, fileName_,
                            owner_->AutoUpdate());
    Q_EMIT OnChange();
}

void TXRInterfaceComponent::paintEvent(QPaintEvent*) {
    if (spin_ != nullptr) return;  // the spin field draws its own caption
    QPainter p(this);
    p.setFont(font());
    const QFontMetrics metrics(font());
    QRect labelRect(0, kFieldTop, width(), kFieldHeight);
    if (kind_ == kVector) {
        labelRect.setRight(sliders_[0]->x() - 3);
        const QRect swatch = SwatchRect();
        // Values set by the host may lie outside 0 … 1.
        p.fillRect(swatch, QColor::fromRgbF(static_cast<float>(QuantiseColor(color_[0])),
                                            static_cast<float>(QuantiseColor(color_[1])),
                                            static_cast<float>(QuantiseColor(color_[2]))));
        DrawBevel(p, swatch, false);
    } else if (kind_ == kEnumeration) {
        labelRect.setRight(items_->x() - 3);
    } else if (kind_ == kFileControl) {
        labelRect.setRight(width() * 2 / 5 - 3);
        const QRect name(width() * 2 / 5, kFieldTop, browse_->x() - 2 - width() * 2 / 5,
                         kFieldHeight);
        p.fillRect(name, Qt::white);
        DrawBevel(p, name, false);
        const QString shown = fileName_.empty() ? QString() : Q(FileNamePart(fileName_));
        p.setPen(Qt::black);
        p.drawText(name.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(shown, Qt::ElideRight, name.width() - 5));
    }
    p.setPen(Qt::black);
    p.drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter,
               metrics.elidedText(label_, Qt::ElideRight, labelRect.width()));
}

void TXRInterfaceComponent::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && SwatchRect().contains(event->position().toPoint())) {
        PickColor();
        return;
    }
    QWidget::mousePressEvent(event);
}

// ---- the panel -------------------------------------------------------------------------------

TXRInterfaceContainer::TXRInterfaceContainer(int32_t outputType, QWidget* parent)
    : QWidget(parent), outputType_(outputType) {
    setFont(ControlFont());
    setFixedWidth(kInterfacePanelWidth);
    setFixedHeight(0);
}

void TXRInterfaceContainer::Build(const TInterfaceData& data) {
    // A rebuild can be reached from inside a control's own change signal (an update request the
    // host answers with a refresh), so the old controls go once that signal has returned.
    for (TXRInterfaceComponent* c : components_) {
        c->hide();
        c->deleteLater();
    }
    components_.clear();
    const TInterfaceLayout layout = LayoutInterface(data);
    columns_ = layout.Columns;
    order_ = layout.Order;
    notice_ = Q(layout.Notice);
    panelHeight_ = layout.Height;
    for (const TInterfaceControl& control : layout.Controls) {
        auto* component = new TXRInterfaceComponent(this, control, data);
        component->show();
        components_.push_back(component);
    }
    setFixedHeight(panelHeight_);
    update();
    Q_EMIT OnHeightChange(panelHeight_);
}

void TXRInterfaceContainer::LoadValues() {
    const TLocalKeyframes* values = Model().OutputValues(outputType_);
    if (values == nullptr) return;
    for (TXRInterfaceComponent* c : components_) c->LoadValues(*values);
}

void TXRInterfaceContainer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!notice_.isEmpty()) {
        p.setFont(font());
        p.setPen(Qt::black);
        const QFontMetrics metrics(font());
        const int x = kInterfacePanelWidth / 2 - metrics.horizontalAdvance(notice_) / 2;
        p.drawText(x, 2 + metrics.ascent(), notice_);
    } else {
        p.setPen(QColor(128, 128, 128));
        p.drawLine(0, 0, width() - 1, 0);
    }
}

}  // namespace vandrel

// The interface panel of a manager panel: one control per exposed trigger value and file slot of
// the shader, laid out as interface_layout.h says, showing and changing one output type's values.
//
// Controls by kind: a spin field for a numerical trigger (its limits and increment, whole numbers
// for an integer trigger), two spin fields for a UV trigger (the U and the V control, each with
// its own label and limits), a swatch (the right-most 54 pixels) and three sliders for a colour,
// a drop-down list of the friendly item names for an enumeration, and the file name with a
// browse button for a file slot.
//
// Every change a user makes goes to Plugin().Interface (ChangeTriggerValue, ChangeColorValue,
// ChangeFileValue) for the container's output type with its automatic-update flag; values set
// from a record (LoadValues) write nothing back. User-interface thread only.
#pragma once

#include "editor/model/interface_layout.h"
#include "interface/interface_model.h"
// (the model's headers before Qt's)
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QToolButton;

namespace vandrel {

class THostSpinEdit2;
class TCoolSlider;
class TXRInterfaceContainer;

inline constexpr std::string_view kTextureFileFilter =
    "All Textures|*.tga;*.bmp;*.dib;*.jpg;*.avi;*.png;*.dds;*.txr;*.ndl;*.tif|Targa Files "
    "(*.tga)|*.tga|Windows Bitmaps (*.bmp, *.dib)|*.bmp;*.dib|JPEG Files (*.jpg)|*.jpg|AVI Files "
    "(*.avi)|*.avi|PNG Files (*.png)|*.png|DDS Files (*.dds)|*.dds|R Plus Files (*.txr, "
    "*.ndl)|*.txr, *.ndl|TIFF Files (*.tif)|*.tif";
inline constexpr std::string_view kSoundFileFilter = "Sounds (*.wav)|*.wav";

// The browse dialog's filter for a file slot's type letter: textures for "T", "I" and "B",
// sounds for anything else.
std::string_view FileSlotFilter(char type);

// One control of the panel.
class TXRInterfaceComponent : public QWidget {
    Q_OBJECT

  public:
    TXRInterfaceComponent(TXRInterfaceContainer* owner, const TInterfaceControl& control,
                          const TInterfaceData& data);

    int Part() const { return part_; }
    int Index() const { return index_; }
    int32_t Kind() const { return kind_; }
    TXRInterfaceContainer* Owner() const { return owner_; }
    QString Label() const { return label_; }

    // The value controls; null where the kind has none of that sort.
    THostSpinEdit2* SpinField() const { return spin_; }
    TCoolSlider* Slider(int channel) const;
    QComboBox* ItemList() const { return items_; }
    QToolButton* BrowseButton() const { return browse_; }

    const std::array<float, 3>& ColorValue() const { return color_; }
    char FileType() const { return fileType_; }
    const std::string& FileName() const { return fileName_; }
    uint8_t PickerChoice() const { return pickerChoice_; }
    bool Loading() const { return loading_; }

    // Shows the values of the record without writing them back.
    void LoadValues(const TLocalKeyframes& values);

    // What a click on the swatch and on the browse button do.
    void PickColor();
    void BrowseFile();
    QRect SwatchRect() const;

  Q_SIGNALS:
    // A user changed the value (after it reached the interface model).
    void OnChange();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void SpinChanged();
    void SliderChanged(int channel);
    void ItemChosen(int item);
    void SetColor(const std::array<float, 3>& color);

    int part_ = 0;
    int index_ = 0;
    int32_t kind_ = kNumerical;
    TXRInterfaceContainer* owner_ = nullptr;
    THostSpinEdit2* spin_ = nullptr;
    std::array<TCoolSlider*, 3> sliders_{};
    QComboBox* items_ = nullptr;
    QToolButton* browse_ = nullptr;
    std::array<float, 3> color_{};
    char fileType_ = 'N';
    std::string fileName_;
    uint8_t pickerChoice_ = kOwnPicker;
    bool loading_ = false;
    QString label_;
};

// The panel, 264 pixels wide and as high as its layout.
class TXRInterfaceContainer : public QWidget {
    Q_OBJECT

  public:
    explicit TXRInterfaceContainer(int32_t outputType, QWidget* parent = nullptr);

    // Replaces every control by those of the interface; raises OnHeightChange.
    void Build(const TInterfaceData& data);
    void Build(std::string_view interfaceString) { Build(ParseInterfaceString(interfaceString)); }
    // Every control shows the output type's current values.
    void LoadValues();

    const std::vector<TXRInterfaceComponent*>& Components() const { return components_; }
    int Columns() const { return columns_; }
    char Order() const { return order_; }
    int32_t OutputType() const { return outputType_; }
    bool AutoUpdate() const { return autoUpdate_; }
    void SetAutoUpdate(bool on) { autoUpdate_ = on; }
    bool UpdatePending() const { return updatePending_; }
    void SetUpdatePending(bool pending) { updatePending_ = pending; }
    bool Collapsed() const { return collapsed_; }
    void SetCollapsed(bool collapsed) { collapsed_ = collapsed; }
    const QString& NoticeText() const { return notice_; }
    int PanelHeight() const { return panelHeight_; }

  Q_SIGNALS:
    void OnHeightChange(int height);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<TXRInterfaceComponent*> components_;
    int columns_ = 2;
    char order_ = 'D';
    int32_t outputType_ = 0;
    bool autoUpdate_ = true;
    bool updatePending_ = false;
    bool collapsed_ = false;
    QString notice_;
    int panelHeight_ = 0;
};

}  // namespace vandrel

// The property bars of a container: one per property, with its input editors, the lock button
// of UV and Vector properties and the "Edit as color" button of Vector properties.
//
// A bar is a view of one TPropertyState of the graph model (editor/model/graph_model.h): the
// model owns the sources, the split state, the questions of locking and unlocking and the
// trigger and file-slot registrations; the bar shows them and forwards what the user does. Its
// controls are children of the container widget, not of the bar, so that Tab walks through the
// spin fields of every property of the container. Drops of an output dot land on the container,
// which hit-tests the bars.
//
// Layout inside the container: the bar at x 1, width 118; the editors (103 x 16) at x 15, one per
// row of 17 pixels; the lock button (11 x 12) at (3, top + 2); the "Edit as color" button
// (11 x 30) at (3, top + 18), shown only while a Vector property is split.
#pragma once

#include <QAbstractButton>
#include <QFontMetrics>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "editor/controls/spin_edit.h"
#include "editor/model/graph_model.h"

namespace vandrel {

class TXRPropertyBar;

inline constexpr int kEditorLeft = 15;
inline constexpr int kEditorWidth = 103;
inline constexpr int kEditorHeight = 16;
inline constexpr int kValueLeft = 54;
inline constexpr int kValueTextWidth = 48;
inline constexpr int kConnectedValueTextWidth = 36;

// The lock button: down while the property is split into parts.
class TXRPropertyLockButton final : public QAbstractButton {
    Q_OBJECT

  public:
    explicit TXRPropertyLockButton(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The "Edit as color" button.
class TXRColorButton final : public QAbstractButton {
    Q_OBJECT

  public:
    explicit TXRColorButton(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// One input field: the whole property (part -1) or one part of a split one.
class TXRPropertyEditor final : public QWidget {
    Q_OBJECT

  public:
    TXRPropertyEditor(TXRGraphModel& model, TXRComponentContainer& container, int32_t prop,
                      int32_t part, QWidget* parent);
    ~TXRPropertyEditor() override;

    int32_t Part() const { return part_; }
    // The kind this editor edits: a part is Numerical.
    int32_t Kind() const;
    // The name at the left: the property's name, or the part's letter.
    QString NameText() const;
    // The property's whole name, and the part's letter after a dot for a part.
    QString FullName() const;
    // The name as drawn: NameText, or the fitted form the container chose for a long name.
    QString ShownName() const { return shownName_.isEmpty() ? NameText() : shownName_; }
    void SetShownName(const QString& name);
    // The value text at the right; empty while the spin field shows the constant.
    QString ValueText() const { return valueText_; }
    int ValueTextWidth() const { return valueWidth_; }
    bool ComponentConnected() const;
    // Null for kinds without a constant.
    THostSpinEdit2* SpinField() const { return spin_; }
    bool ShowsSpinField() const;

    void Place(int top);
    void SetShown(bool shown);
    void Refresh();
    // Opens the input menu as a right click does.
    void OpenMenu(const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    TXRGraphModel& model_;
    TXRComponentContainer& container_;
    int32_t prop_;
    int32_t part_;
    QString valueText_;
    QString shownName_;
    int valueWidth_ = kValueTextWidth;
    bool shown_ = true;
    QPointer<THostSpinEdit2> spin_;
    bool refreshing_ = false;
};

// Room for a property's name, left of the menu arrow.
inline constexpr int kNameWidth = 44;

// The names as a container's rows show them in the given width: a name that does not fit is cut
// with an ellipsis at its end, or in its middle or at its start where the cut would read like a
// sibling's row; two rows never show the same text for different names.
std::vector<QString> FittedNames(const std::vector<QString>& names, const QFontMetrics& metrics,
                                 int width);

// Opens the colour picker; true and the new colour after OK. Tests replace it.
using TColorPickerFn =
    std::function<bool(QWidget* parent, const QString& title, std::array<double, 3>& rgb)>;

class TXRPropertyBar final : public QObject {
    Q_OBJECT

  public:
    TXRPropertyBar(QWidget* container, TXRGraphModel& model, TXRComponentContainer& component,
                   int32_t prop);
    ~TXRPropertyBar() override;

    // The bar's rows inside the container: x 1, width 118, from top down.
    void Place(int32_t top, int32_t height);
    // Hidden while the container is collapsed.
    void SetVisible(bool visible);
    // The property's source, value or split state changed in the model.
    void Refresh();

    int32_t Top() const { return top_; }
    int32_t Height() const;
    const TPropertyState& State() const;
    TXRPropertyEditor* WholeEditor() const { return whole_; }
    // Null beyond the property's parts.
    TXRPropertyEditor* PartEditor(int32_t part) const;
    TXRPropertyLockButton* LockButton() const { return lock_; }
    TXRColorButton* ColorButton() const { return color_; }

    // What the buttons do.
    void ToggleLock();
    void EditAsColor();

    static void SetColorPicker(TColorPickerFn picker);

  private:
    QWidget* container_;
    TXRGraphModel& model_;
    TXRComponentContainer& component_;
    int32_t prop_;
    int32_t top_ = kFirstBarTop;
    bool visible_ = true;
    QPointer<TXRPropertyEditor> whole_;
    std::array<QPointer<TXRPropertyEditor>, 3> parts_;
    QPointer<TXRPropertyLockButton> lock_;
    QPointer<TXRColorButton> color_;
};

}  // namespace vandrel

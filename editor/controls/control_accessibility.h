// What screen readers and UI automation (AT-SPI on Linux) learn of the plug-in's own controls:
// each control a user operates has a role and a name that say what it is.
//
//   - THostSpinEdit2: an editable spin box named by its accessible name (else its caption), whose
//     value text is what the field shows; setting the value text types that number into it, and
//     the value interface reads and sets the number within Min … Max.
//   - TGCheckBox: a check box with its caption; TExpanderPanel: a toggle button with its caption;
//     TCoolSlider and a TGradDisplay with a slider mark: sliders with their position.
//   - TImageGridSelect: a list whose items are its cells, each named by its hint (the palette's
//     component titles), selectable like a click on the cell.
//
// Also an item type for the parts of a control that are drawn, not widgets (palette cells, the
// canvas's wires), so that the editor can expose those the same way.
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

namespace vandrel {

// Installs the interfaces above once per process; every window of the plug-in calls it.
void InstallControlAccessibility();

// One drawn part of a widget: its role, name and rectangle come from the owner at each call, so
// that they follow what the widget shows; it is valid while the owner lives and the index is
// below the owner's count.
struct TAccessibleItemSource {
    std::function<int()> count;
    std::function<QString(int index)> name;
    std::function<QRect(int index)> rect;  // in the owner's coordinates
    std::function<bool(int index)> selected;
    std::function<void(int index)> press;  // what "Press" and "SetFocus" do; may be empty
};

// An owner's interface with the items after its widget children.
class TItemOwnerAccessible : public QAccessibleWidget {
  public:
    TItemOwnerAccessible(QWidget* widget, QAccessible::Role role, QAccessible::Role itemRole,
                         TAccessibleItemSource source);
    ~TItemOwnerAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    const TAccessibleItemSource& Source() const { return source_; }
    QAccessible::Role ItemRole() const { return itemRole_; }

  private:
    int WidgetChildren() const;
    // The items' interfaces, as many as the owner has items now.
    void Sync() const;

    QAccessible::Role itemRole_;
    TAccessibleItemSource source_;
    mutable std::vector<QAccessible::Id> items_;
};

}  // namespace vandrel

// The place of a property bar inside a container widget.
//
// A container widget asks the installed factory for one bar per property and places it after
// every change of its layout; without a factory it draws a plain row with the property's name.
// The bar reads and changes the property through the graph model (editor/model/graph_model.h):
// its sources (TPropertyState), SetConstant, UseConstant, UseVariable, DisconnectInput, SetValue,
// LockProperty, UnlockProperty, and the input menu of editor/input_menu_widget.h. Drops of a
// dragged output dot are handled by the container, which hit-tests the bars.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

class QWidget;

namespace vandrel {

class TXRGraphModel;
class TXRComponentContainer;

class TPropertyBarSlot {
  public:
    virtual ~TPropertyBarSlot() = default;
    // The bar's rectangle inside the container: x 1, width 118, at top, of the given height.
    virtual void Place(int32_t top, int32_t height) = 0;
    // Hidden while the container is collapsed.
    virtual void SetVisible(bool visible) = 0;
    // The property's source, value or split state changed in the model.
    virtual void Refresh() = 0;
};

using TPropertyBarFactory = std::function<std::unique_ptr<TPropertyBarSlot>(
    QWidget* container, TXRGraphModel& model, TXRComponentContainer& component, int32_t prop)>;

inline TPropertyBarFactory& PropertyBarFactoryStorage() {
    static TPropertyBarFactory factory;
    return factory;
}
// Installs the factory for containers created from now on; an empty one restores the rows.
inline void SetPropertyBarFactory(TPropertyBarFactory factory) {
    PropertyBarFactoryStorage() = std::move(factory);
}
inline const TPropertyBarFactory& PropertyBarFactory() { return PropertyBarFactoryStorage(); }

}  // namespace vandrel

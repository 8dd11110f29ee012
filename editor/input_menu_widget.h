// The input menu of a property input as a Qt menu over the graph model.
#pragma once

#include <cstdint>

class QPoint;
class QWidget;

namespace vandrel {

class TXRGraphModel;
class TXRComponentContainer;

// Shows the menu of the property's kind (a part of a split property: Numerical) at the global
// position and carries out the choice. True when the choice changed the input.
bool ExecInputMenu(QWidget* parent, const QPoint& globalPos, TXRGraphModel& model,
                   TXRComponentContainer* container, int32_t prop, int32_t part);

}  // namespace vandrel

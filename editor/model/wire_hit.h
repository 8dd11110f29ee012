// Hit tests of the canvas's wires and of a rubber band, in layout coordinates.
#pragma once

#include <vector>

#include "editor/model/graph_model.h"

namespace vandrel {

// The visible connection whose polyline passes within 'tolerance' pixels of the point (the
// nearest one), null when none does.
TXRComponentConnection* ConnectionAt(const TXRGraphModel& model, TPoint point,
                                     int32_t tolerance = 3);
// The containers whose bounds meet the rectangle, in list order.
std::vector<TXRComponentContainer*> ContainersIn(const TXRGraphModel& model, const TRect& band);

}  // namespace vandrel

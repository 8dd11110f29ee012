// Hit tests of the canvas's wires and of a rubber band, in layout coordinates.
#pragma once

#include <vector>

#include "editor/model/graph_model.h"

namespace vandrel {

// The visible connection whose polyline passes within 'tolerance' pixels of the point (the
// nearest one), null when none does.
TXRComponentConnection* ConnectionAt(const TXRGraphModel& model, TPoint point,
                                     int32_t tolerance = 3);
// The connection whose input end is at the point: the row of the input it feeds, from the
// connected mark near the container's right edge out to the tip of the wire's arrow. Inputs of a
// folded container share one point and are not taken here.
TXRComponentConnection* InputEndAt(const TXRGraphModel& model, TPoint point);
// The containers whose bounds meet the rectangle, in list order.
std::vector<TXRComponentContainer*> ContainersIn(const TXRGraphModel& model, const TRect& band);

}  // namespace vandrel

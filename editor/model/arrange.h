// "Arrange": lays the graph out in the canvas's direction, the root at the far left and every
// component one column to the right of the furthest one it feeds, columns stacked top-down in
// list order, so that no two containers overlap and every wire runs from right to left.
// Containers that feed nothing (loose ones) start columns of their own below the root.
#pragma once

#include <vector>

#include "editor/model/graph_model.h"

namespace vandrel {

inline constexpr int32_t kArrangeColumnGap = 48;
inline constexpr int32_t kArrangeRowGap = 16;
inline constexpr int32_t kArrangeBorder = 8;

// The arranged top-left corner of every container, in list order.
std::vector<TPoint> ArrangedPositions(const TXRGraphModel& model);
// Moves every container there, re-routes once and reports one change of the layout (one step of
// the history).
void ArrangeGraph(TXRGraphModel& model);

}  // namespace vandrel

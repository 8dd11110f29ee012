#include "editor/model/arrange.h"

#include <algorithm>

namespace vandrel {

std::vector<TPoint> ArrangedPositions(const TXRGraphModel& model) {
    const auto& containers = model.Containers();
    const size_t n = containers.size();
    // Column := the longest way, in links, to a container that feeds nothing; the tree has no
    // cycles, so n rounds of relaxation settle it.
    std::vector<int32_t> column(n, 0);
    for (size_t round = 0; round < n; ++round) {
        bool changed = false;
        for (const auto& conn : model.Connections()) {
            const int32_t s = model.IndexOf(conn->Source);
            const int32_t t = model.IndexOf(conn->Target);
            if (s < 0 || t < 0) continue;
            const int32_t want = column[static_cast<size_t>(t)] + 1;
            if (column[static_cast<size_t>(s)] < want) {
                column[static_cast<size_t>(s)] = want;
                changed = true;
            }
        }
        if (!changed) break;
    }
    // The root first in its column, then list order.
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    const TXRComponentContainer* root = model.RootContainer();
    std::stable_partition(order.begin(), order.end(),
                          [&](size_t i) { return containers[i].get() == root; });
    std::vector<int32_t> nextTop;
    std::vector<TPoint> out(n);
    for (size_t i : order) {
        const auto col = static_cast<size_t>(column[i]);
        if (nextTop.size() <= col) nextTop.resize(col + 1, kArrangeBorder);
        const TXRComponentContainer& c = *containers[i];
        out[i] = {kArrangeBorder + column[i] * (kContainerWidth + kArrangeColumnGap), nextTop[col]};
        nextTop[col] += c.Height + kArrangeRowGap;
    }
    return out;
}

void ArrangeGraph(TXRGraphModel& model) {
    const std::vector<TPoint> to = ArrangedPositions(model);
    const auto& containers = model.Containers();
    for (size_t i = 0; i < containers.size() && i < to.size(); ++i) {
        model.MoveContainer(containers[i].get(), to[i].x, to[i].y);
    }
    // A move of the selection by nothing re-routes once and reports the layout's change.
    model.MoveSelected(0, 0);
}

}  // namespace vandrel

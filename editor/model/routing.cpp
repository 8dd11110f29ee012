#include "editor/model/routing.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace vandrel {

namespace {

// Left, right, up, down: the order in which the walk back prefers neighbours.
constexpr std::array<std::array<int32_t, 2>, 4> kSteps = {{{-1, 0}, {1, 0}, {0, -1}, {0, 1}}};

int32_t FloorDiv(int32_t a, int32_t b) {
    int32_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

void TPathBuffer::Prepare(std::span<const TRect> containers) {
    columns_ = rows_ = 0;
    free_.clear();
    used_.clear();
    distance_.clear();
    TRect all;
    std::vector<TRect> inflated;
    inflated.reserve(containers.size());
    for (const TRect& r : containers) {
        inflated.push_back(r.Inflated(4));
        all = all.United(inflated.back());
    }
    if (all.Empty()) return;
    all = all.Inflated(16);
    origin_ = {all.left, all.top};
    const int64_t columns = all.Width() / kGridCell;
    const int64_t rows = all.Height() / kGridCell;
    if (columns <= 0 || rows <= 0 || columns * rows > kMaxGridCells) return;
    columns_ = static_cast<int32_t>(columns);
    rows_ = static_cast<int32_t>(rows);
    const size_t cells = static_cast<size_t>(columns * rows);
    free_.assign(cells, 1);
    used_.assign(cells, 0);
    distance_.assign(cells, kUnreached);
    for (int32_t row = 0; row < rows_; ++row) {
        for (int32_t col = 0; col < columns_; ++col) {
            if (col == 0 || row == 0 || col == columns_ - 1 || row == rows_ - 1) {
                free_[Index(col, row)] = 0;
            }
        }
    }
    // Only the cells a rectangle covers need testing against it.
    for (const TRect& r : inflated) {
        const int32_t c0 = std::max(0, FloorDiv(r.left - origin_.x, kGridCell));
        const int32_t c1 = std::min(columns_ - 1, FloorDiv(r.right - origin_.x, kGridCell));
        const int32_t r0 = std::max(0, FloorDiv(r.top - origin_.y, kGridCell));
        const int32_t r1 = std::min(rows_ - 1, FloorDiv(r.bottom - origin_.y, kGridCell));
        for (int32_t row = r0; row <= r1; ++row) {
            for (int32_t col = c0; col <= c1; ++col) {
                const TPoint corner{origin_.x + col * kGridCell, origin_.y + row * kGridCell};
                if (r.Contains(corner)) free_[Index(col, row)] = 0;
            }
        }
    }
}

bool TPathBuffer::Free(int32_t col, int32_t row) const {
    return Inside(col, row) && free_[Index(col, row)] != 0;
}

bool TPathBuffer::Used(int32_t col, int32_t row) const {
    return Inside(col, row) && used_[Index(col, row)] != 0;
}

bool TPathBuffer::Route(TPoint output, TPoint input, TPath& path) {
    if (Empty()) return false;
    int32_t sc = FloorDiv(output.x - origin_.x, kGridCell);
    const int32_t sr = FloorDiv(output.y - origin_.y, kGridCell);
    int32_t tc = FloorDiv(input.x - origin_.x, kGridCell);
    const int32_t tr = FloorDiv(input.y - origin_.y, kGridCell);
    // The end points lie on their containers' edges: step out of them, the output to the
    // left and the input to the right.
    if (!Free(sc, sr)) --sc;
    for (int k = 0; k < 2 && !Free(tc, tr); ++k) ++tc;
    if ((sc == tc && sr == tr) || !Free(sc, sr) || !Free(tc, tr)) return false;
    if (!SpreadWave(Index(sc, sr), Index(tc, tr))) return false;
    TPath corners;
    if (!WalkBack(tc, tr, corners)) return false;

    path.clear();
    path.push_back(input);
    if (corners.empty() && input.y != output.y) {
        const int32_t mid = input.x + (output.x - input.x) / 2;
        corners = {{mid, input.y}, {mid, output.y}};
    }
    path.insert(path.end(), corners.begin(), corners.end());
    path.push_back(output);
    StraightenEnds(path);
    return true;
}

// Shortest distances from the source until the target is settled, a used cell costing
// kUsedCellCost more. A bucket queue settles every cell once, which gives the distances repeated
// sweeps converge to.
bool TPathBuffer::SpreadWave(size_t source, size_t target) {
    std::fill(distance_.begin(), distance_.end(), kUnreached);
    std::vector<std::vector<int32_t>> buckets(3);
    const auto push = [&](size_t index, uint16_t d) {
        if (buckets.size() <= d) buckets.resize(d + 1u);
        buckets[d].push_back(static_cast<int32_t>(index));
    };
    distance_[source] = 0;
    push(source, 0);
    for (size_t d = 0; d < buckets.size(); ++d) {
        for (size_t i = 0; i < buckets[d].size(); ++i) {
            const size_t index = static_cast<size_t>(buckets[d][i]);
            if (distance_[index] != d) continue;  // settled earlier through a shorter way
            if (index == target) return true;
            const int32_t col = static_cast<int32_t>(index % static_cast<size_t>(columns_));
            const int32_t row = static_cast<int32_t>(index / static_cast<size_t>(columns_));
            for (const auto& step : kSteps) {
                const int32_t nc = col + step[0];
                const int32_t nr = row + step[1];
                if (!Free(nc, nr)) continue;
                const size_t n = Index(nc, nr);
                const size_t nd = d + 1 + (used_[n] != 0 ? kUsedCellCost : 0);
                if (nd >= kUnreached || nd >= distance_[n]) continue;
                distance_[n] = static_cast<uint16_t>(nd);
                push(n, static_cast<uint16_t>(nd));
            }
        }
    }
    return false;
}

// From the target down the distances to the source, keeping the direction while it leads closer;
// the corners of the way, and its cells marked used.
bool TPathBuffer::WalkBack(int32_t col, int32_t row, TPath& corners) {
    const auto corner = [&](int32_t c, int32_t r) {
        return TPoint{origin_.x + c * kGridCell, origin_.y + r * kGridCell};
    };
    int direction = -1;
    used_[Index(col, row)] = 1;
    bool horizontal = true;  // the input is entered from the side
    for (size_t guard = 0; distance_[Index(col, row)] != 0; ++guard) {
        if (guard > distance_.size()) return false;
        const uint16_t here = distance_[Index(col, row)];
        int next = -1;
        if (direction >= 0) {
            const int32_t nc = col + kSteps[direction][0];
            const int32_t nr = row + kSteps[direction][1];
            if (Free(nc, nr) && distance_[Index(nc, nr)] < here) next = direction;
        }
        if (next < 0) {
            uint16_t best = here;
            for (int k = 0; k < 4; ++k) {
                const int32_t nc = col + kSteps[k][0];
                const int32_t nr = row + kSteps[k][1];
                if (Free(nc, nr) && distance_[Index(nc, nr)] < best) {
                    best = distance_[Index(nc, nr)];
                    next = k;
                }
            }
        }
        if (next < 0) return false;  // a dead end
        const bool nextHorizontal = kSteps[next][1] == 0;
        if (next != direction && (direction >= 0 || !nextHorizontal)) {
            corners.push_back(corner(col, row));
        }
        direction = next;
        horizontal = nextHorizontal;
        col += kSteps[next][0];
        row += kSteps[next][1];
        used_[Index(col, row)] = 1;
    }
    if (!horizontal) corners.push_back(corner(col, row));  // the output is left from the side
    return true;
}

TPath FallbackRoute(TPoint output, const TRect& source, TPoint input, const TRect& target) {
    if (target.Contains(output) || source.Contains(input)) return {input, output};
    if (output.x >= input.x) {
        const int32_t mid = input.x + (output.x - input.x) / 2;
        return {input, {mid, input.y}, {mid, output.y}, output};
    }
    int32_t y;
    if (source.top < target.bottom && target.top < source.bottom) {
        const int32_t above = std::min(source.top, target.top) - 10;
        const int32_t below = std::max(source.bottom, target.bottom) + 10;
        const auto travel = [&](int32_t v) {
            return std::abs(int64_t{output.y} - v) + std::abs(int64_t{input.y} - v);
        };
        y = travel(above) <= travel(below) ? above : below;
    } else if (source.bottom <= target.top) {
        y = source.bottom + (target.top - source.bottom) / 2;
    } else {
        y = target.bottom + (source.top - target.bottom) / 2;
    }
    return {input,
            {input.x + 10, input.y},
            {input.x + 10, y},
            {output.x - 10, y},
            {output.x - 10, output.y},
            output};
}

void StraightenEnds(TPath& path) {
    if (path.size() < 4) return;
    path[1].y = path[0].y;
    path[path.size() - 2].y = path.back().y;
}

TRect RouteBounds(const TPath& path) {
    if (path.empty()) return {};
    TRect r{path[0].x, path[0].y, path[0].x, path[0].y};
    for (const TPoint& p : path) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r.Inflated(12);
}

}  // namespace vandrel

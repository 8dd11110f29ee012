// Routing of connections over a grid of 8-pixel cells laid over the canvas.
//
// The grid covers the containers (each inflated by 4 pixels) and a 16-pixel margin; a cell is
// blocked when its corner lies inside a container or on the grid's border. One connection is
// routed by a breadth-first wave from the output's cell, relaxed by at most kMaxSweeps sweeps,
// and a walk back from the input's cell that keeps its direction as long as it can, so routes
// have few corners. Cells used by earlier routes cost one more, which spreads parallel lines.
// When the grid would exceed kMaxGridCells, or no path is found, the orthogonal fallback route
// is used instead.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "editor/model/geometry.h"

namespace vandrel {

inline constexpr int32_t kGridCell = 8;
inline constexpr int64_t kMaxGridCells = 262144;
inline constexpr int32_t kMaxSweeps = 50;
inline constexpr uint16_t kUnreached = 32767;
// What a cell that an earlier wire runs through adds to a route: of two ways of equal length, a
// wire takes the one on free tracks, so that it does not draw over another.
inline constexpr uint16_t kUsedCellCost = 1;

class TPathBuffer {
  public:
    // Lays the grid over the container bounds (canvas coordinates); empty when too large.
    void Prepare(std::span<const TRect> containers);
    bool Empty() const { return columns_ == 0 || rows_ == 0; }
    TPoint Origin() const { return origin_; }
    int32_t Columns() const { return columns_; }
    int32_t Rows() const { return rows_; }
    bool Free(int32_t col, int32_t row) const;
    bool Used(int32_t col, int32_t row) const;

    // One connection from the output point (on the source) to the input point (on the target).
    // The path runs input point, corners, output point; false when the grid gives no route.
    bool Route(TPoint output, TPoint input, TPath& path);

  private:
    bool SpreadWave(size_t source, size_t target);
    bool WalkBack(int32_t col, int32_t row, TPath& corners);
    size_t Index(int32_t col, int32_t row) const {
        return static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(col);
    }
    bool Inside(int32_t col, int32_t row) const {
        return col >= 0 && row >= 0 && col < columns_ && row < rows_;
    }

    TPoint origin_;
    int32_t columns_ = 0;
    int32_t rows_ = 0;
    std::vector<uint8_t> free_;
    std::vector<uint8_t> used_;
    std::vector<uint16_t> distance_;
};

// The orthogonal route without the grid, input point first.
TPath FallbackRoute(TPoint output, const TRect& source, TPoint input, const TRect& target);

// Makes the first and last segments horizontal when the route has at least four points.
void StraightenEnds(TPath& path);

// The bounding box of the points inflated by 12 pixels.
TRect RouteBounds(const TPath& path);

}  // namespace vandrel

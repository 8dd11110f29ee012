#include "editor/model/wire_hit.h"

#include <algorithm>
#include <limits>

namespace vandrel {
namespace {

// Squared distance from p to the segment a–b.
double SegmentDistance2(TPoint p, TPoint a, TPoint b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x;
    const double ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey;
}

}  // namespace

TXRComponentConnection* ConnectionAt(const TXRGraphModel& model, TPoint point, int32_t tolerance) {
    TXRComponentConnection* best = nullptr;
    double bestDistance = static_cast<double>(tolerance) * tolerance;
    for (const auto& conn : model.Connections()) {
        if (!conn->Visible) continue;
        const TPath points = conn->CanvasPoints();
        for (size_t i = 1; i < points.size(); ++i) {
            const double d = SegmentDistance2(point, points[i - 1], points[i]);
            if (d <= bestDistance) {
                bestDistance = d;
                best = conn.get();
            }
        }
    }
    return best;
}

TXRComponentConnection* InputEndAt(const TXRGraphModel& model, TPoint point) {
    // From the mark (x 106 of the box) to the arrow's tip (4 pixels out), the row's height.
    constexpr int32_t kInside = 14;
    constexpr int32_t kOutside = 8;
    constexpr int32_t kHalfRow = kBarRowHeight / 2;
    for (const auto& conn : model.Connections()) {
        if (!conn->Visible || conn->Target == nullptr || conn->Target->Collapsed) continue;
        const TPoint in = conn->Target->InputPoint(conn->Property, conn->Part);
        if (point.x >= in.x - kInside && point.x <= in.x + kOutside && point.y >= in.y - kHalfRow &&
            point.y <= in.y + kHalfRow) {
            return conn.get();
        }
    }
    return nullptr;
}

std::vector<TXRComponentContainer*> ContainersIn(const TXRGraphModel& model, const TRect& band) {
    const TRect r{std::min(band.left, band.right), std::min(band.top, band.bottom),
                  std::max(band.left, band.right), std::max(band.top, band.bottom)};
    std::vector<TXRComponentContainer*> out;
    for (const auto& c : model.Containers()) {
        const TRect b = c->Bounds();
        if (b.left < r.right && r.left < b.right && b.top < r.bottom && r.top < b.bottom) {
            out.push_back(c.get());
        }
    }
    return out;
}

}  // namespace vandrel

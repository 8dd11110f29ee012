// Splines through up to five knots (type ids 113-115, unit XR_1DGenerators): a parameter
// Input in [0, 1] mapped onto the uniform Catmull-Rom curve (components/shared/catmull_rom.h)
// through KnotCount + 2 knots spread evenly over the parameter range.
//
// Contracts:
//   - Knot k (counted from 0) is reached at Input = k / (KnotCount + 1); Input at or below 0 yields
//     Knot1, at or above 1 the last used knot, both exactly; NaN Input counts as 0.
//   - Only the four knots of the current segment are read, through their input references; knots
//     beyond the count keep their values and have no influence, connected or not.
//   - KnotCount outside 0 … 3 (a choice of ours) is clamped into 0 … 3 for the evaluation
//     (negative values use two knots, larger ones all five); the stored value is not changed.
//   - No host call; never allocates, never fails.
#pragma once

#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kSplineProps[] = {
    {"Knot1", kNumerical, {0}},       {"Knot2", kNumerical, {0}}, {"Knot3", kNumerical, {0}},
    {"Knot4", kNumerical, {0}},       {"Knot5", kNumerical, {0}}, {"Input", kNumerical, {0}},
    {"KnotCount", kEnumeration, {0}},
};

inline constexpr PropertySpec kSpline2DProps[] = {
    {"Knot1", kUV, {0, 0}, false, "UV"}, {"Knot2", kUV, {0, 0}, false, "UV"},
    {"Knot3", kUV, {0, 0}, false, "UV"}, {"Knot4", kUV, {0, 0}, false, "UV"},
    {"Knot5", kUV, {0, 0}, false, "UV"}, {"Input", kNumerical, {0}},
    {"KnotCount", kEnumeration, {0}},
};

inline constexpr PropertySpec kSpline3DProps[] = {
    {"Knot1", kVector, {0, 0, 0}, false, "XYZ"},
    {"Knot2", kVector, {0, 0, 0}, false, "XYZ"},
    {"Knot3", kVector, {0, 0, 0}, false, "XYZ"},
    {"Knot4", kVector, {0, 0, 0}, false, "XYZ"},
    {"Knot5", kVector, {0, 0, 0}, false, "XYZ"},
    {"Input", kNumerical, {0}},
    {"KnotCount", kEnumeration, {0}},
};

// Where Input falls: the four control knots P0 … P3 (indices clamped to the used knots) and the
// fraction f along the segment from P1 to P2. atEnd marks Input at or above 1, where the result is
// the last used knot (index P2) exactly.
struct TSplineSegment {
    int knots[4];
    double f;
    bool atEnd;
};
TSplineSegment LocateSplineSegment(double input, int32_t knotCount);

// Numerical knots: a transfer curve.
class TXRCSpline final : public TXRTableComponent<kSplineProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 113;
    void Evaluate(bool inHost) override;
};

// UV knots: a path in the plane.
class TXRCSpline2D final : public TXRTableComponent<kSpline2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 114;
    void Evaluate(bool inHost) override;
};

// 3D vector or colour knots: a path in space or a colour ramp.
class TXRCSpline3D final : public TXRTableComponent<kSpline3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 115;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

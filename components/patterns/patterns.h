// Regular patterns (type ids 401-411): the plane or space divided into a regular layout, one of two
// or three given values per point and a soft transition of adjustable width at every border.
// Checkers, bricks, polka dots, stripes, rays, circles or a spiral, and a basket weave. Each
// outputs a number; a colour pattern is the number fed into a colour blend or an interpolation.
//
// Contracts shared by the family:
//   - Every soft border goes through the host's hsSmoothStep (lower edge, upper edge, x); with
//     equal edges it acts as a step that is 0 at the edge itself. The common blend is
//     Mix(t, P, Q, e0, e1) = Q + (P - Q) · hsSmoothStep(e0, e1, t): Q below e0, P above e1.
//   - Zero sizes, periods and widths never divide: Checker gives the mean of its two values,
//     Stripes, Rays and Circles the background, Cross-Weave the gap value; bricks and dots drop
//     the term of that axis.
//   - Cell parities come from 32-bit cell indices (core/numbers.h): a coordinate beyond that range
//     or NaN counts as an even cell. NaN coordinates give NaN outputs, never undefined behaviour.
//   - Stripes with a Direction other than 0, 1, 2 follow V, as Direction 0 does.
//   - Evaluate ignores InHost, never allocates and never fails.
#pragma once

#include "core/component.h"

namespace vandrel {

inline constexpr PropertySpec kCheckerProps[] = {
    {"ValueA", kNumerical, {0}},
    {"ValueB", kNumerical, {1}},
    {"Size", kUV, {0.25f, 0.25f}, false, "UV"},
    {"Blur", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},
};

// A checkerboard of Size cells: ValueA in the cell [0, Size)², alternating with ValueB; Blur (in
// cells) softens the grid lines, on which the output is the mean of the two values.
class TXRCChecker final : public TXRTableComponent<kCheckerProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 401;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kChecker3DProps[] = {
    {"ValueA", kNumerical, {0}},
    {"ValueB", kNumerical, {1}},
    {"Size", kVector, {0.25f, 0.25f, 0.25f}, false, "XYZ"},
    {"Blur", kNumerical, {0}},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
};

// The checkerboard of TXRCChecker in space: alternating cubes.
class TXRCChecker3D final : public TXRTableComponent<kChecker3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 402;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kQuadTileProps[] = {
    {"TileValue", kNumerical, {0}},
    {"MortarValue", kNumerical, {1}},
    {"Size", kUV, {0.25f, 0.25f}, false, "UV"},
    {"RowShift", kNumerical, {0.5f}},
    {"MortarWidth", kUV, {0.01f, 0.01f}, false, "UV"},
    {"Blur", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},
};

// Bricks in the plane: tiles of Size, every odd row shifted by RowShift tiles, joints MortarWidth
// wide (half on each tile, in input units); Blur, clamped to [0, 1], widens the soft edge of the
// joints to both sides.
class TXRCQuadTile final : public TXRTableComponent<kQuadTileProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 403;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kBoxTileProps[] = {
    {"TileValue", kNumerical, {0}},
    {"MortarValue", kNumerical, {1}},
    {"Size", kVector, {0.25f, 0.25f, 0.25f}, false, "XYZ"},
    {"RowShift", kUV, {0.5f, 0.5f}, false, "UV"},
    {"MortarWidth", kVector, {0.01f, 0.01f, 0.01f}, false, "XYZ"},
    {"Blur", kNumerical, {0}},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
};

// Bricks in space: boxes of Size; every odd layer (along Z) is shifted by RowShift.U boxes along
// X and RowShift.V boxes along Y.
class TXRCBoxTile final : public TXRTableComponent<kBoxTileProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 404;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kPolka2DProps[] = {
    {"BackgroundValue", kNumerical, {0}},
    {"DotValue", kNumerical, {1}},
    {"Size", kUV, {0.25f, 0.25f}, false, "UV"},
    {"DotSize", kUV, {1, 1}, false, "UV"},
    {"Blur", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},
};

// One dot per cell of Size, centred in it; DotSize is the dot's diameter in cells per axis (1
// touches the cell sides, 0 on one axis gives bands along that axis).
class TXRCPolka2D final : public TXRTableComponent<kPolka2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 406;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kPolka3DProps[] = {
    {"BackgroundValue", kNumerical, {0}},
    {"DotValue", kNumerical, {1}},
    {"Size", kVector, {0.4f, 0.4f, 0.4f}, false, "XYZ"},
    {"DotSize", kVector, {1, 1, 1}, false, "XYZ"},
    {"Blur", kNumerical, {0}},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
};

// One ball per cell of Size in space, as TXRCPolka2D.
class TXRCPolka3D final : public TXRTableComponent<kPolka3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 407;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kStripesProps[] = {
    {"BackgroundValue", kNumerical, {0}},
    {"StripeValue", kNumerical, {1}},
    {"Period", kNumerical, {0.2f}},
    {"Width", kNumerical, {0.5f}},
    {"Blur", kNumerical, {0}},
    {"Angle", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},
    {"Direction", kEnumeration, {0}},
};

// A stripe centred on every half period, covering the fraction Width of the period; Direction 0
// follows V, 1 follows U, 2 the coordinate turned by Angle (radians).
class TXRCStripes final : public TXRTableComponent<kStripesProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 408;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kCirclesProps[] = {
    {"BackgroundValue", kNumerical, {0}}, {"CircleValue", kNumerical, {1}},
    {"Period", kNumerical, {0.2f}},       {"Width", kNumerical, {0.5f}},
    {"RadiusOffset", kNumerical, {0}},    {"Blur", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},  {"CircleMode", kEnumeration, {0}},
};

// Rings around the origin every Period, Width · Period thick (CircleMode 0), a spiral (2), or one
// disc of diameter Width · Period (any other mode); RadiusOffset moves the rings outwards.
class TXRCCircles final : public TXRTableComponent<kCirclesProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 409;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kRaysProps[] = {
    {"BackgroundValue", kNumerical, {0}},
    {"RayValue", kNumerical, {1}},
    {"RayCount", kNumerical, {6}, true},
    {"Width", kNumerical, {0.5f}},
    {"Blur", kNumerical, {0}},
    {"Angle", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},
};

// RayCount rays from the origin, centred at the angles Angle + 2πk / RayCount, each covering the
// fraction Width of its sector.
class TXRCRays final : public TXRTableComponent<kRaysProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 410;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kCrossWeaveProps[] = {
    {"ValueA", kNumerical, {1}},
    {"ValueB", kNumerical, {0.5f}},
    {"GapValue", kNumerical, {0}},
    {"Size", kUV, {0.25f, 0.25f}, false, "UV"},
    {"ThreadWidth", kUV, {0.5f, 0.5f}, false, "UV"},
    {"Blur", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},
};

// A basket weave: A threads along V and B threads along U, each ThreadWidth of a cell wide,
// passing over and under each other from cell to cell; GapValue between them.
class TXRCCrossWeave final : public TXRTableComponent<kCrossWeaveProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 411;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

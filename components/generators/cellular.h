// Cellular, birdshot and crystallize components (type ids 204, 210 of XR_2DGenerators,
// 303, 308 of XR_3DGenerators, 506, 507 of XR_Effects): jittered feature points on a unit grid.
// Every grid cell holds one random point; a query looks at the cell that holds the scaled input
// s = Input · Frequency (each part stored as a float) and at its neighbours, 3 × 3 cells in 2D and
// 3 × 3 × 3 in 3D. Distances are Euclidean, in scaled units.
//
//   - Cellular: (F1 · WeightF1 + F2 · WeightF2 + F3 · WeightF3) · Amplitude + Offset, with F1 <= F2
//     <= F3 the three smallest distances to the neighbourhood's points (10000 where fewer are
//     smaller; equal distances fill consecutive places).
//   - Birdshot: a pellet of radius R in [0, 1] on every point, valued v = (R - d) / R (1 at its
//     centre, 0 at its rim); Combine 0 keeps the largest v (at least 0), any other value sums the
//     positive ones; the result times Amplitude plus Offset.
//   - Crystallize: the nearest point divided by Frequency (OutputMode 0) or Input minus it (any
//     other OutputMode); with equal distances the first neighbour visited wins. The output is set
//     only by a point nearer than 10000, so a NaN input leaves it at its previous value.
//
// Defined results: Frequency 0 gives 0 (the zero vector for Crystallize), before anything else;
// Cellular and Birdshot with Amplitude 0 then give Offset. Jitter, Radius and RadiusVariation are
// clamped to [0, 1], NaN counting as 0. Evaluate never allocates, never fails and ignores InHost.
//
// Feature points (the visiting order and the draws fix what stored shaders look like): neighbours
// are visited with offsets -1, 0, +1 per axis, the first axis outermost (x, then y, z innermost).
// For each, RandomSeed(CellHash2/CellHash3 of the neighbour's cell indices + trunc(Seed), 32-bit
// wrapping); then per axis in order point = Jitter · (RandomNext() - 0.5) + cell centre, stored as
// a float; for birdshot one more draw r gives R = clamp((2r - 1) · RadiusVariation + Radius, 0, 1).
//
// Neighbourhood cache (TNeighbourhood, part of the instance): keyed by the input's cell alone.
// While the scaled input stays in the cached cell, the points and radii are reused and the
// generator is not touched, even when Seed, Jitter, Radius, RadiusVariation or Frequency changed in
// between; the cache refills when the input moves to another cell. A key of the cell centre
// k + 0.5 stored as a float would fail: for 2^23 <= |k| < 2^24 two neighbouring cells
// round to one float centre and the second would reuse the first one's points, so the key here is
// the 32-bit cell index itself, which is the same key wherever the float centre is exact. A new
// instance holds no cell. Every thread evaluates its own copy of the tree, so no cache is shared;
// two threads that query one cell build identical caches.
#pragma once

#include <array>
#include <cstdint>

#include "core/component.h"

namespace vandrel {

// The feature points (and, for birdshot, pellet radii) of the 3^D cells around one cell, in
// visiting order.
template <int D, bool kPellets>
class TNeighbourhood {
  public:
    static_assert(D == 2 || D == 3);
    static constexpr int kCells = D == 2 ? 9 : 27;
    using TCell = std::array<int32_t, D>;
    using TPoint = std::array<float, D>;

    // True when the cache holds the neighbourhood of cell: a hit.
    bool Holds(const TCell& cell) const { return filled_ && cell == cell_; }

    // Makes cell the key and draws every neighbour's point (and radius). jitter, spread and base
    // are already clamped to [0, 1]; spread and base are ignored without pellets.
    void Fill(const TCell& cell, int32_t seed, double jitter, double spread, double base,
              const TBoundRandomSeed& randomSeed, const TBoundRandomNext& randomNext);

    const TPoint& Point(int i) const { return points_[i]; }
    float Radius(int i) const requires kPellets { return radii_[i]; }

  private:
    TCell cell_{};
    bool filled_ = false;
    std::array<TPoint, kCells> points_{};
    std::array<float, kPellets ? kCells : 0> radii_{};
};

extern template class TNeighbourhood<2, false>;
extern template class TNeighbourhood<3, false>;
extern template class TNeighbourhood<2, true>;
extern template class TNeighbourhood<3, true>;

inline constexpr PropertySpec kCell2DProps[] = {
    {"Amplitude", kNumerical, {1}},     {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},        {"Jitter", kNumerical, {1}},
    {"WeightF1", kNumerical, {1}},      {"WeightF2", kNumerical, {0}},
    {"WeightF3", kNumerical, {0}},      {"Input", kUV, {0, 0}, false, "UV"},
    {"Seed", kNumerical, {1234}, true},
};

// Weighted sum of the distances to the nearest, second and third nearest feature point.
class TXRCCell2D final : public TXRTableComponent<kCell2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 204;
    void Evaluate(bool inHost) override;

  private:
    TNeighbourhood<2, false> cache_;
};

inline constexpr PropertySpec kCell3DProps[] = {
    {"Amplitude", kNumerical, {1}},     {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},        {"Jitter", kNumerical, {1}},
    {"WeightF1", kNumerical, {1}},      {"WeightF2", kNumerical, {0}},
    {"WeightF3", kNumerical, {0}},      {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"Seed", kNumerical, {1234}, true},
};

// As TXRCCell2D over a 3D input.
class TXRCCell3D final : public TXRTableComponent<kCell3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 303;
    void Evaluate(bool inHost) override;

  private:
    TNeighbourhood<3, false> cache_;
};

inline constexpr PropertySpec kBirdshot2DProps[] = {
    {"Amplitude", kNumerical, {1}},     {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},        {"Jitter", kNumerical, {1}},
    {"Radius", kNumerical, {0.5f}},     {"RadiusVariation", kNumerical, {0}},
    {"Combine", kEnumeration, {0}},     {"Input", kUV, {0, 0}, false, "UV"},
    {"Seed", kNumerical, {1234}, true},
};

// Cone-shaped pellets of random radius on the feature points: their maximum or their sum.
class TXRCBirdshot2D final : public TXRTableComponent<kBirdshot2DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 210;
    void Evaluate(bool inHost) override;

  private:
    TNeighbourhood<2, true> cache_;
};

inline constexpr PropertySpec kBirdshot3DProps[] = {
    {"Amplitude", kNumerical, {1}},     {"Frequency", kNumerical, {1}},
    {"Offset", kNumerical, {0}},        {"Jitter", kNumerical, {1}},
    {"Radius", kNumerical, {0.5f}},     {"RadiusVariation", kNumerical, {0}},
    {"Combine", kEnumeration, {0}},     {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"Seed", kNumerical, {1234}, true},
};

// As TXRCBirdshot2D over a 3D input: balls instead of discs.
class TXRCBirdshot3D final : public TXRTableComponent<kBirdshot3DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 308;
    void Evaluate(bool inHost) override;

  private:
    TNeighbourhood<3, true> cache_;
};

inline constexpr PropertySpec kCrystalize2DProps[] = {
    {"Frequency", kNumerical, {1}},      {"Jitter", kNumerical, {1}},
    {"Input", kUV, {0, 0}, false, "UV"}, {"OutputMode", kEnumeration, {0}},
    {"Seed", kNumerical, {1234}, true},
};

// The nearest feature point (in input units) or the input's offset from it: fed into the
// coordinates of another component, it freezes that component's value over each cell.
class TXRCCrystalize2D final : public TXRTableComponent<kCrystalize2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 506;
    void Evaluate(bool inHost) override;

  private:
    TNeighbourhood<2, false> cache_;
};

inline constexpr PropertySpec kCrystalize3DProps[] = {
    {"Frequency", kNumerical, {1}},
    {"Jitter", kNumerical, {1}},
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"OutputMode", kEnumeration, {0}},
    {"Seed", kNumerical, {1234}, true},
};

// As TXRCCrystalize2D over a 3D input.
class TXRCCrystalize3D final : public TXRTableComponent<kCrystalize3DProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 507;
    void Evaluate(bool inHost) override;

  private:
    TNeighbourhood<3, false> cache_;
};

}  // namespace vandrel

// Vector and shape patterns and mosaics: geometric tilings made of straight edges.
//
//   412 TXRCVectorPattern "Pattern": the outlines of a fixed tiling (hexagons, triangles, octagons
//       with squares) as lines of adjustable width.
//   509 TXRCVectorMosaic "Pattern Mosaic": the centre of the tile of the same tilings that
//       contains the input, so that a coordinate-driven component fed with it becomes a mosaic.
//   413 TXRCShapesPattern "Random Shapes": one to three random rectangles or polygons per grid
//       cell, stacked by a random depth, drawn as their visible outlines.
//   510 TXRCShapesMosaic "Random Shapes Mosaic": a point of the topmost random shape under the
//       input.
//
// Contracts:
//   - A zero Size gives BackgroundValue (patterns) or Input (mosaics). A PatternType other than
//     0, 1, 2 draws no lines; the Pattern Mosaic then leaves its output as it was, as it does for a
//     point that no tile polygon contains.
//   - The shapes components keep 27 shape records (3 × 3 neighbour cells × up to 3 shapes) inside
//     the instance, keyed by the input's cell alone: a sample in the cell of the previous one costs
//     no seeding and no draw, and a change of Seed, VertexCount, ShapeKind, SizeVariation or
//     PositionVariation takes effect when the input next enters another cell. ShapeCount is read
//     in every evaluation; records it reaches that were not built for the current cell are empty.
//     A fresh instance matches no cell. Each rendering thread has its own instances, so nothing is
//     shared; the records depend only on the cell and the properties, so every thread and every
//     visiting order builds the same shapes.
//   - Evaluate ignores InHost and never allocates; the smooth step is the host's.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <span>

#include "core/component.h"

namespace vandrel {

// Geometry shared with the tests: squared distance from p to the segment a-b, and the even-odd
// rule with a ray towards +x (edge end points inclusive, crossings strictly right of p).
struct TPoint2f {
    float x = 0, y = 0;
};
double SegmentDistanceSquared(double px, double py, TPoint2f a, TPoint2f b);
bool PointInPolygon(double px, double py, std::span<const TPoint2f> vertices);

inline constexpr PropertySpec kVectorPatternProps[] = {
    {"BackgroundValue", kNumerical, {0}},
    {"LineValue", kNumerical, {1}},
    {"Size", kUV, {1, 1}, false, "UV"},
    {"LineWidth", kNumerical, {0.1f}},
    {"Blur", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},
    {"PatternType", kEnumeration, {0}},
};

// LineValue on the edges of the tiling, BackgroundValue elsewhere.
class TXRCVectorPattern final : public TXRTableComponent<kVectorPatternProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 412;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kVectorMosaicProps[] = {
    {"Size", kUV, {1, 1}, false, "UV"},
    {"Input", kUV, {0, 0}, false, "UV"},
    {"PatternType", kEnumeration, {0}},
    {"MosaicOutput", kEnumeration, {0}},
};

// The centre of the tile under Input (MosaicOutput 1: Input minus that centre).
class TXRCVectorMosaic final : public TXRTableComponent<kVectorMosaicProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 509;
    void Evaluate(bool inHost) override;
};

// One random shape, in cell units relative to the cell of the last input.
struct TShapeRecord {
    int32_t vertexCount = 0;             // 0: no shape, contains no point and has no edges
    std::array<TPoint2f, 8> vertices{};  // relative to the position
    float x = 0, y = 0;                  // position
    float width = 0, height = 0;
    float depth = 0;  // in [0, 1), larger is on top
};

// What the shapes are built from; read only when the records are rebuilt.
struct TShapeSettings {
    int32_t vertexCount = 3;                                // 3 … 8
    int32_t kind = 0;                                       // ShapeKind
    double sizeVariationU = 0, sizeVariationV = 0;          // 0 … 1
    double positionVariationU = 0, positionVariationV = 0;  // 0 … 1
    int32_t count = 0;                                      // 0 … 3
    int32_t seed = 0;
};

// The 27 shape records of a shapes component and the cell they were built for.
class TShapeCache {
  public:
    static constexpr int kShapesPerCell = 3;
    static constexpr int kRecordCount = 9 * kShapesPerCell;

    // Whether the records were built for the cell (cu, cv).
    bool Holds(float cu, float cv) const { return cu == keyU_ && cv == keyV_; }
    // Builds the records of the cell (cu, cv), whole numbers, with the generator bound to random.
    void Build(float cu, float cv, const TShapeSettings& settings, const TXRComponent& random);

    // Record of neighbour offset (dx, dy), each -1 … 1, and shape index k.
    const TShapeRecord& At(int dx, int dy, int k) const {
        return records_[((dx + 1) * 3 + (dy + 1)) * kShapesPerCell + k];
    }

    // Index (as for At, in the order dx, dy, k) of the topmost shape containing (px, py) among the
    // first count shapes of every neighbour, or -1.
    int Topmost(double px, double py, int count) const;
    const TShapeRecord& Record(int index) const { return records_[index]; }

  private:
    std::array<TShapeRecord, kRecordCount> records_{};
    // NaN never equals a cell, so a fresh cache rebuilds on its first evaluation wherever it is.
    float keyU_ = std::numeric_limits<float>::quiet_NaN();
    float keyV_ = std::numeric_limits<float>::quiet_NaN();
};

inline constexpr PropertySpec kShapesPatternProps[] = {
    {"BackgroundValue", kNumerical, {0}},
    {"LineValue", kNumerical, {1}},
    {"Size", kUV, {1, 1}, false, "UV"},
    {"SizeVariation", kUV, {1, 1}, false, "UV"},
    {"PositionVariation", kUV, {1, 1}, false, "UV"},
    {"LineWidth", kNumerical, {0.1f}},
    {"Blur", kNumerical, {0}},
    {"Input", kUV, {0, 0}, false, "UV"},
    {"VertexCount", kNumerical, {3}, true},
    {"ShapeKind", kEnumeration, {0}},
    {"ShapeCount", kNumerical, {1}, true},
    {"Seed", kNumerical, {1234}, true},
};

// The visible outlines of the stacked random shapes, and the cell border where no shape covers
// the point; LineWidth and Blur in cells.
class TXRCShapesPattern final : public TXRTableComponent<kShapesPatternProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 413;
    void Evaluate(bool inHost) override;

  private:
    TShapeCache shapes_;
};

inline constexpr PropertySpec kShapesMosaicProps[] = {
    {"Size", kUV, {1, 1}, false, "UV"},
    {"SizeVariation", kUV, {1, 1}, false, "UV"},
    {"PositionVariation", kUV, {1, 1}, false, "UV"},
    {"Input", kUV, {0, 0}, false, "UV"},
    {"VertexCount", kNumerical, {3}, true},
    {"ShapeKind", kEnumeration, {0}},
    {"MosaicOutput", kEnumeration, {0}},
    {"ShapeCount", kNumerical, {1}, true},
    {"Seed", kNumerical, {1234}, true},
};

// One point per topmost random shape (the cell origin where none covers the input); MosaicOutput 1
// gives Input minus that point.
class TXRCShapesMosaic final : public TXRTableComponent<kShapesMosaicProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 510;
    void Evaluate(bool inHost) override;

  private:
    TShapeCache shapes_;
};

}  // namespace vandrel

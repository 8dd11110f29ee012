#include "components/patterns/shape_patterns.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "component_checks.h"
#include "components/shared/cell_hash.h"
#include "core/factory.h"
#include "core/random.h"
#include "core/thread_record.h"

namespace vandrel {
namespace {

constexpr double kK1 = 0.5774, kK2 = 0.2887, kK3 = 1.731901628, kK4 = 0.1667;

using test::Case;
using test::Set;

// Float coordinates through the tiling: a few ulps off the hand values.
const test::Options kRun{.tolerance = 1e-5};

TEST(ShapePatterns, SegmentDistanceAndPointInPolygon) {
    const TPoint2f a{0, 0}, b{2, 0};
    EXPECT_DOUBLE_EQ(SegmentDistanceSquared(1, 1, a, b), 1);    // over the segment
    EXPECT_DOUBLE_EQ(SegmentDistanceSquared(3, 1, a, b), 2);    // beyond b
    EXPECT_DOUBLE_EQ(SegmentDistanceSquared(-1, -1, a, b), 2);  // before a
    EXPECT_DOUBLE_EQ(SegmentDistanceSquared(1, 2, a, a), 5);    // a point segment
    EXPECT_DOUBLE_EQ(SegmentDistanceSquared(0.5, 0, a, b), 0);  // on it
    EXPECT_DOUBLE_EQ(SegmentDistanceSquared(1, 1, b, a), 1);    // either direction

    const TPoint2f square[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const TPoint2f concave[] = {{0, 0}, {4, 0}, {4, 4}, {2, 1}, {0, 4}};
    EXPECT_TRUE(PointInPolygon(0.5, 0.5, square));
    EXPECT_FALSE(PointInPolygon(1.5, 0.5, square));
    EXPECT_FALSE(PointInPolygon(-0.5, 0.5, square));
    EXPECT_TRUE(PointInPolygon(1, 0.5, std::span(concave)));
    EXPECT_FALSE(PointInPolygon(2, 3, std::span(concave)));  // in the notch
    EXPECT_TRUE(PointInPolygon(3.5, 3, std::span(concave)));
    // Both ends of an edge count: on the bottom edge the right side alone is crossed (inside);
    // on the top edge the top and the right side are both crossed (outside).
    EXPECT_TRUE(PointInPolygon(0.5, 0, square));
    EXPECT_FALSE(PointInPolygon(0.5, 1, square));
    EXPECT_FALSE(PointInPolygon(0.5, 0.5, std::span<const TPoint2f>()));
}

TEST(ShapePatterns, PatternLines) {
    // Octagons: Input (0, 0.5) is the centre (0.5, 0.5) of a square, 0.1464 from its sides;
    // Input (-0.1464, 0.5) lies on the square's left side. Local distance 0.05 with LineWidth 0.1
    // and Blur 0.04 is the middle of the soft edge.
    // Triangles scale widths by 0.5: Input (0.06, -0.3774) is local (0.53, 0.1), 0.03 from the
    // line x = 0.5. Hexagons scale by K1: Input (-0.43073, 0) is local (0.04, 0.1667), 0.04 from
    // the side x = 0; Input (-0.5, 0) is on it and Input (0, 0) the centre of a hexagon.
    const float hexA = static_cast<float>((0.04 / kK1 / kK3 - kK2) / kK1);
    const Case rows[] = {
        {"zero size", 412, {{0.3f}, {}, {0, 1}, {}, {}, {-0.1464f, 0.5f}, {2}}, {0.3}},
        {"octagons: square centre", 412, {{}, {}, {}, {}, {}, {0, 0.5f}, {2}}, {0}},
        {"octagons: square side", 412, {{}, {}, {}, {}, {}, {-0.1464f, 0.5f}, {2}}, {1}},
        {"octagons: scaled", 412, {{}, {}, {2, 2}, {}, {}, {-0.2928f, 1}, {2}}, {1}},
        {"octagons: soft edge", 412, {{}, {}, {}, {}, {0.04f}, {-0.1964f, 0.5f}, {2}}, {0.5}},
        {"triangles: crossing", 412, {{}, {}, {}, {}, {}, {0, 0}, {1}}, {1}},
        {"triangles: narrow line", 412, {{}, {}, {}, {}, {}, {0.06f, -0.3774f}, {1}}, {0}},
        {"triangles: wide line", 412, {{}, {}, {}, {0.13f}, {}, {0.06f, -0.3774f}, {1}}, {1}},
        {"hexagons: side", 412, {{}, {}, {}, {}, {}, {-0.5f, 0}, {0}}, {1}},
        {"hexagons: centre", 412, {{}, {}, {}, {}, {}, {0, 0}, {0}}, {0}},
        {"hexagons: narrow line", 412, {{}, {}, {}, {}, {}, {hexA, 0}, {0}}, {0}},
        {"hexagons: wide line", 412, {{}, {}, {}, {0.15f}, {}, {hexA, 0}, {0}}, {1}},
        {"unknown type draws nothing", 412, {{}, {}, {}, {}, {}, {-0.1464f, 0.5f}, {3}}, {0}},
        {"negative type draws nothing", 412, {{}, {}, {}, {}, {}, {-0.1464f, 0.5f}, {-1}}, {0}},
    };
    test::CheckRows(rows, kRun);
}

TEST(ShapePatterns, PatternMosaicTiles) {
    // Octagons: the square at local (0.5, 0.5) maps back to (0, 0.5); the octagon at local
    // (1, 0.5) to (0.5, 0.5), reached from both sides of the tile border; the corner square at
    // local (0, 0) to (-0.5, 0); the bottom octagon (0.5, 0) to (0, 0).
    // Hexagons: the hexagon around the origin maps to the origin, its upper right neighbour lies
    // one unit away at 60 degrees. Triangles: local (0.3, 0.1) is in the first triangle, centre
    // (0.3333, 0).
    const float hexU = static_cast<float>((0.5 / kK1 / kK3 - kK2) / kK1);
    const float hexV = static_cast<float>((0.7 - kK4) / kK1);
    const Case rows[] = {
        {"zero size gives Input", 509, {{0, 1}, {0.3f, 0.7f}, {2}}, {0.3, 0.7}},
        {"square", 509, {{}, {0, 0.5f}, {2}}, {0, 0.5}},
        {"octagon", 509, {{}, {0.25f, 0.5f}, {2}}, {0.5, 0.5}},
        {"octagon, relative", 509, {{}, {0.25f, 0.5f}, {2}, {1}}, {-0.25, 0}},
        {"octagon from the next tile", 509, {{}, {0.6f, 0.5f}, {2}}, {0.5, 0.5}},
        {"corner square", 509, {{}, {-0.45f, 0.05f}, {2}}, {-0.5, 0}},
        {"bottom octagon", 509, {{}, {0, 0.1f}, {2}}, {0, 0}},
        {"scaled", 509, {{2, 3}, {0.5f, 1.5f}, {2}}, {1, 1.5}},
        {"hexagon at the origin", 509, {{}, {0, 0}, {0}}, {0, 0}},
        {"same hexagon", 509, {{}, {0.1f, 0.05f}, {0}}, {0, 0}},
        {"neighbour hexagon", 509, {{}, {hexU, hexV}, {0}}, {0.5, 0.8660254}},
        {"triangle", 509, {{}, {-0.4f, -0.3774f}, {1}}, {-0.3333, -0.5774}},
    };
    test::CheckRows(rows, {.tolerance = 2e-4});  // the tiling constants have four digits
}

TEST(ShapePatterns, PatternMosaicLeavesItsOutputForUnknownTypes) {
    TXRCVectorMosaic mosaic;
    Set(mosaic, 1, {0.25f, 0.5f});
    Set(mosaic, 2, {2});
    mosaic.Evaluate(true);
    Set(mosaic, 1, {3.7f, -1.2f});
    for (int32_t type : {3, -1, 1000}) {
        Set(mosaic, 2, {static_cast<float>(type)});
        mosaic.Evaluate(true);
        EXPECT_FLOAT_EQ(mosaic.OutputAddress()[0], 0.5f) << type;
        EXPECT_FLOAT_EQ(mosaic.OutputAddress()[1], 0.5f) << type;
    }
}

// Evaluates one component over points (u, v); each point is set as the Input constant.
std::vector<float> Sample(TXRComponent& c, int32_t inputProp, const std::vector<TVec2>& points) {
    std::vector<float> out;
    for (const TVec2& p : points) {
        c.SetConstant(inputProp, 0, static_cast<float>(p.u));
        c.SetConstant(inputProp, 1, static_cast<float>(p.v));
        c.Evaluate(true);
        for (int k = 0; k < FloatCount(c.OutputKind()); ++k) out.push_back(c.OutputAddress()[k]);
    }
    return out;
}

std::vector<TVec2> Grid(double from, double to, int n) {
    std::vector<TVec2> points;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            points.push_back(
                {from + (to - from) * (i + 0.37) / n, from + (to - from) * (j + 0.61) / n});
        }
    }
    return points;
}

// A component of the family bound to a record of its own.
struct Shapes {
    TThreadRecord record;
    std::unique_ptr<TXRComponent> c;
    int32_t input;
    explicit Shapes(int32_t id, const std::vector<std::vector<float>>& props = {})
        : c(CreateComponent(id)), input(test::PropertyIndex(*c, "Input")) {
        c->Bind(&record, nullptr);
        test::SetAll(*c, props);
    }
    std::vector<float> At(const std::vector<TVec2>& points) { return Sample(*c, input, points); }
};

TEST(ShapePatterns, WithoutShapesOnlyTheCellsRemain) {
    const Case rows[] = {
        {"pattern: zero size", 413, {{0.3f}, {}, {1, 0}, {}, {}, {}, {}, {0.5f, 0.5f}}, {0.3}},
        {"pattern: cell middle", 413, {{}, {}, {}, {}, {}, {}, {}, {0.5f, 0.5f}, {}, {}, {0}}, {0}},
        {"pattern: left border",
         413,
         {{}, {}, {}, {}, {}, {}, {}, {2.03f, 0.5f}, {}, {}, {0}},
         {1}},
        {"pattern: top border",
         413,
         {{}, {}, {}, {}, {}, {}, {}, {0.5f, -0.04f}, {}, {}, {0}},
         {1}},
        {"pattern: near, not on it",
         413,
         {{}, {}, {}, {}, {}, {}, {}, {0.1f, 0.5f}, {}, {}, {0}},
         {0}},
        {"pattern: negative count",
         413,
         {{}, {}, {}, {}, {}, {}, {}, {0.02f, 0.5f}, {}, {}, {-2}},
         {1}},
        {"pattern: count rounds to 0",
         413,
         {{}, {}, {}, {}, {}, {}, {}, {0.5f, 0.5f}, {}, {}, {0.4f}},
         {0}},
        {"mosaic: zero size", 510, {{0, 1}, {}, {}, {2.3f, -0.7f}}, {2.3, -0.7}},
        {"mosaic: cell origin", 510, {{}, {}, {}, {2.3f, -0.7f}, {}, {}, {}, {0}}, {2, -1}},
        {"mosaic: scaled cell", 510, {{0.5f, 2}, {}, {}, {1.3f, 3.1f}, {}, {}, {}, {0}}, {1, 2}},
        {"mosaic: relative", 510, {{0.5f, 2}, {}, {}, {1.3f, 3.1f}, {}, {}, {1}, {0}}, {0.3, 1.1}},
    };
    test::CheckRows(rows, kRun);
}

// Without size and position variation every shape is the unit square at (dx - 1, dy - 1), so
// the shape of the neighbour (1, 1) covers the cell exactly: its outline is the cell border and
// every point of cell (cu, cv) maps to (cu + 1, cv + 1).
TEST(ShapePatterns, UnitSquaresWithoutVariation) {
    for (float count : {1.0f, 3.0f}) {
        const Case rows[] = {
            {"pattern: middle",
             413,
             {{}, {}, {}, {0, 0}, {0, 0}, {}, {}, {0.5f, 0.5f}, {}, {}, {count}},
             {0}},
            {"pattern: border",
             413,
             {{}, {}, {}, {0, 0}, {0, 0}, {}, {}, {0.03f, 0.5f}, {}, {}, {count}},
             {1}},
            {"pattern: beside the border",
             413,
             {{}, {}, {}, {0, 0}, {0, 0}, {}, {}, {0.1f, 0.5f}, {}, {}, {count}},
             {0}},
            {"mosaic", 510, {{}, {0, 0}, {0, 0}, {2.3f, -0.7f}, {}, {}, {}, {count}}, {3, 0}},
            {"mosaic, scaled",
             510,
             {{0.5f, 2}, {0, 0}, {0, 0}, {1.3f, 3.1f}, {}, {}, {}, {count}},
             {1.5, 4}},
        };
        test::CheckRows(rows, kRun);
    }
}

// The rectangles drawn again from the generator in their drawing order, and the topmost one under a
// point found by plain box tests.
TEST(ShapePatterns, RectanglesFollowTheDrawOrder) {
    // The component holds its properties as floats.
    const double sizeU = 0.5f, sizeV = 0.8f, sU = 0.6f, sV = 0.9f, pU = 0.8f, pV = 0.5f;
    const int32_t seed = 77, count = 2;
    Shapes mosaic(510, {{0.5f, 0.8f}, {0.6f, 0.9f}, {0.8f, 0.5f}, {}, {}, {0}, {}, {2}, {77}});
    int covered = 0, checked = 0;
    for (const TVec2& p : Grid(-1.7, 1.9, 23)) {
        const double u = static_cast<float>(p.u), v = static_cast<float>(p.v);
        const double a = static_cast<float>(u / sizeU), b = static_cast<float>(v / sizeV);
        const int32_t cu = FloorToInt(a), cv = FloorToInt(b);
        const double fu = a - cu, fv = b - cv;
        double best = -1, bestX = 0, bestY = 0;
        bool ambiguous = false;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                for (int k = 0; k < count; ++k) {
                    TRandomState state;
                    RandomSeed(state, WrapAdd(CellHash3(cu + dx, cv + dy, k + 1), seed));
                    const float w = static_cast<float>(1 + RandomNext(state) * sU);
                    const float h = static_cast<float>(1 + RandomNext(state) * sV);
                    const float x = static_cast<float>(RandomNext(state) * (3 - w) * pU + dx - 1);
                    const float y = static_cast<float>(RandomNext(state) * (3 - h) * pV + dy - 1);
                    const float depth = static_cast<float>(RandomNext(state));
                    const double ex = std::fmin(std::fabs(fu - x), std::fabs(fu - x - w));
                    const double ey = std::fmin(std::fabs(fv - y), std::fabs(fv - y - h));
                    if (ex < 1e-4 || ey < 1e-4) ambiguous = true;
                    if (fu > x && fu < x + w && fv > y && fv < y + h && depth > best) {
                        best = depth, bestX = x, bestY = y;
                    }
                }
            }
        }
        if (ambiguous) continue;
        ++checked;
        double eu = cu * sizeU, ev = cv * sizeV;
        if (best >= 0) {
            ++covered;
            eu = (cu + 1 + bestX) * sizeU;
            ev = (cv + 1 + bestY) * sizeV;
        }
        const std::vector<float> out = mosaic.At({p});
        EXPECT_NEAR(out[0], eu, 1e-5) << p.u << ", " << p.v;
        EXPECT_NEAR(out[1], ev, 1e-5) << p.u << ", " << p.v;
    }
    EXPECT_GT(checked, 400);
    EXPECT_GT(covered, checked / 2);
    EXPECT_LT(covered, checked);
}

TEST(ShapePatterns, CountsAreClamped) {
    const std::vector<TVec2> points = Grid(-2.3, 2.6, 30);
    struct Clamp {
        const char* what;
        int32_t prop;  // of the pattern
        float value, same, other;
    };
    const Clamp clamps[] = {
        {"ShapeCount 5 is 3", 10, 5, 3, 2},
        {"VertexCount 12 is 8", 8, 12, 8, 7},
        {"VertexCount 1 is 3", 8, 1, 3, 4},
        {"VertexCount -4 is 3", 8, -4, 3, 4},
    };
    for (const Clamp& clamp : clamps) {
        std::vector<float> out[3];
        const float values[3] = {clamp.value, clamp.same, clamp.other};
        for (int i = 0; i < 3; ++i) {
            Shapes pattern(413, {{}, {}, {}, {}, {}, {0.05f}, {}, {}, {6}, {1}, {3}});
            Set(*pattern.c, clamp.prop, {values[i]});
            out[i] = pattern.At(points);
        }
        EXPECT_EQ(out[0], out[1]) << clamp.what;
        EXPECT_NE(out[1], out[2]) << clamp.what << ": the property has no effect";
    }
    // Every ShapeKind of 0 or less draws rectangles.
    Shapes zero(510, {{}, {}, {}, {}, {6}, {0}, {}, {3}});
    Shapes negative(510, {{}, {}, {}, {}, {6}, {-3}, {}, {3}});
    Shapes polygons(510, {{}, {}, {}, {}, {6}, {1}, {}, {3}});
    const std::vector<float> rectangles = zero.At(points);
    EXPECT_EQ(negative.At(points), rectangles);
    EXPECT_NE(polygons.At(points), rectangles);
}

TEST(ShapePatterns, RecordsWaitForTheNextCell) {
    struct Change {
        int32_t prop;  // of the pattern
        std::vector<float> value;
    };
    const Change changes[] = {{11, {99}}, {8, {7}}, {9, {0}}, {3, {0.2f, 0.3f}}, {4, {0.1f, 0.9f}}};
    const std::vector<float> base[] = {{}, {}, {}, {1, 1}, {1, 1}, {0.05f}, {}, {}, {5}, {1}, {3}};
    std::vector<TVec2> inCell;  // all in cell (0, 0)
    for (const TVec2& p : Grid(0, 1, 12)) inCell.push_back(p);
    for (const Change& change : changes) {
        Shapes pattern(413, std::vector<std::vector<float>>(std::begin(base), std::end(base)));
        const std::vector<float> before = pattern.At(inCell);
        Set(*pattern.c, change.prop, change.value);
        EXPECT_EQ(pattern.At(inCell), before) << change.prop;  // same cell: same shapes
        pattern.At({{5.5, -3.5}});
        const std::vector<float> after = pattern.At(inCell);
        EXPECT_NE(after, before) << change.prop << " never took effect";
        Shapes fresh(413, std::vector<std::vector<float>>(std::begin(base), std::end(base)));
        Set(*fresh.c, change.prop, change.value);
        EXPECT_EQ(after, fresh.At(inCell)) << change.prop;
    }
}

using TStateBits = std::array<uint64_t, 5>;
TStateBits Bits(const TRandomState& state) { return std::bit_cast<TStateBits>(state); }

TEST(ShapePatterns, CacheHitLeavesTheGeneratorAlone) {
    Shapes mosaic(510, {{}, {}, {}, {}, {6}, {2}, {}, {3}});
    mosaic.At({{0.2, 0.3}});
    RandomSeed(mosaic.record.RandomState, 4321);
    const TRandomState before = mosaic.record.RandomState;
    mosaic.At({{0.7, 0.9}, {0.01, 0.99}});
    EXPECT_EQ(Bits(mosaic.record.RandomState), Bits(before));
    mosaic.At({{1.2, 0.3}});  // another cell rebuilds
    EXPECT_NE(Bits(mosaic.record.RandomState), Bits(before));
}

TEST(ShapePatterns, ShapeCountIsReadInEveryEvaluation) {
    const std::vector<TVec2> inCell = Grid(3, 4, 14);  // cell (3, 3)
    Shapes fresh(510, {{}, {}, {}, {}, {5}, {1}, {}, {1}});
    const std::vector<float> one = fresh.At(inCell);

    // Fewer shapes in the cell the records were built for: the first of each neighbour remains.
    Shapes fewer(510, {{}, {}, {}, {}, {5}, {1}, {}, {3}});
    fewer.At({inCell[0]});
    Set(*fewer.c, 7, {1});
    EXPECT_EQ(fewer.At(inCell), one);

    // More shapes than the records of this cell were built with: the missing ones are empty, not
    // the shapes of a cell visited earlier.
    Shapes more(510, {{}, {}, {}, {}, {5}, {1}, {}, {3}});
    more.At({{-7.5, 9.5}});
    Set(*more.c, 7, {1});
    more.At({inCell[0]});
    Set(*more.c, 7, {3});
    EXPECT_EQ(more.At(inCell), one);
}

TEST(ShapePatterns, FreshInstanceMatchesNoCell) {
    // Cell (-100000, -100000) of unit squares: covered by the square of neighbour (1, 1).
    const std::vector<std::vector<float>> props = {{}, {0, 0}, {0, 0}, {}, {}, {}, {}, {1}};
    Shapes mosaic(510, props);
    const std::vector<float> out = mosaic.At({{-99999.5, -99999.5}});
    EXPECT_FLOAT_EQ(out[0], -99999.0f);
    EXPECT_FLOAT_EQ(out[1], -99999.0f);
}

}  // namespace
}  // namespace vandrel

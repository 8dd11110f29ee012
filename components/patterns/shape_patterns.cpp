#include "components/patterns/shape_patterns.h"

#include <cmath>
#include <numbers>

#include "components/families.h"
#include "components/shared/cell_hash.h"
#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double AsFloat(double x) { return static_cast<float>(x); }

// Tiling constants, in single precision as the tilings were laid out.
constexpr float kK1 = 0.5774f;       // tan 30°: hexagon width and triangle height of a unit cell
constexpr float kK2 = 0.2887f;       // kK1 / 2
constexpr float kK3 = 1.731901628f;  // 1 / kK1
constexpr float kK4 = 0.1667f;

struct TSegment {
    TPoint2f a, b;
};

struct TTilePolygon {
    TPoint2f centre;
    int32_t count;
    std::array<TPoint2f, 6> vertices;
};

// Hexagons, local frame [0, kK1) × [0, 1).
constexpr TSegment kHexagonSegments[] = {
    {{0.2887f, -0.1667f}, {0, 0}},
    {{0.2887f, -0.1667f}, {0.5774f, 0}},
    {{0.2887f, 0.5f}, {0, 0.3333f}},
    {{0.2887f, 0.5f}, {0.5774f, 0.3333f}},
    {{0.2887f, 0.8333f}, {0, 1}},
    {{0.2887f, 0.8333f}, {0.5774f, 1}},
    {{0, 0}, {0, 0.3333f}},
    {{0.5774f, 0}, {0.5774f, 0.3333f}},
    {{0.2887f, 0.5f}, {0.2887f, 0.8333f}},
};

// Triangles, local frame [0, 1) × [0, kK1).
constexpr TSegment kTriangleSegments[] = {
    {{0, 0}, {1, 0.5774f}},       {{0, 0.5774f}, {1, 0}}, {{0, 0}, {0, 0.5774f}},
    {{0.5f, 0}, {0.5f, 0.5774f}}, {{1, 0}, {1, 0.5774f}},
};

// Octagons and squares, local frame [0, 1) × [0, 1).
constexpr TSegment kOctagonSegments[] = {
    {{0.1464f, -0.1464f}, {0.1464f, 0.1464f}}, {{0.1464f, 0.1464f}, {-0.1464f, 0.1464f}},
    {{0.8536f, -0.1464f}, {0.8536f, 0.1464f}}, {{0.8536f, 0.1464f}, {1.1464f, 0.1464f}},
    {{0.1464f, 1.1464f}, {0.1464f, 0.8536f}},  {{0.1464f, 0.8536f}, {-0.1464f, 0.8536f}},
    {{0.8536f, 1.1464f}, {0.8536f, 0.8536f}},  {{0.8536f, 0.8536f}, {1.1464f, 0.8536f}},
    {{0.1464f, 0.1464f}, {0.3536f, 0.3536f}},  {{0.8536f, 0.1464f}, {0.6464f, 0.3536f}},
    {{0.6464f, 0.6464f}, {0.8536f, 0.8536f}},  {{0.3536f, 0.6464f}, {0.1464f, 0.8536f}},
    {{0.3536f, 0.3536f}, {0.6464f, 0.3536f}},  {{0.6464f, 0.3536f}, {0.6464f, 0.6464f}},
    {{0.6464f, 0.6464f}, {0.3536f, 0.6464f}},  {{0.3536f, 0.6464f}, {0.3536f, 0.3536f}},
};

// Tile polygons, tested in this order; the first that contains the point is taken.
constexpr TTilePolygon kHexagonTiles[] = {
    {{0.2887f, 0.1667f},
     5,
     {{{0, 0}, {0.5774f, 0}, {0.5774f, 0.3333f}, {0.2887f, 0.5f}, {0, 0.3333f}}}},
    {{0.5774f, 0.6667f},
     4,
     {{{0.5774f, 0.3333f}, {0.2887f, 0.5f}, {0.2887f, 0.8333f}, {0.5774f, 1}}}},
    {{0, 0.6667f}, 4, {{{0, 1}, {0.2887f, 0.8333f}, {0.2887f, 0.5f}, {0, 0.3333f}}}},
    {{0.2887f, 1.1667f}, 3, {{{0, 1}, {0.2887f, 0.8333f}, {0.5774f, 1}}}},
};

constexpr TTilePolygon kTriangleTiles[] = {
    {{0.3333f, 0}, 3, {{{0, 0}, {0.5f, 0}, {0.5f, 0.2887f}}}},
    {{0.1667f, 0.2887f}, 3, {{{0, 0}, {0.5f, 0.2887f}, {0, 0.5774f}}}},
    {{0.3333f, 0.5774f}, 3, {{{0, 0.5774f}, {0.5f, 0.5774f}, {0.5f, 0.2887f}}}},
    {{0.6667f, 0}, 3, {{{1, 0}, {0.5f, 0}, {0.5f, 0.2887f}}}},
    {{0.8333f, 0.2887f}, 3, {{{1, 0}, {0.5f, 0.2887f}, {1, 0.5774f}}}},
    {{0.6667f, 0.5774f}, 3, {{{1, 0.5774f}, {0.5f, 0.5774f}, {0.5f, 0.2887f}}}},
};

constexpr TTilePolygon kOctagonTiles[] = {
    {{0, 0}, 4, {{{0, 0}, {0.1464f, 0}, {0.1464f, 0.1464f}, {0, 0.1464f}}}},
    {{1, 0}, 4, {{{0.8536f, 0}, {1, 0}, {1, 0.1464f}, {0.8536f, 0.1464f}}}},
    {{0, 1}, 4, {{{0, 0.8536f}, {0.1464f, 0.8536f}, {0.1464f, 1}, {0, 1}}}},
    {{1, 1}, 4, {{{0.8536f, 0.8536f}, {1, 0.8536f}, {1, 1}, {0.8536f, 1}}}},
    {{0.5f, 0.5f},
     4,
     {{{0.3536f, 0.3536f}, {0.6464f, 0.3536f}, {0.6464f, 0.6464f}, {0.3536f, 0.6464f}}}},
    {{0.5f, 0},
     6,
     {{{0.1464f, 0},
       {0.8536f, 0},
       {0.8536f, 0.1464f},
       {0.6464f, 0.3536f},
       {0.3536f, 0.3536f},
       {0.1464f, 0.1464f}}}},
    {{1, 0.5f},
     6,
     {{{1, 0.1464f},
       {1, 0.8536f},
       {0.8536f, 0.8536f},
       {0.6464f, 0.6464f},
       {0.6464f, 0.3536f},
       {0.8536f, 0.1464f}}}},
    {{0.5f, 1},
     6,
     {{{0.1464f, 1},
       {0.1464f, 0.8536f},
       {0.3536f, 0.6464f},
       {0.6464f, 0.6464f},
       {0.8536f, 0.8536f},
       {0.8536f, 1}}}},
    {{0, 0.5f},
     6,
     {{{0, 0.1464f},
       {0.1464f, 0.1464f},
       {0.3536f, 0.3536f},
       {0.3536f, 0.6464f},
       {0.1464f, 0.8536f},
       {0, 0.8536f}}}},
};

struct TTiling {
    std::span<const TSegment> segments;
    std::span<const TTilePolygon> tiles;
    double lineScale;  // line width and blur in local units
};

constexpr TTiling kTilings[] = {
    {kHexagonSegments, kHexagonTiles, kK1},
    {kTriangleSegments, kTriangleTiles, 0.5},
    {kOctagonSegments, kOctagonTiles, 1.0},
};

bool IsTiling(int32_t type) { return type >= 0 && type <= 2; }

// The point in the local tile frame and the floors (i, j) of the tile it lies in.
struct TLocalPoint {
    double px, py, i, j;
};

TLocalPoint LocalPoint(int32_t type, double a, double b) {
    TLocalPoint p{};
    if (type == 0) {
        const double ap = (kK1 * a + kK2) * kK3;
        p.i = std::floor(ap);
        p.px = (ap - p.i) * kK1;
        const double bp = kK1 * b + kK4;
        p.j = std::floor(bp);
        p.py = bp - p.j;
    } else if (type == 1) {
        const double ap = 0.5 * a + 0.5;
        p.i = std::floor(ap);
        p.px = ap - p.i;
        const double bp = (0.5 * b + kK2) * kK3;
        p.j = std::floor(bp);
        p.py = (bp - p.j) * kK1;
    } else {
        const double ap = a + 0.5;
        p.i = std::floor(ap);
        p.px = ap - p.i;
        p.j = std::floor(b);
        p.py = b - p.j;
    }
    return p;
}

// A tile centre back in input units.
TVec2 TileCentre(int32_t type, const TLocalPoint& p, TPoint2f c, const TVec2& size) {
    if (type == 0) {
        return {(p.i * kK1 + c.x - kK2) * kK3 * size.u, (p.j + c.y - kK4) * kK3 * size.v};
    }
    if (type == 1) {
        return {(p.i + c.x - 0.5) * 2.0 * size.u, (p.j * kK1 + c.y - kK2) * 2.0 * size.v};
    }
    return {(p.i + c.x - 0.5) * size.u, (p.j + c.y) * size.v};
}

double LineOutput(double background, double line, double lineWidth, double blur, double scale,
                  double distance) {
    const double hw = std::fabs(lineWidth * 0.5) * scale;
    const double hb = std::fabs(blur * 0.5) * scale;
    return line + (background - line) * hsSmoothStep(hw - hb, hw + hb, distance);
}

// |v| capped at 1; NaN counts as no variation.
double Variation(double v) {
    const double a = std::fabs(v);
    if (a < 1.0) return a;
    return a >= 1.0 ? 1.0 : 0.0;
}

// round(ShapeCount) capped at 3; 0 or less (and NaN) draws no shapes.
int32_t ShapeCountOf(double v) {
    const int32_t m = RoundHalfEven(v);
    if (m <= 0) return 0;
    return m < TShapeCache::kShapesPerCell ? m : TShapeCache::kShapesPerCell;
}

TShapeSettings ReadSettings(TVec2 sizeVariation, TVec2 positionVariation, double vertexCount,
                            int32_t kind, int32_t count, double seed) {
    TShapeSettings s;
    int32_t n = RoundHalfEven(vertexCount);  // NaN: INT32_MIN, clamped to 3
    s.vertexCount = n < 3 ? 3 : (n > 8 ? 8 : n);
    s.kind = kind;
    s.sizeVariationU = Variation(sizeVariation.u);
    s.sizeVariationV = Variation(sizeVariation.v);
    s.positionVariationU = Variation(positionVariation.u);
    s.positionVariationV = Variation(positionVariation.v);
    s.count = count;
    s.seed = ToInt32(seed);
    return s;
}

bool Contains(const TShapeRecord& shape, double px, double py) {
    return PointInPolygon(px - shape.x, py - shape.y,
                          std::span<const TPoint2f>(shape.vertices.data(), shape.vertexCount));
}

// The input's cell and the point inside it, in cell units.
struct TCellPoint {
    float cu, cv;
    double fu, fv;
};
TCellPoint CellPoint(const TVec2& in, const TVec2& size) {
    const float a = static_cast<float>(in.u / size.u);
    const float b = static_cast<float>(in.v / size.v);
    const float cu = std::floor(a);
    const float cv = std::floor(b);
    return {cu, cv, static_cast<double>(a) - cu, static_cast<double>(b) - cv};
}

}  // namespace

double SegmentDistanceSquared(double px, double py, TPoint2f a, TPoint2f b) {
    const double dx = static_cast<double>(b.x) - a.x;
    const double dy = static_cast<double>(b.y) - a.y;
    const double length = dx * dx + dy * dy;
    double ex = px - a.x;
    double ey = py - a.y;
    if (length > 0.0) {
        const double t = (ex * dx + ey * dy) / length;
        if (t >= 0.0 && t <= 1.0) {
            ex = px - (a.x + t * dx);
            ey = py - (a.y + t * dy);
        } else if (t > 1.0) {
            ex = px - b.x;
            ey = py - b.y;
        }
    }
    return ex * ex + ey * ey;
}

bool PointInPolygon(double px, double py, std::span<const TPoint2f> vertices) {
    bool inside = false;
    const size_t n = vertices.size();
    for (size_t k = 0; k < n; ++k) {
        const TPoint2f p0 = vertices[k];
        const TPoint2f p1 = vertices[k + 1 < n ? k + 1 : 0];
        const bool encloses = (p0.y <= py && py <= p1.y) || (p1.y <= py && py <= p0.y);
        if (!encloses) continue;
        const double t = p1.y == p0.y ? 0.0 : (py - p0.y) / (static_cast<double>(p1.y) - p0.y);
        const double crossing = p0.x + (static_cast<double>(p1.x) - p0.x) * t;
        if (crossing > px) inside = !inside;
    }
    return inside;
}

void TXRCVectorPattern::Evaluate(bool) {
    const int32_t type = Enum(6);
    const double background = Num(0);
    const TVec2 size = Uv(2);
    if (size.u == 0.0 || size.v == 0.0) {
        SetOut(background);
        return;
    }
    double best = 10.0;
    double scale = 1.0;
    if (IsTiling(type)) {
        const TTiling& tiling = kTilings[type];
        scale = tiling.lineScale;
        const TVec2 in = Uv(5);
        const TLocalPoint p = LocalPoint(type, AsFloat(in.u / size.u), AsFloat(in.v / size.v));
        for (const TSegment& s : tiling.segments) {
            const double d = SegmentDistanceSquared(p.px, p.py, s.a, s.b);
            if (d < best) best = d;
        }
    }
    SetOut(LineOutput(background, Num(1), Num(3), Num(4), scale, std::sqrt(best)));
}

void TXRCVectorMosaic::Evaluate(bool) {
    const int32_t type = Enum(2);
    const int32_t mode = Enum(3);
    const TVec2 size = Uv(0);
    const TVec2 in = Uv(1);
    if (size.u == 0.0 || size.v == 0.0) {
        SetOut(in);
        return;
    }
    if (!IsTiling(type)) return;  // the output keeps its previous value
    const TLocalPoint p = LocalPoint(type, AsFloat(in.u / size.u), AsFloat(in.v / size.v));
    for (const TTilePolygon& tile : kTilings[type].tiles) {
        if (!PointInPolygon(p.px, p.py,
                            std::span<const TPoint2f>(tile.vertices.data(), tile.count))) {
            continue;
        }
        const TVec2 centre = TileCentre(type, p, tile.centre, size);
        SetOut(mode == 1 ? in - centre : centre);
        return;
    }
    // A point on no tile (between the polygons' rounded corners) keeps the previous output.
}

void TShapeCache::Build(float cu, float cv, const TShapeSettings& s, const TXRComponent& random) {
    keyU_ = cu;
    keyV_ = cv;
    const int32_t iu = FloorToInt(cu);
    const int32_t iv = FloorToInt(cv);
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int k = 0; k < kShapesPerCell; ++k) {
                TShapeRecord& shape = records_[((dx + 1) * 3 + (dy + 1)) * kShapesPerCell + k];
                if (k >= s.count) {
                    // Not drawn for this cell: empty, so that a later, larger ShapeCount finds
                    // nothing rather than the shapes of another cell.
                    shape.vertexCount = 0;
                    continue;
                }
                random.RandomSeed(
                    WrapAdd(CellHash3(WrapAdd(iu, dx), WrapAdd(iv, dy), k + 1), s.seed));
                // One draw per statement: the order of the draws is part of the pattern.
                shape.width = static_cast<float>(1.0 + random.RandomNext() * s.sizeVariationU);
                shape.height = static_cast<float>(1.0 + random.RandomNext() * s.sizeVariationV);
                shape.x = static_cast<float>(
                    random.RandomNext() * (3.0 - shape.width) * s.positionVariationU + dx - 1);
                shape.y = static_cast<float>(
                    random.RandomNext() * (3.0 - shape.height) * s.positionVariationV + dy - 1);
                shape.depth = static_cast<float>(random.RandomNext());
                if (s.kind <= 0) {
                    shape.vertexCount = 4;
                    shape.vertices[0] = {0, 0};
                    shape.vertices[1] = {shape.width, 0};
                    shape.vertices[2] = {shape.width, shape.height};
                    shape.vertices[3] = {0, shape.height};
                    continue;
                }
                int32_t count = s.vertexCount;
                if (s.kind == 2) {
                    count = RoundHalfEven(random.RandomNext() * (s.vertexCount - 3)) + 3;
                }
                const double a0 = random.RandomNext() * kTwoPi;
                double vx[8], vy[8];
                double minX = 1.0, minY = 1.0, maxX = 0.0, maxY = 0.0;
                for (int q = 0; q < count; ++q) {
                    const double rho = 0.5 * random.RandomNext() + 0.5;
                    const double theta = static_cast<double>(q) / count * kTwoPi + a0;
                    vx[q] = rho * std::cos(theta);
                    vy[q] = rho * std::sin(theta);
                    if (vx[q] < minX) minX = vx[q];
                    if (vx[q] > maxX) maxX = vx[q];
                    if (vy[q] < minY) minY = vy[q];
                    if (vy[q] > maxY) maxY = vy[q];
                }
                // The polygon fills its width × height box.
                const double fx = maxX - minX != 0.0 ? 1.0 / (maxX - minX) : 1.0;
                const double fy = maxY - minY != 0.0 ? 1.0 / (maxY - minY) : 1.0;
                shape.vertexCount = count;
                for (int q = 0; q < count; ++q) {
                    shape.vertices[q] = {static_cast<float>((vx[q] - minX) * fx * shape.width),
                                         static_cast<float>((vy[q] - minY) * fy * shape.height)};
                }
            }
        }
    }
}

int TShapeCache::Topmost(double px, double py, int count) const {
    int chosen = -1;
    double best = -1.0;
    for (int cell = 0; cell < 9; ++cell) {
        for (int k = 0; k < count; ++k) {
            const int index = cell * kShapesPerCell + k;
            const TShapeRecord& shape = records_[index];
            if (Contains(shape, px, py) && shape.depth > best) {
                chosen = index;
                best = shape.depth;
            }
        }
    }
    return chosen;
}

void TXRCShapesPattern::Evaluate(bool) {
    const int32_t kind = Enum(9);
    const double background = Num(0);
    const TVec2 size = Uv(2);
    if (size.u == 0.0 || size.v == 0.0) {
        SetOut(background);
        return;
    }
    const TCellPoint c = CellPoint(Uv(7), size);
    const int32_t count = ShapeCountOf(Num(10));
    if (!shapes_.Holds(c.cu, c.cv)) {
        shapes_.Build(c.cu, c.cv, ReadSettings(Uv(3), Uv(4), Num(8), kind, count, Num(11)), *this);
    }

    const int chosen = shapes_.Topmost(c.fu, c.fv, count);
    double d2 = 10.0;
    double best = -1.0;
    if (chosen < 0) {
        // Where no shape covers the point, the cell border is drawn too.
        const double borders[] = {c.fu * c.fu, (1.0 - c.fu) * (1.0 - c.fu), c.fv * c.fv,
                                  (1.0 - c.fv) * (1.0 - c.fv)};
        d2 = borders[0];
        for (double b : borders) {
            if (b < d2) d2 = b;
        }
    } else {
        best = shapes_.Record(chosen).depth;
    }
    // Outlines of the chosen shape and of every shape above it.
    for (int cell = 0; cell < 9; ++cell) {
        for (int k = 0; k < count; ++k) {
            const int index = cell * TShapeCache::kShapesPerCell + k;
            const TShapeRecord& shape = shapes_.Record(index);
            if (!(chosen < 0 || index == chosen || shape.depth > best)) continue;
            const double px = c.fu - shape.x;
            const double py = c.fv - shape.y;
            for (int q = 0; q < shape.vertexCount; ++q) {
                const TPoint2f a = shape.vertices[q];
                const TPoint2f b = shape.vertices[q + 1 < shape.vertexCount ? q + 1 : 0];
                const double d = SegmentDistanceSquared(px, py, a, b);
                if (d < d2) d2 = d;
            }
        }
    }
    SetOut(LineOutput(background, Num(1), Num(5), Num(6), 1.0, std::sqrt(d2)));
}

void TXRCShapesMosaic::Evaluate(bool) {
    const int32_t kind = Enum(5);
    const int32_t mode = Enum(6);
    const TVec2 size = Uv(0);
    const TVec2 in = Uv(3);
    if (size.u == 0.0 || size.v == 0.0) {
        SetOut(in);
        return;
    }
    const TCellPoint c = CellPoint(in, size);
    const int32_t count = ShapeCountOf(Num(7));
    if (!shapes_.Holds(c.cu, c.cv)) {
        shapes_.Build(c.cu, c.cv, ReadSettings(Uv(1), Uv(2), Num(4), kind, count, Num(8)), *this);
    }

    const int chosen = shapes_.Topmost(c.fu, c.fv, count);
    TVec2 point{c.cu * size.u, c.cv * size.v};  // the cell origin where no shape covers Input
    if (chosen >= 0) {
        // The same for every point of the shape, from whichever cell it is seen.
        const TShapeRecord& shape = shapes_.Record(chosen);
        point = {(c.cu + 1.0 + shape.x) * size.u, (c.cv + 1.0 + shape.y) * size.v};
    }
    SetOut(mode == 1 ? in - point : point);
}

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCVectorPattern, 3, 10, "Pattern"),
    VANDREL_ROW(TXRCShapesPattern, 3, 11, "Random Shapes"),
    VANDREL_ROW(TXRCVectorMosaic, 4, 8, "Pattern Mosaic"),
    VANDREL_ROW(TXRCShapesMosaic, 4, 9, "Random Shapes Mosaic"),
};
}  // namespace

std::span<const CatalogueRow> ShapePatternRows() { return kRows; }

}  // namespace vandrel

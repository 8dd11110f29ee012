#include "components/generators/cellular.h"

#include <cmath>

#include "components/families.h"
#include "components/shared/cell_hash.h"

namespace vandrel {

namespace {

constexpr double kFarDistance = 10000.0;  // start of F1, F2, F3 and of the nearest distance

// clamp(x, 0, 1), NaN counting as 0.
double ClampUnit(double x) {
    if (x > 1.0) return 1.0;
    return x >= 0.0 ? x : 0.0;
}

template <int D>
int32_t HashOf(const std::array<int32_t, D>& cell) {
    if constexpr (D == 2) {
        return CellHash2(cell[0], cell[1]);
    } else {
        return CellHash3(cell[0], cell[1], cell[2]);
    }
}

// The scaled input s and its cell k.
template <int D>
struct TScaled {
    std::array<float, D> s;
    std::array<int32_t, D> cell;
};

template <int D>
TScaled<D> Scale(const std::array<double, D>& input, double frequency) {
    TScaled<D> out;
    for (int a = 0; a < D; ++a) {
        out.s[a] = static_cast<float>(input[a] * frequency);
        out.cell[a] = CellIndex(out.s[a]);
    }
    return out;
}

template <int D>
double Distance(const std::array<float, D>& s, const std::array<float, D>& p) {
    double sum = 0.0;
    for (int a = 0; a < D; ++a) {
        const double d = double(s[a]) - p[a];
        sum += d * d;
    }
    return std::sqrt(sum);
}

std::array<double, 2> Parts(const TVec2& v) { return {v.u, v.v}; }
std::array<double, 3> Parts(const TVec3& v) { return {v.x, v.y, v.z}; }

// The three smallest distances, ascending. A distance goes after every entry less than or equal
// to it; one not smaller than F3 (or NaN) is dropped.
struct TNearestThree {
    double f1 = kFarDistance, f2 = kFarDistance, f3 = kFarDistance;
    void Insert(double d) {
        if (!(d < f3)) return;
        if (d < f1) {
            f3 = f2;
            f2 = f1;
            f1 = d;
        } else if (d < f2) {
            f3 = f2;
            f2 = d;
        } else {
            f3 = d;
        }
    }
};

}  // namespace

template <int D, bool kPellets>
void TNeighbourhood<D, kPellets>::Fill(const TCell& cell, int32_t seed, double jitter,
                                       double spread, double base,
                                       const TBoundRandomSeed& randomSeed,
                                       const TBoundRandomNext& randomNext) {
    cell_ = cell;
    filled_ = true;
    // Offsets -1, 0, +1 per axis, the first axis outermost: index = Σ (offset_a + 1) · 3^(D-1-a).
    for (int i = 0; i < kCells; ++i) {
        TCell neighbour;
        int rest = i;
        for (int a = D - 1; a >= 0; --a) {
            neighbour[a] = WrapAdd(cell[a], rest % 3 - 1);
            rest /= 3;
        }
        randomSeed(WrapAdd(HashOf<D>(neighbour), seed));
        TPoint& point = points_[i];
        for (int a = 0; a < D; ++a) {
            const double centre = double(neighbour[a]) + 0.5;
            point[a] = static_cast<float>(jitter * (randomNext() - 0.5) + centre);
        }
        if constexpr (kPellets) {
            const double r = randomNext();
            radii_[i] = static_cast<float>(ClampUnit((2.0 * r - 1.0) * spread + base));
        } else {
            (void)spread, (void)base;
        }
    }
}

template class TNeighbourhood<2, false>;
template class TNeighbourhood<3, false>;
template class TNeighbourhood<2, true>;
template class TNeighbourhood<3, true>;

namespace {

// Cellular: the weighted sum of F1, F2, F3.
template <int D>
double CellularValue(TNeighbourhood<D, false>& cache, const std::array<double, D>& input,
                     double frequency, double jitter, int32_t seed, const TBoundRandomSeed& rs,
                     const TBoundRandomNext& rn, const std::array<double, 3>& weights) {
    const TScaled<D> scaled = Scale<D>(input, frequency);
    if (!cache.Holds(scaled.cell)) cache.Fill(scaled.cell, seed, ClampUnit(jitter), 0, 0, rs, rn);
    TNearestThree nearest;
    for (int i = 0; i < cache.kCells; ++i) nearest.Insert(Distance<D>(scaled.s, cache.Point(i)));
    return nearest.f1 * weights[0] + nearest.f2 * weights[1] + nearest.f3 * weights[2];
}

}  // namespace

void TXRCCell2D::Evaluate(bool) {
    const double frequency = Num(1);
    if (frequency == 0.0) {
        SetOut(0.0);
        return;
    }
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));
        return;
    }
    // Jitter and Seed are read for a refill only, but reading them costs nothing.
    const double value = CellularValue<2>(cache_, Parts(Uv(7)), frequency, Num(3), ToInt32(Num(8)),
                                          RandomSeed, RandomNext, {Num(4), Num(5), Num(6)});
    SetOut(value * amplitude + Num(2));
}

void TXRCCell3D::Evaluate(bool) {
    const double frequency = Num(1);
    if (frequency == 0.0) {
        SetOut(0.0);
        return;
    }
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));
        return;
    }
    const double value = CellularValue<3>(cache_, Parts(Vec(7)), frequency, Num(3), ToInt32(Num(8)),
                                          RandomSeed, RandomNext, {Num(4), Num(5), Num(6)});
    SetOut(value * amplitude + Num(2));
}

namespace {

// Birdshot: the accumulated pellet values.
template <int D>
double BirdshotValue(TNeighbourhood<D, true>& cache, const std::array<double, D>& input,
                     double frequency, int32_t combine, double jitter, double radius,
                     double variation, int32_t seed, const TBoundRandomSeed& rs,
                     const TBoundRandomNext& rn) {
    const TScaled<D> scaled = Scale<D>(input, frequency);
    if (!cache.Holds(scaled.cell)) {
        cache.Fill(scaled.cell, seed, ClampUnit(jitter), ClampUnit(variation), ClampUnit(radius),
                   rs, rn);
    }
    double accumulator = 0.0;
    for (int i = 0; i < cache.kCells; ++i) {
        const double r = cache.Radius(i);
        if (r <= 0.0) continue;
        const double v = (r - Distance<D>(scaled.s, cache.Point(i))) / r;
        if (combine == 0) {
            if (v > accumulator) accumulator = v;
        } else if (v > 0.0) {
            accumulator += v;
        }
    }
    return accumulator;
}

}  // namespace

void TXRCBirdshot2D::Evaluate(bool) {
    const int32_t combine = Enum(6);  // refreshed on every path, the early ones too
    const double frequency = Num(1);
    if (frequency == 0.0) {
        SetOut(0.0);
        return;
    }
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));
        return;
    }
    const double value = BirdshotValue<2>(cache_, Parts(Uv(7)), frequency, combine, Num(3), Num(4),
                                          Num(5), ToInt32(Num(8)), RandomSeed, RandomNext);
    SetOut(value * amplitude + Num(2));
}

void TXRCBirdshot3D::Evaluate(bool) {
    const int32_t combine = Enum(6);  // refreshed on every path, the early ones too
    const double frequency = Num(1);
    if (frequency == 0.0) {
        SetOut(0.0);
        return;
    }
    const double amplitude = Num(0);
    if (amplitude == 0.0) {
        SetOut(Num(2));
        return;
    }
    const double value = BirdshotValue<3>(cache_, Parts(Vec(7)), frequency, combine, Num(3), Num(4),
                                          Num(5), ToInt32(Num(8)), RandomSeed, RandomNext);
    SetOut(value * amplitude + Num(2));
}

namespace {

// Crystallize: index of the nearest feature point (the first of equals), or -1 when no distance is
// below 10000 (a NaN or far-off input), in which case the output keeps its previous value.
template <int D>
int NearestPoint(TNeighbourhood<D, false>& cache, const TScaled<D>& scaled) {
    double nearest = kFarDistance;
    int index = -1;
    for (int i = 0; i < cache.kCells; ++i) {
        const double d = Distance<D>(scaled.s, cache.Point(i));
        if (d < nearest) {
            nearest = d;
            index = i;
        }
    }
    return index;
}

template <int D>
int CrystalizeNearest(TNeighbourhood<D, false>& cache, const TScaled<D>& scaled, double jitter,
                      int32_t seed, const TBoundRandomSeed& rs, const TBoundRandomNext& rn) {
    if (!cache.Holds(scaled.cell)) cache.Fill(scaled.cell, seed, ClampUnit(jitter), 0, 0, rs, rn);
    return NearestPoint<D>(cache, scaled);
}

}  // namespace

void TXRCCrystalize2D::Evaluate(bool) {
    const double frequency = Num(0);
    if (frequency == 0.0) {
        Enum(3);  // a trigger-fed OutputMode is refreshed on this path too
        SetOut(TVec2{0.0, 0.0});
        return;
    }
    const TVec2 input = Uv(2);
    const TScaled<2> scaled = Scale<2>(Parts(input), frequency);
    const int nearest =
        CrystalizeNearest<2>(cache_, scaled, Num(1), ToInt32(Num(4)), RandomSeed, RandomNext);
    const int32_t mode = Enum(3);  // refreshed after the cache test
    if (nearest < 0) return;
    const auto& p = cache_.Point(nearest);
    const TVec2 point{p[0] / frequency, p[1] / frequency};
    SetOut(mode == 0 ? point : input - point);
}

void TXRCCrystalize3D::Evaluate(bool) {
    const double frequency = Num(0);
    if (frequency == 0.0) {
        Enum(3);  // a trigger-fed OutputMode is refreshed on this path too
        SetOut(TVec3{0.0, 0.0, 0.0});
        return;
    }
    const TVec3 input = Vec(2);
    const TScaled<3> scaled = Scale<3>(Parts(input), frequency);
    const int nearest =
        CrystalizeNearest<3>(cache_, scaled, Num(1), ToInt32(Num(4)), RandomSeed, RandomNext);
    const int32_t mode = Enum(3);
    if (nearest < 0) return;
    const auto& p = cache_.Point(nearest);
    const TVec3 point{p[0] / frequency, p[1] / frequency, p[2] / frequency};
    SetOut(mode == 0 ? point : input - point);
}

namespace {
// Type-id order; the catalogue puts them on the 2D, 3D and Effects tabs.
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRCCell2D, 1, 5, "Cellular Texture Base Function (2D)"),
    VANDREL_ROW(TXRCBirdshot2D, 1, 6, "Birdshot (2D)"),
    VANDREL_ROW(TXRCCell3D, 2, 5, "Cellular Texture Base Function (3D)"),
    VANDREL_ROW(TXRCBirdshot3D, 2, 6, "Birdshot (3D)"),
    VANDREL_ROW(TXRCCrystalize2D, 4, 6, " Crystallize (2D)"),
    VANDREL_ROW(TXRCCrystalize3D, 4, 7, "Crystallize (3D)"),
};
}  // namespace

std::span<const CatalogueRow> CellularRows() { return kRows; }

}  // namespace vandrel

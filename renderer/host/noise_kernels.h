// The four noise kernels of the host, in one, two and three dimensions.
//
// Each kernel returns a signed value normalised to about [-1, 1] with mean 0; the host operations
// map it to [0, 1] and clamp the rare overshoot. Kernels are inline so that turbulence runs its
// octaves without a call each; they read only constant tables and never allocate.
//
//   Improved    gradient noise, quintic fade, 12 edge gradients in 3D (8 in 2D, 16 slopes in 1D)
//   Classic     value noise, Catmull-Rom through four lattice values per axis
//   Perlin      gradient noise, cubic s-curve fade, random unit gradients
//   SparseConv  random impulses, a few per cell, convolved with a smooth kernel of radius 1
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "renderer/host/noise_lattice.h"

namespace vandrel::noise {

// ---- Shared pieces

inline float Lerp(float t, float a, float b) { return a + t * (b - a); }

// Templates so that one fade serves a float and a vector of floats.
struct QuinticFade {
    template <typename T>
    T operator()(T t) const {
        return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
    }
};
struct CubicFade {
    template <typename T>
    T operator()(T t) const {
        return t * t * (3.0f - 2.0f * t);
    }
};

struct alignas(16) Vec4 {
    float x, y, z, w;
};

// A gradient table is indexed by the last permutation lookup, so that entry i holds the gradient
// of P[i] and one lookup per corner is saved.
using GradTable = std::array<Vec4, kPermLength>;

template <typename GradientOf>
constexpr GradTable FuseGradients(const Permutation& perm, GradientOf gradientOf) {
    GradTable table{};
    for (int i = 0; i < kPermLength; ++i) table[i] = gradientOf(perm[i]);
    return table;
}

// Random unit vectors (or slopes in [-1, 1) for one dimension), drawn by rejection in the ball.
template <int Dims>
constexpr std::array<Vec4, kPeriod> MakeUnitGradients(uint64_t seed) {
    std::array<Vec4, kPeriod> table{};
    TableRandom random(seed);
    for (int i = 0; i < kPeriod; ++i) {
        double v[3] = {0.0, 0.0, 0.0};
        double lengthSquared = 0.0;
        if constexpr (Dims == 1) {
            v[0] = random.Signed();
            table[i] = {static_cast<float>(v[0]), 0.0f, 0.0f, 0.0f};
            continue;
        }
        do {
            lengthSquared = 0.0;
            for (int d = 0; d < Dims; ++d) {
                v[d] = random.Signed();
                lengthSquared += v[d] * v[d];
            }
        } while (lengthSquared > 1.0 || lengthSquared < 0.01);
        const double length = ConstSqrt(lengthSquared);
        table[i] = {static_cast<float>(v[0] / length), static_cast<float>(v[1] / length),
                    static_cast<float>(v[2] / length), 0.0f};
    }
    return table;
}

// ---- Improved gradient noise

constexpr Permutation kImprovedPerm = MakePermutation(0x5eed0001);

// Slopes +-1/8 ... +-1: the extreme is 1/2 (slopes 1 and -1 meeting half-way), hence the scale 2.
constexpr GradTable kImprovedGrad1 = FuseGradients(kImprovedPerm, [](uint8_t h) {
    const float slope = static_cast<float>((h & 7) + 1) / 8.0f;
    return Vec4{(h & 8) ? -slope : slope, 0.0f, 0.0f, 0.0f};
});
constexpr GradTable kImprovedGrad2 = FuseGradients(kImprovedPerm, [](uint8_t h) {
    constexpr Vec4 kDirections[8] = {{1, 1, 0, 0}, {-1, 1, 0, 0}, {1, -1, 0, 0}, {-1, -1, 0, 0},
                                     {1, 0, 0, 0}, {-1, 0, 0, 0}, {0, 1, 0, 0},  {0, -1, 0, 0}};
    return kDirections[h & 7];
});
// The twelve cube edge directions; four repeat so that a 4-bit index picks one without a modulo.
constexpr GradTable kImprovedGrad3 = FuseGradients(kImprovedPerm, [](uint8_t h) {
    constexpr Vec4 kDirections[16] = {{1, 1, 0, 0}, {-1, 1, 0, 0}, {1, -1, 0, 0}, {-1, -1, 0, 0},
                                      {1, 0, 1, 0}, {-1, 0, 1, 0}, {1, 0, -1, 0}, {-1, 0, -1, 0},
                                      {0, 1, 1, 0}, {0, -1, 1, 0}, {0, 1, -1, 0}, {0, -1, -1, 0},
                                      {1, 1, 0, 0}, {-1, 1, 0, 0}, {0, -1, 1, 0}, {0, -1, -1, 0}};
    return kDirections[h & 15];
});

// ---- Original gradient noise

constexpr Permutation kPerlinPerm = MakePermutation(0x5eed0003);
constexpr auto kPerlinSlopes = MakeUnitGradients<1>(0x5eed0031);
constexpr auto kPerlinUnit2 = MakeUnitGradients<2>(0x5eed0032);
constexpr auto kPerlinUnit3 = MakeUnitGradients<3>(0x5eed0033);
constexpr GradTable kPerlinGrad1 =
    FuseGradients(kPerlinPerm, [](uint8_t h) { return kPerlinSlopes[h]; });
constexpr GradTable kPerlinGrad2 =
    FuseGradients(kPerlinPerm, [](uint8_t h) { return kPerlinUnit2[h]; });
constexpr GradTable kPerlinGrad3 =
    FuseGradients(kPerlinPerm, [](uint8_t h) { return kPerlinUnit3[h]; });

// ---- Gradient noise, shared by both gradient kinds

// Indices stay below 2 * 256: a cell coordinate is below 256 and a permutation entry too.
template <typename Fade>
inline float GradientNoise1(const GradTable& grad, double x, Fade fade) {
    const Split s = SplitCoordinate(x);
    const uint32_t i = s.cell & kPeriodMask;
    const float f = s.frac;
    return Lerp(fade(f), grad[i].x * f, grad[i + 1].x * (f - 1.0f));
}

template <typename Fade>
inline float GradientNoise2(const Permutation& perm, const GradTable& grad, double x, double y,
                            Fade fade) {
    const Split sx = SplitCoordinate(x), sy = SplitCoordinate(y);
    const uint32_t X = sx.cell & kPeriodMask, Y = sy.cell & kPeriodMask;
    const uint32_t a = perm[X] + Y, b = perm[X + 1] + Y;
    const float fx = sx.frac, fy = sy.frac, gx = fx - 1.0f, gy = fy - 1.0f;
    const auto dot = [&grad](uint32_t i, float dx, float dy) {
        return grad[i].x * dx + grad[i].y * dy;
    };
    const float u = fade(fx), v = fade(fy);
    return Lerp(v, Lerp(u, dot(a, fx, fy), dot(b, gx, fy)),
                Lerp(u, dot(a + 1, fx, gy), dot(b + 1, gx, gy)));
}

// Three dimensions run on four-float vectors (the compiler's portable vector extension): one
// lane per axis for the split and the fades, and the eight corner dot products as two transposed
// groups of four. Lane 3 is padding and stays 0.
using Float4 = float __attribute__((vector_size(16)));
using Int4 = int32_t __attribute__((vector_size(16)));

struct Split4 {
    Int4 cell;
    Float4 frac;
};

inline Split4 SplitCoordinates(Float4 v) {
    // |v| < 2^31 compared on the bits, which also sends NaN (an exponent of all ones) out.
    const Int4 magnitude = reinterpret_cast<Int4>(v) & 0x7fffffff;
    const Int4 inside = magnitude < 0x4f000000;
    if (((inside[0] & inside[1]) & inside[2]) == 0) [[unlikely]] {
        for (int d = 0; d < 3; ++d) {
            if (!(std::fabs(v[d]) < 2147483648.0f)) v[d] = static_cast<float>(ReduceToPeriod(v[d]));
        }
    }
    const Int4 t = __builtin_convertvector(v, Int4);
    const Int4 i = t + (v < __builtin_convertvector(t, Float4));  // a true lane is -1
    return {i, v - __builtin_convertvector(i, Float4)};
}

inline Float4 LoadVec4(const Vec4& v) {
    Float4 r;
    std::memcpy(&r, &v, sizeof r);
    return r;
}

// Lane j of the result is the sum of the lanes of the j-th argument.
inline Float4 SumLanes(Float4 a, Float4 b, Float4 c, Float4 d) {
    const Float4 ab =
        __builtin_shufflevector(a, b, 0, 4, 1, 5) + __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const Float4 cd =
        __builtin_shufflevector(c, d, 0, 4, 1, 5) + __builtin_shufflevector(c, d, 2, 6, 3, 7);
    return __builtin_shufflevector(ab, cd, 0, 1, 4, 5) +
           __builtin_shufflevector(ab, cd, 2, 3, 6, 7);
}

template <typename Fade>
inline float GradientNoise3(const Permutation& perm, const GradTable& grad, float x, float y,
                            float z, Fade fade) {
    const Split4 s = SplitCoordinates(Float4{x, y, z, 0.0f});
    const uint32_t X = static_cast<uint32_t>(s.cell[0]) & kPeriodMask;
    const uint32_t Y = static_cast<uint32_t>(s.cell[1]) & kPeriodMask;
    const uint32_t Z = static_cast<uint32_t>(s.cell[2]) & kPeriodMask;
    // Indices stay below 2 * 256: a cell coordinate is below 256 and a permutation entry too.
    const uint32_t a = perm[X] + Y, b = perm[X + 1] + Y;
    const uint32_t aa = perm[a] + Z, ab = perm[a + 1] + Z, ba = perm[b] + Z, bb = perm[b + 1] + Z;

    const Float4 f = s.frac;
    const Float4 f100 = f - Float4{1, 0, 0, 0}, f010 = f - Float4{0, 1, 0, 0};
    const Float4 f110 = f - Float4{1, 1, 0, 0}, f001 = f - Float4{0, 0, 1, 0};
    const Float4 f101 = f - Float4{1, 0, 1, 0}, f011 = f - Float4{0, 1, 1, 0};
    const Float4 f111 = f - Float4{1, 1, 1, 0};
    const Float4 near = SumLanes(LoadVec4(grad[aa]) * f, LoadVec4(grad[ba]) * f100,
                                 LoadVec4(grad[ab]) * f010, LoadVec4(grad[bb]) * f110);
    const Float4 far = SumLanes(LoadVec4(grad[aa + 1]) * f001, LoadVec4(grad[ba + 1]) * f101,
                                LoadVec4(grad[ab + 1]) * f011, LoadVec4(grad[bb + 1]) * f111);

    // Lanes of near and far: corners (0,0), (1,0), (0,1), (1,1) in x and y.
    const Float4 w = fade(f);
    const Float4 alongZ = near + __builtin_shufflevector(w, w, 2, 2, 2, 2) * (far - near);
    const Float4 alongY =
        alongZ + __builtin_shufflevector(w, w, 1, 1, 1, 1) *
                     (__builtin_shufflevector(alongZ, alongZ, 2, 3, 2, 3) - alongZ);
    return Lerp(w[0], alongY[0], alongY[1]);
}

// Scales that bring the extremes to about +-1: 1/2 in one dimension (see the slopes); about 1
// for the improved kind in two and three; about 0.71 for the table of unit gradients (measured,
// below the bound sqrt(n)/2 that only gradients all pointing at the centre would reach).
constexpr float kImprovedScale1 = 2.0f;
constexpr float kImprovedScale2 = 1.0f;
constexpr float kImprovedScale3 = 1.0f;
constexpr float kPerlinScale1 = 2.0f;
constexpr float kPerlinScale2 = 1.4f;
constexpr float kPerlinScale3 = 1.4f;

inline float Improved1(double x) {
    return kImprovedScale1 * GradientNoise1(kImprovedGrad1, x, QuinticFade{});
}
inline float Improved2(double x, double y) {
    return kImprovedScale2 * GradientNoise2(kImprovedPerm, kImprovedGrad2, x, y, QuinticFade{});
}
inline float Improved3(float x, float y, float z) {
    return kImprovedScale3 * GradientNoise3(kImprovedPerm, kImprovedGrad3, x, y, z, QuinticFade{});
}
inline float Perlin1(double x) {
    return kPerlinScale1 * GradientNoise1(kPerlinGrad1, x, CubicFade{});
}
inline float Perlin2(double x, double y) {
    return kPerlinScale2 * GradientNoise2(kPerlinPerm, kPerlinGrad2, x, y, CubicFade{});
}
inline float Perlin3(float x, float y, float z) {
    return kPerlinScale3 * GradientNoise3(kPerlinPerm, kPerlinGrad3, x, y, z, CubicFade{});
}

// ---- Value noise with Catmull-Rom interpolation

constexpr Permutation kClassicPerm = MakePermutation(0x5eed0002);

// Lattice values (P[i] + 1/2) / 256 - 1/2: evenly spread over (-1/2, 1/2), mean exactly 0.
constexpr auto kClassicValues = [] {
    std::array<float, kPermLength> table{};
    for (int i = 0; i < kPermLength; ++i) table[i] = (kClassicPerm[i] + 0.5f) / kPeriod - 0.5f;
    return table;
}();

// Catmull-Rom overshoots the lattice values: by a quarter at worst in one dimension, and by
// about that power of 1.25 in more, though the fixed table reaches only 1.14, 1.32 and 1.37
// (measured). The scales bring those to 1; the host clamps what a worse corner might add.
constexpr float kClassicScale1 = 2.0f * 0.88f;
constexpr float kClassicScale2 = 2.0f * 0.755f;
constexpr float kClassicScale3 = 2.0f * 0.73f;

struct Weights4 {
    float w[4];
};

// Weights of the four lattice values around a fraction t; they sum to 1.
inline Weights4 CatmullRomWeights(float t) {
    const float t2 = t * t, t3 = t2 * t;
    return {{0.5f * (-t3 + 2.0f * t2 - t), 0.5f * (3.0f * t3 - 5.0f * t2 + 2.0f),
             0.5f * (-3.0f * t3 + 4.0f * t2 + t), 0.5f * (t3 - t2)}};
}

// The four lattice values per axis start one cell below: indices reach 255 + 255 + 3 < 520.
inline float Classic1(double x) {
    const Split s = SplitCoordinate(x);
    const uint32_t X = (s.cell - 1) & kPeriodMask;
    const Weights4 wx = CatmullRomWeights(s.frac);
    float sum = 0.0f;
    for (int i = 0; i < 4; ++i) sum += wx.w[i] * kClassicValues[X + i];
    return kClassicScale1 * sum;
}

inline float Classic2(double x, double y) {
    const Split sx = SplitCoordinate(x), sy = SplitCoordinate(y);
    const uint32_t X = (sx.cell - 1) & kPeriodMask, Y = (sy.cell - 1) & kPeriodMask;
    const Weights4 wx = CatmullRomWeights(sx.frac), wy = CatmullRomWeights(sy.frac);
    float sum = 0.0f;
    for (int i = 0; i < 4; ++i) {
        const uint32_t column = kClassicPerm[X + i] + Y;
        float line = 0.0f;
        for (int j = 0; j < 4; ++j) line += wy.w[j] * kClassicValues[column + j];
        sum += wx.w[i] * line;
    }
    return kClassicScale2 * sum;
}

inline float Classic3(float x, float y, float z) {
    const Split sx = SplitCoordinate(x), sy = SplitCoordinate(y), sz = SplitCoordinate(z);
    const uint32_t X = (sx.cell - 1) & kPeriodMask, Y = (sy.cell - 1) & kPeriodMask,
                   Z = (sz.cell - 1) & kPeriodMask;
    const Weights4 wx = CatmullRomWeights(sx.frac), wy = CatmullRomWeights(sy.frac),
                   wz = CatmullRomWeights(sz.frac);
    float sum = 0.0f;
    for (int i = 0; i < 4; ++i) {
        const uint32_t column = kClassicPerm[X + i] + Y;
        float plane = 0.0f;
        for (int j = 0; j < 4; ++j) {
            const uint32_t row = kClassicPerm[column + j] + Z;
            float line = 0.0f;
            for (int k = 0; k < 4; ++k) line += wz.w[k] * kClassicValues[row + k];
            plane += wy.w[j] * line;
        }
        sum += wx.w[i] * plane;
    }
    return kClassicScale3 * sum;
}

// ---- Sparse convolution noise

// Each cell holds a fixed number of impulses at random places inside it, with random weights in
// [-1, 1); which set a cell gets comes from its hash. The kernel (1 - r^2)^3 reaches zero with
// its first two derivatives at radius 1, so only the cell and its neighbours contribute and the
// sum stays smooth. Impulses are stored by coordinate so that four fill a vector: four per cell
// in one and two dimensions, two per cell in three, where the cells go in pairs.
constexpr Permutation kSparsePerm = MakePermutation(0x5eed0004);

template <int Dims, int Count>
struct Impulses {
    float place[Dims][Count];  // inside the cell, in [0, 1)
    float w[Count];
};

template <int Dims, int Count>
constexpr std::array<Impulses<Dims, Count>, kPeriod> MakeImpulses(uint64_t seed) {
    std::array<Impulses<Dims, Count>, kPeriod> table{};
    TableRandom random(seed);
    for (Impulses<Dims, Count>& cell : table) {
        for (int n = 0; n < Count; ++n) {
            for (int d = 0; d < Dims; ++d) {
                cell.place[d][n] = static_cast<float>(0.5 * random.Signed() + 0.5);
            }
            cell.w[n] = static_cast<float>(random.Signed());
        }
    }
    // Every set appears equally often in a period, so weights that sum to exactly 0 make the
    // mean exactly 0 rather than whatever the draw gave.
    double sum = 0.0;
    for (const auto& cell : table) {
        for (float w : cell.w) sum += w;
    }
    const float mean = static_cast<float>(sum / (kPeriod * Count));
    for (auto& cell : table) {
        for (float& w : cell.w) w -= mean;
    }
    return table;
}
constexpr auto kSparseImpulses1 = MakeImpulses<1, 4>(0x5eed0041);
constexpr auto kSparseImpulses2 = MakeImpulses<2, 4>(0x5eed0042);
constexpr auto kSparseImpulses3 = MakeImpulses<3, 2>(0x5eed0043);
constexpr Impulses<3, 2> kNoImpulses{};  // pads the 27 cells of three dimensions to 14 pairs

inline Float4 Load4(const float* p) {
    Float4 r;
    std::memcpy(&r, p, sizeof r);
    return r;
}
inline Float4 LoadPairs(const float* a, const float* b) {
    const float v[4] = {a[0], a[1], b[0], b[1]};
    return Load4(v);
}
inline float SumOfLanes(Float4 v) { return (v[0] + v[1]) + (v[2] + v[3]); }

inline Float4 SparseKernel(Float4 distanceSquared) {
    const Float4 k = 1.0f - distanceSquared;
    const Float4 clamped = reinterpret_cast<Float4>(reinterpret_cast<Int4>(k) & (k > 0.0f));
    return clamped * clamped * clamped;
}

// The sum has no hard bound: three and a half of its standard deviations map to 1. The variance is
// density * E[w^2] * integral of the squared kernel: 4/3 * 0.6816 in one dimension, 4/3 * pi/7
// in two, 2/3 * 0.2857 in three.
constexpr float kSparseScale1 = 0.2998f;
constexpr float kSparseScale2 = 0.3693f;
constexpr float kSparseScale3 = 0.6546f;

// Neighbours start one cell below: indices reach 255 + 255 + 2 < 520.
inline float Sparse1(double x) {
    const Split s = SplitCoordinate(x);
    const uint32_t X = (s.cell - 1) & kPeriodMask;
    Float4 sum{};
    for (int i = 0; i < 3; ++i) {
        const Impulses<1, 4>& cell = kSparseImpulses1[kSparsePerm[X + i]];
        const Float4 dx = (s.frac - static_cast<float>(i - 1)) - Load4(cell.place[0]);
        sum += Load4(cell.w) * SparseKernel(dx * dx);
    }
    return kSparseScale1 * SumOfLanes(sum);
}

inline float Sparse2(double x, double y) {
    const Split sx = SplitCoordinate(x), sy = SplitCoordinate(y);
    const uint32_t X = (sx.cell - 1) & kPeriodMask, Y = (sy.cell - 1) & kPeriodMask;
    Float4 sum{};
    for (int i = 0; i < 3; ++i) {
        const float cx = sx.frac - static_cast<float>(i - 1);
        const uint32_t column = kSparsePerm[X + i] + Y;
        for (int j = 0; j < 3; ++j) {
            const float cy = sy.frac - static_cast<float>(j - 1);
            const Impulses<2, 4>& cell = kSparseImpulses2[kSparsePerm[column + j]];
            const Float4 dx = cx - Load4(cell.place[0]), dy = cy - Load4(cell.place[1]);
            sum += Load4(cell.w) * SparseKernel(dx * dx + dy * dy);
        }
    }
    return kSparseScale2 * SumOfLanes(sum);
}

// Where each pair of cells lies relative to the point's cell: cell n of the 27 is
// (n / 9, n / 3 % 3, n % 3) - 1; lanes 0 and 1 hold the first cell of the pair, 2 and 3 the second.
constexpr int kCellPairs = 14;
constexpr auto kPairOffsets = [] {
    std::array<std::array<Vec4, 3>, kCellPairs> table{};
    for (int g = 0; g < kCellPairs; ++g) {
        for (int axis = 0; axis < 3; ++axis) {
            float lanes[4];
            for (int lane = 0; lane < 4; ++lane) {
                const int n = 2 * g + lane / 2;
                const int index[3] = {n / 9, n / 3 % 3, n % 3};
                lanes[lane] = static_cast<float>(index[axis] - 1);
            }
            table[g][axis] = {lanes[0], lanes[1], lanes[2], lanes[3]};
        }
    }
    return table;
}();

inline float Sparse3(float x, float y, float z) {
    const Split4 s = SplitCoordinates(Float4{x, y, z, 0.0f});
    const uint32_t X = static_cast<uint32_t>(s.cell[0] - 1) & kPeriodMask;
    const uint32_t Y = static_cast<uint32_t>(s.cell[1] - 1) & kPeriodMask;
    const uint32_t Z = static_cast<uint32_t>(s.cell[2] - 1) & kPeriodMask;
    const Impulses<3, 2>* cells[2 * kCellPairs];
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        const uint32_t column = kSparsePerm[X + i] + Y;
        for (int j = 0; j < 3; ++j) {
            const uint32_t row = kSparsePerm[column + j] + Z;
            for (int k = 0; k < 3; ++k) cells[n++] = &kSparseImpulses3[kSparsePerm[row + k]];
        }
    }
    cells[n] = &kNoImpulses;

    const float fx = s.frac[0], fy = s.frac[1], fz = s.frac[2];
    Float4 sum{};
    for (int g = 0; g < kCellPairs; ++g) {
        const Impulses<3, 2>& a = *cells[2 * g];
        const Impulses<3, 2>& b = *cells[2 * g + 1];
        const Float4 dx = (fx - LoadVec4(kPairOffsets[g][0])) - LoadPairs(a.place[0], b.place[0]);
        const Float4 dy = (fy - LoadVec4(kPairOffsets[g][1])) - LoadPairs(a.place[1], b.place[1]);
        const Float4 dz = (fz - LoadVec4(kPairOffsets[g][2])) - LoadPairs(a.place[2], b.place[2]);
        sum += LoadPairs(a.w, b.w) * SparseKernel(dx * dx + dy * dy + dz * dz);
    }
    return kSparseScale3 * SumOfLanes(sum);
}

}  // namespace vandrel::noise

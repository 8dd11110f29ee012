// The integer lattice under the host's noises: splitting a coordinate into its cell and the
// fraction inside it, and the fixed tables that hash cells.
//
// Every noise tiles with a period of 256 cells along each axis: cells are hashed through
// permutation tables of 256 entries. Coordinates that a 32-bit cell index cannot hold are brought
// back into one period first, so no input, NaN and infinities included, reaches an undefined
// conversion. All tables are computed at compile time; nothing here is mutable.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace vandrel::noise {

constexpr int kPeriod = 256;
constexpr uint32_t kPeriodMask = kPeriod - 1;

// ---- Splitting a coordinate

struct Split {
    uint32_t cell;  // the cell index modulo 2^32; only its low 8 bits are used
    float frac;     // in [0, 1]
};

// Beyond 2^31 a coordinate has no cell index in 32 bits (and a float or double there has little
// or no fraction left). fmod is exact, so the reduced value lies in the same place of the period.
// NaN and infinities have no place at all and count as 0.
[[gnu::cold, gnu::noinline]] inline double ReduceToPeriod(double v) {
    if (!std::isfinite(v)) return 0.0;
    return std::fmod(v, static_cast<double>(kPeriod));
}

template <typename Real>
inline Split SplitCoordinate(Real v) {
    // The negated test also catches NaN.
    if (!(std::fabs(v) < Real(2147483648.0))) [[unlikely]] {
        v = static_cast<Real>(ReduceToPeriod(static_cast<double>(v)));
    }
    const int32_t t = static_cast<int32_t>(v);
    const int32_t i = t - (v < static_cast<Real>(t) ? 1 : 0);
    return {static_cast<uint32_t>(i), static_cast<float>(v - static_cast<Real>(i))};
}

// ---- Compile-time random numbers for the tables

class TableRandom {
  public:
    constexpr explicit TableRandom(uint64_t seed) : state_(seed) {}
    constexpr uint64_t Next() {
        // splitmix64: good enough to fill tables, and trivially constexpr.
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    constexpr uint32_t Below(uint32_t n) { return static_cast<uint32_t>((Next() >> 32) % n); }
    // Uniform in [-1, 1).
    constexpr double Signed() { return static_cast<double>(Next() >> 11) * 0x1p-52 - 1.0; }

  private:
    uint64_t state_;
};

// ---- Permutation tables

// Lookups nest as P[P[P[x] + y] + z] with x, y, z < 256 plus the few neighbour offsets the
// kernels need (at most 3), so the table repeats the permutation past 512 entries and no index
// ever needs a mask after the first.
constexpr int kPermLength = 2 * kPeriod + 8;
using Permutation = std::array<uint8_t, kPermLength>;

constexpr Permutation MakePermutation(uint64_t seed) {
    std::array<uint8_t, kPeriod> p{};
    for (int i = 0; i < kPeriod; ++i) p[i] = static_cast<uint8_t>(i);
    TableRandom random(seed);
    for (int i = kPeriod - 1; i > 0; --i) {
        const uint32_t j = random.Below(static_cast<uint32_t>(i + 1));
        const uint8_t swap = p[i];
        p[i] = p[j];
        p[j] = swap;
    }
    Permutation table{};
    for (int i = 0; i < kPermLength; ++i) table[i] = p[i % kPeriod];
    return table;
}

// Newton's iteration, for normalising table vectors at compile time.
constexpr double ConstSqrt(double v) {
    double r = v < 1.0 ? 1.0 : v;
    for (int i = 0; i < 64; ++i) r = 0.5 * (r + v / r);
    return r;
}

}  // namespace vandrel::noise

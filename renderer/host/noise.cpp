// The host's noise and turbulence operations: the kernels of noise_kernels.h mapped to [0, 1].
#include <array>

#include "hostapi/hostapi.h"
#include "renderer/host/noise_kernels.h"

namespace vandrel::noise {
namespace {

constexpr int kMaxOctaves = 20;

// Turbulence divides by the sum of the octave weights, 2 - 2^(1 - n), so that the sum keeps the
// range and mean of one octave.
constexpr auto kInverseWeightSum = [] {
    std::array<float, kMaxOctaves + 1> table{};
    double sum = 0.0, weight = 1.0;
    for (int n = 1; n <= kMaxOctaves; ++n) {
        sum += weight;
        weight *= 0.5;
        table[n] = static_cast<float>(1.0 / sum);
    }
    return table;
}();

// Octave k > 0 is also moved by k times this offset, so that the octaves do not all share the
// lattice points (where gradient noise is 0 in every octave). Octave 0 stays in place: one octave
// of turbulence is the noise itself.
constexpr float kShiftX = 0.3183f, kShiftY = 0.5672f, kShiftZ = 0.7431f;

inline int OctaveCount(int octaves) { return octaves < kMaxOctaves ? octaves : kMaxOctaves; }

inline double ToUnit(float n) {
    const double v = 0.5 + 0.5 * static_cast<double>(n);
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

struct Point3 {
    float x, y, z;
};
inline Point3 ReadPoint(const float* point) {
    if (point == nullptr) return {0.0f, 0.0f, 0.0f};
    return {point[0], point[1], point[2]};
}

template <float (*Kernel)(double)>
double Turbulence1(double x, int octaves) {
    if (octaves <= 0) return 0.5;
    const int count = OctaveCount(octaves);
    float sum = 0.0f, weight = 1.0f;
    double frequency = 1.0;
    for (int k = 0; k < count; ++k) {
        sum += weight * Kernel(x * frequency + k * double{kShiftX});
        weight *= 0.5f;
        frequency *= 2.0;
    }
    return ToUnit(sum * kInverseWeightSum[count]);
}

template <float (*Kernel)(double, double)>
double Turbulence2(double x, double y, int octaves) {
    if (octaves <= 0) return 0.5;
    const int count = OctaveCount(octaves);
    float sum = 0.0f, weight = 1.0f;
    double frequency = 1.0;
    for (int k = 0; k < count; ++k) {
        sum += weight *
               Kernel(x * frequency + k * double{kShiftX}, y * frequency + k * double{kShiftY});
        weight *= 0.5f;
        frequency *= 2.0;
    }
    return ToUnit(sum * kInverseWeightSum[count]);
}

template <float (*Kernel)(float, float, float)>
double Turbulence3(const float* point, int octaves) {
    if (octaves <= 0) return 0.5;
    const int count = OctaveCount(octaves);
    const Point3 p = ReadPoint(point);
    float sum = 0.0f, weight = 1.0f, frequency = 1.0f;
    for (int k = 0; k < count; ++k) {
        const float shift = static_cast<float>(k);
        sum += weight * Kernel(p.x * frequency + shift * kShiftX, p.y * frequency + shift * kShiftY,
                               p.z * frequency + shift * kShiftZ);
        weight *= 0.5f;
        frequency *= 2.0f;
    }
    return ToUnit(sum * kInverseWeightSum[count]);
}

template <float (*Kernel)(float, float, float)>
double Noise3(const float* point) {
    const Point3 p = ReadPoint(point);
    return ToUnit(Kernel(p.x, p.y, p.z));
}

}  // namespace
}  // namespace vandrel::noise

// Six operations per noise type, one line each.
#define VANDREL_HOST_NOISE(Suffix, Kernel)                                           \
    double hsNoise1##Suffix(double x) { return ToUnit(Kernel##1(x)); }               \
    double hsNoise2##Suffix(double x, double y) { return ToUnit(Kernel##2(x, y)); }  \
    double hsNoise3##Suffix(const float* point) { return Noise3<Kernel##3>(point); } \
    double hsTurbulence1##Suffix(double x, int octaves) {                            \
        return Turbulence1<Kernel##1>(x, octaves);                                   \
    }                                                                                \
    double hsTurbulence2##Suffix(double x, double y, int octaves) {                  \
        return Turbulence2<Kernel##2>(x, y, octaves);                                \
    }                                                                                \
    double hsTurbulence3##Suffix(const float* point, int octaves) {                  \
        return Turbulence3<Kernel##3>(point, octaves);                               \
    }

using namespace vandrel::noise;

extern "C" {
VANDREL_HOST_NOISE(, Improved)
VANDREL_HOST_NOISE(Classic, Classic)
VANDREL_HOST_NOISE(Perlin, Perlin)
VANDREL_HOST_NOISE(SparseConv, Sparse)
}

// Three-float vector arithmetic for the stand-in host's tracer and lighting.
#pragma once

#include <array>
#include <cmath>

namespace vandrel::host {

using Vec3 = std::array<float, 3>;

inline Vec3 Load(const float* p) { return {p[0], p[1], p[2]}; }
inline void Store(float* out, const Vec3& v) {
    out[0] = v[0];
    out[1] = v[1];
    out[2] = v[2];
}
inline Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
inline Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline Vec3 operator*(const Vec3& a, float s) { return {a[0] * s, a[1] * s, a[2] * s}; }
inline Vec3 operator*(const Vec3& a, const Vec3& b) {
    return {a[0] * b[0], a[1] * b[1], a[2] * b[2]};
}
inline float Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline float Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }
// The unit vector along a, given its length l = Length(a) where that is known already; (0, 0, 0)
// for a zero, tiny or non-finite vector.
inline Vec3 Normalize(const Vec3& a, float l) {
    if (!(l > 1e-20f) || !std::isfinite(l)) return {0, 0, 0};
    return a * (1.0f / l);
}
inline Vec3 Normalize(const Vec3& a) { return Normalize(a, Length(a)); }
inline bool IsFinite(const Vec3& a) {
    return std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2]);
}

}  // namespace vandrel::host

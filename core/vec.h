// Small double-precision vectors for intermediate arithmetic; components store floats.
#pragma once

#include <cmath>

namespace vandrel {

struct TVec2 {
    double u = 0, v = 0;
};
inline TVec2 operator+(TVec2 a, TVec2 b) { return {a.u + b.u, a.v + b.v}; }
inline TVec2 operator-(TVec2 a, TVec2 b) { return {a.u - b.u, a.v - b.v}; }
inline TVec2 operator*(TVec2 a, double s) { return {a.u * s, a.v * s}; }

struct TVec3 {
    double x = 0, y = 0, z = 0;
};
inline TVec3 operator+(TVec3 a, TVec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline TVec3 operator-(TVec3 a, TVec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline TVec3 operator*(TVec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(TVec3 a, TVec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline TVec3 Cross(TVec3 a, TVec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(TVec3 a) { return std::sqrt(Dot(a, a)); }

}  // namespace vandrel

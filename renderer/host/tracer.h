// The tracer inside the stand-in host: ray–scene intersection, shadow rays and the shading of a hit
// through the plug-in's callbacks, with the per-thread state that nested hsRayTrace calls use.
#pragma once

#include <array>
#include <vector>

#include "renderer/host/scene.h"
#include "renderer/host/vec3.h"

namespace vandrel::host {

struct THit {
    float t = 0;
    const TObject* object = nullptr;
    Vec3 objectPoint{};
    Vec3 worldPoint{};
    Vec3 normal{};         // geometric, world, unit, outward
    Vec3 shadingNormal{};  // world, unit, on the side of normal (the vertex normals of meshes)
    Vec3 uDirection{};     // world, unit
    Vec3 vDirection{};
    float uLength = 1;  // world length of dP/du and dP/dv
    float vLength = 1;
    float uv[2] = {0, 0};
};

// The nearest hit with t in (kRayEpsilon, maxT); direction need not be unit.
bool Intersect(const TScene& scene, const Vec3& origin, const Vec3& direction, float maxT,
               THit& hit);
// True when something lies between origin and origin + direction · maxT.
bool Occluded(const TScene& scene, const Vec3& origin, const Vec3& direction, float maxT);

// The colour seen along a ray at a nesting depth (0 for camera rays), shading its hit.
Vec3 Trace(const TScene& scene, const Vec3& origin, const Vec3& direction, int depth);
// The same for a direction already unit (or zero), such as a camera ray's.
Vec3 TraceUnit(const TScene& scene, const Vec3& origin, const Vec3& direction, int depth);

// What the calling thread renders: its scene (null outside a render), the nesting depth of the hit
// being shaded, the product of the ray weights down to it and the camera's angle per pixel.
// inverses, when set, holds the inverse transform of each of the scene's objects, worked out once
// per render instead of once per ray.
struct TTraceState {
    const TScene* scene = nullptr;
    int depth = 0;
    float weight = 1;
    float pixelAngle = 0.01f;
    const std::array<float, 12>* inverses = nullptr;
};

// The inverse of every object's transform, in the order of scene.objects.
std::vector<std::array<float, 12>> ObjectInverses(const TScene& scene);
TTraceState& ThreadTrace();

// Sets the calling thread's trace state for a render and puts the one before back however the
// render ends, an exception included: the thread may go on to render something else.
class TTraceScope {
  public:
    explicit TTraceScope(const TTraceState& state) : outer_(ThreadTrace()) {
        ThreadTrace() = state;
    }
    ~TTraceScope() { ThreadTrace() = outer_; }
    TTraceScope(const TTraceScope&) = delete;
    TTraceScope& operator=(const TTraceScope&) = delete;

  private:
    TTraceState outer_;
};

inline constexpr float kRayEpsilon = 1e-4f;

}  // namespace vandrel::host

// Reflection, refraction, Fresnel reflection and ray tracing for the plug-in.
//
// hsRayTrace's ray parameter is the weight the traced colour carries in the caller's result, in
// (0, 1] (larger values count as 1). The host multiplies the weights along a chain of nested
// traces and returns the background without tracing once the product falls below 1/256, or once
// the nesting reaches the scene's maximum depth (5 by default). A parameter not above 0 (or not a
// number), a zero direction, or a call outside a render gives (0, 0, 0). The returned colour is the
// one seen along the ray, not scaled by the weight.
//
// The Fresnel reflections use the cosine between the current sample's viewer direction and its
// shading normal (1, normal incidence, without a current sample). Their scratch triples receive:
// hsFresnelReflect's the mirror direction of the unit ray; hsFresnelSolidReflect's the mirror and
// the refracted direction ((0, 0, 0) under total internal reflection).
#include <algorithm>
#include <cmath>

#include "renderer/host/fresnel.h"
#include "renderer/host/host_state.h"
#include "renderer/host/tracer.h"

namespace vandrel::host {
namespace {

Vec3 Mirror(const Vec3& incident, const Vec3& normal) {
    const Vec3 n = Normalize(normal);
    return incident - n * (2 * Dot(incident, n));
}

// Snell's law for a unit incident direction arriving at the surface: eta is the index inside
// relative to outside, the side taken from the sign of incident · normal. False under total
// internal reflection.
bool Refracted(const Vec3& incident, const Vec3& normal, float eta, Vec3& out) {
    const Vec3 i = Normalize(incident);
    Vec3 n = Normalize(normal);
    out = {0, 0, 0};
    if (Length(i) == 0 || Length(n) == 0 || !std::isfinite(eta) || eta <= 0) return false;
    float c = -Dot(i, n);
    float ratio = 1 / eta;
    if (c < 0) {  // leaving the inside
        n = n * -1.0f;
        c = -c;
        ratio = eta;
    }
    const float k = 1 - ratio * ratio * (1 - c * c);
    if (k < 0) return false;
    out = Normalize(i * ratio + n * (ratio * c - std::sqrt(k)));
    return Length(out) > 0;
}

float ViewCosine(const hxShadingRecord* r) {
    if (r == nullptr) return 1;
    const float c = Dot(Normalize(Load(r->viewer)), Normalize(Load(r->shadingNormal)));
    return std::isfinite(c) ? std::clamp(c, -1.0f, 1.0f) : 1.0f;
}

}  // namespace
}  // namespace vandrel::host

using namespace vandrel::host;

extern "C" {

void hsReflect(float* direction, const float* incident, const float* normal) {
    if (direction == nullptr) return;
    if (incident == nullptr || normal == nullptr) {
        Store(direction, {0, 0, 0});
        return;
    }
    Store(direction, Mirror(Load(incident), Load(normal)));
}

int32_t hsRefract(float* direction, const float* incident, const float* normal,
                  double refractionIndex) {
    Vec3 out{};
    const bool ok =
        incident != nullptr && normal != nullptr &&
        Refracted(Load(incident), Load(normal), static_cast<float>(refractionIndex), out);
    if (direction != nullptr) Store(direction, out);
    return ok ? 1 : 0;
}

void hsRayTrace(float* color, const float* origin, const float* direction, double rayParameter) {
    if (color == nullptr) return;
    Store(color, {0, 0, 0});
    TTraceState& state = ThreadTrace();
    if (origin == nullptr || direction == nullptr || state.scene == nullptr ||
        !(rayParameter > 0)) {
        return;
    }
    const Vec3 o = Load(origin), d = Normalize(Load(direction));
    if (!IsFinite(o) || Length(d) == 0) return;
    const float weight = state.weight * static_cast<float>(std::min(rayParameter, 1.0));
    const int depth = state.depth + 1;
    if (depth > state.scene->maxDepth || weight < 1.0f / 256) {
        Store(color, state.scene->background);
        return;
    }
    const float outerWeight = state.weight;
    state.weight = weight;
    Store(color, Trace(*state.scene, o, d, depth));
    state.weight = outerWeight;
}

void hsFresnelReflect(float* color, float* scratch, const float* refractionIndex,
                      const float* extinction) {
    const hxShadingRecord* r = CurrentSample();
    const float c = ViewCosine(r);
    if (scratch != nullptr) {
        Store(scratch,
              r != nullptr ? Mirror(Load(r->unitRay), Load(r->shadingNormal)) : Vec3{0, 0, 0});
    }
    if (color == nullptr) return;
    const Vec3 n = refractionIndex != nullptr ? Load(refractionIndex) : Vec3{1, 1, 1};
    const Vec3 k = extinction != nullptr ? Load(extinction) : Vec3{0, 0, 0};
    for (size_t i = 0; i < 3; ++i) color[i] = FresnelConductor(c, n[i], k[i]);
}

void hsFresnelSolidReflect(float* value, float* scratch1, float* scratch2, double refractionIndex) {
    const hxShadingRecord* r = CurrentSample();
    const float eta = static_cast<float>(refractionIndex);
    if (scratch1 != nullptr) {
        Store(scratch1,
              r != nullptr ? Mirror(Load(r->unitRay), Load(r->shadingNormal)) : Vec3{0, 0, 0});
    }
    if (scratch2 != nullptr) {
        Vec3 t{};
        if (r != nullptr) Refracted(Load(r->unitRay), Load(r->shadingNormal), eta, t);
        Store(scratch2, t);
    }
    if (value != nullptr) *value = FresnelDielectric(ViewCosine(r), eta);
}

}  // extern "C"

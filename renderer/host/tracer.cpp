#include "renderer/host/tracer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "renderer/host/host_state.h"
#include "renderer/host/lighting.h"
#include "renderer/host/mesh_geometry.h"

namespace vandrel::host {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTorusMajor = 0.7f;
constexpr float kTorusMinor = 0.3f;

// atan2(y, x) in (-pi, pi] from a polynomial in the ratio of the smaller to the larger magnitude,
// within float rounding (3e-7) of the exact angle, at a fraction of the cost of atan2f.
float Atan2(float y, float x) {
    const float ay = std::fabs(y), ax = std::fabs(x);
    const float big = std::max(ax, ay);
    if (!(big > 0)) return std::atan2(y, x);  // zero and NaN: the library's answers
    const float z = std::min(ax, ay) / big, z2 = z * z;
    float a = 0.0028662257f;
    a = a * z2 - 0.0161657367f;
    a = a * z2 + 0.0429096138f;
    a = a * z2 - 0.0752896400f;
    a = a * z2 + 0.1065626393f;
    a = a * z2 - 0.1420889944f;
    a = a * z2 + 0.1999355085f;
    a = a * z2 - 0.3333314528f;
    a = z + z * z2 * a;
    if (ay > ax) a = 0.5f * kPi - a;
    if (x < 0) a = kPi - a;
    return std::signbit(y) ? -a : a;
}

Vec3 Linear(const std::array<float, 12>& m, const Vec3& v) {
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[4] * v[0] + m[5] * v[1] + m[6] * v[2],
            m[8] * v[0] + m[9] * v[1] + m[10] * v[2]};
}
Vec3 Affine(const std::array<float, 12>& m, const Vec3& v) {
    return Linear(m, v) + Vec3{m[3], m[7], m[11]};
}
// Normals go through the transpose of the inverse.
Vec3 NormalToWorld(const std::array<float, 12>& inverse, const Vec3& n) {
    return {inverse[0] * n[0] + inverse[4] * n[1] + inverse[8] * n[2],
            inverse[1] * n[0] + inverse[5] * n[1] + inverse[9] * n[2],
            inverse[2] * n[0] + inverse[6] * n[1] + inverse[10] * n[2]};
}

// A hit in object space: ray parameter, normal, dP/du, dP/dv and UV; geometric is the surface's
// own normal where it differs from the shading one (meshes), else zero.
struct TLocalHit {
    float t;
    Vec3 normal, dpdu, dpdv;
    float u, v;
    Vec3 geometric;
};

// The nearest t of the unit sphere in (tMin, tMax), or a NaN.
float SphereT(const Vec3& o, const Vec3& d, float tMin, float tMax) {
    const float a = Dot(d, d), b = Dot(o, d), c = Dot(o, o) - 1;
    const float disc = b * b - a * c;
    if (!(disc >= 0) || a <= 0) return NAN;
    const float root = std::sqrt(disc);
    float t = (-b - root) / a;
    if (t <= tMin) t = (-b + root) / a;
    if (t <= tMin || t >= tMax) return NAN;
    return t;
}

bool HitSphere(const Vec3& o, const Vec3& d, float tMin, float tMax, TLocalHit& h) {
    const float t = SphereT(o, d, tMin, tMax);
    if (std::isnan(t)) return false;
    const Vec3 p = o + d * t;
    const float rho = std::sqrt(p[0] * p[0] + p[2] * p[2]);
    h.t = t;
    h.normal = p;
    // The latitude from the height and the distance from the axis: asin(y) on the unit sphere.
    h.u = 0.5f + Atan2(p[0], p[2]) / (2 * kPi);
    h.v = 0.5f + Atan2(std::clamp(p[1], -1.0f, 1.0f), rho) / kPi;
    h.dpdu = rho > 1e-6f ? Vec3{p[2], 0, -p[0]} * (2 * kPi) : Vec3{2 * kPi, 0, 0};
    h.dpdv =
        rho > 1e-6f ? Vec3{-p[1] * p[0] / rho, rho, -p[1] * p[2] / rho} * kPi : Vec3{0, 0, kPi};
    return true;
}

bool HitCube(const Vec3& o, const Vec3& d, float tMin, float tMax, TLocalHit& h) {
    float t0 = -INFINITY, t1 = INFINITY;
    int axis0 = 0, axis1 = 0;
    for (int k = 0; k < 3; ++k) {
        if (d[k] == 0) {
            if (o[k] < -1 || o[k] > 1) return false;
            continue;
        }
        float a = (-1 - o[k]) / d[k], b = (1 - o[k]) / d[k];
        if (a > b) std::swap(a, b);
        if (a > t0) t0 = a, axis0 = k;
        if (b < t1) t1 = b, axis1 = k;
    }
    if (!(t0 <= t1)) return false;
    float t = t0;
    int axis = axis0;
    if (t <= tMin) t = t1, axis = axis1;
    if (t <= tMin || t >= tMax) return false;
    const Vec3 p = o + d * t;
    h.t = t;
    h.normal = {0, 0, 0};
    h.normal[static_cast<size_t>(axis)] = p[static_cast<size_t>(axis)] >= 0 ? 1.0f : -1.0f;
    const int ua = axis == 0 ? 2 : 0, va = axis == 1 ? 2 : 1;
    h.u = 0.5f * (p[static_cast<size_t>(ua)] + 1);
    h.v = 0.5f * (p[static_cast<size_t>(va)] + 1);
    h.dpdu = {0, 0, 0};
    h.dpdv = {0, 0, 0};
    h.dpdu[static_cast<size_t>(ua)] = 2;
    h.dpdv[static_cast<size_t>(va)] = 2;
    return true;
}

// The plane y = 0 of object space, bounded to |x|, |z| <= 1 unless it is the ground.
bool HitPlane(const Vec3& o, const Vec3& d, float tMin, float tMax, bool bounded, TLocalHit& h) {
    if (d[1] == 0) return false;
    const float t = -o[1] / d[1];
    if (!(t > tMin && t < tMax)) return false;
    const Vec3 p = o + d * t;
    if (bounded && (std::fabs(p[0]) > 1 || std::fabs(p[2]) > 1)) return false;
    if (!bounded && (std::fabs(p[0]) > 1e4f || std::fabs(p[2]) > 1e4f)) return false;
    h.t = t;
    h.normal = {0, 1, 0};
    h.u = bounded ? 0.5f * (p[0] + 1) : 0.5f * p[0];
    h.v = bounded ? 0.5f * (1 - p[2]) : -0.5f * p[2];
    h.dpdu = {2, 0, 0};
    h.dpdv = {0, 0, -2};
    return true;
}

double TorusField(const Vec3& p) {
    const double rr = Dot(p, p) + kTorusMajor * kTorusMajor - kTorusMinor * kTorusMinor;
    return rr * rr - 4.0 * kTorusMajor * kTorusMajor * (p[0] * p[0] + p[2] * p[2]);
}

// The ring lies in the xz plane. Steps through the bounding sphere for a sign change of the
// implicit function, then bisects: robust and short, if not exact at tangent grazes.
bool HitTorus(const Vec3& o, const Vec3& d, float tMin, float tMax, TLocalHit& h) {
    const float a = Dot(d, d), b = Dot(o, d), c = Dot(o, o) - 1;
    const float disc = b * b - a * c;
    if (!(disc > 0) || a <= 0) return false;
    const float root = std::sqrt(disc);
    const float enter = std::max((-b - root) / a, tMin), leave = std::min((-b + root) / a, tMax);
    if (!(enter < leave)) return false;
    constexpr int kSteps = 96;
    const float step = (leave - enter) / kSteps;
    float t0 = enter;
    double f0 = TorusField(o + d * t0);
    for (int i = 1; i <= kSteps; ++i) {
        const float t1 = enter + step * static_cast<float>(i);
        const double f1 = TorusField(o + d * t1);
        if ((f0 > 0) != (f1 > 0)) {
            float lo = t0, hi = t1;
            for (int k = 0; k < 40; ++k) {
                const float mid = 0.5f * (lo + hi);
                if ((TorusField(o + d * mid) > 0) == (f0 > 0))
                    lo = mid;
                else
                    hi = mid;
            }
            const float t = 0.5f * (lo + hi);
            if (t <= tMin) return false;
            const Vec3 p = o + d * t;
            const float rho = std::sqrt(p[0] * p[0] + p[2] * p[2]);
            const Vec3 ring =
                rho > 1e-6f ? Vec3{p[0], 0, p[2]} * (kTorusMajor / rho) : Vec3{kTorusMajor, 0, 0};
            h.t = t;
            h.normal = p - ring;
            h.u = 0.5f + std::atan2(p[0], p[2]) / (2 * kPi);
            const float along = rho - kTorusMajor;
            h.v = 0.5f + std::atan2(p[1], along) / (2 * kPi);
            h.dpdu = rho > 1e-6f ? Vec3{p[2], 0, -p[0]} * (2 * kPi) : Vec3{2 * kPi, 0, 0};
            h.dpdv = Cross(Normalize(h.normal), Normalize(h.dpdu)) * (2 * kPi * kTorusMinor);
            return true;
        }
        t0 = t1;
        f0 = f1;
    }
    return false;
}

bool HitMesh(const TMeshGeometry* mesh, const Vec3& o, const Vec3& d, float tMin, float tMax,
             TLocalHit& h) {
    TMeshSurface surface;
    if (mesh == nullptr || !mesh->Intersect(o, d, tMin, tMax, surface)) return false;
    h.t = surface.t;
    h.normal = surface.normal;
    h.geometric = surface.geometric;
    h.dpdu = surface.dpdu;
    h.dpdv = surface.dpdv;
    h.u = surface.u;
    h.v = surface.v;
    return true;
}

bool HitLocal(const TObject& object, const Vec3& o, const Vec3& d, float tMin, float tMax,
              TLocalHit& h) {
    h.geometric = {0, 0, 0};
    switch (object.shape) {
        case ShapeKind::kSphere:
            return HitSphere(o, d, tMin, tMax, h);
        case ShapeKind::kCube:
            return HitCube(o, d, tMin, tMax, h);
        case ShapeKind::kPlane:
            return HitPlane(o, d, tMin, tMax, true, h);
        case ShapeKind::kTorus:
            return HitTorus(o, d, tMin, tMax, h);
        case ShapeKind::kGround:
            return HitPlane(o, d, tMin, tMax, false, h);
        case ShapeKind::kMesh:
            return HitMesh(object.mesh.get(), o, d, tMin, tMax, h);
    }
    return false;
}

bool OccludedLocal(const TObject& object, const Vec3& o, const Vec3& d, float tMin, float tMax) {
    if (object.shape == ShapeKind::kMesh) {
        return object.mesh != nullptr && object.mesh->Occluded(o, d, tMin, tMax);
    }
    // A shadow ray needs no surface: the sphere's UV would be its cost.
    if (object.shape == ShapeKind::kSphere) return !std::isnan(SphereT(o, d, tMin, tMax));
    TLocalHit local{};
    return HitLocal(object, o, d, tMin, tMax, local);
}

std::array<float, 12> Inverse(const std::array<float, 12>& m) {
    std::array<float, 12> inverse{};
    hxInvertMx3f(inverse.data(), m.data());
    return inverse;
}

Vec3 Clamp01(const Vec3& v) {
    Vec3 r{};
    for (size_t k = 0; k < 3; ++k) r[k] = std::isfinite(v[k]) ? std::clamp(v[k], 0.0f, 1.0f) : 0;
    return r;
}

void Call(const TScene& scene, int type, int32_t material, hxShadingRecord& record) {
    const hxShadeCallback shade = scene.shaders[static_cast<size_t>(type)];
    if (shade == nullptr || material == 0) return;
    // Nested shading (reflections) comes back here: the outer material is restored after.
    // A callback's exception included: the thread may go on to render something else.
    struct TRestore {
        int32_t outer;
        ~TRestore() { SetCurrentMaterial(outer); }
    } restore{CurrentMaterial()};
    SetCurrentMaterial(material);
    shade(material, &record, 3);
}

// The inverses of the objects' transforms prepared by the render when it is this scene's, else
// null: then each is worked out where it is needed.
const std::array<float, 12>* PreparedInverses(const TScene& scene) {
    const TTraceState& state = ThreadTrace();
    return state.scene == &scene ? state.inverses : nullptr;
}

std::array<float, 12> InverseOf(const TScene& scene, const std::array<float, 12>* prepared,
                                size_t i) {
    return prepared != nullptr ? prepared[i] : Inverse(scene.objects[i].transform);
}

bool HasMaterial(const TObject& object) {
    const auto& m = object.materials;
    return (m[0] | m[1] | m[2] | m[3]) != 0;
}

// Intersect; without allTangents, the tangents (UV directions and lengths) are worked out only for
// an object with a material of the plug-in's, the one user of them.
bool IntersectFor(const TScene& scene, const Vec3& origin, const Vec3& direction, float maxT,
                  THit& hit, bool allTangents) {
    bool found = false;
    float best = maxT;
    TLocalHit local{};
    std::array<float, 12> bestInverse{};
    Vec3 bestObjectPoint{};
    TLocalHit bestLocal{};
    const std::array<float, 12>* prepared = PreparedInverses(scene);
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const TObject& object = scene.objects[i];
        const std::array<float, 12> inverse = InverseOf(scene, prepared, i);
        const Vec3 o = Affine(inverse, origin), d = Linear(inverse, direction);
        if (HitLocal(object, o, d, kRayEpsilon, best, local)) {
            found = true;
            best = local.t;
            hit.object = &object;
            bestInverse = inverse;
            bestLocal = local;
            bestObjectPoint = o + d * local.t;
        }
    }
    if (!found) return false;
    const TObject& object = *hit.object;
    hit.t = best;
    hit.objectPoint = bestObjectPoint;
    hit.worldPoint = origin + direction * best;
    hit.shadingNormal = Normalize(NormalToWorld(bestInverse, bestLocal.normal));
    hit.normal = Dot(bestLocal.geometric, bestLocal.geometric) > 0
                     ? Normalize(NormalToWorld(bestInverse, bestLocal.geometric))
                     : hit.shadingNormal;
    hit.uv[0] = bestLocal.u;
    hit.uv[1] = bestLocal.v;
    if (!allTangents && !HasMaterial(object)) return true;
    const Vec3 du = Linear(object.transform, bestLocal.dpdu);
    const Vec3 dv = Linear(object.transform, bestLocal.dpdv);
    const float uLength = Length(du), vLength = Length(dv);
    hit.uLength = std::max(uLength, 1e-6f);
    hit.vLength = std::max(vLength, 1e-6f);
    hit.uDirection = Normalize(du, uLength);
    hit.vDirection = Normalize(dv, vLength);
    return true;
}

}  // namespace

TTraceState& ThreadTrace() {
    thread_local TTraceState state;
    return state;
}

std::vector<std::array<float, 12>> ObjectInverses(const TScene& scene) {
    std::vector<std::array<float, 12>> inverses;
    inverses.reserve(scene.objects.size());
    for (const TObject& object : scene.objects) inverses.push_back(Inverse(object.transform));
    return inverses;
}

bool Intersect(const TScene& scene, const Vec3& origin, const Vec3& direction, float maxT,
               THit& hit) {
    return IntersectFor(scene, origin, direction, maxT, hit, true);
}

bool Occluded(const TScene& scene, const Vec3& origin, const Vec3& direction, float maxT) {
    const std::array<float, 12>* prepared = PreparedInverses(scene);
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const std::array<float, 12> inverse = InverseOf(scene, prepared, i);
        if (OccludedLocal(scene.objects[i], Affine(inverse, origin), Linear(inverse, direction),
                          kRayEpsilon, maxT)) {
            return true;
        }
    }
    return false;
}

Vec3 Trace(const TScene& scene, const Vec3& origin, const Vec3& rayDirection, int depth) {
    return TraceUnit(scene, origin, Normalize(rayDirection), depth);
}

Vec3 TraceUnit(const TScene& scene, const Vec3& origin, const Vec3& direction, int depth) {
    THit hit;
    if (Dot(direction, direction) == 0 ||
        !IntersectFor(scene, origin, direction, 1e30f, hit, false)) {
        return scene.background;
    }
    const TObject& object = *hit.object;
    TTraceState& state = ThreadTrace();

    // The surface faces the viewer: normals are flipped when it is seen from behind.
    const bool reversed = Dot(hit.normal, direction) > 0;
    const Vec3 geometric = reversed ? hit.normal * -1.0f : hit.normal;
    const Vec3 normal = reversed ? hit.shadingNormal * -1.0f : hit.shadingNormal;
    Vec3 base = object.baseColor;
    if (object.shape == ShapeKind::kGround) {
        const int cx = static_cast<int>(std::floor(hit.worldPoint[0] * 2));
        const int cz = static_cast<int>(std::floor(hit.worldPoint[2] * 2));
        base = ((cx + cz) & 1) != 0 ? Vec3{0.8f, 0.8f, 0.8f} : Vec3{0.3f, 0.3f, 0.32f};
    }
    if (!HasMaterial(object)) {
        // The host's defaults alone (the ground, mostly): no record, since no plug-in reads one.
        const Vec3 lit = DefaultReflectance(
            state.scene, {hit.worldPoint, normal, geometric, direction * -1.0f}, base);
        return IsFinite(lit) ? lit : Vec3{0, 0, 0};
    }
    const float footprint = hit.t * state.pixelAngle;

    hxShadingRecord r{};
    r.alpha = 1;
    Store(r.colorIn, base);
    Store(r.colorOut, base);
    Store(r.uDirection, hit.uDirection);
    Store(r.vDirection, hit.vDirection);
    r.uvDelta[0] = footprint / hit.uLength;
    r.uvDelta[1] = footprint / hit.vLength;
    Store(r.ray, direction * hit.t);
    r.rayLength = hit.t;
    Store(r.shadingNormal, normal);
    Store(r.geometricNormal, geometric);
    Store(r.objectPoint, hit.objectPoint);
    Store(r.worldPoint, hit.worldPoint);
    r.reversed = reversed ? 1 : 0;
    r.uv[0] = hit.uv[0];
    r.uv[1] = hit.uv[1];
    Store(r.unitRay, direction);
    Store(r.viewer, direction * -1.0f);
    r.node = object.node;

    Vec3 lit{}, filter{};
    {
        // The outer sample and depth are put back however the shading ends, a callback's
        // exception included: the thread may go on to render something else.
        struct TRestore {
            TTraceState& state;
            const hxShadingRecord* sample;
            int depth;
            ~TRestore() {
                SetCurrentSample(sample);
                state.depth = depth;
            }
        } restore{state, CurrentSample(), state.depth};
        state.depth = depth;
        SetCurrentSample(&r);

        const auto& m = object.materials;
        if (m[0] != 0) {
            Call(scene, 0, m[0], r);
            const Vec3 displaced = Normalize(Load(r.shadingNormal));
            Store(r.shadingNormal, Dot(displaced, displaced) > 0 ? displaced : normal);
        }
        Vec3 color = base;
        if (m[2] != 0) {
            Call(scene, 2, m[2], r);
            color = Load(r.colorOut);
        }
        if (m[3] != 0) {
            Store(r.colorIn, color);
            Store(r.colorOut, color);
            Call(scene, 3, m[3], r);
            lit = Load(r.colorOut);
        } else {
            // The record's normals and viewer are the unit ones stored above.
            const TSurface surface{Load(r.worldPoint), Load(r.shadingNormal),
                                   Load(r.geometricNormal), Load(r.viewer)};
            lit = DefaultReflectance(state.scene, surface, color);
        }
        if (m[1] != 0) {
            Call(scene, 1, m[1], r);
            filter = Clamp01(Load(r.filterOut));
        }
    }

    if (!IsFinite(lit)) lit = {0, 0, 0};
    if (filter[0] > 0 || filter[1] > 0 || filter[2] > 0) {
        // Continue the ray behind the surface; its nesting is bounded like that of traced rays.
        const Vec3 behind = depth < scene.maxDepth
                                ? TraceUnit(scene, hit.worldPoint, direction, depth + 1)
                                : scene.background;
        for (size_t k = 0; k < 3; ++k) lit[k] = lit[k] * (1 - filter[k]) + behind[k] * filter[k];
    }
    return lit;
}

}  // namespace vandrel::host

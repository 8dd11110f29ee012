// Lighting at the calling thread's current sample, over the lights of its render's scene with
// shadow rays. Without a current sample or a scene every term is (0, 0, 0): no light arrives.
//
// Per light of colour C reaching the sample from unit direction L (N the shading normal, V the
// viewer, H = normalize(L + V)):
//   ambient            sum of the ambient lights' colours (unshadowed);
//   diffuse            C · max(0, N·L);
//   Phong              C · max(0, R·V)^e with R the mirror of L about N;
//   specular           C · max(0, N·H)^e (Blinn);
//   solid specular     the specular term times the dielectric Fresnel reflectance F(L·H, n)
//                      relative to its value at normal incidence (n <= 1 gives the plain term);
//   conductor Fresnel  the specular term times the conductor reflectance of (n, k) per channel;
//   dielectric Fresnel C · max(0, N·H)^(130 s + 13) · F(L·H, n) for sharpness s.
#include "renderer/host/lighting.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "renderer/host/fresnel.h"
#include "renderer/host/host_state.h"
#include "renderer/host/tracer.h"

namespace vandrel::host {
namespace {

struct TSample : TSurface {
    const TScene* scene;
};

bool Current(TSample& s) {
    const hxShadingRecord* r = CurrentSample();
    s.scene = ThreadTrace().scene;
    if (r == nullptr || s.scene == nullptr) return false;
    s.point = Load(r->worldPoint);
    s.normal = Normalize(Load(r->shadingNormal));
    s.geometric = Normalize(Load(r->geometricNormal));
    s.viewer = Normalize(Load(r->viewer));
    return IsFinite(s.point) && Dot(s.normal, s.normal) > 0;
}

// A reflectance usually asks for several terms of one sample (diffuse and Phong, say); each would
// trace the same shadow rays. The answers are kept for the sample they were traced for.
struct TShadowMemo {
    uint64_t serial = 0;  // of the sample; 0 = empty
    Vec3 start{}, direction{};
    float distance = 0;
    bool occluded = false;
};
constexpr size_t kShadowMemos = 8;
thread_local std::array<TShadowMemo, kShadowMemos> tShadows;

bool Shadowed(const TScene& scene, size_t light, const Vec3& start, const Vec3& l, float distance) {
    const uint64_t serial = CurrentSampleSerial();
    TShadowMemo* memo = light < kShadowMemos ? &tShadows[light] : nullptr;
    if (memo != nullptr && memo->serial == serial && memo->start == start && memo->direction == l &&
        memo->distance == distance) {
        return memo->occluded;
    }
    const bool occluded = Occluded(scene, start, l, distance);
    if (memo != nullptr) *memo = {serial, start, l, distance, occluded};
    return occluded;
}

// Calls term(C, L) for every point and directional light that reaches the sample. With remember,
// the shadow answers are kept for other terms of the same sample.
template <typename Term>
void ForEachLight(const TScene& scene, const TSurface& s, Term term, bool remember = true) {
    const Vec3 start =
        s.point + (Dot(s.geometric, s.geometric) > 0 ? s.geometric : s.normal) * 1e-3f;
    const std::vector<TLight>& lights = scene.lights;
    for (size_t i = 0; i < lights.size(); ++i) {
        const TLight& light = lights[i];
        Vec3 l{};
        float distance = 1e30f;
        if (light.kind == LightKind::kPoint) {
            const Vec3 toLight = light.position - s.point;
            distance = Length(toLight);
            l = Normalize(toLight, distance);
        } else if (light.kind == LightKind::kDirectional) {
            l = Normalize(light.direction * -1.0f);
        } else {
            continue;
        }
        if (Dot(l, l) == 0 || Dot(s.normal, l) <= 0) continue;
        if (light.shadows && (remember ? Shadowed(scene, i, start, l, distance)
                                       : Occluded(scene, start, l, distance))) {
            continue;
        }
        term(light.color, l);
    }
}

float Power(float base, double exponent) {
    if (!(base > 0)) return 0;
    const double e = std::isfinite(exponent) ? std::max(exponent, 0.0) : 1.0;
    // Single precision is all a colour term keeps, and twice as fast.
    return std::pow(base, static_cast<float>(std::min(e, 1e30)));
}

void Accumulate(float* color, const Vec3& add) {
    for (size_t k = 0; k < 3; ++k) color[k] += std::isfinite(add[k]) ? add[k] : 0.0f;
}

template <typename Term>
void Specular(float* color, Term weight) {
    if (color == nullptr) return;
    color[0] = color[1] = color[2] = 0;
    TSample s{};
    if (!Current(s)) return;
    ForEachLight(*s.scene, s, [&](const Vec3& c, const Vec3& l) {
        const Vec3 h = Normalize(l + s.viewer);
        if (Length(h) > 0) Accumulate(color, weight(c, l, h, std::max(0.0f, Dot(s.normal, h))));
    });
}

void AmbientSum(const TScene& scene, float* color) {
    for (const TLight& light : scene.lights) {
        if (light.kind == LightKind::kAmbient) Accumulate(color, light.color);
    }
}

void AddPhong(float* color, const TSurface& s, const Vec3& c, const Vec3& l, double exponent) {
    const Vec3 mirror = s.normal * (2 * Dot(s.normal, l)) - l;
    Accumulate(color, c * Power(Dot(mirror, s.viewer), exponent));
}

}  // namespace

Vec3 DefaultReflectance(const TScene* scene, const TSurface& surface, const Vec3& color) {
    float ambient[3] = {0, 0, 0}, diffuse[3] = {0, 0, 0}, phong[3] = {0, 0, 0};
    if (scene != nullptr) {
        AmbientSum(*scene, ambient);
        const TSurface& s = surface;
        if (IsFinite(s.point) && Dot(s.normal, s.normal) > 0) {
            // The shadow answers are not kept: no other term asks for this sample's.
            ForEachLight(
                *scene, s,
                [&](const Vec3& c, const Vec3& l) {
                    Accumulate(diffuse, c * Dot(s.normal, l));
                    // The exponent 3 as products: the colour keeps no more than they give.
                    const Vec3 mirror = s.normal * (2 * Dot(s.normal, l)) - l;
                    const float rv = Dot(mirror, s.viewer);
                    Accumulate(phong, c * (rv > 0 ? rv * rv * rv : 0.0f));
                },
                false);
        }
    }
    Vec3 lit{};
    for (size_t k = 0; k < 3; ++k) {
        lit[k] = 0.1f * ambient[k] + 0.9f * diffuse[k] * color[k] + 0.1f * phong[k];
    }
    return lit;
}

}  // namespace vandrel::host

using namespace vandrel::host;

extern "C" {

void hsAmbientTerm(float* color) {
    if (color == nullptr) return;
    color[0] = color[1] = color[2] = 0;
    const TScene* scene = ThreadTrace().scene;
    if (CurrentSample() != nullptr && scene != nullptr) AmbientSum(*scene, color);
}

void hsDiffuseTerm(float* color) {
    if (color == nullptr) return;
    color[0] = color[1] = color[2] = 0;
    TSample s{};
    if (!Current(s)) return;
    ForEachLight(*s.scene, s,
                 [&](const Vec3& c, const Vec3& l) { Accumulate(color, c * Dot(s.normal, l)); });
}

void hsPhongTerm(float* color, double exponent) {
    if (color == nullptr) return;
    color[0] = color[1] = color[2] = 0;
    TSample s{};
    if (!Current(s)) return;
    ForEachLight(*s.scene, s,
                 [&](const Vec3& c, const Vec3& l) { AddPhong(color, s, c, l, exponent); });
}

void hsSpecularTerm(float* color, double exponent) {
    Specular(color, [&](const Vec3& c, const Vec3&, const Vec3&, float nh) {
        return c * Power(nh, exponent);
    });
}

void hsSpecularSolidTerm(float* color, double refractionIndex, double exponent) {
    const float n = static_cast<float>(refractionIndex);
    const float normal = n > 1 && std::isfinite(n) ? FresnelDielectric(1, n) : 0;
    Specular(color, [&](const Vec3& c, const Vec3& l, const Vec3& h, float nh) {
        const float f = normal > 0 ? FresnelDielectric(Dot(l, h), n) / normal : 1;
        return c * (Power(nh, exponent) * f);
    });
}

void hsSpecularFresnelTerm(float* color, const float* refractionIndex, const float* extinction,
                           double exponent) {
    const Vec3 n = refractionIndex != nullptr ? Load(refractionIndex) : Vec3{1, 1, 1};
    const Vec3 k = extinction != nullptr ? Load(extinction) : Vec3{0, 0, 0};
    Specular(color, [&](const Vec3& c, const Vec3& l, const Vec3& h, float nh) {
        const float cosine = Dot(l, h), p = Power(nh, exponent);
        return Vec3{c[0] * p * FresnelConductor(cosine, n[0], k[0]),
                    c[1] * p * FresnelConductor(cosine, n[1], k[1]),
                    c[2] * p * FresnelConductor(cosine, n[2], k[2])};
    });
}

void hsSpecularSolidFresnelTerm(float* color, double refractionIndex, double sharpness) {
    const float n = static_cast<float>(refractionIndex);
    const double exponent = 130 * (std::isfinite(sharpness) ? sharpness : 0.0) + 13;
    Specular(color, [&](const Vec3& c, const Vec3& l, const Vec3& h, float nh) {
        return c * (Power(nh, exponent) * FresnelDielectric(Dot(l, h), n));
    });
}

}  // extern "C"

// Illumination and ray tracing: light terms, Fresnel reflectance, reflection and refraction of
// directions, ray tracing into the scene, and two whole reflectance models built from these.
//
// The light itself comes from the host, at the sample it is shading; these components pick the
// host term, turn their properties into its parameters and scale what it returns. Evaluated for
// the preview (InHost false), where no host lighting exists, each term gives a fixed substitute
// given per class; reflection and refraction of directions call the host in both cases.
//
// A host call may shade other samples with this same tree before it returns. Every call that can
// do so (all terms but the ambient one and those inside the two reflectance models, and every
// ray trace) runs under THostCallGuard, so that the outputs and shading variables of the sample
// being evaluated are exactly what they were before the call.
//
// Ranges and degenerate input: an Intensity of 0 skips the host and gives (0, 0, 0); Raytrace
// also skips it when RayParameter is not above 0. Refraction indices below 1 (or NaN) count as 1.
// A conductor highlight asked for while another one of the same tree is in its host call is not
// computed: it gives grey Intensity. SpecularModel values other than 0, 1, 2 add no highlight.
#pragma once

#include <cstdint>

#include "core/component.h"

namespace vandrel {

// Host exponents of the highlight terms for a Sharpness s.
double PhongExponent(double sharpness);     // 34·s² + 13·s + 3
double SpecularExponent(double sharpness);  // 100·s + 6
double SolidExponent(double sharpness);     // 130·s + 13, also the conductor term's

inline constexpr PropertySpec kAmbientProps[] = {
    {"Intensity", kNumerical, {0.1f}},
};

// Ambient light reaching the sample, times Intensity. The host is always asked, unguarded: the
// ambient term shades nothing. Preview: grey Intensity.
class TXRCAmbient final : public TXRTableComponent<kAmbientProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 801;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kDiffuseProps[] = {
    {"Intensity", kNumerical, {0.9f}},
};

// Diffuse light reaching the sample, times Intensity. Preview: grey Intensity.
class TXRCDiffuse final : public TXRTableComponent<kDiffuseProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 802;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kHighlightProps[] = {
    {"Intensity", kNumerical, {0.1f}},
    {"Sharpness", kNumerical, {0}},
};

// Phong highlight with exponent 34·s² + 13·s + 3, times Intensity. Preview: grey Intensity.
class TXRCPhong final : public TXRTableComponent<kHighlightProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 803;
    void Evaluate(bool inHost) override;
};

// Specular highlight with exponent 100·s + 6, times Intensity. Preview: grey Intensity.
class TXRCSpecular final : public TXRTableComponent<kHighlightProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 804;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSpecularFresnelProps[] = {
    {"Intensity", kNumerical, {0.1f}},
    {"RefractionIndex", kVector, {0, 0, 0}, false, "RGB"},
    {"Extinction", kVector, {0, 0, 0}, false, "RGB"},
    {"Sharpness", kNumerical, {0}},
};

// Highlight of a conductor of index n and extinction k per channel (the host receives k · 10),
// exponent 130·s + 13, times Intensity. Preview, and nested inside another conductor highlight of
// the same tree: grey Intensity.
class TXRCSpecularFresnel final : public TXRTableComponent<kSpecularFresnelProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 805;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSpecularSolidProps[] = {
    {"Intensity", kNumerical, {0.1f}},
    {"RefractionIndex", kNumerical, {1.5f}},
    {"Sharpness", kNumerical, {0}},
};

// Highlight of a dielectric ("solid") surface, exponent 130·s + 13, times Intensity. Preview:
// grey Intensity.
class TXRCSpecularSolid final : public TXRTableComponent<kSpecularSolidProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 806;
    void Evaluate(bool inHost) override;
};

// Fresnel-weighted highlight of a dielectric; the host receives Sharpness itself. Preview: grey
// Intensity.
class TXRCSpecularSolidFresnel final : public TXRTableComponent<kSpecularSolidProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 807;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kRaytraceProps[] = {
    {"Intensity", kNumerical, {0.2f}},
    {"Origin", kVector, {0, 0, 0}, false, "XYZ"},
    {"RayDirection", kVector, {0, 0, 0}, false, "XYZ"},
    {"RayParameter", kNumerical, {0}},
};

// The colour seen along the ray, times Intensity; (0, 0, 0) without tracing when Intensity is 0
// or RayParameter is not above 0. Preview: grey Intensity.
class TXRCRaytrace final : public TXRTableComponent<kRaytraceProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 808;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kReflectProps[] = {
    {"Incident", kVector, {0, 0, 0}, false, "XYZ"},
    {"Normal", kVector, {0, 0, 0}, false, "XYZ"},
};

// Mirror direction of Incident about Normal, from the host in host and preview alike.
class TXRCReflect final : public TXRTableComponent<kReflectProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 809;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSafeReflectProps[] = {
    {"Incident", kVector, {0, 0, 0}, false, "XYZ"},
    {"ShadingNormal", kVector, {0, 0, 0}, false, "XYZ"},
    {"GeometricNormal", kVector, {0, 0, 0}, false, "XYZ"},
    {"UpperEdge", kNumerical, {0.25f}},
    {"LowerEdge", kNumerical, {0.15f}},
};

// Mirror direction that does not dive below the surface at grazing angles: the normal blends
// from the geometric to the shading normal as the cosine −(Incident · ShadingNormal) rises
// smoothly from LowerEdge to UpperEdge.
class TXRCSafeReflect final : public TXRTableComponent<kSafeReflectProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 817;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kRefractProps[] = {
    {"Incident", kVector, {0, 0, 0}, false, "XYZ"},
    {"Normal", kVector, {0, 0, 0}, false, "XYZ"},
    {"RefractionIndex", kNumerical, {1.5f}},
};

// Refracted direction from the host, in host and preview alike; (0, 0, 0) when none exists.
class TXRCRefract final : public TXRTableComponent<kRefractProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 810;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kFresnelReflectProps[] = {
    {"RefractionIndex", kVector, {1, 1, 1}, false, "RGB"},
    {"Extinction", kVector, {0, 0, 0}, false, "RGB"},
};

// Fraction of the light a conductor reflects, per channel. Preview: 1 − Extinction per part.
class TXRCFresnelReflect final : public TXRTableComponent<kFresnelReflectProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 811;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kFresnelSolidReflectProps[] = {
    {"RefractionIndex", kNumerical, {1}},
};

// Fraction of the light a dielectric reflects. Preview: 1.
class TXRCFresnelSolidReflect final
    : public TXRTableComponent<kFresnelSolidReflectProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 812;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSimpleReflectanceProps[] = {
    {"Ambient", kNumerical, {0.1f}},
    {"Diffuse", kNumerical, {0.9f}},
    {"Color", kVector, {1, 1, 1}, false, "RGB"},
    {"Specular", kNumerical, {0.1f}},
    {"Sharpness", kNumerical, {0}},
    {"SpecularModel", kEnumeration, {0}},
};

// A · Ambient + D · Diffuse · Color + S · Specular per part, from the ambient, diffuse and
// highlight terms (SpecularModel 0 Phong, 1 specular, 2 solid specular of index 1). Preview:
// Color · Diffuse + Ambient + Specular.
class TXRCSimpleReflectance final : public TXRTableComponent<kSimpleReflectanceProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 815;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kReflectanceProps[] = {
    {"Ambient", kNumerical, {0.1f}},
    {"Diffuse", kNumerical, {0.9f}},
    {"Color", kVector, {1, 1, 1}, false, "RGB"},
    {"Specular", kNumerical, {0.1f}},
    {"Sharpness", kNumerical, {0}},
    {"SpecularColor", kVector, {1, 1, 1}, false, "RGB"},
    {"SpecularModel", kEnumeration, {0}},
    {"Reflection", kNumerical, {0}},
    {"ReflectionParameter", kNumerical, {0}},
    {"Transmission", kNumerical, {0}},
    {"TransmissionParameter", kNumerical, {0}},
    {"RefractionIndex", kNumerical, {1.5f}},
};

// The simple model plus a traced mirror reflection and a traced refraction through the surface,
// both along the sample's own ray: (A · Ambient + D · Diffuse + TC · Transmission) · Color +
// SpecularColor · S · Specular + RC · Reflection per part. Nothing is traced when the host finds
// no refracted direction. Preview: Color · Diffuse + Ambient + SpecularColor · Specular.
class TXRCReflectance final : public TXRTableComponent<kReflectanceProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 816;
    void Evaluate(bool inHost) override;
};

}  // namespace vandrel

#include "components/light/illumination.h"

#include <array>
#include <cmath>
#include <cstddef>

#include "components/families.h"
#include "components/shared/host_call_guard.h"
#include "core/tree.h"
#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

using TFloats = std::array<float, 3>;

TVec3 Load(const float* v) { return {v[0], v[1], v[2]}; }
TVec3 Load(const TFloats& v) { return Load(v.data()); }
TVec3 Grey(double x) { return {x, x, x}; }
TVec3 Times(TVec3 a, TVec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }

// The host takes vectors as three floats.
TFloats Floats(TVec3 v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

// Indices below 1 mean nothing physical here; NaN is treated the same way.
double AtLeastOne(double n) { return n >= 1 ? n : 1.0; }

// Where the sample's vectors lie in the copy of the host record.
constexpr int Word(size_t offset) { return static_cast<int>(offset / sizeof(float)); }
constexpr int kURayWord = Word(offsetof(hxShadingRecord, unitRay));
constexpr int kSNormWord = Word(offsetof(hxShadingRecord, shadingNormal));
constexpr int kGNormWord = Word(offsetof(hxShadingRecord, geometricNormal));
constexpr int kWorldWord = Word(offsetof(hxShadingRecord, worldPoint));

// A host term under the guard, scaled by Intensity; grey Intensity in the preview and without a
// call when Intensity is 0.
template <typename Term>
TVec3 GuardedTerm(const TXRComponent& c, bool inHost, double intensity, Term term) {
    if (!inHost || intensity == 0) return Grey(intensity);
    TFloats v{};
    GuardedHostCall(c, [&] { term(v.data()); });
    return Load(v) * intensity;
}

// The highlight of the reflectance models, unguarded; (0, 0, 0) for an unknown model.
TFloats Highlight(int32_t model, double sharpness) {
    TFloats s{};
    switch (model) {
        case 0:
            hsPhongTerm(s.data(), PhongExponent(sharpness));
            break;
        case 1:
            hsSpecularTerm(s.data(), SpecularExponent(sharpness));
            break;
        case 2:
            hsSpecularSolidTerm(s.data(), 1.0, SolidExponent(sharpness));
            break;
        default:
            break;
    }
    return s;
}

}  // namespace

double PhongExponent(double s) { return 34 * s * s + 13 * s + 3; }
double SpecularExponent(double s) { return 100 * s + 6; }
double SolidExponent(double s) { return 130 * s + 13; }

void TXRCAmbient::Evaluate(bool inHost) {
    const double intensity = Num(0);
    if (!inHost) {
        SetOut(Grey(intensity));
        return;
    }
    TFloats v{};
    hsAmbientTerm(v.data());
    SetOut(Load(v) * intensity);
}

void TXRCDiffuse::Evaluate(bool inHost) {
    SetOut(GuardedTerm(*this, inHost, Num(0), [](float* v) { hsDiffuseTerm(v); }));
}

void TXRCPhong::Evaluate(bool inHost) {
    const double e = PhongExponent(Num(1));
    SetOut(GuardedTerm(*this, inHost, Num(0), [e](float* v) { hsPhongTerm(v, e); }));
}

void TXRCSpecular::Evaluate(bool inHost) {
    const double e = SpecularExponent(Num(1));
    SetOut(GuardedTerm(*this, inHost, Num(0), [e](float* v) { hsSpecularTerm(v, e); }));
}

void TXRCSpecularFresnel::Evaluate(bool inHost) {
    const double intensity = Num(0);
    TXRTree* tree = HostTree(*this);
    // The conductor term of the host may itself shade with this tree; a highlight inside a
    // highlight is not worth the recursion.
    if (!inHost || intensity == 0 || (tree != nullptr && tree->FresnelDepth != 0)) {
        SetOut(Grey(intensity));
        return;
    }
    const TVec3 index = Vec(1);
    const TFloats n = Floats({AtLeastOne(index.x), AtLeastOne(index.y), AtLeastOne(index.z)});
    const TFloats k = Floats(Vec(2) * 10);
    const double e = SolidExponent(Num(3));
    TFloats v{};
    if (tree != nullptr) ++tree->FresnelDepth;
    GuardedHostCall(*this, [&] { hsSpecularFresnelTerm(v.data(), n.data(), k.data(), e); });
    if (tree != nullptr) --tree->FresnelDepth;
    SetOut(Load(v) * intensity);
}

void TXRCSpecularSolid::Evaluate(bool inHost) {
    const double n = AtLeastOne(Num(1)), e = SolidExponent(Num(2));
    SetOut(GuardedTerm(*this, inHost, Num(0), [n, e](float* v) { hsSpecularSolidTerm(v, n, e); }));
}

void TXRCSpecularSolidFresnel::Evaluate(bool inHost) {
    const double n = AtLeastOne(Num(1)), sharpness = Num(2);
    SetOut(GuardedTerm(*this, inHost, Num(0),
                       [n, sharpness](float* v) { hsSpecularSolidFresnelTerm(v, n, sharpness); }));
}

void TXRCRaytrace::Evaluate(bool inHost) {
    const double intensity = Num(0), parameter = Num(3);
    if (!inHost) {
        SetOut(Grey(intensity));
        return;
    }
    if (intensity == 0 || !(parameter > 0)) {
        SetOut(TVec3{});
        return;
    }
    const TFloats origin = Floats(Vec(1)), direction = Floats(Vec(2));
    TFloats v{};
    GuardedHostCall(*this,
                    [&] { hsRayTrace(v.data(), origin.data(), direction.data(), parameter); });
    SetOut(Load(v) * intensity);
}

void TXRCReflect::Evaluate(bool) {
    const TFloats incident = Floats(Vec(0)), normal = Floats(Vec(1));
    TFloats out{};
    hsReflect(out.data(), incident.data(), normal.data());
    SetOut(Load(out));
}

void TXRCSafeReflect::Evaluate(bool) {
    const TVec3 incident = Vec(0), shading = Vec(1), geometric = Vec(2);
    const double c = -Dot(incident, shading);
    const double s = hsSmoothStep(Num(4), Num(3), c);
    const TFloats m = Floats(geometric + (shading - geometric) * s);
    const TFloats i = Floats(incident);
    TFloats out{};
    hsReflect(out.data(), i.data(), m.data());
    SetOut(Load(out));
}

void TXRCRefract::Evaluate(bool) {
    const TFloats incident = Floats(Vec(0)), normal = Floats(Vec(1));
    const double n = AtLeastOne(Num(2));
    TFloats out{};
    hsRefract(out.data(), incident.data(), normal.data(), n);
    SetOut(Load(out));
}

void TXRCFresnelReflect::Evaluate(bool inHost) {
    const TVec3 index = Vec(0), extinction = Vec(1);
    if (!inHost) {
        SetOut(TVec3{1 - extinction.x, 1 - extinction.y, 1 - extinction.z});
        return;
    }
    const TFloats n = Floats({AtLeastOne(index.x), AtLeastOne(index.y), AtLeastOne(index.z)});
    const TFloats k = Floats(extinction);
    TFloats out{}, scratch{};
    hsFresnelReflect(out.data(), scratch.data(), n.data(), k.data());
    SetOut(Load(out));
}

void TXRCFresnelSolidReflect::Evaluate(bool inHost) {
    if (!inHost) {
        SetOut(1.0);
        return;
    }
    float value = 0;
    TFloats scratch1{}, scratch2{};
    hsFresnelSolidReflect(&value, scratch1.data(), scratch2.data(), AtLeastOne(Num(0)));
    SetOut(value);
}

void TXRCSimpleReflectance::Evaluate(bool inHost) {
    const double ambient = Num(0), diffuse = Num(1), specular = Num(3), sharpness = Num(4);
    const TVec3 color = Vec(2);
    const int32_t model = Enum(5);
    if (!inHost) {
        SetOut(color * diffuse + Grey(ambient + specular));
        return;
    }
    TFloats a{}, d{};
    hsAmbientTerm(a.data());
    hsDiffuseTerm(d.data());
    const TFloats s = Highlight(model, sharpness);
    SetOut(Load(a) * ambient + Times(Load(d) * diffuse, color) + Load(s) * specular);
}

void TXRCReflectance::Evaluate(bool inHost) {
    const double ambient = Num(0), diffuse = Num(1), specular = Num(3), sharpness = Num(4);
    const TVec3 color = Vec(2), specularColor = Vec(5);
    const int32_t model = Enum(6);
    const double reflection = Num(7), reflectionParameter = Num(8);
    const double transmission = Num(9), transmissionParameter = Num(10);
    const double n = AtLeastOne(Num(11));
    if (!inHost) {
        SetOut(color * diffuse + Grey(ambient) + specularColor * specular);
        return;
    }
    TFloats a{}, d{};
    hsAmbientTerm(a.data());
    hsDiffuseTerm(d.data());
    const TFloats s = Highlight(model, sharpness);

    // Copies: the traces below let a nested shade rewrite the record until the guard restores it.
    static constexpr std::array<float, kVariableFloats> kNoRecord{};
    const float* vars = Context != nullptr ? Context->Variables.data() : kNoRecord.data();
    TFloats ray{}, normal{}, geometric{}, world{};
    for (size_t k = 0; k < 3; ++k) {
        ray[k] = vars[kURayWord + k];
        normal[k] = vars[kSNormWord + k];
        geometric[k] = vars[kGNormWord + k];
        world[k] = vars[kWorldWord + k];
    }
    TFloats refracted{};
    const bool ok = hsRefract(refracted.data(), ray.data(), normal.data(), n) != 0;
    TFloats rc{}, tc{};
    if (ok && ((transmission != 0 && transmissionParameter > 0) ||
               (reflection != 0 && reflectionParameter > 0))) {
        // Near grazing the shading normal can face away from the ray; leaning towards the
        // geometric normal keeps the mirror ray above the surface.
        const TVec3 r = Load(ray), nn = Load(normal), g = Load(geometric);
        const double blend = hsSmoothStep(0.15, 0.25, -Dot(r, nn));
        const TFloats m = Floats(g + (nn - g) * blend);
        TFloats mirrored{};
        hsReflect(mirrored.data(), ray.data(), m.data());
        if (reflection != 0) {
            GuardedHostCall(*this, [&] {
                hsRayTrace(rc.data(), world.data(), mirrored.data(),
                           std::fabs(reflectionParameter));
            });
        }
        if (transmission != 0) {
            GuardedHostCall(*this, [&] {
                hsRayTrace(tc.data(), world.data(), refracted.data(),
                           std::fabs(transmissionParameter));
            });
        }
    }
    const TVec3 lit = Load(a) * ambient + Load(d) * diffuse + Load(tc) * transmission;
    SetOut(Times(lit, color) + Times(specularColor, Load(s)) * specular + Load(rc) * reflection);
}

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_HOST_ROW(TXRCAmbient, 5, 0, "Ambient Illumination"),
    VANDREL_HOST_ROW(TXRCDiffuse, 5, 1, "Diffuse Illumination"),
    VANDREL_HOST_ROW(TXRCPhong, 5, 2, "Phong Illumination"),
    VANDREL_HOST_ROW(TXRCSpecular, 5, 3, "Specular Illumination"),
    VANDREL_HOST_ROW(TXRCSpecularFresnel, 5, 4,
                     "Specular Illumination for Conductor Materials (Fresnel's Law)"),
    VANDREL_HOST_ROW(TXRCSpecularSolid, 5, 5, "Specular \"Solid\" Illumination"),
    VANDREL_HOST_ROW(TXRCSpecularSolidFresnel, 5, 6,
                     "Specular Illumination for Dielectric Materials (Fresnel's Law)"),
    VANDREL_HOST_ROW(TXRCRaytrace, 5, 7, "Raytrace"),
    VANDREL_ROW(TXRCReflect, 5, 8, "Reflect"),
    VANDREL_ROW(TXRCSafeReflect, 5, 9, "Safe Reflect"),
    VANDREL_ROW(TXRCRefract, 5, 10, "Refract"),
    VANDREL_HOST_ROW(TXRCFresnelReflect, 5, 11,
                     "Contribution of Reflection for Conductor Materials (Fresnel's Law)"),
    VANDREL_HOST_ROW(TXRCFresnelSolidReflect, 5, 12,
                     "Contribution of Reflection for Dielectric Materials (Fresnel's Law)"),
    VANDREL_HOST_ROW(TXRCSimpleReflectance, 5, 13, "Simple Reflectance"),
    VANDREL_HOST_ROW(TXRCReflectance, 5, 14, "Reflectance"),
};
}  // namespace

std::span<const CatalogueRow> IlluminationRows() { return kRows; }

}  // namespace vandrel

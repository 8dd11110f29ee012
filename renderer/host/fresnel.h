// Unpolarised Fresnel reflectance of a dielectric and of a conductor, seen from a medium of
// index 1. cosine is that of the angle between the incident direction and the normal (1 at normal
// incidence, 0 at grazing); the results lie in [0, 1].
#pragma once

#include <algorithm>
#include <cmath>

namespace vandrel::host {

// Relative index eta; a negative cosine means the light arrives from inside. Total internal
// reflection gives 1.
inline float FresnelDielectric(float cosine, float eta) {
    double ci = std::clamp(static_cast<double>(cosine), -1.0, 1.0);
    double etaI = 1, etaT = std::isfinite(eta) && eta > 0 ? eta : 1.0;
    if (ci < 0) {
        std::swap(etaI, etaT);
        ci = -ci;
    }
    const double sinT = etaI / etaT * std::sqrt(std::max(0.0, 1 - ci * ci));
    if (sinT >= 1) return 1;
    const double ct = std::sqrt(std::max(0.0, 1 - sinT * sinT));
    const double parallel = (etaT * ci - etaI * ct) / (etaT * ci + etaI * ct);
    const double perpendicular = (etaI * ci - etaT * ct) / (etaI * ci + etaT * ct);
    const double r = 0.5 * (parallel * parallel + perpendicular * perpendicular);
    return std::isfinite(r) ? static_cast<float>(std::clamp(r, 0.0, 1.0)) : 1.0f;
}

// Index eta and extinction k of the conductor.
inline float FresnelConductor(float cosine, float eta, float k) {
    const double c = std::clamp(std::fabs(static_cast<double>(cosine)), 0.0, 1.0);
    const double n = std::isfinite(eta) ? eta : 1.0, kk = std::isfinite(k) ? k : 0.0;
    const double c2 = c * c, s2 = 1 - c2, n2 = n * n, k2 = kk * kk;
    const double t0 = n2 - k2 - s2;
    const double a2b2 = std::sqrt(t0 * t0 + 4 * n2 * k2);
    const double t1 = a2b2 + c2;
    const double a = std::sqrt(std::max(0.0, 0.5 * (a2b2 + t0)));
    const double t2 = 2 * c * a;
    const double rs = t1 + t2 > 0 ? (t1 - t2) / (t1 + t2) : 1.0;
    const double t3 = c2 * a2b2 + s2 * s2;
    const double t4 = t2 * s2;
    const double rp = t3 + t4 > 0 ? rs * (t3 - t4) / (t3 + t4) : rs;
    const double r = 0.5 * (rs + rp);
    return std::isfinite(r) ? static_cast<float>(std::clamp(r, 0.0, 1.0)) : 1.0f;
}

}  // namespace vandrel::host

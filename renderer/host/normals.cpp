// Normals from samples. The plug-in's UV sampler records the sample's UV at a base point and two
// offsets; its height sampler then evaluates the height at the matching world points, pairing its
// calls with the UV samples 2, 1, 0. So the 3D calls go to the point displaced along V, along U,
// and the point itself, in that order; the gradient of the heights bends the shading normal.
#include <cmath>

#include "hostapi/hostapi.h"
#include "renderer/host/height_probe.h"
#include "renderer/host/host_state.h"

namespace {

struct THeightProbe {
    bool measured = false;
    float height = 0;
};
thread_local THeightProbe tHeight;

constexpr double kStep = 1e-3;

void Normalize(double v[3]) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0 && std::isfinite(length)) {
        for (int k = 0; k < 3; ++k) v[k] /= length;
    }
}

}  // namespace

namespace vandrel::host {

bool TakeMeasuredHeight(float& height) {
    const THeightProbe probe = tHeight;
    tHeight = {};
    height = probe.height;
    return probe.measured;
}

}  // namespace vandrel::host

extern "C" {

void hsCalculateNormal2D(float* normal, double u, double v, hsUVSampler sampler, void* data) {
    (void)normal;  // the UV sampler only records positions; the 3D pass bends the normal
    if (sampler == nullptr) return;
    sampler(u, v, data);
    sampler(u + kStep, v, data);
    sampler(u, v + kStep, data);
}

void hsCalculateNormal3D(float* normal, const float* point, hsHeightSampler sampler, void* data) {
    if (normal == nullptr || point == nullptr || sampler == nullptr) return;
    const hxShadingRecord* sample = vandrel::host::CurrentSample();
    double du[3] = {1, 0, 0}, dv[3] = {0, 1, 0};
    if (sample != nullptr) {
        for (int k = 0; k < 3; ++k) {
            du[k] = sample->uDirection[k];
            dv[k] = sample->vDirection[k];
        }
    }
    Normalize(du);
    Normalize(dv);
    float pv[3], pu[3];
    for (int k = 0; k < 3; ++k) {
        pv[k] = static_cast<float>(point[k] + kStep * dv[k]);
        pu[k] = static_cast<float>(point[k] + kStep * du[k]);
    }
    const double hv = sampler(pv, data);
    const double hu = sampler(pu, data);
    const double h0 = sampler(point, data);
    tHeight = {true, static_cast<float>(h0)};
    const double gu = (hu - h0) / kStep, gv = (hv - h0) / kStep;
    double n[3];
    for (int k = 0; k < 3; ++k) n[k] = normal[k] - gu * du[k] - gv * dv[k];
    Normalize(n);
    if (!std::isfinite(n[0] + n[1] + n[2])) return;
    for (int k = 0; k < 3; ++k) normal[k] = static_cast<float>(n[k]);
}

}  // extern "C"

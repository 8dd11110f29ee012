// Baking a shader into a texture map on the UV plane: pixel (i, j) of a W × H map, row 0 at the
// top, is the plane z = 0 seen straight on at u = (i + 0.5) / W, v = 1 − (j + 0.5) / H, shaded
// through the plug-in's callbacks as a render shades a hit. More samples per pixel spread over a
// stratified grid inside the pixel, jittered by a hash of the pixel and the sample, so a bake is
// the same on every run and every machine; they are averaged.
//
// Threads shade rows of the map; each has its own record, the plug-in its own evaluation record
// per thread. The caller brackets a bake with the plug-in's begin and end of render.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "hostapi/hostapi.h"
#include "renderer/plugin_host.h"

namespace vandrel {

// The plane's variables at (u, v) of a W × H map: UV = (u, v), UV Delta = (1/W, 1/H), World Space
// = Object Space = (u, v, 0), both normals (0, 0, 1), U Direction (1, 0, 0), V Direction
// (0, 1, 0), Viewer Position (u, v, 1), Ray and Unitary Ray (0, 0, −1), Ray Length 1. Everything
// else stays as it is.
void SetUVPlaneSample(hxShadingRecord& record, float u, float v, int width, int height);

struct TBakeSettings {
    int width = 1, height = 1;
    int samples = 1;
    int threads = 0;  // 0: one per core
    int32_t outputType = 2;
    // On a mesh: how far (pixels) its charts are padded outward.
    int padding = 4;
    // Every sample's record before the plane's variables are set.
    hxShadingRecord base{};
    // Runs on every sample after the plane's variables (the command line's --set values); must
    // not allocate or lock. May be empty.
    std::function<void(hxShadingRecord&)> finish;
    // Told when fewer rendering threads than wanted could be started (started, wanted).
    std::function<void(int, int)> threadsReduced;
};

// A map of width · height pixels of `channels` floats, rows from the top: colour and reflectance
// RGB, transparency RGBA (the filter colour and the alpha), displacement either the normal as
// n · 0.5 + 0.5 (RGB; tangent space, which on the plane is the record's own space, Y up) or, when
// the tree computes heights and the host derived the normal from them, the height (one channel).
struct TBakedMap {
    int width = 0, height = 0, channels = 0;
    bool heights = false;
    std::vector<float> pixels;
    // 1 for a pixel that some sample of the surface landed on, one per pixel.
    std::vector<uint8_t> covered;
};

// Sets a sample's surface variables at (u, v) in pixel (i, j) of the map; false when the surface
// has no point there. Called from every baking thread at once: must not allocate or lock.
using TBakePlacement = std::function<bool(hxShadingRecord&, float u, float v, int i, int j)>;

// Shades the map through the plug-in's callbacks for one material. With one sample a pixel is the
// record's result as evaluated (for a normal, n · 0.5 + 0.5 of its unit vector). Throws what a
// rendering thread threw, after every thread has stopped.
TBakedMap BakeUVPlane(const TPluginHost& plugin, int32_t material, const TBakeSettings& settings);

// The same for any surface laid out in UV: a pixel is the mean of the samples that land on the
// surface; one that none lands on stays zero and is not covered.
TBakedMap BakeSurface(const TPluginHost& plugin, int32_t material, const TBakeSettings& settings,
                      const TBakePlacement& place);

}  // namespace vandrel

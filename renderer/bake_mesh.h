// Baking on a mesh: its triangles laid out in their UV layout over the map, each sample the
// interpolated surface point of the triangle under it, and the charts padded outward afterwards
// so that filtered lookups near a seam do not reach the background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostapi/hostapi.h"
#include "renderer/bake.h"
#include "renderer/mesh/mesh.h"

namespace vandrel {

// The triangles of a mesh over a W × H map, binned by tiles of the map so that a sample tests
// only the few triangles near it. The mesh must outlive the layout. UVs outside [0, 1] fall
// outside the map.
class TUvLayout {
  public:
    // False, with the reason, when the triangles overlap so much that their bins would not fit in
    // bounded memory.
    bool Build(const mesh::TMesh& mesh, int width, int height, std::string& error);
    // The surface at (u, v), a point of pixel (i, j): the lowest-numbered triangle that covers it,
    // interpolated (object space = world space), seen straight on along its normal from one unit
    // away; UV Delta the pixel's size in UV. False where no triangle covers (u, v).
    bool Place(hxShadingRecord& record, float u, float v, int i, int j) const;

  private:
    const mesh::TMesh* mesh_ = nullptr;
    int width_ = 0, height_ = 0, tilesX_ = 0;
    std::vector<uint32_t> start_;      // per tile, into triangles_; one more at the end
    std::vector<uint32_t> triangles_;  // per tile, in increasing order
};

// Reads and prepares a model file for baking (no ray tracing structure); false with the reason.
bool LoadBakeMesh(const std::string& path, mesh::TMesh& mesh, std::string& error);

// One map between the plug-in's begin and end of render: in the layout's UV layout with its
// charts padded by settings.padding when a layout is given, else on the UV plane. Throws what a
// baking thread threw.
TBakedMap BakeMap(TPluginHost& plugin, int32_t material, const TBakeSettings& settings,
                  const TUvLayout* layout);

// Bakes one map as BakeMap does and writes it whole: colour types as colour (PNG in 8-bit sRGB),
// displacement as data. False, with the reason, when it cannot be written.
bool BakeToFile(TPluginHost& plugin, int32_t material, const TBakeSettings& settings,
                const TUvLayout* layout, const std::string& path, std::string& error);

// Every uncovered pixel within `padding` pixels (Euclidean) of a covered one takes the value of
// the nearest covered pixel; covered pixels are left as they are.
void PadCharts(TBakedMap& map, int padding);

}  // namespace vandrel

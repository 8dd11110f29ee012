// The mesh module's ray queries (see mesh_module.h for the contract).
#pragma once

#include <string>

#include "renderer/mesh/mesh_module.h"

namespace vandrel::mesh {

TMeshBvh* BuildBvh(const TMesh& mesh, std::string& error);
bool IntersectBvh(const TMeshBvh* bvh, const float* origin, const float* direction, float tMin,
                  float tMax, TMeshHit& hit);
bool OccludedBvh(const TMeshBvh* bvh, const float* origin, const float* direction, float tMin,
                 float tMax);
void ReleaseBvh(TMeshBvh* bvh);

}  // namespace vandrel::mesh

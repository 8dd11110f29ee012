// Lighting at the calling thread's current sample, for the tracer's own use.
#pragma once

#include "renderer/host/vec3.h"

namespace vandrel::host {

struct TScene;

// A point being shaded: the normals and the direction to the viewer are unit.
struct TSurface {
    Vec3 point, normal, geometric, viewer;
};

// The host's default reflectance of a surface of this colour in the scene (none: unlit): 0.1 ·
// ambient + 0.9 · diffuse · colour + 0.1 · Phong(exponent 3), what the three terms give at that
// point, from one pass over the lights and one shadow ray per light.
Vec3 DefaultReflectance(const TScene* scene, const TSurface& surface, const Vec3& color);

}  // namespace vandrel::host

// Lighting at the calling thread's current sample, for the tracer's own use.
#pragma once

#include "renderer/host/vec3.h"

namespace vandrel::host {

// The host's default reflectance of a surface of this colour: 0.1 · ambient + 0.9 · diffuse ·
// colour + 0.1 · Phong(exponent 3), the value the three terms give, from one pass over the lights
// and one shadow ray per light.
Vec3 DefaultReflectance(const Vec3& color);

}  // namespace vandrel::host

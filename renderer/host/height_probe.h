// What the host learns of a height-mode displacement: hsCalculateNormal3D samples the height at
// the point it is given, and a host that bakes a height map keeps that value. Per thread, so that
// every rendering thread reads only its own samples.
#pragma once

namespace vandrel::host {

// The height hsCalculateNormal3D last measured at its base point on the calling thread, if it ran
// since the previous call; the probe is cleared either way.
bool TakeMeasuredHeight(float& height);

}  // namespace vandrel::host

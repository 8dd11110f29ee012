// The stand-in host's scene: shapes over a checkered ground, a pinhole camera and lights, and the
// renderer that shades it through the plug-in's callbacks.
//
// Units and frame: y is up; the default object sits at the origin with size 1 (a sphere of radius
// 1, a cube of half-edge 1, a square of half-edge 1, a torus of radii 0.7 and 0.3), the ground is
// the plane y = -1.
//
// Each object has a host material per output type (0 displacement, 1 transparency, 2 colour,
// 3 reflectance; 0 = the host's default for that slot) and a host node. The host defaults: no
// displacement, opaque, the object's base colour, and a plastic reflectance 0.1 · ambient +
// 0.9 · diffuse · colour + 0.1 · Phong(exponent 3). A transparency result hands back a filter per
// channel: the fraction of the light from behind that passes (0 opaque, 1 clear; Alpha is not
// used).
//
// A scene is immutable while it renders; every rendering thread only reads it. hsRayTrace, called
// by the plug-in while a sample is shaded, traces into the scene of the calling thread's render.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hostapi/hostapi.h"

namespace vandrel::host {

using Vec3 = std::array<float, 3>;

enum class ShapeKind { kSphere, kCube, kPlane, kTorus, kGround, kMesh };

class TMeshGeometry;

struct TObject {
    ShapeKind shape = ShapeKind::kSphere;
    // Object to world: row-major 3 x 4, the last column the translation; a rotation and a uniform
    // scale keep normals and UV footprints simple.
    std::array<float, 12> transform{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    Vec3 baseColor{1, 1, 1};
    std::array<int32_t, 4> materials{};  // by output type; 0 = the host's default
    int32_t node = 0;
    std::shared_ptr<const TMeshGeometry> mesh;  // the shape of a kMesh object
};

enum class LightKind { kAmbient, kPoint, kDirectional };

struct TLight {
    LightKind kind = LightKind::kPoint;
    Vec3 color{1, 1, 1};
    Vec3 position{};   // point lights
    Vec3 direction{};  // directional lights: the direction the light travels
    bool shadows = true;
};

struct TCamera {
    Vec3 position{0, 0.6f, 5};
    Vec3 target{0, -0.2f, 0};
    Vec3 up{0, 1, 0};                // the image's up is the part of it across the view direction
    float verticalFieldOfView = 38;  // degrees
};

struct TScene {
    std::vector<TObject> objects;
    std::vector<TLight> lights;
    TCamera camera;
    Vec3 background{0.55f, 0.6f, 0.68f};
    // The plug-in's shade callbacks by output type; null ones are never called.
    std::array<hxShadeCallback, 4> shaders{};
    int maxDepth = 5;  // nested hsRayTrace levels before the background is returned
};

// The material-preview scene: one object of this shape above a checkered ground, a key point light
// with shadows, a directional fill light and ambient light. Creates the host nodes it needs.
TScene PreviewScene(ShapeKind shape, const std::array<int32_t, 4>& materials);
// The same scene with a mesh in place of the object, scaled and centred into the sphere's
// bounding sphere (radius 1 about the origin).
TScene PreviewScene(std::shared_ptr<const TMeshGeometry> mesh,
                    const std::array<int32_t, 4>& materials);
// Object to world for a mesh that fills the bounding sphere of the placement's object.
std::array<float, 12> FitMesh(const TMeshGeometry& mesh, const std::array<float, 12>& placement);

struct TRenderSettings {
    int width = 256;
    int height = 256;
    int samples = 4;  // per pixel, stratified
    int threads = 0;  // 0: all cores
    // Called on the calling thread now and then with the finished and total tile counts.
    std::function<void(int, int)> progress;
    // Called on the calling thread, as the render goes, with the image and the number of rows
    // from the top that are finished (more each time, all of them at the end): those rows may be
    // read while the others render. Not called for a cancelled render's last rows.
    std::function<void(const float* rgb, int rows)> rowsFinished;
    // When it turns true the tiles not yet begun are skipped and Render returns early with an
    // incomplete image; another thread may set it.
    const std::atomic<bool>* cancel = nullptr;
    // Told, on the calling thread, when fewer rendering threads could be started than asked for:
    // the render goes on with those. The calling thread renders too and counts as one.
    std::function<void(int started, int wanted)> threadsReduced;
    // Starts one rendering thread; empty for std::thread. Tests put one here that fails.
    std::function<std::thread(std::function<void()>)> startThread;
};

// Renders the scene into linear RGB floats, row by row from the top. The result depends only on
// the scene and the settings other than the thread count. An exception of a rendering thread (out
// of memory) ends the render: the others stop at their next tile and it is thrown again here.
std::vector<float> Render(const TScene& scene, const TRenderSettings& settings);

// The colour one camera ray through image point (x, y) in [0, 1]² sees, on the calling thread.
Vec3 RenderPoint(const TScene& scene, float x, float y, float aspect);

}  // namespace vandrel::host

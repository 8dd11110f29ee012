// Ray queries on a mesh through Embree: one device for the process, one scene per mesh.
#include "renderer/mesh/mesh_bvh.h"

#include <embree3/rtcore.h>

#include <cmath>
#include <cstring>
#include <mutex>

namespace vandrel::mesh {

struct TMeshBvh {
    RTCScene scene = nullptr;
};

namespace {

RTCDevice Device() {
    // Never released: scenes may outlive any owner at exit.
    static RTCDevice device = rtcNewDevice("verbose=0");
    return device;
}

RTCRay Ray(const float* o, const float* d, float tMin, float tMax) {
    RTCRay ray{};
    ray.org_x = o[0], ray.org_y = o[1], ray.org_z = o[2];
    ray.dir_x = d[0], ray.dir_y = d[1], ray.dir_z = d[2];
    ray.tnear = tMin;
    ray.tfar = tMax;
    ray.mask = ~0u;
    return ray;
}

}  // namespace

TMeshBvh* BuildBvh(const TMesh& mesh, std::string& error) {
    const RTCDevice device = Device();
    if (device == nullptr) {
        error = "the ray tracing library cannot start: " +
                std::to_string(static_cast<int>(rtcGetDeviceError(nullptr)));
        return nullptr;
    }
    rtcGetDeviceError(device);  // clears an earlier error
    RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto* positions = static_cast<float*>(
        rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                3 * sizeof(float), mesh.VertexCount()));
    auto* indices = static_cast<unsigned*>(
        rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                3 * sizeof(unsigned), mesh.TriangleCount()));
    if (positions == nullptr || indices == nullptr) {
        rtcReleaseGeometry(geometry);
        error = "out of memory for the mesh's ray tracing structure";
        return nullptr;
    }
    std::memcpy(positions, mesh.positions.data(), mesh.positions.size() * sizeof(float));
    std::memcpy(indices, mesh.indices.data(), mesh.indices.size() * sizeof(unsigned));
    rtcCommitGeometry(geometry);
    RTCScene scene = rtcNewScene(device);
    rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
    rtcAttachGeometry(scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcCommitScene(scene);
    if (rtcGetDeviceError(device) != RTC_ERROR_NONE) {
        rtcReleaseScene(scene);
        error = "out of memory for the mesh's ray tracing structure";
        return nullptr;
    }
    return new TMeshBvh{scene};
}

bool IntersectBvh(const TMeshBvh* bvh, const float* origin, const float* direction, float tMin,
                  float tMax, TMeshHit& hit) {
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit query{};
    query.ray = Ray(origin, direction, tMin, tMax);
    query.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    query.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(bvh->scene, &context, &query);
    if (query.hit.geomID == RTC_INVALID_GEOMETRY_ID) return false;
    hit.t = query.ray.tfar;
    hit.triangle = query.hit.primID;
    hit.b1 = query.hit.u;
    hit.b2 = query.hit.v;
    return true;
}

bool OccludedBvh(const TMeshBvh* bvh, const float* origin, const float* direction, float tMin,
                 float tMax) {
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRay ray = Ray(origin, direction, tMin, tMax);
    rtcOccluded1(bvh->scene, &context, &ray);
    return ray.tfar < 0;  // set to -inf on a hit
}

void ReleaseBvh(TMeshBvh* bvh) {
    if (bvh == nullptr) return;
    rtcReleaseScene(bvh->scene);
    delete bvh;
}

}  // namespace vandrel::mesh

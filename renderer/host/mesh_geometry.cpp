#include "renderer/host/mesh_geometry.h"

#include <dlfcn.h>

#include <cmath>
#include <filesystem>
#include <mutex>

namespace vandrel::host {
namespace {

struct TLoaded {
    const mesh::TMeshIo* io = nullptr;
    std::string error;
};

TLoaded LoadModule() {
    TLoaded loaded;
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&LoadModule), &info) == 0 ||
        info.dli_fname == nullptr) {
        loaded.error = "cannot locate the host library";
        return loaded;
    }
    const std::filesystem::path module =
        std::filesystem::path(info.dli_fname).parent_path() / kMeshModule;
    // Never closed: meshes may still be alive at exit.
    void* handle = dlopen(module.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        loaded.error = "mesh support is not available: " + std::string(reason ? reason : "");
        return loaded;
    }
    const auto entry = reinterpret_cast<const mesh::TMeshIo* (*)()>(dlsym(handle, kMeshEntry));
    loaded.io = entry != nullptr ? entry() : nullptr;
    if (loaded.io == nullptr) loaded.error = "mesh support is not available: no entry point";
    return loaded;
}

Vec3 Vertex(const std::vector<float>& v, uint32_t i) {
    return {v[3 * size_t{i}], v[3 * size_t{i} + 1], v[3 * size_t{i} + 2]};
}

}  // namespace

const mesh::TMeshIo* MeshIo(std::string* error) {
    static std::once_flag once;
    static TLoaded* loaded = nullptr;  // never destroyed, for threads still running at exit
    std::call_once(once, [] { loaded = new TLoaded(LoadModule()); });
    if (loaded->io == nullptr && error != nullptr) *error = loaded->error;
    return loaded->io;
}

std::shared_ptr<const TMeshGeometry> TMeshGeometry::Load(const std::string& path,
                                                         std::string& error) {
    const mesh::TMeshIo* io = MeshIo(&error);
    if (io == nullptr) return nullptr;
    mesh::TMesh mesh;
    if (!io->load(path.c_str(), mesh, error)) return nullptr;
    return Make(std::move(mesh), error);
}

std::shared_ptr<const TMeshGeometry> TMeshGeometry::Make(mesh::TMesh mesh, std::string& error) {
    const mesh::TMeshIo* io = MeshIo(&error);
    if (io == nullptr) return nullptr;
    std::shared_ptr<TMeshGeometry> geometry(new TMeshGeometry(io, std::move(mesh)));
    geometry->bvh_ = io->build(geometry->mesh_, error);
    if (geometry->bvh_ == nullptr) return nullptr;
    return geometry;
}

TMeshGeometry::~TMeshGeometry() {
    if (bvh_ != nullptr) io_->release(bvh_);
}

bool TMeshGeometry::Intersect(const Vec3& origin, const Vec3& direction, float tMin, float tMax,
                              TMeshSurface& hit) const {
    mesh::TMeshHit found;
    if (!io_->intersect(bvh_, origin.data(), direction.data(), tMin, tMax, found)) return false;
    const uint32_t* v = &mesh_.indices[3 * size_t{found.triangle}];
    const float b1 = found.b1, b2 = found.b2, b0 = 1 - b1 - b2;
    const auto blend = [&](const std::vector<float>& a) {
        return Vertex(a, v[0]) * b0 + Vertex(a, v[1]) * b1 + Vertex(a, v[2]) * b2;
    };
    hit.t = found.t;
    hit.normal = Normalize(blend(mesh_.normals));
    const Vec3 p0 = Vertex(mesh_.positions, v[0]);
    const Vec3 e1 = Vertex(mesh_.positions, v[1]) - p0, e2 = Vertex(mesh_.positions, v[2]) - p0;
    hit.geometric = Normalize(Cross(e1, e2));
    if (Length(hit.normal) == 0) hit.normal = hit.geometric;
    if (Dot(hit.geometric, hit.normal) < 0) hit.geometric = hit.geometric * -1.0f;

    const float* uv = mesh_.uvs.data();
    const float u0 = uv[2 * size_t{v[0]}], v0 = uv[2 * size_t{v[0]} + 1];
    const float du1 = uv[2 * size_t{v[1]}] - u0, dv1 = uv[2 * size_t{v[1]} + 1] - v0;
    const float du2 = uv[2 * size_t{v[2]}] - u0, dv2 = uv[2 * size_t{v[2]} + 1] - v0;
    hit.u = u0 + b1 * du1 + b2 * du2;
    hit.v = v0 + b1 * dv1 + b2 * dv2;
    if (mesh_.projectedUv) hit.u -= std::floor(hit.u);

    // The U and V directions made orthonormal against the interpolated normal again; their
    // lengths those of the triangle's own dP/du and dP/dv, for the pixel footprint in UV.
    const Vec3 n = hit.normal;
    Vec3 du = blend(mesh_.uDirections);
    du = Normalize(du - n * Dot(n, du));
    if (Length(du) == 0)
        du = Normalize(Cross(std::fabs(n[1]) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0}, n));
    Vec3 dv = blend(mesh_.vDirections);
    dv = Normalize(dv - n * Dot(n, dv) - du * Dot(du, dv));
    if (Length(dv) == 0) dv = Cross(n, du);
    const float det = du1 * dv2 - du2 * dv1;
    float uLength = 1, vLength = 1;
    if (std::fabs(det) > 0) {
        uLength = Length((e1 * dv2 - e2 * dv1) * (1 / det));
        vLength = Length((e2 * du1 - e1 * du2) * (1 / det));
    }
    hit.dpdu = du * (std::isfinite(uLength) ? uLength : 1.0f);
    hit.dpdv = dv * (std::isfinite(vLength) ? vLength : 1.0f);
    return true;
}

bool TMeshGeometry::Occluded(const Vec3& origin, const Vec3& direction, float tMin,
                             float tMax) const {
    return io_->occluded(bvh_, origin.data(), direction.data(), tMin, tMax);
}

}  // namespace vandrel::host

// Completing a raw mesh: checks, smoothed normals, the spherical projection, U and V directions.
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

#include "renderer/mesh/mesh.h"

namespace vandrel::mesh {
namespace {

using D3 = std::array<double, 3>;

constexpr double kMaxCoordinate = 1e15;

D3 Sub(const D3& a, const D3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
D3 Add(const D3& a, const D3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
D3 Scale(const D3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double Dot(const D3& a, const D3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
D3 Cross(const D3& a, const D3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Length(const D3& a) { return std::sqrt(Dot(a, a)); }
D3 Unit(const D3& a) {
    const double l = Length(a);
    return l > 1e-30 && std::isfinite(l) ? Scale(a, 1 / l) : D3{0, 0, 0};
}

D3 At(const std::vector<float>& v, size_t i) { return {v[3 * i], v[3 * i + 1], v[3 * i + 2]}; }
void Put(std::vector<float>& v, size_t i, const D3& a) {
    v[3 * i] = static_cast<float>(a[0]);
    v[3 * i + 1] = static_cast<float>(a[1]);
    v[3 * i + 2] = static_cast<float>(a[2]);
}

// A unit vector orthogonal to n.
D3 AnyPerpendicular(const D3& n) {
    const D3 axis = std::fabs(n[1]) < 0.9 ? D3{0, 1, 0} : D3{1, 0, 0};
    return Unit(Cross(axis, n));
}

bool Check(const TRawMesh& raw, std::string& error) {
    const size_t vertices = raw.positions.size() / 3;
    if (raw.positions.size() % 3 != 0 || raw.indices.size() % 3 != 0 ||
        (!raw.normals.empty() && raw.normals.size() != raw.positions.size()) ||
        (!raw.uvs.empty() && raw.uvs.size() != 2 * vertices)) {
        error = "the mesh's vertex attributes do not match in number";
        return false;
    }
    if (raw.indices.empty()) {
        error = "the mesh has no triangles";
        return false;
    }
    if (vertices > kMaxVertices || raw.indices.size() / 3 > kMaxTriangles) {
        error = "the mesh has more than 2^26 vertices or triangles";
        return false;
    }
    for (size_t i = 0; i < raw.indices.size(); ++i) {
        if (raw.indices[i] >= vertices) {
            error = "triangle " + std::to_string(i / 3 + 1) + " uses vertex " +
                    std::to_string(uint64_t{raw.indices[i]} + 1) + " of " +
                    std::to_string(vertices);
            return false;
        }
    }
    for (size_t i = 0; i < raw.positions.size(); ++i) {
        if (!(std::fabs(raw.positions[i]) <= kMaxCoordinate)) {
            error = "vertex " + std::to_string(i / 3 + 1) + " has a position that is not a " +
                    "finite number within ±1e15";
            return false;
        }
    }
    for (size_t i = 0; i < raw.normals.size(); ++i) {
        if (!std::isfinite(raw.normals[i])) {
            error = "vertex " + std::to_string(i / 3 + 1) + " has a normal that is not a number";
            return false;
        }
    }
    for (size_t i = 0; i < raw.uvs.size(); ++i) {
        if (!(std::fabs(raw.uvs[i]) <= kMaxCoordinate)) {
            error = "vertex " + std::to_string(i / 2 + 1) + " has a UV that is not a finite " +
                    "number within ±1e15";
            return false;
        }
    }
    return true;
}

// Face normals, area-weighted, for the vertices that came without one.
void SmoothNormals(TMesh& mesh, const std::vector<float>& given) {
    const size_t vertices = mesh.VertexCount();
    // Files that give every normal (most large ones) skip the face pass and its buffer.
    bool complete = !given.empty();
    for (size_t i = 0; i < vertices && complete; ++i) {
        complete = Length(Unit(At(given, i))) > 0;
    }
    std::vector<double> sum(complete ? 0 : 3 * vertices, 0.0);
    for (size_t t = 0; t < mesh.TriangleCount() && !complete; ++t) {
        const uint32_t* v = &mesh.indices[3 * t];
        const D3 face = Cross(Sub(At(mesh.positions, v[1]), At(mesh.positions, v[0])),
                              Sub(At(mesh.positions, v[2]), At(mesh.positions, v[0])));
        for (int k = 0; k < 3; ++k) {
            for (size_t c = 0; c < 3; ++c) sum[3 * v[k] + c] += face[c];
        }
    }
    mesh.normals.assign(3 * vertices, 0.0f);
    for (size_t i = 0; i < vertices; ++i) {
        D3 n = given.empty() ? D3{0, 0, 0} : Unit(At(given, i));
        if (Length(n) == 0 && !complete) n = Unit({sum[3 * i], sum[3 * i + 1], sum[3 * i + 2]});
        if (Length(n) == 0) n = {0, 1, 0};
        Put(mesh.normals, i, n);
    }
}

// The spherical projection. A triangle across the seam gets copies of its vertices on the low side
// with u + 1; a vertex at a pole, where u is undefined, gets a copy per triangle with the mean u of
// the triangle's other vertices.
void ProjectUvs(TMesh& mesh) {
    constexpr double kPi = std::numbers::pi;
    const size_t vertices = mesh.VertexCount();
    mesh.uvs.assign(2 * vertices, 0.0f);
    std::vector<bool> pole(vertices, false);
    for (size_t i = 0; i < vertices; ++i) {
        const D3 p = Sub(At(mesh.positions, i), {mesh.centre[0], mesh.centre[1], mesh.centre[2]});
        const double r = Length(p);
        pole[i] = std::hypot(p[0], p[2]) <= 1e-7 * r;
        mesh.uvs[2 * i] = static_cast<float>(0.5 + std::atan2(p[0], p[2]) / (2 * kPi));
        mesh.uvs[2 * i + 1] = static_cast<float>(
            r > 0 ? 0.5 + std::asin(std::clamp(p[1] / r, -1.0, 1.0)) / kPi : 0.5);
    }
    // Copies by vertex and u, so that neighbouring triangles share them.
    std::map<std::pair<uint32_t, float>, uint32_t> copies;
    const auto copy = [&](uint32_t from, float u) {
        const auto [found, added] =
            copies.try_emplace({from, u}, static_cast<uint32_t>(mesh.VertexCount()));
        if (added) {
            for (size_t c = 0; c < 3; ++c) {
                mesh.positions.push_back(mesh.positions[3 * from + c]);
                mesh.normals.push_back(mesh.normals[3 * from + c]);
            }
            mesh.uvs.push_back(u);
            mesh.uvs.push_back(mesh.uvs[2 * from + 1]);
        }
        return found->second;
    };
    for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
        uint32_t* v = &mesh.indices[3 * t];
        float u[3], low = INFINITY, high = -INFINITY;
        int regular = 0;
        for (int k = 0; k < 3; ++k) {
            u[k] = mesh.uvs[2 * v[k]];
            if (pole[v[k]]) continue;
            low = std::min(low, u[k]), high = std::max(high, u[k]);
            ++regular;
        }
        if (regular == 0) continue;
        float sum = 0;
        for (int k = 0; k < 3; ++k) {
            if (pole[v[k]]) continue;
            if (high - low > 0.5f && u[k] < 0.5f) u[k] += 1;
            sum += u[k];
        }
        for (int k = 0; k < 3; ++k) {
            if (pole[v[k]]) u[k] = sum / static_cast<float>(regular);
            if (u[k] != mesh.uvs[2 * v[k]]) v[k] = copy(v[k], u[k]);
        }
    }
}

// dP/du and dP/dv of each triangle, weighted by its area, summed per vertex, then made orthonormal
// against the vertex normal. False when no triangle covers any area of the UV plane.
bool Directions(TMesh& mesh) {
    const size_t vertices = mesh.VertexCount();
    float uMin = INFINITY, uMax = -INFINITY, vMin = INFINITY, vMax = -INFINITY;
    for (size_t i = 0; i < vertices; ++i) {
        uMin = std::min(uMin, mesh.uvs[2 * i]), uMax = std::max(uMax, mesh.uvs[2 * i]);
        vMin = std::min(vMin, mesh.uvs[2 * i + 1]), vMax = std::max(vMax, mesh.uvs[2 * i + 1]);
    }
    // A UV area below this share of the layout's box counts as none.
    const double tiny = 1e-14 * (double{uMax} - uMin) * (double{vMax} - vMin);
    std::vector<double> uSum(3 * vertices, 0.0), vSum(3 * vertices, 0.0);
    size_t covering = 0;
    for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
        const uint32_t* v = &mesh.indices[3 * t];
        const D3 p0 = At(mesh.positions, v[0]);
        const D3 e1 = Sub(At(mesh.positions, v[1]), p0), e2 = Sub(At(mesh.positions, v[2]), p0);
        const double du1 = double{mesh.uvs[2 * v[1]]} - mesh.uvs[2 * v[0]];
        const double dv1 = double{mesh.uvs[2 * v[1] + 1]} - mesh.uvs[2 * v[0] + 1];
        const double du2 = double{mesh.uvs[2 * v[2]]} - mesh.uvs[2 * v[0]];
        const double dv2 = double{mesh.uvs[2 * v[2] + 1]} - mesh.uvs[2 * v[0] + 1];
        const double det = du1 * dv2 - du2 * dv1;
        if (!(std::fabs(det) > tiny)) continue;
        ++covering;
        const double area = Length(Cross(e1, e2));
        const D3 dpdu = Unit(Scale(Sub(Scale(e1, dv2), Scale(e2, dv1)), 1 / det));
        const D3 dpdv = Unit(Scale(Sub(Scale(e2, du1), Scale(e1, du2)), 1 / det));
        for (int k = 0; k < 3; ++k) {
            for (size_t c = 0; c < 3; ++c) {
                uSum[3 * v[k] + c] += dpdu[c] * area;
                vSum[3 * v[k] + c] += dpdv[c] * area;
            }
        }
    }
    if (covering == 0) return false;
    mesh.uDirections.assign(3 * vertices, 0.0f);
    mesh.vDirections.assign(3 * vertices, 0.0f);
    for (size_t i = 0; i < vertices; ++i) {
        const D3 n = At(mesh.normals, i);
        const D3 tu{uSum[3 * i], uSum[3 * i + 1], uSum[3 * i + 2]};
        const D3 tv{vSum[3 * i], vSum[3 * i + 1], vSum[3 * i + 2]};
        D3 u = Unit(Sub(tu, Scale(n, Dot(n, tu))));
        if (Length(u) == 0) u = AnyPerpendicular(n);
        D3 v = Unit(Sub(Sub(tv, Scale(n, Dot(n, tv))), Scale(u, Dot(u, tv))));
        if (Length(v) == 0) {
            // Mirrored layouts keep their handedness.
            v = Cross(n, u);
            if (Dot(v, tv) < 0) v = Scale(v, -1);
        }
        Put(mesh.uDirections, i, u);
        Put(mesh.vDirections, i, v);
    }
    return true;
}

}  // namespace

bool PrepareMesh(TRawMesh raw, TMesh& mesh, std::string& error) {
    if (!Check(raw, error)) return false;
    mesh = TMesh{};
    mesh.positions = std::move(raw.positions);
    mesh.indices = std::move(raw.indices);
    const size_t vertices = mesh.VertexCount();

    // Only the vertices that triangles use count for the bounds.
    std::vector<bool> used(vertices, false);
    for (const uint32_t i : mesh.indices) used[i] = true;
    D3 low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < vertices; ++i) {
        if (!used[i]) continue;
        for (size_t c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], double{mesh.positions[3 * i + c]});
            high[c] = std::max(high[c], double{mesh.positions[3 * i + c]});
        }
    }
    const D3 centre = Scale(Add(low, high), 0.5);
    double radius = 0;
    for (size_t i = 0; i < vertices; ++i) {
        if (used[i]) radius = std::max(radius, Length(Sub(At(mesh.positions, i), centre)));
    }
    mesh.centre = {static_cast<float>(centre[0]), static_cast<float>(centre[1]),
                   static_cast<float>(centre[2])};
    mesh.radius = static_cast<float>(radius);

    bool area = false;
    for (size_t t = 0; t < mesh.TriangleCount() && !area; ++t) {
        const uint32_t* v = &mesh.indices[3 * t];
        const D3 p0 = At(mesh.positions, v[0]);
        const double a =
            Length(Cross(Sub(At(mesh.positions, v[1]), p0), Sub(At(mesh.positions, v[2]), p0)));
        area = a > 1e-24 * radius * radius;
    }
    if (!area || !(radius > 0)) {
        error = "no triangle of the mesh has an area";
        return false;
    }

    SmoothNormals(mesh, raw.normals);
    if (raw.uvs.empty()) {
        mesh.projectedUv = true;
        ProjectUvs(mesh);
    } else {
        mesh.uvs = std::move(raw.uvs);
    }
    if (!Directions(mesh)) {
        error = "the UV layout is degenerate: no triangle covers any area of the UV plane";
        return false;
    }
    return true;
}

}  // namespace vandrel::mesh

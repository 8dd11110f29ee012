#include "renderer/bake_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "core/context.h"
#include "renderer/host/mesh_geometry.h"
#include "renderer/host/vec3.h"
#include "renderer/image_writer.h"

namespace vandrel {

using namespace host;

namespace {

constexpr int kTile = 16;
// Bin entries the layout may hold (4 bytes each): far above what any real layout needs, since a
// triangle meets few tiles unless the layout overlaps itself many times.
constexpr uint64_t kMaxBinned = uint64_t{1} << 26;
// A sample this little outside a triangle (in barycentric terms) still counts as on it, so that
// shared edges leave no cracks.
constexpr double kEdge = 1e-7;

Vec3 At(const std::vector<float>& v, uint32_t i) {
    return {v[3 * size_t{i}], v[3 * size_t{i} + 1], v[3 * size_t{i} + 2]};
}

// The tile range [first, last] of a coordinate range in pixels, clipped to the map; false when
// it lies outside.
bool TileRange(double low, double high, int pixels, int& first, int& last) {
    if (!(high >= 0) || !(low < pixels)) return false;
    first = static_cast<int>(std::floor(std::max(low, 0.0))) / kTile;
    last = static_cast<int>(std::floor(std::min(high, pixels - 1.0))) / kTile;
    return true;
}

}  // namespace

bool TUvLayout::Build(const mesh::TMesh& mesh, int width, int height, std::string& error) {
    mesh_ = &mesh;
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    tilesX_ = (width_ + kTile - 1) / kTile;
    const int tilesY = (height_ + kTile - 1) / kTile;
    const size_t tiles = static_cast<size_t>(tilesX_) * static_cast<size_t>(tilesY);
    // A projected layout's triangles across the seam reach past u = 1: they are binned once more
    // shifted back by one, which the entry's low bit records.
    const int shifts = mesh.projectedUv ? 2 : 1;
    const float* uv = mesh.uvs.data();
    const auto visit = [&](auto&& add) {
        for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
            const uint32_t* v = &mesh.indices[3 * t];
            for (int shift = 0; shift < shifts; ++shift) {
                double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
                for (int k = 0; k < 3; ++k) {
                    const double x =
                        (double{uv[2 * size_t{v[k]}]} - shift) * static_cast<double>(width_);
                    const double y =
                        (1.0 - uv[2 * size_t{v[k]} + 1]) * static_cast<double>(height_);
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
                int tx0, tx1, ty0, ty1;
                if (!TileRange(x0, x1, width_, tx0, tx1) || !TileRange(y0, y1, height_, ty0, ty1)) {
                    continue;
                }
                if (!add(tx0, tx1, ty0, ty1, static_cast<uint32_t>(t << 1 | size_t(shift)))) {
                    return false;
                }
            }
        }
        return true;
    };
    const auto tileOf = [this](int tx, int ty) {
        return static_cast<size_t>(ty) * static_cast<size_t>(tilesX_) + static_cast<size_t>(tx);
    };
    // The size first, so that a layout that does not fit costs no more than a pass over it.
    uint64_t total = 0;
    const bool fits = visit([&](int tx0, int tx1, int ty0, int ty1, uint32_t) {
        total += uint64_t(tx1 - tx0 + 1) * uint64_t(ty1 - ty0 + 1);
        return total <= kMaxBinned;
    });
    if (!fits) {
        error = "the UV layout overlaps itself too often to bake at " + std::to_string(width_) +
                " x " + std::to_string(height_);
        return false;
    }
    start_.assign(tiles + 1, 0);
    visit([&](int tx0, int tx1, int ty0, int ty1, uint32_t) {
        for (int ty = ty0; ty <= ty1; ++ty) {
            for (int tx = tx0; tx <= tx1; ++tx) ++start_[tileOf(tx, ty) + 1];
        }
        return true;
    });
    for (size_t k = 0; k < tiles; ++k) start_[k + 1] += start_[k];
    triangles_.assign(total, 0);
    std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
    visit([&](int tx0, int tx1, int ty0, int ty1, uint32_t entry) {
        for (int ty = ty0; ty <= ty1; ++ty) {
            for (int tx = tx0; tx <= tx1; ++tx) triangles_[fill[tileOf(tx, ty)]++] = entry;
        }
        return true;
    });
    return true;
}

bool TUvLayout::Place(hxShadingRecord& r, float u, float v, int i, int j) const {
    const size_t tile = static_cast<size_t>(j / kTile) * static_cast<size_t>(tilesX_) +
                        static_cast<size_t>(i / kTile);
    const mesh::TMesh& m = *mesh_;
    const float* uv = m.uvs.data();
    for (uint32_t k = start_[tile]; k < start_[tile + 1]; ++k) {
        const uint32_t entry = triangles_[k];
        const uint32_t* t = &m.indices[3 * size_t{entry >> 1}];
        const double shift = entry & 1;
        const double u0 = uv[2 * size_t{t[0]}] - shift, v0 = uv[2 * size_t{t[0]} + 1];
        const double eu1 = uv[2 * size_t{t[1]}] - shift - u0, ev1 = uv[2 * size_t{t[1]} + 1] - v0;
        const double eu2 = uv[2 * size_t{t[2]}] - shift - u0, ev2 = uv[2 * size_t{t[2]} + 1] - v0;
        const double pu = u - u0, pv = v - v0;
        const double det = eu1 * ev2 - eu2 * ev1;
        if (!(std::fabs(det) > 0)) continue;
        const double b1 = (pu * ev2 - eu2 * pv) / det, b2 = (eu1 * pv - pu * ev1) / det;
        const double b0 = 1 - b1 - b2;
        if (!(b0 >= -kEdge && b1 >= -kEdge && b2 >= -kEdge)) continue;

        const auto fb0 = static_cast<float>(b0), fb1 = static_cast<float>(b1),
                   fb2 = static_cast<float>(b2);
        const auto blend = [&](const std::vector<float>& a) {
            return At(a, t[0]) * fb0 + At(a, t[1]) * fb1 + At(a, t[2]) * fb2;
        };
        const Vec3 p0 = At(m.positions, t[0]);
        const Vec3 point = blend(m.positions);
        Vec3 geometric = Normalize(Cross(At(m.positions, t[1]) - p0, At(m.positions, t[2]) - p0));
        Vec3 n = Normalize(blend(m.normals));
        if (Length(n) == 0) n = geometric;
        if (Dot(geometric, n) < 0) geometric = geometric * -1.0f;
        // The U and V directions orthonormal against the interpolated normal again.
        Vec3 du = blend(m.uDirections);
        du = Normalize(du - n * Dot(n, du));
        if (Length(du) == 0) {
            du = Normalize(Cross(std::fabs(n[1]) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0}, n));
        }
        Vec3 dv = blend(m.vDirections);
        dv = Normalize(dv - n * Dot(n, dv) - du * Dot(du, dv));
        if (Length(dv) == 0) dv = Cross(n, du);

        r.uv[0] = u;
        r.uv[1] = v;
        r.uvDelta[0] = 1.0f / static_cast<float>(width_);
        r.uvDelta[1] = 1.0f / static_cast<float>(height_);
        for (size_t c = 0; c < 3; ++c) {
            r.worldPoint[c] = point[c];
            r.objectPoint[c] = point[c];
            r.shadingNormal[c] = n[c];
            r.geometricNormal[c] = geometric[c];
            r.uDirection[c] = du[c];
            r.vDirection[c] = dv[c];
            r.viewer[c] = point[c] + n[c];
            r.ray[c] = -n[c];
            r.unitRay[c] = -n[c];
        }
        r.rayLength = 1;
        return true;
    }
    return false;
}

bool LoadBakeMesh(const std::string& path, mesh::TMesh& mesh, std::string& error) {
    const mesh::TMeshIo* io = MeshIo(&error);
    return io != nullptr && io->load(path.c_str(), mesh, error);
}

TBakedMap BakeMap(TPluginHost& plugin, int32_t material, const TBakeSettings& settings,
                  const TUvLayout* layout) {
    plugin.BeginRender();
    TBakedMap map;
    try {
        if (layout == nullptr) {
            map = BakeUVPlane(plugin, material, settings);
        } else {
            map = BakeSurface(plugin, material, settings,
                              [layout](hxShadingRecord& r, float u, float v, int i, int j) {
                                  return layout->Place(r, u, v, i, j);
                              });
        }
    } catch (...) {
        plugin.EndRender();
        throw;
    }
    plugin.EndRender();
    if (layout != nullptr) PadCharts(map, settings.padding);
    return map;
}

bool BakeToFile(TPluginHost& plugin, int32_t material, const TBakeSettings& settings,
                const TUvLayout* layout, const std::string& path, std::string& error) {
    const TBakedMap map = BakeMap(plugin, material, settings, layout);
    const TMapEncoding encoding =
        settings.outputType == kDisplacement ? TMapEncoding::kData : TMapEncoding::kColor;
    return WriteMap(path, map.width, map.height, map.channels, map.pixels, encoding, error);
}

void PadCharts(TBakedMap& map, int padding) {
    if (padding <= 0 || map.covered.empty()) return;
    const int width = map.width, height = map.height, channels = map.channels;
    const auto index = [width](int x, int y) {
        return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
    };
    // Exact Euclidean distance transform in two passes: first the nearest covered row in each
    // column, then per row the lower envelope of the columns' parabolas.
    std::vector<int> nearestRow(map.covered.size(), -1);
    for (int x = 0; x < width; ++x) {
        int last = -1;
        for (int y = 0; y < height; ++y) {
            if (map.covered[index(x, y)] != 0) last = y;
            nearestRow[index(x, y)] = last;
        }
        last = -1;
        for (int y = height - 1; y >= 0; --y) {
            if (map.covered[index(x, y)] != 0) last = y;
            int& best = nearestRow[index(x, y)];
            if (last >= 0 && (best < 0 || last - y < y - best)) best = last;
        }
    }
    const double reach = static_cast<double>(padding) * padding;
    std::vector<int> sites(static_cast<size_t>(width));
    std::vector<double> bounds(static_cast<size_t>(width) + 1);
    for (int y = 0; y < height; ++y) {
        const auto f = [&](int x) {
            const double dy = y - nearestRow[index(x, y)];
            return dy * dy;
        };
        int k = -1;
        for (int q = 0; q < width; ++q) {
            if (nearestRow[index(q, y)] < 0) continue;
            double s = -INFINITY;
            while (k >= 0) {
                const int p = sites[static_cast<size_t>(k)];
                s = ((f(q) + static_cast<double>(q) * q) - (f(p) + static_cast<double>(p) * p)) /
                    (2.0 * (q - p));
                if (s > bounds[static_cast<size_t>(k)]) break;
                --k;
            }
            if (k < 0) s = -INFINITY;
            ++k;
            sites[static_cast<size_t>(k)] = q;
            bounds[static_cast<size_t>(k)] = s;
        }
        if (k < 0) continue;
        int at = 0;
        for (int x = 0; x < width; ++x) {
            while (at < k && bounds[static_cast<size_t>(at) + 1] <= x) ++at;
            if (map.covered[index(x, y)] != 0) continue;
            const int q = sites[static_cast<size_t>(at)];
            const double dx = x - q;
            if (dx * dx + f(q) > reach) continue;
            const size_t from = index(q, nearestRow[index(q, y)]) * static_cast<size_t>(channels);
            const size_t to = index(x, y) * static_cast<size_t>(channels);
            std::copy_n(map.pixels.begin() + static_cast<std::ptrdiff_t>(from), channels,
                        map.pixels.begin() + static_cast<std::ptrdiff_t>(to));
        }
    }
}

}  // namespace vandrel

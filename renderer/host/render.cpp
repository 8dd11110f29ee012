// The preview scene and the tiled, multi-threaded renderer.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numbers>
#include <thread>

#include "renderer/host/host_state.h"
#include "renderer/host/mesh_geometry.h"
#include "renderer/host/tracer.h"

namespace vandrel::host {

namespace {

constexpr int kTile = 16;

// Rotation about x then y (degrees), uniform scale, translation.
std::array<float, 12> Placement(float xDegrees, float yDegrees, float scale, const Vec3& at) {
    const float a = xDegrees * std::numbers::pi_v<float> / 180;
    const float b = yDegrees * std::numbers::pi_v<float> / 180;
    const float ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    // Ry · Rx
    return {scale * cb,  scale * sb * sa, scale * sb * ca, at[0], 0, scale * ca, -scale * sa, at[1],
            -scale * sb, scale * cb * sa, scale * cb * ca, at[2]};
}

int32_t NodeFor(const std::array<float, 12>& transform, const Vec3& location, float size) {
    Node node;
    for (size_t k = 0; k < 12; ++k) node.transform[k] = transform[k];
    node.location = location;
    node.axesPosition = location;
    node.size = {size, size, size};
    node.box = {location[0] - size, location[1] - size, location[2] - size,
                location[0] + size, location[1] + size, location[2] + size};
    return CreateNode(node);
}

// A well-mixed 32-bit hash of the pixel and the sample: jitter that depends on nothing else.
float Jitter(uint32_t x, uint32_t y, uint32_t s, uint32_t axis) {
    uint64_t h = (uint64_t{x} << 40) ^ (uint64_t{y} << 16) ^ (uint64_t{s} << 2) ^ axis;
    h += 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
    h ^= h >> 31;
    return static_cast<float>(h >> 40) / static_cast<float>(1 << 24);
}

struct TCameraFrame {
    Vec3 position, forward, right, up;
    float tanHalf;
};

TCameraFrame Frame(const TCamera& c) {
    TCameraFrame f{};
    f.position = c.position;
    f.forward = Normalize(c.target - c.position);
    if (Length(f.forward) == 0) f.forward = {0, 0, -1};
    f.right = Normalize(Cross(f.forward, c.up));
    if (Length(f.right) == 0) f.right = {1, 0, 0};
    f.up = Cross(f.right, f.forward);
    const float fov = std::clamp(c.verticalFieldOfView, 1.0f, 170.0f);
    f.tanHalf = std::tan(fov * std::numbers::pi_v<float> / 360);
    return f;
}

Vec3 CameraRay(const TCameraFrame& f, float x, float y, float aspect) {
    const float sx = (2 * x - 1) * f.tanHalf * aspect, sy = (1 - 2 * y) * f.tanHalf;
    return Normalize(f.forward + f.right * sx + f.up * sy);
}

}  // namespace

TScene PreviewScene(ShapeKind shape, const std::array<int32_t, 4>& materials) {
    TScene scene;
    TObject object;
    object.shape = shape;
    switch (shape) {
        case ShapeKind::kCube:
            object.transform = Placement(0, 30, 0.8f, {0, -0.2f, 0});
            break;
        case ShapeKind::kPlane:
            object.transform = Placement(60, 0, 1, {0, 0, 0});
            break;
        case ShapeKind::kTorus:
            object.transform = Placement(60, 0, 1.2f, {0, 0, 0});
            break;
        default:
            break;
    }
    object.materials = materials;
    object.node = NodeFor(object.transform,
                          {object.transform[3], object.transform[7], object.transform[11]}, 1);
    scene.objects.push_back(object);

    TObject ground;
    ground.shape = ShapeKind::kGround;
    ground.transform = Placement(0, 0, 1, {0, -1, 0});
    ground.node = NodeFor(ground.transform, {0, -1, 0}, 1);
    scene.objects.push_back(ground);

    scene.lights.push_back({LightKind::kAmbient, {1, 1, 1}, {}, {}});
    scene.lights.push_back({LightKind::kPoint, {0.9f, 0.88f, 0.85f}, {-4, 6, 5}, {}});
    scene.lights.push_back({LightKind::kDirectional, {0.25f, 0.27f, 0.3f}, {}, {-1, -0.4f, -0.6f}});
    return scene;
}

std::array<float, 12> FitMesh(const TMeshGeometry& mesh, const std::array<float, 12>& placement) {
    const mesh::TMesh& m = mesh.Mesh();
    const float s = m.radius > 0 ? 1 / m.radius : 1;
    std::array<float, 12> fit{};
    for (size_t row = 0; row < 3; ++row) {
        float moved = placement[4 * row + 3];
        for (size_t k = 0; k < 3; ++k) {
            fit[4 * row + k] = placement[4 * row + k] * s;
            moved -= placement[4 * row + k] * s * m.centre[k];
        }
        fit[4 * row + 3] = moved;
    }
    return fit;
}

TScene PreviewScene(std::shared_ptr<const TMeshGeometry> mesh,
                    const std::array<int32_t, 4>& materials) {
    TScene scene = PreviewScene(ShapeKind::kSphere, materials);
    TObject& object = scene.objects.front();
    object.shape = ShapeKind::kMesh;
    object.transform = FitMesh(*mesh, object.transform);
    object.mesh = std::move(mesh);
    return scene;
}

Vec3 RenderPoint(const TScene& scene, float x, float y, float aspect) {
    const TCameraFrame frame = Frame(scene.camera);
    const std::vector<std::array<float, 12>> inverses = ObjectInverses(scene);
    const TTraceScope scope({&scene, 0, 1, 2 * frame.tanHalf / 256, inverses.data()});
    return TraceUnit(scene, frame.position, CameraRay(frame, x, y, aspect), 0);
}

std::vector<float> Render(const TScene& scene, const TRenderSettings& settings) {
    const int width = std::max(settings.width, 1), height = std::max(settings.height, 1);
    const int samples = std::max(settings.samples, 1);
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(samples))));
    const int rows = (samples + columns - 1) / columns;
    std::vector<float> image(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0.0f);
    const int tilesX = (width + kTile - 1) / kTile, tilesY = (height + kTile - 1) / kTile;
    const int tiles = tilesX * tilesY;
    const TCameraFrame frame = Frame(scene.camera);
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    // Divisions, not products with reciprocals: a sample on a checker edge lands where it did.
    const float fColumns = static_cast<float>(columns), fRows = static_cast<float>(rows);
    const float fWidth = static_cast<float>(width), fHeight = static_cast<float>(height);
    std::atomic<int> next{0}, done{0};
    // Finished tiles of each row of tiles: a row of tiles is finished when it reaches tilesX.
    std::vector<std::atomic<int>> rowTiles(static_cast<size_t>(tilesY));
    std::mutex waitLock;
    std::condition_variable wake;
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureLock;
    const std::vector<std::array<float, 12>> inverses = ObjectInverses(scene);
    const auto stopped = [&] {
        return failed.load(std::memory_order_relaxed) ||
               (settings.cancel != nullptr && settings.cancel->load(std::memory_order_relaxed));
    };

    int rowsHanded = 0;  // rows of tiles
    const auto handFinishedRows = [&] {
        int rows = rowsHanded;
        while (rows < tilesY && rowTiles[static_cast<size_t>(rows)].load() == tilesX) ++rows;
        if (rows == rowsHanded) return;
        rowsHanded = rows;
        settings.rowsFinished(image.data(), std::min(rows * kTile, height));
    };
    const auto nextRowFinished = [&] {
        return rowsHanded < tilesY && rowTiles[static_cast<size_t>(rowsHanded)].load() == tilesX;
    };
    // On the calling thread: what is finished goes on when a row of tiles is complete, progress
    // at least every 100 ms.
    auto lastHanded = std::chrono::steady_clock::now();
    const auto handOn = [&](bool always) {
        if (!settings.progress && !settings.rowsFinished) return;
        const auto now = std::chrono::steady_clock::now();
        if (!always && !nextRowFinished() && now - lastHanded < std::chrono::milliseconds(100)) {
            return;
        }
        lastHanded = now;
        if (settings.progress) settings.progress(done.load(), tiles);
        if (settings.rowsFinished) handFinishedRows();
    };

    auto renderTiles = [&](bool caller) {
        const TTraceScope scope(
            {&scene, 0, 1, 2 * frame.tanHalf / static_cast<float>(height), inverses.data()});
        for (int tile = next++; tile < tiles && !stopped(); tile = next++) {
            const int x0 = (tile % tilesX) * kTile, y0 = (tile / tilesX) * kTile;
            for (int y = y0; y < std::min(y0 + kTile, height); ++y) {
                for (int x = x0; x < std::min(x0 + kTile, width); ++x) {
                    Vec3 sum{};
                    // The sample's cell of the stratification, column by column.
                    int column = 0, row = 0;
                    for (int s = 0; s < samples; ++s) {
                        const auto ux = static_cast<uint32_t>(x), uy = static_cast<uint32_t>(y),
                                   us = static_cast<uint32_t>(s);
                        const float fx =
                            (static_cast<float>(column) + Jitter(ux, uy, us, 0)) / fColumns;
                        const float fy = (static_cast<float>(row) + Jitter(ux, uy, us, 1)) / fRows;
                        const Vec3 d = CameraRay(frame, (static_cast<float>(x) + fx) / fWidth,
                                                 (static_cast<float>(y) + fy) / fHeight, aspect);
                        sum = sum + TraceUnit(scene, frame.position, d, 0);
                        if (++column == columns) column = 0, ++row;
                    }
                    float* out = &image[(static_cast<size_t>(y) * static_cast<size_t>(width) +
                                         static_cast<size_t>(x)) *
                                        3];
                    Store(out, sum * (1.0f / static_cast<float>(samples)));
                }
            }
            ++done;
            // Released with the pixels: the caller reads the row once it sees it finished.
            if (++rowTiles[static_cast<size_t>(tile / tilesX)] == tilesX || done.load() == tiles) {
                const std::lock_guard lock(waitLock);
                wake.notify_one();
            }
            if (caller) handOn(false);
        }
    };
    // Nothing may leave a thread's function, the callbacks' exceptions included: the first
    // exception stops every thread and is thrown again on the calling thread.
    const auto failWith = [&](std::exception_ptr e) {
        const std::lock_guard lock(failureLock);
        if (!failure) failure = std::move(e);
        failed = true;
    };
    auto work = [&](bool caller) {
        try {
            renderTiles(caller);
        } catch (...) {
            failWith(std::current_exception());
        }
    };

    int threads = settings.threads > 0 ? settings.threads
                                       : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(tiles, 1));
    // The calling thread is one of them: asked for N threads, a render keeps N busy, and what
    // takes its rows (an encoder, a preview) runs on one of those N between its tiles.
    std::vector<std::thread> pool;
    try {
        pool.reserve(static_cast<size_t>(threads - 1));
        for (int t = 1; t < threads; ++t) {
            const auto worker = [&work] { work(false); };
            pool.push_back(settings.startThread ? settings.startThread(worker)
                                                : std::thread(worker));
        }
    } catch (const std::exception&) {
        // Out of threads or of memory for their stacks: fewer threads render the same image.
    }
    const int started = static_cast<int>(pool.size()) + 1;
    if (started < threads && settings.threadsReduced) settings.threadsReduced(started, threads);
    work(true);
    if (settings.progress || settings.rowsFinished) {
        // No tile left to begin: the rows the other threads still render are handed on as they
        // finish.
        std::unique_lock lock(waitLock);
        while (done.load() < tiles && !stopped()) {
            wake.wait_for(lock, std::chrono::milliseconds(100),
                          [&] { return done.load() == tiles || stopped() || nextRowFinished(); });
            lock.unlock();
            try {
                handOn(true);
            } catch (...) {
                failWith(std::current_exception());
            }
            lock.lock();
        }
        lock.unlock();
    }
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
    if (settings.progress) settings.progress(tiles, tiles);
    if (settings.rowsFinished && done.load() == tiles) handFinishedRows();
    return image;
}

}  // namespace vandrel::host

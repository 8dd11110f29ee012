#include "renderer/bake.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>

#include "core/context.h"
#include "renderer/host/height_probe.h"

namespace vandrel {

namespace {

// A well-mixed hash of the pixel, the sample and the axis to [0, 1): jitter that depends on
// nothing else, so that shards and reruns bake the same pixels.
float Jitter(uint32_t i, uint32_t j, uint32_t s, uint32_t axis) {
    uint64_t h = (uint64_t{i} << 40) ^ (uint64_t{j} << 16) ^ (uint64_t{s} << 2) ^ axis;
    h += 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
    h ^= h >> 31;
    return static_cast<float>(h >> 40) / static_cast<float>(1 << 24);
}

int ChannelsOf(int32_t outputType) { return outputType == kTransparency ? 4 : 3; }

// Sums of a pixel's samples, in double so that one sample comes out exactly as evaluated.
struct TPixelSum {
    double value[4] = {};
    double height = 0;
    int heights = 0;
};

void AddSample(int32_t type, const hxShadingRecord& r, TPixelSum& sum) {
    const float* v = type == kTransparency   ? r.filterOut
                     : type == kDisplacement ? r.shadingNormal
                                             : r.colorOut;
    for (int k = 0; k < 3; ++k) sum.value[k] += v[k];
    if (type == kTransparency) sum.value[3] += r.alpha;
    float height = 0;
    if (host::TakeMeasuredHeight(height)) {
        sum.height += height;
        ++sum.heights;
    }
}

// n · 0.5 + 0.5 of the unit normal; the plane's own normal when there is none.
void StoreNormal(const double n[3], float* out) {
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const bool usable = length > 0 && std::isfinite(length);
    for (int k = 0; k < 3; ++k) {
        const double unit = usable ? n[k] / length : (k == 2 ? 1.0 : 0.0);
        out[k] = static_cast<float>(unit * 0.5 + 0.5);
    }
}

}  // namespace

void SetUVPlaneSample(hxShadingRecord& r, float u, float v, int width, int height) {
    r.uv[0] = u;
    r.uv[1] = v;
    r.uvDelta[0] = 1.0f / static_cast<float>(width);
    r.uvDelta[1] = 1.0f / static_cast<float>(height);
    const float point[3] = {u, v, 0};
    for (int k = 0; k < 3; ++k) {
        r.worldPoint[k] = point[k];
        r.objectPoint[k] = point[k];
        r.shadingNormal[k] = k == 2 ? 1.0f : 0.0f;
        r.geometricNormal[k] = k == 2 ? 1.0f : 0.0f;
        r.uDirection[k] = k == 0 ? 1.0f : 0.0f;
        r.vDirection[k] = k == 1 ? 1.0f : 0.0f;
        r.ray[k] = k == 2 ? -1.0f : 0.0f;
        r.unitRay[k] = k == 2 ? -1.0f : 0.0f;
    }
    r.viewer[0] = u;
    r.viewer[1] = v;
    r.viewer[2] = 1;
    r.rayLength = 1;
}

TBakedMap BakeUVPlane(const TPluginHost& plugin, int32_t material, const TBakeSettings& settings) {
    const int width = std::max(settings.width, 1), height = std::max(settings.height, 1);
    return BakeSurface(plugin, material, settings,
                       [width, height](hxShadingRecord& record, float u, float v, int, int) {
                           SetUVPlaneSample(record, u, v, width, height);
                           return true;
                       });
}

TBakedMap BakeSurface(const TPluginHost& plugin, int32_t material, const TBakeSettings& settings,
                      const TBakePlacement& place) {
    const int width = std::max(settings.width, 1), height = std::max(settings.height, 1);
    const int samples = std::max(settings.samples, 1);
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(samples))));
    const int rows = (samples + columns - 1) / columns;
    const int32_t type = settings.outputType;
    const int channels = ChannelsOf(type);
    const auto pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);

    TBakedMap map;
    map.width = width;
    map.height = height;
    map.channels = channels;
    map.pixels.assign(pixelCount * static_cast<size_t>(channels), 0.0f);
    std::vector<float> heights(type == kDisplacement ? pixelCount : 0, 0.0f);
    std::atomic<bool> measuredHeights{false};
    std::vector<uint8_t> covered(pixelCount, 0);

    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureLock;

    const auto bakeRows = [&] {
        for (int j = next++; j < height && !failed.load(std::memory_order_relaxed); j = next++) {
            for (int i = 0; i < width; ++i) {
                TPixelSum sum;
                int hits = 0;
                for (int s = 0; s < samples; ++s) {
                    float fx = 0.5f, fy = 0.5f;
                    if (samples > 1) {
                        const auto ui = static_cast<uint32_t>(i), uj = static_cast<uint32_t>(j),
                                   us = static_cast<uint32_t>(s);
                        fx = (static_cast<float>(s % columns) + Jitter(ui, uj, us, 0)) /
                             static_cast<float>(columns);
                        fy = (static_cast<float>(s / columns) + Jitter(ui, uj, us, 1)) /
                             static_cast<float>(rows);
                    }
                    hxShadingRecord record = settings.base;
                    if (!place(record, (static_cast<float>(i) + fx) / static_cast<float>(width),
                               1.0f - (static_cast<float>(j) + fy) / static_cast<float>(height), i,
                               j)) {
                        continue;
                    }
                    ++hits;
                    if (settings.finish) settings.finish(record);
                    float discarded = 0;
                    (void)host::TakeMeasuredHeight(discarded);
                    plugin.Shade(type, material, record);
                    AddSample(type, record, sum);
                }
                const size_t at =
                    static_cast<size_t>(j) * static_cast<size_t>(width) + static_cast<size_t>(i);
                // What no sample lands on stays background (zero).
                if (hits == 0) continue;
                covered[at] = 1;
                float* out = &map.pixels[at * static_cast<size_t>(channels)];
                if (type == kDisplacement) {
                    StoreNormal(sum.value, out);
                    if (sum.heights > 0) {
                        heights[at] = static_cast<float>(sum.height / sum.heights);
                        measuredHeights.store(true, std::memory_order_relaxed);
                    }
                } else {
                    for (int k = 0; k < channels; ++k) {
                        out[k] = static_cast<float>(sum.value[k] / hits);
                    }
                }
            }
        }
    };
    // Nothing may leave a thread's function: the first exception stops every thread and is thrown
    // again on the calling thread.
    const auto work = [&] {
        try {
            bakeRows();
        } catch (...) {
            const std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
            failed = true;
        }
    };

    int threads = settings.threads > 0 ? settings.threads
                                       : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, height);
    // One thread is the calling one.
    std::vector<std::thread> pool;
    try {
        pool.reserve(static_cast<size_t>(threads - 1));
        for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (const std::exception&) {
        // Out of threads or of memory for their stacks: fewer threads bake the same map.
    }
    const int started = static_cast<int>(pool.size()) + 1;
    if (started < threads && settings.threadsReduced) settings.threadsReduced(started, threads);
    work();
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);

    if (measuredHeights.load()) {
        map.channels = 1;
        map.heights = true;
        map.pixels = std::move(heights);
    }
    map.covered = std::move(covered);
    return map;
}

}  // namespace vandrel

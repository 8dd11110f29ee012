// The host's file reading: textures, bump maps and images decoded by the image module, and the
// handle table behind hsTexture*, hsBump* and hsImage*.
#include "renderer/host/images.h"

#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

#include "hostapi/hostapi.h"
#include "renderer/host/image_io_loader.h"

namespace vandrel::host {
namespace {

float Finite(double v) { return std::isfinite(v) ? static_cast<float>(v) : 0.0f; }

uint8_t ToByte(float v) {
    // The negated test sends NaN to 0 too.
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

struct TTable {
    std::shared_mutex mutex;
    std::unordered_map<int32_t, std::shared_ptr<const TLoadedImage>> images;
    // Grows with every destroy; a thread's cached lookups are only good for the value they saw.
    // Starts at 1 so that an empty cache entry never matches.
    std::atomic<uint64_t> generation{1};
    std::atomic<int64_t> nextHandle{1};
};

TTable& Table() {
    // Never destroyed: rendering threads may still look handles up while the process exits.
    static TTable* const table = new TTable;
    return *table;
}

std::shared_ptr<const TLoadedImage> Lookup(TTable& table, int32_t handle) {
    std::shared_lock lock(table.mutex);
    const auto found = table.images.find(handle);
    return found == table.images.end() ? nullptr : found->second;
}

// Each thread remembers its last few lookups, so the per-sample calls do not touch the lock.
struct TCacheEntry {
    int32_t handle = 0;
    uint64_t generation = 0;
    std::shared_ptr<const TLoadedImage> image;
};
struct TThreadCache {
    std::array<TCacheEntry, 8> entries;
    size_t next = 0;
};
thread_local TThreadCache threadCache;

// The calling thread's reason for its last read that gave no handle.
thread_local std::string lastFailure;

int32_t Read(const char* path, ImageKind kind) {
    std::string why;
    const int32_t handle = RegisterImage(DecodeImageFile(path, kind, &why));
    try {
        lastFailure = handle != 0 ? std::string() : why.empty() ? "no handle left" : why;
    } catch (...) {
        lastFailure.clear();
    }
    return handle;
}

// Bytes of the record of a picture of this kind.
int64_t RecordBytes(ImageKind kind, int64_t width, int64_t height) {
    const int64_t perPixel = kind == ImageKind::kTexture ? 3 * sizeof(float)
                             : kind == ImageKind::kBump  ? sizeof(float)
                                                         : 3;
    return width * height * perPixel;
}

// Fills the record of one kind from the decoded rows.
class TRecordSink final : public TImageSink {
  public:
    explicit TRecordSink(ImageKind kind) : kind_(kind) {}

    bool Begin(int32_t width, int32_t height, int32_t channels) override {
        const int64_t bytes = RecordBytes(kind_, width, height);
        if (bytes > kImageBudget) {
            refusal_ = std::to_string(width) + " x " + std::to_string(height) + " pixels need " +
                       std::to_string((bytes + (1 << 20) - 1) >> 20) +
                       " MiB, more than the 256 MiB a picture may take";
            return false;
        }
        if (channels != 1 && channels != 3) return false;
        channels_ = channels;
        image_ = std::make_shared<TLoadedImage>();
        image_->kind = kind_;
        image_->width = width;
        image_->height = height;
        image_->channels = kind_ == ImageKind::kBump ? 1 : 3;
        const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
        if (kind_ == ImageKind::kImage) {
            image_->bytes.resize(pixels * 3);
        } else {
            image_->floats.resize(pixels * static_cast<size_t>(image_->channels));
        }
        return true;
    }

    void Rows(int32_t y, int32_t count, const float* raw) override {
        const size_t first = static_cast<size_t>(y) * static_cast<size_t>(image_->width);
        const size_t pixels = static_cast<size_t>(count) * static_cast<size_t>(image_->width);
        const int used = channels_;
        for (size_t n = 0; n < pixels; ++n) {
            const float* p = raw + n * static_cast<size_t>(used);
            const float r = p[0], g = used == 3 ? p[1] : p[0], b = used == 3 ? p[2] : p[0];
            const size_t i = first + n;
            switch (kind_) {
                case ImageKind::kBump:
                    image_->floats[i] = Finite(0.299 * r + 0.587 * g + 0.114 * b);
                    break;
                case ImageKind::kTexture:
                    image_->floats[3 * i] = Finite(r);
                    image_->floats[3 * i + 1] = Finite(g);
                    image_->floats[3 * i + 2] = Finite(b);
                    break;
                case ImageKind::kImage:
                    image_->bytes[3 * i] = ToByte(r);
                    image_->bytes[3 * i + 1] = ToByte(g);
                    image_->bytes[3 * i + 2] = ToByte(b);
                    break;
            }
        }
    }

    std::shared_ptr<TLoadedImage> Image() { return std::move(image_); }
    const std::string& Refusal() const { return refusal_; }

  private:
    ImageKind kind_;
    int32_t channels_ = 0;
    std::shared_ptr<TLoadedImage> image_;
    std::string refusal_;
};

}  // namespace

std::shared_ptr<const TLoadedImage> DecodeImageFile(const char* path, ImageKind kind,
                                                    std::string* why) {
    try {
        std::string error;
        const TImageIo* io = ImageIo(&error);
        if (io == nullptr) {
            if (why != nullptr) *why = "the image module cannot be loaded: " + error;
            return nullptr;
        }
        TRecordSink sink(kind);
        std::string reason;
        if (!io->read(path, sink, &reason)) {
            if (why != nullptr) *why = sink.Refusal().empty() ? reason : sink.Refusal();
            return nullptr;
        }
        return sink.Image();
    } catch (...) {
        if (why != nullptr) why->clear();
        return nullptr;
    }
}

std::string LastImageReadFailure() { return lastFailure; }

int32_t RegisterImage(std::shared_ptr<const TLoadedImage> image) {
    if (!image) return 0;
    TTable& table = Table();
    const int64_t handle = table.nextHandle.fetch_add(1);
    // Wrapping around would hand out old handles again.
    if (handle > std::numeric_limits<int32_t>::max()) return 0;
    try {
        std::unique_lock lock(table.mutex);
        table.images.emplace(static_cast<int32_t>(handle), std::move(image));
    } catch (...) {
        return 0;
    }
    return static_cast<int32_t>(handle);
}

void DestroyImage(ImageKind kind, int32_t handle) {
    TTable& table = Table();
    std::shared_ptr<const TLoadedImage> doomed;
    try {
        std::unique_lock lock(table.mutex);
        const auto found = table.images.find(handle);
        if (found == table.images.end() || found->second->kind != kind) return;
        doomed = std::move(found->second);
        table.images.erase(found);
        table.generation.fetch_add(1, std::memory_order_release);
    } catch (...) {
        return;  // the lock could not be taken
    }
    // The pixels are freed outside the lock (or later, by the last thread still holding them).
}

const TLoadedImage* FindImage(ImageKind kind, int32_t handle) {
    if (handle <= 0) return nullptr;
    TTable& table = Table();
    const uint64_t generation = table.generation.load(std::memory_order_acquire);
    TThreadCache& cache = threadCache;
    for (const TCacheEntry& entry : cache.entries) {
        if (entry.handle == handle && entry.generation == generation) {
            return entry.image->kind == kind ? entry.image.get() : nullptr;
        }
    }
    std::shared_ptr<const TLoadedImage> image;
    try {
        image = Lookup(table, handle);
    } catch (...) {
        return nullptr;  // the lock could not be taken
    }
    // Entries from before a destroy may hold destroyed records; let them go.
    TCacheEntry* slot = nullptr;
    for (TCacheEntry& entry : cache.entries) {
        if (entry.generation != generation) entry = TCacheEntry{};
        if (slot == nullptr && entry.handle == 0) slot = &entry;
    }
    if (!image) return nullptr;
    if (slot == nullptr) {
        slot = &cache.entries[cache.next];
        cache.next = (cache.next + 1) % cache.entries.size();
    }
    *slot = TCacheEntry{handle, generation, std::move(image)};
    return slot->image->kind == kind ? slot->image.get() : nullptr;
}

std::shared_ptr<const TLoadedImage> SharedImage(ImageKind kind, int32_t handle) {
    if (handle <= 0) return nullptr;
    try {
        std::shared_ptr<const TLoadedImage> image = Lookup(Table(), handle);
        return image && image->kind == kind ? image : nullptr;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace vandrel::host

using vandrel::host::DestroyImage;
using vandrel::host::FindImage;
using vandrel::host::ImageKind;

extern "C" {

int32_t hsTextureRead(const char* path, int32_t mode) {
    // The mode does not change what is kept: sampling reads the full RGB either way.
    (void)mode;
    return vandrel::host::Read(path, ImageKind::kTexture);
}

int32_t hsBumpRead(const char* path) { return vandrel::host::Read(path, ImageKind::kBump); }

int32_t hsImageRead(const char* path) { return vandrel::host::Read(path, ImageKind::kImage); }

void hsTextureDestroy(int32_t texture) { DestroyImage(ImageKind::kTexture, texture); }
void hsBumpDestroy(int32_t bump) { DestroyImage(ImageKind::kBump, bump); }
void hsImageDestroy(int32_t image) { DestroyImage(ImageKind::kImage, image); }

int32_t hsImageGetWidth(int32_t image) {
    const vandrel::host::TLoadedImage* record = FindImage(ImageKind::kImage, image);
    return record ? record->width : 0;
}

int32_t hsImageGetHeight(int32_t image) {
    const vandrel::host::TLoadedImage* record = FindImage(ImageKind::kImage, image);
    return record ? record->height : 0;
}

uint32_t hsImageGetPixel(int32_t image, int32_t x, int32_t y) {
    const vandrel::host::TLoadedImage* record = FindImage(ImageKind::kImage, image);
    if (record == nullptr || !record->Contains(x, y)) return 0;
    const uint8_t* p = record->BytePixel(x, y);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16);
}

}  // extern "C"

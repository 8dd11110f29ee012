// The stand-in host's decoded textures, bump maps and images, and the table their handles name.
//
// hsTextureRead, hsBumpRead and hsImageRead decode a whole file (the first subimage at full
// resolution) and keep it in memory until its destroy operation:
//   - texture: RGB floats as the file holds them (no colour-space conversion; NaN and infinities
//     become 0);
//   - bump map: one float height per pixel, the 0.299 R + 0.587 G + 0.114 B of the texture's RGB;
//   - image: RGB bytes, float values v stored as round(255 v) clamped to 0 … 255.
// A file with one or two channels is grey (its first channel fills R, G and B); further channels
// (alpha among them) are ignored and colours are never multiplied by alpha. Rows run from the top
// of the picture down. A missing or undecodable file, a volume, a file whose header claims more
// pixels than its size can hold, or one whose record would take more than kImageBudget bytes
// gives handle 0; the reason is kept for the thread that asked (LastImageReadFailure). The size
// is checked before anything is allocated, and the file is decoded a band of rows at a time, so
// reading takes little more memory than the record it makes.
//
// Handles are 32-bit, unique within a process run across all three kinds, and never reused; 0 is
// none. Any thread may look a handle up while others read or destroy; repeated lookups of the same
// handle on one thread take no lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vandrel::host {

enum class ImageKind { kTexture, kBump, kImage };

// The most one decoded record may take: 256 MiB, a texture of about 4 700 × 4 700 pixels (12
// bytes each), an image of about 9 400 × 9 400 (3 bytes each).
inline constexpr int64_t kImageBudget = int64_t{256} << 20;

struct TLoadedImage {
    ImageKind kind = ImageKind::kImage;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;        // 3 for textures and images, 1 for bump maps
    std::vector<float> floats;   // textures and bump maps: width · height · channels, row by row
    std::vector<uint8_t> bytes;  // images: width · height · 3, row by row

    bool Contains(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    size_t Index(int32_t x, int32_t y) const {
        return (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) *
               static_cast<size_t>(channels);
    }
    // The channels of pixel (x, y), which must lie inside; FloatPixel for textures and bump maps,
    // BytePixel for images.
    const float* FloatPixel(int32_t x, int32_t y) const { return floats.data() + Index(x, y); }
    const uint8_t* BytePixel(int32_t x, int32_t y) const { return bytes.data() + Index(x, y); }
};

// Decodes a file as the record of this kind; null when it cannot (see above), with the reason in
// *why when given. Never throws.
std::shared_ptr<const TLoadedImage> DecodeImageFile(const char* path, ImageKind kind,
                                                    std::string* why = nullptr);

// Why the calling thread's last hsTextureRead, hsBumpRead or hsImageRead gave no handle; empty
// after one that gave a handle.
std::string LastImageReadFailure();

// Enters a record into the table; its new handle, or 0 for null or when handles ran out.
int32_t RegisterImage(std::shared_ptr<const TLoadedImage> image);
// Removes the record of a live handle of this kind; other handles are left alone.
void DestroyImage(ImageKind kind, int32_t handle);

// The record of a live handle of this kind; null for 0, unknown, destroyed handles and handles of
// another kind. FindImage takes no lock when the calling thread found the same handle last time;
// its pointer stays valid on the calling thread until that thread's next FindImage. SharedImage
// returns a record its holder keeps alive.
const TLoadedImage* FindImage(ImageKind kind, int32_t handle);
std::shared_ptr<const TLoadedImage> SharedImage(ImageKind kind, int32_t handle);

}  // namespace vandrel::host

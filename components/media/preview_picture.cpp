#include "components/media/preview_picture.h"

#include <cstddef>

namespace vandrel {
namespace {

// A binary PPM (P6), as the build embeds it.
constexpr unsigned char kPpm[] = {
#include "texture0_ppm.inc"
};

constexpr bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

struct TPpmHeader {
    bool ok = false;
    size_t pixels = 0;  // offset of the first pixel byte
};

// Reads "P6", width, height and maximum, with the comments and white space PPM allows between
// them, and checks that a 128 x 128 picture of 8-bit samples follows.
constexpr TPpmHeader ParseHeader() {
    size_t at = 0;
    const size_t size = sizeof(kPpm);
    if (size < 2 || kPpm[0] != 'P' || kPpm[1] != '6') return {};
    at = 2;
    long fields[3] = {0, 0, 0};
    for (long& field : fields) {
        for (;;) {
            if (at < size && IsSpace(kPpm[at])) {
                ++at;
            } else if (at < size && kPpm[at] == '#') {
                while (at < size && kPpm[at] != '\n') ++at;
            } else {
                break;
            }
        }
        if (at >= size || kPpm[at] < '0' || kPpm[at] > '9') return {};
        while (at < size && kPpm[at] >= '0' && kPpm[at] <= '9' && field < 100000) {
            field = field * 10 + (kPpm[at++] - '0');
        }
    }
    // Exactly one white-space byte separates the header from the pixels.
    if (at >= size || !IsSpace(kPpm[at])) return {};
    ++at;
    constexpr size_t kBytes = size_t{3} * kPreviewPictureSize * kPreviewPictureSize;
    if (fields[0] != kPreviewPictureSize || fields[1] != kPreviewPictureSize || fields[2] != 255 ||
        size - at != kBytes) {
        return {};
    }
    return {true, at};
}

constexpr TPpmHeader kHeader = ParseHeader();
static_assert(kHeader.ok, "resources/TEXTURE0.ppm must be a 128 x 128 binary PPM of 8-bit samples");

}  // namespace

TRgb8 PreviewPixel(int32_t x, int32_t y) {
    // The low seven bits of a two's complement integer are its non-negative remainder modulo 128.
    constexpr uint32_t kMask = kPreviewPictureSize - 1;
    const uint32_t column = static_cast<uint32_t>(x) & kMask;
    const uint32_t row = static_cast<uint32_t>(y) & kMask;
    const unsigned char* p = kPpm + kHeader.pixels + 3 * (row * kPreviewPictureSize + column);
    return {p[0], p[1], p[2]};
}

}  // namespace vandrel

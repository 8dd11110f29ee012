// Prints pictures' pixels as the tests compare them: for each file "WIDTH HEIGHT CHANNELS", then
// one line per pixel, rows from the top, each channel as a float with nine significant digits
// (integer formats scaled to 0 … 1, nothing else converted, not even a straight alpha). One
// process for several files, since loading the image library takes longer than reading them.
// A file that cannot be read prints "0 0 0"; the exit status is then 1.
//
//   vandrel_read_pixels FILE...
#include <OpenImageIO/imageio.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

bool Print(const char* path) {
    // The values as stored: colours with a straight alpha are not multiplied by it on reading.
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in) {
        std::fprintf(stderr, "cannot read %s: %s\n", path, OIIO::geterror().c_str());
        return false;
    }
    const OIIO::ImageSpec& meta = in->spec();
    const auto channels = static_cast<size_t>(meta.nchannels);
    std::vector<float> pixels(meta.image_pixels() * channels);
    if (!in->read_image(0, 0, 0, meta.nchannels, OIIO::TypeDesc::FLOAT, pixels.data())) {
        std::fprintf(stderr, "cannot decode %s: %s\n", path, in->geterror().c_str());
        return false;
    }
    std::printf("%d %d %d\n", meta.width, meta.height, meta.nchannels);
    for (size_t p = 0; p < meta.image_pixels(); ++p) {
        for (size_t c = 0; c < channels; ++c) {
            std::printf(c == 0 ? "%.9g" : " %.9g", static_cast<double>(pixels[p * channels + c]));
        }
        std::printf("\n");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vandrel_read_pixels FILE...\n");
        return 1;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        if (!Print(argv[i])) {
            std::printf("0 0 0\n");
            status = 1;
        }
    }
    return status;
}

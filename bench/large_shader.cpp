// Writes a shader file of about 60 MB for the memory benchmark (bench/peak_memory.sh):
//   tree   21 000 Sine components of 255 constant instructions each, beside the default root;
//   pad    the default tree with 60 MiB of editor layout, which rendering never reads;
//   custom the default tree with one unused 60 MiB custom component definition.
//
//   vandrel_large_shader KIND FILE
#include <cstdio>
#include <string>

#include "components/registry.h"
#include "core/shader_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vandrel_large_shader tree|pad|custom FILE\n");
        return 1;
    }
    vandrel::InstallComponents();
    const std::string kind = argv[1];
    const std::string root = "000105V0F0002V2F000AV3F002BS00008FS00009F000F";
    const std::string tail = "#%%0000#02D%%#TTTT##";
    constexpr size_t kPad = size_t{60} << 20;
    std::string stream;
    if (kind == "tree") {
        constexpr int kComponents = 21000;
        std::string sine = "0065FF";
        for (int i = 0; i < 255; ++i) sine += "C0F3F800000";
        sine += "000F";
        char count[8];
        std::snprintf(count, sizeof count, "%04X", kComponents + 1);
        stream = "XR" + std::string(count);
        stream.reserve(kComponents * sine.size() + 100);
        for (int i = 0; i < kComponents; ++i) stream += sine;
        stream += root + tail;
    } else if (kind == "pad") {
        stream = "XR0001" + root + "#" + std::string(kPad, 'A') + "#02D%%#TTTT##";
    } else if (kind == "custom") {
        stream = "XR0001" + root + tail + "8001" + std::string(kPad, 'A');
    } else {
        std::fprintf(stderr, "vandrel_large_shader: unknown kind %s\n", kind.c_str());
        return 1;
    }
    const vandrel::TSaveResult saved = vandrel::SaveShaderFile(argv[2], stream);
    if (!saved.ok) std::fprintf(stderr, "vandrel_large_shader: %s\n", saved.error.c_str());
    return saved.ok ? 0 : 1;
}

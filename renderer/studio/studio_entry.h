// The studio lives in a module of its own, libvandrel_studio.so beside the `vandrel` program, so
// that the command line starts without loading Qt; `vandrel studio` opens it with dlopen and calls
// its one entry.
#pragma once

namespace vandrel::studio {

inline constexpr const char* kStudioModule = "libvandrel_studio.so";
inline constexpr const char* kStudioEntry = "vandrel_studio_main";

// Runs the studio until its window closes; the exit status. shader may be null or empty.
using TStudioMain = int (*)(int argc, char** argv, const char* shader);

}  // namespace vandrel::studio

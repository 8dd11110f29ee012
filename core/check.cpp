#include "core/check.h"

#include <cstdio>
#include <cstdlib>

namespace vandrel {

void CheckFailed(const char* condition, const char* file, int line) noexcept {
    std::fprintf(stderr, "vandrel: invariant failed at %s:%d: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

}  // namespace vandrel

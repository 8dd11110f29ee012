#include "core/numbers.h"

#include <cfenv>

namespace vandrel {

void SetFloatEnvironment() {
    if (std::fegetround() != FE_TONEAREST) std::fesetround(FE_TONEAREST);
#if defined(__GLIBC__)
    // A host may have unmasked traps; evaluation relies on NaN and infinities flowing silently.
    if (fegetexcept() != 0) fedisableexcept(FE_ALL_EXCEPT);
#endif
}

}  // namespace vandrel

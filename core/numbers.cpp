#include "core/numbers.h"

#include <cfenv>

namespace vandrel {

void SetFloatEnvironment() {
    if (std::fegetround() != FE_TONEAREST) std::fesetround(FE_TONEAREST);
#if defined(__GLIBC__)
    // A host may have unmasked traps; evaluation relies on NaN and infinities flowing silently.
    if (fegetexcept() != 0) fedisableexcept(FE_ALL_EXCEPT);
#endif
#if defined(__x86_64__)
    // No standard call sets the x87 precision: 64-bit mantissa, with the masks and rounding that
    // the calls above have set.
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    const auto wanted = static_cast<unsigned short>((cw & ~0x0F3Fu) | 0x033Fu);
    if (cw != wanted) __asm__ volatile("fldcw %0" : : "m"(wanted));
#endif
}

}  // namespace vandrel

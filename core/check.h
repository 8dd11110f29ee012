// VANDREL_DCHECK(condition): an invariant that the code relies on. In checked builds (every
// sanitizer build, or VANDREL_CHECKS) a false condition prints where it failed and aborts, so that
// a broken invariant stops at its cause instead of far from it; elsewhere the condition is not
// evaluated, costs nothing, and is still compiled, so it cannot rot.
#pragma once

namespace vandrel {

[[noreturn]] void CheckFailed(const char* condition, const char* file, int line) noexcept;

}  // namespace vandrel

#if defined(VANDREL_CHECKS)
#define VANDREL_DCHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::vandrel::CheckFailed(#condition, __FILE__, __LINE__))
#else
#define VANDREL_DCHECK(condition) static_cast<void>(sizeof(static_cast<bool>(condition)))
#endif

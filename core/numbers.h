// Number handling shared by every component.
//
// Components store 32-bit floats and compute in double. Every float-to-integer conversion goes
// through ToInt32, which never invokes undefined behaviour: NaN, infinities and values outside the
// 32-bit range give INT32_MIN, the value x86 produces with masked exceptions, so stored shaders
// keep behaving as they were authored. 32-bit wrapping arithmetic (cell hashes, seeds) is done in
// unsigned integers.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace vandrel {

// Truncates toward zero; out-of-range and NaN give INT32_MIN.
inline int32_t ToInt32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

inline int32_t FloorToInt(double v) { return ToInt32(std::floor(v)); }

// Round to nearest, halves to even (requires the default rounding mode, see
// EnsureFloatEnvironment).
inline int32_t RoundHalfEven(double v) { return ToInt32(std::nearbyint(v)); }

inline int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

void SetFloatEnvironment();

// Makes sure the floating-point environment rounds to nearest with every exception masked, and
// that x87 arithmetic (long double, which the random generator uses) carries the full 64-bit
// mantissa, as control word 0x133F has it: a host that sets 53-bit precision would change every
// random sequence. Reads the state first and writes it only when it differs, so an evaluation
// pass pays two register reads.
inline void EnsureFloatEnvironment() {
#if defined(__x86_64__)
    // SSE: exception masks 0x1F80 all set, rounding bits 0x6000 clear. x87: masks 0x3F all set,
    // precision bits 0x300 both set (64 bits), rounding bits 0xC00 clear.
    unsigned int csr;
    unsigned short cw;
    __asm__ volatile("stmxcsr %0" : "=m"(csr));
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    if ((csr & 0x7F80u) == 0x1F80u && (cw & 0x0F3Fu) == 0x033Fu) return;
#endif
    SetFloatEnvironment();
}

}  // namespace vandrel

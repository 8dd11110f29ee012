// Grid cell index and cell hashes . The hash of a cell seeds the
// thread's random generator through RandomSeed, so one cell always draws the same values.
//
// A coordinate c lies in cell k = floor(c) as a 32-bit integer (CellIndex; NaN and coordinates
// beyond the 32-bit range give INT32_MIN, see core/numbers.h). The hashes take cell indices k and
// use the adjusted index k' = k + 1 for k >= 0 and k' = k for k < 0, so that no adjusted index is
// 0. [k' < 0] is 1 for a negative adjusted index, else 0. All arithmetic wraps at 32 bits.
//
//   CellHash1(a)       = 257·a' + [a' < 0]                       cells -1, 0, 1: -256, 257, 514
//   CellHash2(a, b)    = 257·a'·b' + a' + [a' < 0] + [b' < 0]     (0, 0): 258
//   CellHash3(a, b, c) = 257·a'·b'·c' + a' - c' + 2·[a' < 0] + [b' < 0]   (0, 0, 0): 257
//
// (In CellHash3 the sign of a' counts twice and the sign of c' not at all: stored shaders
// depend on these exact cells, so the asymmetry stays.)
#pragma once

#include <cstdint>

#include "core/numbers.h"

namespace vandrel {

inline int32_t CellIndex(double coordinate) { return FloorToInt(coordinate); }

inline int32_t AdjustedCellIndex(int32_t k) { return k >= 0 ? WrapAdd(k, 1) : k; }

namespace detail {
inline int32_t NegativeFlag(int32_t adjusted) { return adjusted < 0 ? 1 : 0; }
}  // namespace detail

inline int32_t CellHash1(int32_t a) {
    const int32_t ap = AdjustedCellIndex(a);
    return WrapAdd(WrapMul(257, ap), detail::NegativeFlag(ap));
}

inline int32_t CellHash2(int32_t a, int32_t b) {
    const int32_t ap = AdjustedCellIndex(a);
    const int32_t bp = AdjustedCellIndex(b);
    int32_t h = WrapMul(WrapMul(257, ap), bp);
    h = WrapAdd(h, ap);
    h = WrapAdd(h, detail::NegativeFlag(ap));
    return WrapAdd(h, detail::NegativeFlag(bp));
}

inline int32_t CellHash3(int32_t a, int32_t b, int32_t c) {
    const int32_t ap = AdjustedCellIndex(a);
    const int32_t bp = AdjustedCellIndex(b);
    const int32_t cp = AdjustedCellIndex(c);
    int32_t h = WrapMul(WrapMul(WrapMul(257, ap), bp), cp);
    h = WrapAdd(h, ap);
    h = WrapSub(h, cp);
    h = WrapAdd(h, 2 * detail::NegativeFlag(ap));
    return WrapAdd(h, detail::NegativeFlag(bp));
}

}  // namespace vandrel

#include "core/random.h"

#include <cmath>

#include "core/numbers.h"

namespace vandrel {

namespace {
constexpr long double kTwoPowMinus32 = 1.0L / 4294967296.0L;
}

void RandomSeed(TRandomState& state, int32_t seed) {
    // |INT32_MIN| does not fit a signed 32-bit value; in unsigned arithmetic it stays 0x80000000.
    uint32_t s = seed == 0
                     ? 0x7FFFFFFFu
                     : (seed < 0 ? 0u - static_cast<uint32_t>(seed) : static_cast<uint32_t>(seed));
    double* x[5] = {&state.x0, &state.x1, &state.x2, &state.x3, &state.c};
    for (double* xk : x) {
        // Or-shifts, not xor-shifts: the bits only ever fill up.
        s |= s << 13;
        s |= s >> 17;
        s |= s << 5;
        *xk = static_cast<double>(s * kTwoPowMinus32);
    }
    const int warmUp = seed > 0 ? 11 : 17;
    for (int i = 0; i < warmUp; ++i) RandomNext(state);
}

double RandomNext(TRandomState& state) {
    const long double t = 2111111111.0L * state.x3 + 1492.0L * state.x2 + 1776.0L * state.x1 +
                          5115.0L * state.x0 + static_cast<long double>(state.c);
    state.x3 = state.x2;
    state.x2 = state.x1;
    state.x1 = state.x0;
    // t stays below 2^31, so the floor always fits the 32-bit carry.
    const int32_t carry = ToInt32(static_cast<double>(std::floor(t)));
    state.x0 = static_cast<double>(t - carry);
    state.c = static_cast<double>(carry * kTwoPowMinus32);
    return state.x0;
}

}  // namespace vandrel

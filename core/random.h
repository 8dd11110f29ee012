// The per-thread random generator: a multiply-with-carry generator of order four.
//
// Components seed it from a cell's coordinates and then draw, so one cell always yields the same
// values whichever thread evaluates it and in whichever order cells are visited. The arithmetic of
// RandomNext runs in long double (x87 extended precision on x86-64) so that the sequence is the one
// stored shaders were authored with.
#pragma once

#include <cstdint>

namespace vandrel {

struct TRandomState {
    double x0 = 0, x1 = 0, x2 = 0, x3 = 0;
    double c = 0;  // carry, scaled by 2^-32
};

// Seeds from a 32-bit signed value; 0 stands for 2147483647 but warms up differently.
void RandomSeed(TRandomState& state, int32_t seed);

// Next value in [0, 1).
double RandomNext(TRandomState& state);

}  // namespace vandrel

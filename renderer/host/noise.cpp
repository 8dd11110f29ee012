// Placeholder noise until the host's noise library lands: a constant mid value.
#include "host/tsxapi.h"

extern "C" {
double tssNoise1(double) { return 0.5; }
double tssNoise1Classic(double) { return 0.5; }
double tssNoise1Perlin(double) { return 0.5; }
double tssNoise1SparseConv(double) { return 0.5; }
double tssNoise2(double, double) { return 0.5; }
double tssNoise2Classic(double, double) { return 0.5; }
double tssNoise2Perlin(double, double) { return 0.5; }
double tssNoise2SparseConv(double, double) { return 0.5; }
double tssNoise3(const float*) { return 0.5; }
double tssNoise3Classic(const float*) { return 0.5; }
double tssNoise3Perlin(const float*) { return 0.5; }
double tssNoise3SparseConv(const float*) { return 0.5; }
double tssTurbulence1(double, int) { return 0.5; }
double tssTurbulence1Classic(double, int) { return 0.5; }
double tssTurbulence1Perlin(double, int) { return 0.5; }
double tssTurbulence1SparseConv(double, int) { return 0.5; }
double tssTurbulence2(double, double, int) { return 0.5; }
double tssTurbulence2Classic(double, double, int) { return 0.5; }
double tssTurbulence2Perlin(double, double, int) { return 0.5; }
double tssTurbulence2SparseConv(double, double, int) { return 0.5; }
double tssTurbulence3(const float*, int) { return 0.5; }
double tssTurbulence3Classic(const float*, int) { return 0.5; }
double tssTurbulence3Perlin(const float*, int) { return 0.5; }
double tssTurbulence3SparseConv(const float*, int) { return 0.5; }
}

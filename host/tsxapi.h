/* Host operations the plug-in calls: the stand-in host's libtsxapi implements them.
 *
 * Plain C declarations. Vectors and colours pass as addresses of three floats, scalars as double,
 * handles as 32-bit integers with 0 = none, callbacks with the C calling convention. Every operation
 * here may be called from all rendering threads at once.
 */
#ifndef VANDREL_HOST_TSXAPI_H
#define VANDREL_HOST_TSXAPI_H

#ifdef __cplusplus
extern "C" {
#endif

/* Noise: values in [0, 1] with mean about 0.5, deterministic, no global state. The default is
 * improved gradient noise; Classic is cubic-interpolated value noise; Perlin the original gradient
 * noise; SparseConv sparse-convolution noise. The 3D point is read only. */
double tssNoise1(double x);
double tssNoise1Classic(double x);
double tssNoise1Perlin(double x);
double tssNoise1SparseConv(double x);
double tssNoise2(double x, double y);
double tssNoise2Classic(double x, double y);
double tssNoise2Perlin(double x, double y);
double tssNoise2SparseConv(double x, double y);
double tssNoise3(const float* point);
double tssNoise3Classic(const float* point);
double tssNoise3Perlin(const float* point);
double tssNoise3SparseConv(const float* point);

/* Turbulence: 1/f fractal sums of the same noises over the given octaves, in [0, 1]; octave count
 * 0 gives a constant. */
double tssTurbulence1(double x, int octaves);
double tssTurbulence1Classic(double x, int octaves);
double tssTurbulence1Perlin(double x, int octaves);
double tssTurbulence1SparseConv(double x, int octaves);
double tssTurbulence2(double x, double y, int octaves);
double tssTurbulence2Classic(double x, double y, int octaves);
double tssTurbulence2Perlin(double x, double y, int octaves);
double tssTurbulence2SparseConv(double x, double y, int octaves);
double tssTurbulence3(const float* point, int octaves);
double tssTurbulence3Classic(const float* point, int octaves);
double tssTurbulence3Perlin(const float* point, int octaves);
double tssTurbulence3SparseConv(const float* point, int octaves);

/* 0 at or below the lower edge (tested first), otherwise 1 at or above the upper edge, the Hermite
 * curve 3t^2 - 2t^3 between. With equal edges a step that gives 0 at the edge itself. */
double tssSmoothStep(double lowerEdge, double upperEdge, double x);

#ifdef __cplusplus
}
#endif

#endif /* VANDREL_HOST_TSXAPI_H */

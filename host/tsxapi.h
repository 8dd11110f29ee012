/* Host operations the plug-in calls: the stand-in host's libtsxapi implements them.
 *
 * Plain C declarations. Vectors and colours pass as addresses of three floats, scalars as double,
 * handles as 32-bit integers with 0 = none, callbacks with the C calling convention. Every operation
 * here may be called from all rendering threads at once.
 */
#ifndef VANDREL_HOST_TSXAPI_H
#define VANDREL_HOST_TSXAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- The shading record ------------------------------------------------------------------- */

/* The host's per-sample record. The plug-in copies its first 188 bytes and writes back only the
 * result fields; the host may keep more after them. Vectors are three floats, UV pairs two. */
typedef struct tsxShadingRecord {
    float alpha;              /* +0   */
    float colorIn[3];         /* +4   */
    float colorOut[3];        /* +16  */
    float uDirection[3];      /* +28  */
    float vDirection[3];      /* +40  */
    float uvDelta[2];         /* +52  */
    float ray[3];             /* +60  */
    float rayLength;          /* +72  */
    float shadingNormal[3];   /* +76  */
    float geometricNormal[3]; /* +88  */
    float objectPoint[3];     /* +100 */
    float worldPoint[3];      /* +112 */
    int32_t reversed;         /* +124 non-zero when the surface is seen from behind */
    float uv[2];              /* +128 */
    float filterIn[3];        /* +136 */
    float filterOut[3];       /* +148 */
    float unitRay[3];         /* +160 */
    float viewer[3];          /* +172 */
    int32_t node;             /* +184 the shaded object's node handle, 0 = none */
} tsxShadingRecord;

/* ---- Registration ------------------------------------------------------------------------- */

typedef void (*tsxPanelCallback)(int32_t action);
typedef void* (*tsxGetParameterCallback)(const char* name);
typedef void (*tsxSetParameterCallback)(const char* name, const void* value);
/* callKind: 0 begin of render, 1 end of render, 3 or 4 shade one sample. */
typedef void (*tsxShadeCallback)(int32_t shaderInfo, tsxShadingRecord* record, int32_t callKind);

/* Filled by the plug-in's tsxShaderInitialize, zero unless set. */
typedef struct tsxShaderDescriptor {
    int32_t category; /* 1 colour, 2 transparency, 3 reflectance, 4 displacement */
    const char* name;
    int32_t one;      /* 1 */
    int32_t two;      /* 2 */
    int32_t parameterCount;
    const char* const* parameterNames;
    const int32_t* parameterTypes; /* 9 text, 2 byte, 10 three floats */
    tsxPanelCallback panel;
    tsxGetParameterCallback getParameter;
    tsxSetParameterCallback setParameter;
    tsxShadeCallback shade;
    int32_t reserved[3];
} tsxShaderDescriptor;

typedef void (*tsxShaderInitializeFunction)(tsxShaderDescriptor* descriptor, int32_t shaderHandle,
                                            int32_t* counter);

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


/* ---- Lighting at the current sample of the calling thread -------------------------------- */

void tssAmbientTerm(float* color);
void tssDiffuseTerm(float* color);
void tssPhongTerm(float* color, double exponent);
void tssSpecularTerm(float* color, double exponent);
void tssSpecularFresnelTerm(float* color, const float* refractionIndex, const float* extinction,
                            double exponent);
void tssSpecularSolidTerm(float* color, double refractionIndex, double exponent);
void tssSpecularSolidFresnelTerm(float* color, double refractionIndex, double sharpness);

/* ---- Rays. tssRayTrace may shade other surfaces through the plug-in's shade callback on the
 * calling thread before it returns. ---------------------------------------------------------- */

void tssReflect(float* direction, const float* incident, const float* normal);
/* Non-zero when a refracted direction exists; otherwise the direction is (0, 0, 0). */
int32_t tssRefract(float* direction, const float* incident, const float* normal,
                   double refractionIndex);
void tssRayTrace(float* color, const float* origin, const float* direction, double rayParameter);
void tssFresnelReflect(float* color, float* scratch, const float* refractionIndex,
                       const float* extinction);
void tssFresnelSolidReflect(float* value, float* scratch1, float* scratch2, double refractionIndex);

/* ---- Normals from samples: the sampler is called three times, then the perturbed normal is
 * left in `normal`. ------------------------------------------------------------------------ */

typedef double (*tssUVSampler)(double u, double v, void* data);
typedef float (*tssHeightSampler)(const float* point, void* data);
void tssCalculateNormal2D(float* normal, double u, double v, tssUVSampler sampler, void* data);
void tssCalculateNormal3D(float* normal, const float* point, tssHeightSampler sampler, void* data);

/* ---- Files: handles are 32-bit, 0 = none ------------------------------------------------- */

int32_t tssTextureRead(const char* path, int32_t mode);
void tssTextureSamplePoint(float* color, int32_t mode, int32_t texture);
void tssTextureSampleArea(float* color, int32_t mode, int32_t texture);
void tssTextureDestroy(int32_t texture);
int32_t tssBumpRead(const char* path);
void tssBumpSamplePoint(float* normal, double strength, int32_t bump);
void tssBumpSampleArea(float* normal, double strength, int32_t bump);
void tssBumpDestroy(int32_t bump);
int32_t tssImageRead(const char* path);
int32_t tssImageGetWidth(int32_t image);
int32_t tssImageGetHeight(int32_t image);
uint32_t tssImageGetPixel(int32_t image, int32_t x, int32_t y); /* 0x00BBGGRR */
void tssImageDestroy(int32_t image);

/* ---- Nodes: transforms are 3 x 4 floats, row-major, the last column the translation -------- */

int32_t tsxGNodeGetTransform(int32_t node, float* matrix); /* non-zero on success */
void tsxGNodeGetLocation(int32_t node, float* location);
void tsxGNodeGetRotation(int32_t node, float* degrees);
void tsxGNodeGetSize(int32_t node, float* size);
void tsxGNodeGetAxesPosition(int32_t node, float* position);
void tsxGNodeGetAxesOrientation(int32_t node, float* axes); /* X, Y, Z directions: 9 floats */
void tsxBBoxInit(float* box);                               /* minimum then maximum: 6 floats */
void tsxGNodeGetBBox(int32_t node, float* box);
int32_t tsxGNodeGetUnits(int32_t node); /* 0 mm, 1 cm, 2 m, 3 km, 4 in, 5 ft, 6 yd, 7 mi, 8 pt */
void tsxInvertMx3f(float* inverse, const float* matrix);
void tsxTransformVect3f(float* out, const float* point, const float* matrix);

/* ---- Animation ---------------------------------------------------------------------------- */

float tsxAnimGetActiveTime(void);
void tsxAnimGetPlayRanges(float* start, float* end);
float tsxAnimGetBaseFramerate(void);

/* ---- Shader parameters: a material ("shader info") holds 27 parameter values ------------- */

/* The value handle of parameter `index` of a material, 0 = none. */
int32_t tsxShaderInfoGetParameterValue(int32_t shaderInfo, int32_t index);
/* The value's data: a NUL-terminated text, one byte or three floats by the parameter's type;
 * valid until the value is next changed. Null for no value. */
const void* tsxParameterValueGetData(int32_t value);
void tsxShaderUpdate(int32_t shaderHandle);
void tssCustomShaderSetBitmapID(int32_t shaderHandle, int32_t bitmap);

/* ---- Application -------------------------------------------------------------------------- */

int32_t tsxGetTsVersionNbrs(void); /* 430 for version 4.3 */
void* tsxGetMainViewHwnd(void);
/* Writes the host's folder of the given kind (4: the data folder) into buffer; its length. */
int32_t tsxGetTSDir(int32_t kind, char* buffer, int32_t size);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
#include <cstddef>
static_assert(offsetof(tsxShadingRecord, alpha) == 0);
static_assert(offsetof(tsxShadingRecord, colorIn) == 4);
static_assert(offsetof(tsxShadingRecord, colorOut) == 16);
static_assert(offsetof(tsxShadingRecord, uDirection) == 28);
static_assert(offsetof(tsxShadingRecord, vDirection) == 40);
static_assert(offsetof(tsxShadingRecord, uvDelta) == 52);
static_assert(offsetof(tsxShadingRecord, ray) == 60);
static_assert(offsetof(tsxShadingRecord, rayLength) == 72);
static_assert(offsetof(tsxShadingRecord, shadingNormal) == 76);
static_assert(offsetof(tsxShadingRecord, geometricNormal) == 88);
static_assert(offsetof(tsxShadingRecord, objectPoint) == 100);
static_assert(offsetof(tsxShadingRecord, worldPoint) == 112);
static_assert(offsetof(tsxShadingRecord, reversed) == 124);
static_assert(offsetof(tsxShadingRecord, uv) == 128);
static_assert(offsetof(tsxShadingRecord, filterIn) == 136);
static_assert(offsetof(tsxShadingRecord, filterOut) == 148);
static_assert(offsetof(tsxShadingRecord, unitRay) == 160);
static_assert(offsetof(tsxShadingRecord, viewer) == 172);
static_assert(offsetof(tsxShadingRecord, node) == 184);
static_assert(sizeof(tsxShadingRecord) == 188);
#endif

#endif /* VANDREL_HOST_TSXAPI_H */

/* Host operations the plug-in calls: the stand-in host's libhostapi implements them.
 *
 * Plain C declarations. Vectors and colours pass as addresses of three floats, scalars as double,
 * handles as 32-bit integers with 0 = none, callbacks with the C calling convention. Every
 * operation here may be called from all rendering threads at once.
 */
#ifndef VANDREL_HOST_HOSTAPI_H
#define VANDREL_HOST_HOSTAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- The shading record ------------------------------------------------------------------- */

/* The host's per-sample record. The plug-in copies its first 188 bytes and writes back only the
 * result fields; the host may keep more after them. Vectors are three floats, UV pairs two. */
typedef struct hxShadingRecord {
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
} hxShadingRecord;

/* ---- Registration ------------------------------------------------------------------------- */

typedef void (*hxPanelCallback)(int32_t action);
typedef void* (*hxGetParameterCallback)(const char* name);
typedef void (*hxSetParameterCallback)(const char* name, const void* value);
/* callKind: 0 begin of render, 1 end of render, 3 or 4 shade one sample. */
typedef void (*hxShadeCallback)(int32_t shaderInfo, hxShadingRecord* record, int32_t callKind);

/* Filled by the plug-in's hxShaderInitialize, zero unless set. */
typedef struct hxShaderDescriptor {
    int32_t category; /* 1 colour, 2 transparency, 3 reflectance, 4 displacement */
    const char* name;
    int32_t one; /* 1 */
    int32_t two; /* 2 */
    int32_t parameterCount;
    const char* const* parameterNames;
    const int32_t* parameterTypes; /* 9 text, 2 byte, 10 three floats */
    hxPanelCallback panel;
    hxGetParameterCallback getParameter;
    hxSetParameterCallback setParameter;
    hxShadeCallback shade;
    int32_t reserved[3];
} hxShaderDescriptor;

typedef void (*hxShaderInitializeFunction)(hxShaderDescriptor* descriptor, int32_t shaderHandle,
                                           int32_t* counter);

/* Noise: values in [0, 1] with mean about 0.5, deterministic, no global state. The default is
 * improved gradient noise; Classic is cubic-interpolated value noise; Perlin the classic gradient
 * noise; SparseConv sparse-convolution noise. The 3D point is read only. */
double hsNoise1(double x);
double hsNoise1Classic(double x);
double hsNoise1Perlin(double x);
double hsNoise1SparseConv(double x);
double hsNoise2(double x, double y);
double hsNoise2Classic(double x, double y);
double hsNoise2Perlin(double x, double y);
double hsNoise2SparseConv(double x, double y);
double hsNoise3(const float* point);
double hsNoise3Classic(const float* point);
double hsNoise3Perlin(const float* point);
double hsNoise3SparseConv(const float* point);

/* Turbulence: 1/f fractal sums of the same noises over the given octaves, in [0, 1]; octave count
 * 0 gives a constant. */
double hsTurbulence1(double x, int octaves);
double hsTurbulence1Classic(double x, int octaves);
double hsTurbulence1Perlin(double x, int octaves);
double hsTurbulence1SparseConv(double x, int octaves);
double hsTurbulence2(double x, double y, int octaves);
double hsTurbulence2Classic(double x, double y, int octaves);
double hsTurbulence2Perlin(double x, double y, int octaves);
double hsTurbulence2SparseConv(double x, double y, int octaves);
double hsTurbulence3(const float* point, int octaves);
double hsTurbulence3Classic(const float* point, int octaves);
double hsTurbulence3Perlin(const float* point, int octaves);
double hsTurbulence3SparseConv(const float* point, int octaves);

/* 0 at or below the lower edge (tested first), otherwise 1 at or above the upper edge, the Hermite
 * curve 3t^2 - 2t^3 between. With equal edges a step that gives 0 at the edge itself. */
double hsSmoothStep(double lowerEdge, double upperEdge, double x);

/* ---- Lighting at the current sample of the calling thread -------------------------------- */

void hsAmbientTerm(float* color);
void hsDiffuseTerm(float* color);
void hsPhongTerm(float* color, double exponent);
void hsSpecularTerm(float* color, double exponent);
void hsSpecularFresnelTerm(float* color, const float* refractionIndex, const float* extinction,
                           double exponent);
void hsSpecularSolidTerm(float* color, double refractionIndex, double exponent);
void hsSpecularSolidFresnelTerm(float* color, double refractionIndex, double sharpness);

/* ---- Rays. hsRayTrace may shade other surfaces through the plug-in's shade callback on the
 * calling thread before it returns. ---------------------------------------------------------- */

void hsReflect(float* direction, const float* incident, const float* normal);
/* Non-zero when a refracted direction exists; otherwise the direction is (0, 0, 0). */
int32_t hsRefract(float* direction, const float* incident, const float* normal,
                  double refractionIndex);
void hsRayTrace(float* color, const float* origin, const float* direction, double rayParameter);
void hsFresnelReflect(float* color, float* scratch, const float* refractionIndex,
                      const float* extinction);
void hsFresnelSolidReflect(float* value, float* scratch1, float* scratch2, double refractionIndex);

/* ---- Normals from samples: the sampler is called three times, then the perturbed normal is
 * left in `normal`. ------------------------------------------------------------------------ */

typedef double (*hsUVSampler)(double u, double v, void* data);
typedef float (*hsHeightSampler)(const float* point, void* data);
void hsCalculateNormal2D(float* normal, double u, double v, hsUVSampler sampler, void* data);
void hsCalculateNormal3D(float* normal, const float* point, hsHeightSampler sampler, void* data);

/* ---- Files: handles are 32-bit, 0 = none ------------------------------------------------- */

int32_t hsTextureRead(const char* path, int32_t mode);
void hsTextureSamplePoint(float* color, int32_t mode, int32_t texture);
void hsTextureSampleArea(float* color, int32_t mode, int32_t texture);
void hsTextureDestroy(int32_t texture);
int32_t hsBumpRead(const char* path);
void hsBumpSamplePoint(float* normal, double strength, int32_t bump);
void hsBumpSampleArea(float* normal, double strength, int32_t bump);
void hsBumpDestroy(int32_t bump);
int32_t hsImageRead(const char* path);
int32_t hsImageGetWidth(int32_t image);
int32_t hsImageGetHeight(int32_t image);
uint32_t hsImageGetPixel(int32_t image, int32_t x, int32_t y); /* 0x00BBGGRR */
void hsImageDestroy(int32_t image);

/* ---- Nodes: transforms are 3 x 4 floats, row-major, the last column the translation -------- */

int32_t hxGNodeGetTransform(int32_t node, float* matrix); /* non-zero on success */
void hxGNodeGetLocation(int32_t node, float* location);
void hxGNodeGetRotation(int32_t node, float* degrees);
void hxGNodeGetSize(int32_t node, float* size);
void hxGNodeGetAxesPosition(int32_t node, float* position);
void hxGNodeGetAxesOrientation(int32_t node, float* axes); /* X, Y, Z directions: 9 floats */
void hxBBoxInit(float* box);                               /* minimum then maximum: 6 floats */
void hxGNodeGetBBox(int32_t node, float* box);
int32_t hxGNodeGetUnits(int32_t node); /* 0 mm, 1 cm, 2 m, 3 km, 4 in, 5 ft, 6 yd, 7 mi, 8 pt */
void hxInvertMx3f(float* inverse, const float* matrix);
void hxTransformVect3f(float* out, const float* point, const float* matrix);

/* ---- Animation ---------------------------------------------------------------------------- */

float hxAnimGetActiveTime(void);
void hxAnimGetPlayRanges(float* start, float* end);
float hxAnimGetBaseFramerate(void);

/* ---- Shader parameters: a material ("shader info") holds 27 parameter values ------------- */

/* The value handle of parameter `index` of a material, 0 = none. */
int32_t hxShaderInfoGetParameterValue(int32_t shaderInfo, int32_t index);
/* The value's data: a NUL-terminated text, one byte or three floats by the parameter's type;
 * valid until the value is next changed. Null for no value. */
const void* hxParameterValueGetData(int32_t value);
void hxShaderUpdate(int32_t shaderHandle);
void hsCustomShaderSetBitmapID(int32_t shaderHandle, int32_t bitmap);

/* ---- Messages ----------------------------------------------------------------------------- */
/* The plug-in's message boxes and questions, which its platform shows over the host's main view.
 * icon: 0 error, 1 exclamation, 2 information. hxAskQuestion gives non-zero for Yes. A host
 * without windows prints them; the stand-in host also lets its command line learn of them. */
void hxShowMessage(const char* text, const char* caption, int32_t icon);
int32_t hxAskQuestion(const char* text, const char* caption);

/* ---- Application -------------------------------------------------------------------------- */

int32_t hxGetHostVersionNbrs(void); /* 430 for version 4.3 */
void* hxGetMainViewHwnd(void);
/* Writes the host's folder of the given kind (4: the data folder) into buffer; its length. */
int32_t hxGetHostDir(int32_t kind, char* buffer, int32_t size);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
#include <cstddef>
static_assert(offsetof(hxShadingRecord, alpha) == 0);
static_assert(offsetof(hxShadingRecord, colorIn) == 4);
static_assert(offsetof(hxShadingRecord, colorOut) == 16);
static_assert(offsetof(hxShadingRecord, uDirection) == 28);
static_assert(offsetof(hxShadingRecord, vDirection) == 40);
static_assert(offsetof(hxShadingRecord, uvDelta) == 52);
static_assert(offsetof(hxShadingRecord, ray) == 60);
static_assert(offsetof(hxShadingRecord, rayLength) == 72);
static_assert(offsetof(hxShadingRecord, shadingNormal) == 76);
static_assert(offsetof(hxShadingRecord, geometricNormal) == 88);
static_assert(offsetof(hxShadingRecord, objectPoint) == 100);
static_assert(offsetof(hxShadingRecord, worldPoint) == 112);
static_assert(offsetof(hxShadingRecord, reversed) == 124);
static_assert(offsetof(hxShadingRecord, uv) == 128);
static_assert(offsetof(hxShadingRecord, filterIn) == 136);
static_assert(offsetof(hxShadingRecord, filterOut) == 148);
static_assert(offsetof(hxShadingRecord, unitRay) == 160);
static_assert(offsetof(hxShadingRecord, viewer) == 172);
static_assert(offsetof(hxShadingRecord, node) == 184);
static_assert(sizeof(hxShadingRecord) == 188);
#endif

#endif /* VANDREL_HOST_HOSTAPI_H */

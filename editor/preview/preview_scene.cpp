#include "editor/preview/preview_scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/context.h"
#include "core/numbers.h"
#include "core/value_kind.h"

namespace vandrel {

namespace {

void Store(TThreadRecord& context, int32_t variable, double value) {
    context.Variables[static_cast<size_t>(VariableFloatIndex(variable))] =
        static_cast<float>(value);
}

void Store(TThreadRecord& context, int32_t variable, TVec3 v) {
    float* out = &context.Variables[static_cast<size_t>(VariableFloatIndex(variable))];
    out[0] = static_cast<float>(v.x);
    out[1] = static_cast<float>(v.y);
    out[2] = static_cast<float>(v.z);
}

void StoreUV(TThreadRecord& context, int32_t variable, double u, double v) {
    float* out = &context.Variables[static_cast<size_t>(VariableFloatIndex(variable))];
    out[0] = static_cast<float>(u);
    out[1] = static_cast<float>(v);
}

// Ray, its length and its direction; a zero-length ray keeps a zero direction.
void StoreRay(TThreadRecord& context, TVec3 ray) {
    const double length = Length(ray);
    Store(context, kVarRay, ray);
    Store(context, kVarRayLength, length);
    Store(context, kVarURay, length > 0 ? ray * (1.0 / length) : TVec3{});
}

double Plane(int x, int y, double range, TThreadRecord& context, int size) {
    const double pixel = range / (size / 2.0);
    const double u = (x + 0.5) * pixel - range;
    const double v = -((y + 0.5) * pixel - range);
    StoreUV(context, kVarUVDelta, pixel, pixel);
    StoreUV(context, kVarUV, u, v);
    Store(context, kVarObject, TVec3{u / range, v / range, 0});
    Store(context, kVarWorld, TVec3{u, v, 0});
    return 1.0;
}

double Sphere(int x, int y, double range, TThreadRecord& context, int size) {
    const TVec3 o = kSphereViewer;
    // Two sub-samples a pixel across the screen: 127 steps at 64 pixels.
    const double steps = 2.0 * size - 1;
    Store(context, kVarViewer, o);
    double coverage = 0;
    TVec3 object;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            const double sx = -((2 * x + i) / steps - 0.5) * kSphereScreenHalfSize;
            const double sy = ((2 * y + j) / steps - 0.5) * kSphereScreenHalfSize;
            const TVec3 d{sx, sy, -o.z};
            const double a = Dot(d, d);
            if (a == 0) continue;
            const double b = Dot(o, d);
            const double c = Dot(o, o) - 1;
            const double disc = b * b - a * c;
            if (disc < 0) continue;
            const double s = std::sqrt(disc);
            const double t1 = (s - b) / a;
            if (t1 < 0) continue;
            const double t2 = (-s - b) / a;
            const double t = t2 > 0 ? t2 : t1;
            object = o + d * t;
            coverage += 0.25;
        }
    }
    if (coverage > 0) {
        const TVec3 world = object * range;
        Store(context, kVarObject, object);
        Store(context, kVarSNorm, object);
        Store(context, kVarGNorm, object);
        Store(context, kVarWorld, world);
        StoreRay(context, world - o);
        const double u = std::atan2(object.x, object.z) / (2 * std::numbers::pi);
        const double v =
            std::atan2(std::sqrt(object.x * object.x + object.z * object.z), object.y) /
                std::numbers::pi +
            0.5;
        StoreUV(context, kVarUV, u, v);
    }
    return coverage;
}

// (p − q) · (a + 1) / 2 + q: q on the face's −1 edge, p on its +1 edge.
double FaceMap(double a, double p, double q) { return (p - q) * (a + 1) / 2 + q; }

double Cube(int x, int y, double range, TThreadRecord& context, int size) {
    const TVec3 o = kCubeViewer;
    const double steps = 4.0 * size - 1;
    Store(context, kVarViewer, o);
    double coverage = 0;
    TVec3 object;
    TVec3 normal;
    double faceU = 0;
    double faceV = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const double sx = ((4 * x + i) / steps - 0.5) * kCubeScreenFactor;
            const double sy = -((4 * y + j) / steps - 0.5) * kCubeScreenFactor;
            const TVec3 d = kCubeRight * sx + kCubeUp * sy - o - TVec3{0, 0, kCubeScreenZOffset};
            const double oa[3] = {o.x, o.y, o.z};
            const double da[3] = {d.x, d.y, d.z};
            // Only the faces x = 1, y = 1, z = 1 face the viewer; the first one hit wins.
            for (int axis = 0; axis < 3; ++axis) {
                if (da[axis] == 0) continue;
                const double t = (1 - oa[axis]) / da[axis];
                if (!(t > 0)) continue;
                const TVec3 hit = o + d * t;
                const double h[3] = {hit.x, hit.y, hit.z};
                const int p = (axis + 1) % 3;
                const int q = (axis + 2) % 3;
                if (!(h[p] >= -1 && h[p] <= 1 && h[q] >= -1 && h[q] <= 1)) continue;
                object = hit;
                normal = TVec3{axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
                switch (axis) {
                    case 0:
                        faceU = FaceMap(hit.y, 0.5, 0.25);
                        faceV = FaceMap(hit.z, 1.0 / 3, 2.0 / 3);
                        break;
                    case 1:
                        faceU = FaceMap(hit.x, 0.5, 0.75);
                        faceV = FaceMap(hit.z, 1.0 / 3, 2.0 / 3);
                        break;
                    default:
                        faceU = FaceMap(hit.y, 0.5, 0.25);
                        faceV = FaceMap(hit.x, 1.0 / 3, 0);
                        break;
                }
                coverage += 0.0625;
                break;
            }
        }
    }
    if (coverage > 0) {
        Store(context, kVarObject, object);
        Store(context, kVarSNorm, normal);
        Store(context, kVarGNorm, normal);
        Store(context, kVarWorld, object * range);
        StoreRay(context, object - o);
        StoreUV(context, kVarUV, faceU, faceV);
    }
    return coverage;
}

uint8_t Channel(double value) {
    return static_cast<uint8_t>(std::clamp(RoundHalfEven(value * 255.0), 0, 255));
}

uint8_t Blend(uint8_t background, uint8_t color, double coverage) {
    const double mixed = background + (static_cast<double>(color) - background) * coverage;
    return static_cast<uint8_t>(std::clamp(RoundHalfEven(mixed), 0, 255));
}

TPixelColor Blend(TPixelColor background, TPixelColor color, double coverage) {
    return {Blend(background.r, color.r, coverage), Blend(background.g, color.g, coverage),
            Blend(background.b, color.b, coverage)};
}

}  // namespace

TPixelColor PreviewBackground(int x, int y) {
    return (x + y) % 12 < 6 ? kStripeDark : kStripeLight;
}

double ColorDistance(TPixelColor a, TPixelColor b) {
    const double dr = (a.r - b.r) / 255.0;
    const double dg = (a.g - b.g) / 255.0;
    const double db = (a.b - b.b) / 255.0;
    return std::sqrt(dr * dr + dg * dg + db * db);
}

double SynthesiseSample(TPreviewShape shape, int x, int y, double range, TThreadRecord& context,
                        int size) {
    std::fill_n(context.Variables.begin(), kHostBlockWords, 0.0f);
    switch (shape) {
        case TPreviewShape::kPlane:
            return Plane(x, y, range, context, size);
        case TPreviewShape::kSphere:
            return Sphere(x, y, range, context, size);
        case TPreviewShape::kCube:
            return Cube(x, y, range, context, size);
    }
    return 0;
}

TPixelColor PreviewColor(int32_t kind, const float* output, TPixelColor background,
                         double coverage) {
    TPixelColor color;
    if (output != nullptr && kind == kNumerical) {
        color.r = color.g = color.b = Channel(output[0]);
    } else if (output != nullptr && kind == kUV) {
        color = {Channel(output[0]), Channel(output[1]), 0};
    } else if (output != nullptr && kind == kVector) {
        color = {Channel(output[0]), Channel(output[1]), Channel(output[2])};
    } else {
        color = Blend(background, TPixelColor{255, 0, 0}, coverage / 2);
    }
    return coverage == 1 ? color : Blend(background, color, coverage);
}

}  // namespace vandrel

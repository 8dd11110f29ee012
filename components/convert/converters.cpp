#include "components/convert/converters.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>
#include <optional>

#include "components/families.h"
#include "components/shared/catmull_rom.h"
#include "components/shared/hsv.h"
#include "components/shared/reduction.h"
#include "core/thread_record.h"
#include "hostapi/hostapi.h"

namespace vandrel {

// clang-format off
const std::array<std::array<float, 3>, 101> kBlackbodyTable = {{
    {1, 0.0134f, 0},  // 0
    {1, 0.0497f, 0},  // 1
    {1, 0.0837f, 0},  // 2
    {1, 0.1152f, 0},  // 3
    {1, 0.1442f, 0},  // 4
    {1, 0.1706f, 0},  // 5
    {1, 0.1945f, 0},  // 6
    {1, 0.2160f, 0},  // 7
    {1, 0.2352f, 0},  // 8
    {1, 0.2522f, 0},  // 9
    {1, 0.2673f, 0.0084f},  // 10
    {1, 0.2805f, 0.0175f},  // 11
    {0.9609f, 0.2921f, 0.0271f},  // 12
    {0.9238f, 0.3021f, 0.0370f},  // 13
    {0.8886f, 0.3108f, 0.0473f},  // 14
    {0.8555f, 0.3182f, 0.0577f},  // 15
    {0.8241f, 0.3246f, 0.0682f},  // 16
    {0.7946f, 0.3299f, 0.0787f},  // 17
    {0.7667f, 0.3344f, 0.0892f},  // 18
    {0.7404f, 0.3381f, 0.0996f},  // 19
    {0.7156f, 0.3411f, 0.1099f},  // 20
    {0.6922f, 0.3436f, 0.1200f},  // 21
    {0.6702f, 0.3455f, 0.1300f},  // 22
    {0.6494f, 0.3469f, 0.1397f},  // 23
    {0.6297f, 0.3479f, 0.1492f},  // 24
    {0.6112f, 0.3486f, 0.1584f},  // 25
    {0.5937f, 0.3490f, 0.1674f},  // 26
    {0.5772f, 0.3491f, 0.1762f},  // 27
    {0.5615f, 0.3490f, 0.1847f},  // 28
    {0.5467f, 0.3486f, 0.1929f},  // 29
    {0.5327f, 0.3481f, 0.2009f},  // 30
    {0.5195f, 0.3475f, 0.2087f},  // 31
    {0.5069f, 0.3467f, 0.2162f},  // 32
    {0.4950f, 0.3458f, 0.2235f},  // 33
    {0.4837f, 0.3449f, 0.2305f},  // 34
    {0.4730f, 0.3438f, 0.2373f},  // 35
    {0.4628f, 0.3427f, 0.2438f},  // 36
    {0.4531f, 0.3415f, 0.2502f},  // 37
    {0.4439f, 0.3403f, 0.2563f},  // 38
    {0.4351f, 0.3390f, 0.2623f},  // 39
    {0.4267f, 0.3378f, 0.2680f},  // 40
    {0.4187f, 0.3365f, 0.2736f},  // 41
    {0.4111f, 0.3352f, 0.2790f},  // 42
    {0.4039f, 0.3338f, 0.2842f},  // 43
    {0.3969f, 0.3325f, 0.2892f},  // 44
    {0.3903f, 0.3312f, 0.2941f},  // 45
    {0.3840f, 0.3299f, 0.2988f},  // 46
    {0.3779f, 0.3285f, 0.3033f},  // 47
    {0.3721f, 0.3272f, 0.3077f},  // 48
    {0.3666f, 0.3259f, 0.3120f},  // 49
    {0.3612f, 0.3246f, 0.3161f},  // 50
    {0.3561f, 0.3234f, 0.3201f},  // 51
    {0.3512f, 0.3221f, 0.3240f},  // 52
    {0.3465f, 0.3208f, 0.3278f},  // 53
    {0.3420f, 0.3196f, 0.3314f},  // 54
    {0.3377f, 0.3184f, 0.3349f},  // 55
    {0.3335f, 0.3172f, 0.3384f},  // 56
    {0.3295f, 0.3160f, 0.3417f},  // 57
    {0.3256f, 0.3148f, 0.3449f},  // 58
    {0.3219f, 0.3137f, 0.3480f},  // 59
    {0.3183f, 0.3126f, 0.3511f},  // 60
    {0.3149f, 0.3115f, 0.3540f},  // 61
    {0.3115f, 0.3104f, 0.3569f},  // 62
    {0.3083f, 0.3093f, 0.3597f},  // 63
    {0.3052f, 0.3083f, 0.3624f},  // 64
    {0.3022f, 0.3072f, 0.3650f},  // 65
    {0.2993f, 0.3062f, 0.3676f},  // 66
    {0.2965f, 0.3052f, 0.3700f},  // 67
    {0.2938f, 0.3042f, 0.3725f},  // 68
    {0.2912f, 0.3033f, 0.3748f},  // 69
    {0.2887f, 0.3023f, 0.3771f},  // 70
    {0.2862f, 0.3014f, 0.3793f},  // 71
    {0.2839f, 0.3005f, 0.3815f},  // 72
    {0.2816f, 0.2996f, 0.3836f},  // 73
    {0.2794f, 0.2987f, 0.3857f},  // 74
    {0.2772f, 0.2979f, 0.3877f},  // 75
    {0.2751f, 0.2971f, 0.3896f},  // 76
    {0.2731f, 0.2962f, 0.3915f},  // 77
    {0.2711f, 0.2954f, 0.3934f},  // 78
    {0.2692f, 0.2946f, 0.3952f},  // 79
    {0.2673f, 0.2939f, 0.3970f},  // 80
    {0.2655f, 0.2931f, 0.3987f},  // 81
    {0.2638f, 0.2923f, 0.4004f},  // 82
    {0.2621f, 0.2916f, 0.4020f},  // 83
    {0.2604f, 0.2909f, 0.4036f},  // 84
    {0.2588f, 0.2902f, 0.4052f},  // 85
    {0.2572f, 0.2895f, 0.4067f},  // 86
    {0.2557f, 0.2888f, 0.4082f},  // 87
    {0.2542f, 0.2881f, 0.4096f},  // 88
    {0.2528f, 0.2875f, 0.4111f},  // 89
    {0.2514f, 0.2868f, 0.4125f},  // 90
    {0.2500f, 0.2862f, 0.4138f},  // 91
    {0.2487f, 0.2856f, 0.4151f},  // 92
    {0.2474f, 0.2850f, 0.4164f},  // 93
    {0.2461f, 0.2844f, 0.4177f},  // 94
    {0.2449f, 0.2838f, 0.4190f},  // 95
    {0.2437f, 0.2832f, 0.4202f},  // 96
    {0.2425f, 0.2826f, 0.4214f},  // 97
    {0.2413f, 0.2821f, 0.4225f},  // 98
    {0.2402f, 0.2815f, 0.4237f},  // 99
    {0.2391f, 0.2810f, 0.4248f},  // 100
}};

const std::array<std::array<float, 3>, 83> kWavelengthTable = {{
    {0.1472f, 0, 0.8766f},  // 0
    {0.1472f, 0, 0.8766f},  // 1
    {0.1469f, 0, 0.8767f},  // 2
    {0.1462f, 0, 0.8770f},  // 3
    {0.1455f, 0, 0.8772f},  // 4
    {0.1445f, 0, 0.8777f},  // 5
    {0.1433f, 0, 0.8780f},  // 6
    {0.1418f, 0, 0.8784f},  // 7
    {0.1400f, 0, 0.8789f},  // 8
    {0.1370f, 0, 0.8792f},  // 9
    {0.1322f, 0, 0.8794f},  // 10
    {0.1258f, 0, 0.8794f},  // 11
    {0.1166f, 0, 0.8793f},  // 12
    {0.1048f, 0, 0.8789f},  // 13
    {0.0895f, 0, 0.8785f},  // 14
    {0.0686f, 0, 0.8781f},  // 15
    {0.0425f, 0, 0.8774f},  // 16
    {0.0090f, 0, 0.8756f},  // 17
    {0, 0, 0.8713f},  // 18
    {0, 0.0221f, 0.8601f},  // 19
    {0, 0.0900f, 0.8380f},  // 20
    {0, 0.1927f, 0.7985f},  // 21
    {0, 0.3403f, 0.7353f},  // 22
    {0, 0.5368f, 0.6397f},  // 23
    {0, 0.7749f, 0.5132f},  // 24
    {0, 1, 0.3700f},  // 25
    {0, 1, 0.2275f},  // 26
    {0, 1, 0.0971f},  // 27
    {0, 1, 0},  // 28
    {0, 1, 0},  // 29
    {0, 1, 0},  // 30
    {0, 1, 0},  // 31
    {0, 1, 0},  // 32
    {0, 1, 0},  // 33
    {0, 1, 0},  // 34
    {0, 1, 0},  // 35
    {0.0783f, 0.9093f, 0},  // 36
    {0.2479f, 0.8100f, 0},  // 37
    {0.4172f, 0.7100f, 0},  // 38
    {0.5858f, 0.6102f, 0},  // 39
    {0.7514f, 0.5119f, 0},  // 40
    {0.9123f, 0.4162f, 0},  // 41
    {1, 0.3244f, 0},  // 42
    {1, 0.2383f, 0},  // 43
    {1, 0.1595f, 0},  // 44
    {1, 0.0911f, 0},  // 45
    {1, 0.0310f, 0},  // 46
    {1, 0, 0},  // 47
    {1, 0, 0},  // 48
    {1, 0, 0},  // 49
    {1, 0, 0},  // 50
    {1, 0, 0},  // 51
    {1, 0, 0},  // 52
    {1, 0, 0},  // 53
    {1, 0, 0},  // 54
    {1, 0, 0},  // 55
    {1, 0, 0},  // 56
    {1, 0, 0},  // 57
    {1, 0, 0},  // 58
    {1, 0, 0},  // 59
    {1, 0, 0},  // 60
    {1, 0, 0},  // 61
    {1, 0, 0},  // 62
    {1, 0, 0},  // 63
    {1, 0, 0},  // 64
    {1, 0, 0},  // 65
    {1, 0, 0},  // 66
    {1, 0, 0},  // 67
    {1, 0, 0},  // 68
    {1, 0, 0},  // 69
    {1, 0, 0},  // 70
    {1, 0, 0},  // 71
    {1, 0, 0},  // 72
    {1, 0, 0},  // 73
    {1, 0, 0},  // 74
    {1, 0, 0},  // 75
    {1, 0, 0},  // 76
    {1, 0, 0},  // 77
    {1, 0, 0},  // 78
    {1, 0, 0},  // 79
    {1, 0, 0},  // 80
    {1, 0, 0},  // 81
    {1, 0, 0},  // 82
}};
// clang-format on

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kInvTwoPi = 0.15915494309189535;
constexpr double kInvPi = 0.3183098861837907;

// Metres per unit of the length conversion: metre, millimetre, centimetre, kilometre, inch, foot,
// yard, mile, point.
constexpr double kMetresPerUnit[] = {1,        0.001,           0.01, 1000, 0.0254, 0.3048, 0.9144,
                                     1609.344, 0.00035145980351};
// Metres per host unit code: millimetre, centimetre, metre, kilometre, inch, foot, yard, mile,
// point. Object space spans −1 … 1, so positions scale by half of it; the halves are written out
// so that they are exactly the products the shaders were authored with.
constexpr double kMetresPerHostUnit[] = {
    0.001, 0.01, 1, 1000, 0.0254, 0.3048, 0.9144, 1609.344, 0.00035145980351};
constexpr double kHalfMetresPerHostUnit[] = {
    0.0005, 0.005, 0.5, 500, 0.0127, 0.1524, 0.4572, 804.672, 0.00017572990176};

// The object-space point of the sample in the variable block (a copy of the host record).
constexpr int kObjectWord = offsetof(hxShadingRecord, objectPoint) / sizeof(float);
static_assert(offsetof(hxShadingRecord, node) / sizeof(float) == kNodeHandleWord);

// Azimuth in [0, 2π) of (x, y). x = 0 is decided by the sign of y alone, down to the origin, with
// the single-precision quarter turn the stored shaders were made with.
double Azimuth(double x, double y) {
    double a;
    if (x != 0) {
        a = std::atan2(y, x);
    } else {
        a = y > 0 ? kHalfPi : -static_cast<double>(static_cast<float>(kHalfPi));
    }
    if (a < 0) a += kTwoPi;
    return a;
}

double SafeArcCos(double c) {
    if (c < -1) return std::numbers::pi;
    if (c > 1) return 0;
    return std::acos(c);
}

// The Catmull-Rom spline through a colour table at x in [0, last]: rows i … i + 3 with i the
// whole part of x, so that row i + 1 is the colour at x = i. NaN counts as 0; anything that
// would read past the table takes the last segment.
template <size_t N>
TVec3 TableColor(const std::array<std::array<float, 3>, N>& table, double x) {
    constexpr int32_t kLastSegment = static_cast<int32_t>(N) - 4;
    if (!(x >= 0)) x = 0;
    int32_t i = ToInt32(x);
    if (i > kLastSegment) i = kLastSegment;
    const double f = x - i;
    const auto& p0 = table[i];
    const auto& p1 = table[i + 1];
    const auto& p2 = table[i + 2];
    const auto& p3 = table[i + 3];
    return {CatmullRom(p0[0], p1[0], p2[0], p3[0], f), CatmullRom(p0[1], p1[1], p2[1], p3[1], f),
            CatmullRom(p0[2], p1[2], p2[2], p3[2], f)};
}

// Clamped to [low, high]; NaN takes the low end, where a table look-up stays inside the table.
double ClampLow(double v, double low, double high) {
    if (!(v >= low)) return low;
    return v > high ? high : v;
}

}  // namespace

void TXRC3Dto1D::Evaluate(bool) {
    if (const std::optional<double> v = ReduceVector(Vec(0), Enum(1))) SetOut(*v);
}

void TXRC2Dto1D::Evaluate(bool) {
    const int32_t reduction = Enum(1);
    const TVec2 v = Uv(0);
    switch (reduction) {
        case 0:
            SetOut((v.u + v.v) * 0.5);
            break;
        case 1:
            SetOut(v.u + v.v);
            break;
        case 2:
            SetOut(v.u);
            break;
        case 3:
            SetOut(v.v);
            break;
        default:
            break;
    }
}

void TXRCDistance::Evaluate(bool) {
    const int32_t from = Enum(1), to = Enum(2);
    const double metres = from >= 0 && from < 9 ? Num(0) * kMetresPerUnit[from] : 0.0;
    switch (to) {
        case 0:
            SetOut(metres);
            break;
        case 1:
            SetOut(metres * 1000);
            break;
        case 2:
            SetOut(metres * 100);
            break;
        case 3:
            SetOut(metres * 0.001);
            break;
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
            SetOut(metres / kMetresPerUnit[to]);
            break;
        default:
            break;
    }
}

void TXRCAngle::Evaluate(bool) {
    const int32_t conversion = Enum(1);
    if (conversion == 0) SetOut(Num(0) * kDegToRad);
    if (conversion == 1) SetOut(Num(0) * kRadToDeg);
}

void TXRC3DtoSphere::Evaluate(bool) {
    const int32_t direction = Enum(1);
    const TVec3 v = Vec(0);
    if (direction == 0) {
        const double planar = v.x * v.x + v.y * v.y;
        SetOut(TVec3{Azimuth(v.x, v.y), std::atan2(v.z, std::sqrt(planar)),
                     std::sqrt(planar + v.z * v.z)});
    } else if (direction == 1) {
        const double a = v.x, e = v.y, r = v.z;
        SetOut(
            TVec3{std::cos(a) * std::cos(e) * r, std::sin(a) * std::cos(e) * r, std::sin(e) * r});
    }
}

void TXRC2DtoPolar::Evaluate(bool) {
    const int32_t direction = Enum(1);
    const TVec2 v = Uv(0);
    if (direction == 0) {
        SetOut(TVec2{Azimuth(v.u, v.v), std::sqrt(v.u * v.u + v.v * v.v)});
    } else if (direction == 1) {
        SetOut(TVec2{std::cos(v.u) * v.v, std::sin(v.u) * v.v});
    }
}

void TXRC3Dto2D::Evaluate(bool) {
    const int32_t projection = Enum(3);
    const TVec3 r = Vec(0), n = Vec(1), p = Vec(4);
    const double k = Num(2);
    if (projection == 0 || projection == 1) {
        // U: the angle between the planes through the pole axis that hold Position and the
        // reference axis, turned to a full circle by the side Position lies on.
        const TVec3 a = Cross(p, n), b = Cross(r, n);
        const double m = std::sqrt(Dot(a, a) * Dot(b, b));
        double u = m > 0 ? SafeArcCos(Dot(a, b) / m) * kInvTwoPi * k : 0.0;
        if (Dot(Cross(a, b), n) > 0) u = 1 - u;
        double v;
        if (projection == 0) {
            const double mv = std::sqrt(Dot(n, n) * Dot(p, p));
            v = mv > 0 ? SafeArcCos(Dot(n, p) / mv) * kInvPi * k : 0.0;
        } else {
            const double nn = Dot(n, n);
            v = nn > 0 ? (1 - Dot(n, p) / nn) * 0.5 * k : 0.0;
        }
        SetOut(TVec2{u, v});
    } else if (projection == 2) {
        if (k == 0) return;
        const double rr = Dot(r, r), nn = Dot(n, n);
        SetOut(TVec2{rr > 0 ? Dot(p, r) / (rr * k) : 0.0, nn > 0 ? Dot(p, n) / (nn * k) : 0.0});
    }
}

void TXRCHSVRGB::Evaluate(bool) {
    const int32_t direction = Enum(1);
    const TVec3 c = Vec(0);
    if (direction == 0) {
        if (c.y == 0) {
            SetOut(TVec3{c.z, c.z, c.z});
            return;
        }
        const double h = std::clamp(c.x - std::floor(c.x), 0.0, 1.0);
        const double s = std::clamp(c.y, 0.0, 1.0);
        const double v = std::clamp(c.z, 0.0, 1.0);
        SetOut(HsvSectorToRgb(static_cast<float>(6 * h), s, v));
    } else if (direction == 1) {
        const THsv hsv = RgbToHsv(std::clamp(c.x, 0.0, 1.0), std::clamp(c.y, 0.0, 1.0),
                                  std::clamp(c.z, 0.0, 1.0));
        SetOut(TVec3{hsv.h, hsv.s, hsv.v});
    }
}

void TXRCBlackbody::Evaluate(bool) {
    const double t = ClampLow(Num(0) * 1000, 1000, 11000);
    SetOut(TableColor(kBlackbodyTable, static_cast<float>((t - 1000) / 10000 * 97)));
}

void TXRCSpectrum::Evaluate(bool) {
    const double wavelength = ClampLow(Num(0) * 100, 380, 780);
    SetOut(TableColor(kWavelengthTable, (wavelength - 380) / 400 * 79));
}

void TXRCObjectData::Evaluate(bool inHost) {
    const int32_t parameter = Enum(0);
    int32_t node = 0;
    if (Context != nullptr) std::memcpy(&node, &Context->Variables[kNodeHandleWord], sizeof node);
    if (inHost && node != 0) {
        EvaluateInHost(parameter, node);
    } else {
        EvaluatePreview(parameter);
    }
}

void TXRCObjectData::EvaluateInHost(int32_t parameter, int32_t node) {
    float v[3] = {0, 0, 0};
    switch (parameter) {
        case 0: {
            hxGNodeGetSize(node, v);
            const int32_t units = hxGNodeGetUnits(node);
            const double half = units >= 0 && units < 9 ? kHalfMetresPerHostUnit[units] : 0.5;
            const float* o = &Context->Variables[kObjectWord];
            SetOut(TVec3{o[0] * v[0] * half, o[1] * v[1] * half, o[2] * v[2] * half});
            return;
        }
        case 1:
            hxGNodeGetLocation(node, v);
            break;
        case 2:
            hxGNodeGetRotation(node, v);
            SetOut(TVec3{v[0] * kDegToRad, v[1] * kDegToRad, v[2] * kDegToRad});
            return;
        case 3: {
            hxGNodeGetSize(node, v);
            const int32_t units = hxGNodeGetUnits(node);
            const double factor = units >= 0 && units < 9 ? kMetresPerHostUnit[units] : 1.0;
            SetOut(TVec3{v[0] * factor, v[1] * factor, v[2] * factor});
            return;
        }
        case 4:
            hxGNodeGetAxesPosition(node, v);
            break;
        case 5:
        case 6:
        case 7: {
            float axes[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            hxGNodeGetAxesOrientation(node, axes);
            std::memcpy(v, &axes[3 * (parameter - 5)], sizeof v);
            break;
        }
        case 8:
        case 9: {
            float box[6];
            hxBBoxInit(box);
            hxGNodeGetBBox(node, box);
            std::memcpy(v, &box[3 * (parameter - 8)], sizeof v);
            break;
        }
        default:
            return;
    }
    SetOut(TVec3{v[0], v[1], v[2]});
}

void TXRCObjectData::EvaluatePreview(int32_t parameter) {
    switch (parameter) {
        case 0:
            if (Context != nullptr) {
                const float* o = &Context->Variables[kObjectWord];
                SetOut(TVec3{o[0], o[1], o[2]});
            } else {
                SetOut(TVec3{});
            }
            break;
        case 1:
        case 2:
        case 4:
            SetOut(TVec3{});
            break;
        case 3:
            SetOut(TVec3{2, 2, 2});
            break;
        case 5:
            SetOut(TVec3{1, 0, 0});
            break;
        case 6:
            SetOut(TVec3{0, 1, 0});
            break;
        case 7:
            SetOut(TVec3{0, 0, 1});
            break;
        case 8:
            SetOut(TVec3{-1, -1, -1});
            break;
        case 9:
            SetOut(TVec3{1, 1, 1});
            break;
        default:
            break;
    }
}

namespace {
// One row per class: its catalogue tab and place there, its catalogue name.
constexpr CatalogueRow kRows[] = {
    VANDREL_ROW(TXRC3Dto1D, 9, 0, "3D Vector/Color to Numerical Value"),
    VANDREL_ROW(TXRC2Dto1D, 9, 1, "UV Vector to Numerical Value"),
    VANDREL_ROW(TXRCDistance, 9, 2, "Length Unit Conversion"),
    VANDREL_ROW(TXRCAngle, 9, 3, "Degrees to/from Radians"),
    VANDREL_ROW(TXRC3DtoSphere, 9, 4, "3D Vector to/from Spherical Coordinates"),
    VANDREL_ROW(TXRC2DtoPolar, 9, 5, "UV Vector to/from Polar Coordinates"),
    VANDREL_ROW(TXRC3Dto2D, 9, 6, "UV Projection (3D to 2D)"),
    VANDREL_ROW(TXRCHSVRGB, 9, 7, "HSV to/from RGB"),
    VANDREL_ROW(TXRCBlackbody, 9, 8, "Black Body Radiation to RGB"),
    VANDREL_ROW(TXRCSpectrum, 9, 9, "Monochromatic Light (Wavelength) to RGB"),
    VANDREL_HOST_ROW(TXRCObjectData, 9, 10, "Underlying Object Parameters"),
};
}  // namespace

std::span<const CatalogueRow> ConverterRows() { return kRows; }

}  // namespace vandrel

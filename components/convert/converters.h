// Conversions: reductions of vectors to numbers, length and angle units, spherical, polar and UV
// coordinates, HSV, black-body and wavelength colours, and the data of the shaded host object.
//
// Every class takes any input without failing. An enumeration value outside the listed items
// leaves the output as it was (zero before the first evaluation), except an unlisted FromUnit of
// the length conversion, which reads as 0 metres. Zero-length vectors give 0 where a division
// would be needed; the colour tables clamp their input range, and a NaN temperature or
// wavelength reads as the low end of the table. Only TXRCObjectData looks at InHost: it calls the
// host for the node of the shaded object, and otherwise (the preview, or no node) describes a
// cube of edge 2 centred on the origin. Outputs are floats; intermediate arithmetic runs in
// double.
#pragma once

#include <array>
#include <cstdint>

#include "core/component.h"

namespace vandrel {

// The colour tables: rows of R, G, B. Black body: row 1 + k is the colour at 1000 K + k · 10000/97
// K (k = 0 … 97); wavelength: row 1 + k the colour at 380 nm + k · 400/79 nm (k = 0 … 79). The
// first and the last two rows of each are outer control points of the spline.
extern const std::array<std::array<float, 3>, 101> kBlackbodyTable;
extern const std::array<std::array<float, 3>, 83> kWavelengthTable;

inline constexpr PropertySpec k3Dto1DProps[] = {
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"Reduction", kEnumeration, {0}},
};

// Reduction 0: average of the parts; 1: luminance 0.299·x + 0.587·y + 0.114·z; 2: sum; 3, 4, 5:
// hue, saturation and value of the input taken as an RGB colour, not clamped (the earlier part
// wins a tie for the maximum; saturation 0 when the maximum is 0, hue 0 when all parts are
// equal); 6, 7, 8: x, y, z.
class TXRC3Dto1D final : public TXRTableComponent<k3Dto1DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 1001;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec k2Dto1DProps[] = {
    {"Input", kUV, {0, 0}, false, "UV"},
    {"Reduction", kEnumeration, {0}},
};

// Reduction 0: (u + v) / 2; 1: u + v; 2: u; 3: v.
class TXRC2Dto1D final : public TXRTableComponent<k2Dto1DProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 1006;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kDistanceProps[] = {
    {"Input", kNumerical, {0}},
    {"FromUnit", kEnumeration, {0}},
    {"ToUnit", kEnumeration, {0}},
};

// Input in FromUnit expressed in ToUnit. Units: 0 metre, 1 millimetre, 2 centimetre, 3 kilometre,
// 4 inch, 5 foot, 6 yard, 7 mile, 8 point (1/72.27 inch).
class TXRCDistance final : public TXRTableComponent<kDistanceProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 1003;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kAngleProps[] = {
    {"Input", kNumerical, {0}},
    {"Conversion", kEnumeration, {0}},
};

// Conversion 0: degrees to radians; 1: radians to degrees.
class TXRCAngle final : public TXRTableComponent<kAngleProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 1002;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec k3DtoSphereProps[] = {
    {"Input", kVector, {0, 0, 0}, false, "XYZ"},
    {"Direction", kEnumeration, {0}},
};

// Direction 0: (x, y, z) to (azimuth in [0, 2π), elevation in [−π/2, π/2], radius); x = 0 with
// y ≤ 0 gives the azimuth 3π/2, also on the Z axis and at the origin. Direction 1: (azimuth,
// elevation, radius) back to (x, y, z).
class TXRC3DtoSphere final : public TXRTableComponent<k3DtoSphereProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 1009;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec k2DtoPolarProps[] = {
    {"Input", kUV, {0, 0}, false, "UV"},
    {"Direction", kEnumeration, {0}},
};

// Direction 0: (u, v) to (angle in [0, 2π), radius), the angle as the azimuth of the spherical
// conversion, so (0, 0) gives (3π/2, 0). Direction 1: (angle, radius) back to (u, v).
class TXRC2DtoPolar final : public TXRTableComponent<k2DtoPolarProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 1010;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec k3Dto2DProps[] = {
    {"ReferenceAxis", kVector, {1, 0, 0}, false, "XYZ"},
    {"PoleAxis", kVector, {0, 0, 1}, false, "XYZ"},
    {"Scale", kNumerical, {1}},
    {"Projection", kEnumeration, {0}},
    {"Position", kVector, {0, 0, 0}, false, "XYZ"},
};

// UV coordinates of Position. Projection 0 (spherical) and 1 (cylindrical): U is the angle around
// the pole axis from the reference axis, as a fraction of a turn times Scale; V is the angle from
// the pole as a fraction of a half turn (spherical) or (1 − height along the pole axis) / 2
// (cylindrical), times Scale. Projection 2 (planar): the projections of Position on the two axes,
// divided by the squared axis lengths and by Scale; Scale 0 leaves the output as it was.
class TXRC3Dto2D final : public TXRTableComponent<k3Dto2DProps, kUV> {
  public:
    static constexpr int32_t kTypeId = 1011;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kHSVRGBProps[] = {
    {"Color", kVector, {0, 0, 0}, false, "XYZ"},
    {"Direction", kEnumeration, {0}},
};

// Direction 0: HSV to RGB, the hue wrapped into [0, 1), saturation and value clamped to [0, 1]
// (a saturation of exactly 0 passes the value through as read). Direction 1: RGB, clamped to
// [0, 1], to HSV with the hue in [0, 1).
class TXRCHSVRGB final : public TXRTableComponent<kHSVRGBProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 1004;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kBlackbodyProps[] = {
    {"Temperature", kNumerical, {6.5f}},
};

// The colour of a black body at Temperature thousands of kelvin, 1 to 11, from the table through
// a Catmull-Rom spline.
class TXRCBlackbody final : public TXRTableComponent<kBlackbodyProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 1005;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kSpectrumProps[] = {
    {"Wavelength", kNumerical, {5.8f}},
};

// The colour of monochromatic light of Wavelength hundreds of nanometres, 3.8 to 7.8, from the
// table through a Catmull-Rom spline.
class TXRCSpectrum final : public TXRTableComponent<kSpectrumProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 1007;
    void Evaluate(bool inHost) override;
};

inline constexpr PropertySpec kObjectDataProps[] = {
    {"Parameter", kEnumeration, {0}},
};

// Parameter 0: the sample's object-space position scaled to the object's size in metres (half the
// size per unit, since object space spans −1 … 1); 1: location; 2: rotation in radians; 3: size
// in metres; 4: axes position; 5, 6, 7: the X, Y, Z axis directions; 8, 9: the bounding box
// minimum and maximum. Locations and positions are passed on in host units.
class TXRCObjectData final : public TXRTableComponent<kObjectDataProps, kVector> {
  public:
    static constexpr int32_t kTypeId = 1008;
    void Evaluate(bool inHost) override;

  private:
    void EvaluateInHost(int32_t parameter, int32_t node);
    void EvaluatePreview(int32_t parameter);
};

}  // namespace vandrel

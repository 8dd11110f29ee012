// The scene of the component preview: the three shapes, the shading context each one synthesises
// for a pixel, the striped background and the colour that shows a component's output.
//
// Plain functions of their arguments. The preview calls them on the user-interface thread, where
// the editor's tree and its context live.
#pragma once

#include <cstdint>

#include "core/thread_record.h"
#include "core/vec.h"

namespace vandrel {

inline constexpr int kPreviewSize = 64;

enum class TPreviewShape : uint8_t { kPlane = 0, kSphere = 1, kCube = 2 };

struct TPixelColor {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const TPixelColor&) const = default;
};

inline constexpr TPixelColor kStripeDark{64, 64, 64};
inline constexpr TPixelColor kStripeLight{192, 192, 192};

// The "Range ±" field: half the width of the previewed area.
inline constexpr float kPreviewRangeMin = 0.01f;
inline constexpr float kPreviewRangeMax = 1000.0f;
inline constexpr float kPreviewRangeDefault = 1.0f;
inline constexpr float kPreviewRangeStep = 0.01f;

// Pixels whose colour differs from a neighbour's by more than this are evaluated on their own.
inline constexpr double kRefinementThreshold = 0.05;

inline constexpr TVec3 kSphereViewer{0, 0, 6.3};
inline constexpr double kSphereScreenHalfSize = 2.1;
inline constexpr TVec3 kCubeViewer{5.622903823852539, 4.630631923675537, 3.137592077255249};
inline constexpr TVec3 kCubeRight{-0.6357070207595825, 0.7719299793243408, 0};
inline constexpr TVec3 kCubeUp{-0.3191539943218231, -0.26283299922943115, 0.9105269908905029};
inline constexpr double kCubeScreenFactor = 3.2;
inline constexpr double kCubeScreenZOffset = 0.17;

// Diagonal stripes six pixels wide.
TPixelColor PreviewBackground(int x, int y);

// Euclidean distance of two colours with each channel scaled to 0 … 1.
double ColorDistance(TPixelColor a, TPixelColor b);

// Clears the geometric and colour variables of the context (the host block), fills in what the
// shape shows at pixel (x, y) (column, row) of a size × size picture and returns the covered
// fraction of the pixel, 0 … 1. Every size frames the same view of the shape.
double SynthesiseSample(TPreviewShape shape, int x, int y, double range, TThreadRecord& context,
                        int size = kPreviewSize);

// The pixel colour of an output over the background at a coverage above 0. Numerical outputs are
// grey, UV outputs red and green, Vector outputs red, green and blue, each float × 255 rounded and
// held to 0 … 255; an output of any other kind (or none) shows pure red at half the coverage.
TPixelColor PreviewColor(int32_t kind, const float* output, TPixelColor background,
                         double coverage);

}  // namespace vandrel

// The zoom's arithmetic: layout positions and canvas pixels, anchored zoom steps and framing.
#include "editor/model/view_zoom.h"

#include <gtest/gtest.h>

namespace vandrel {
namespace {

TEST(ViewZoom, PixelsMapBackToThePositionsTheyShow) {
    for (double scale : {0.25, 0.8, 1.0, 1.25, 4.0}) {
        const TViewZoom zoom{scale, 24};
        for (int32_t x = -24; x < 400; x += 3) {
            const TPoint layout{x, 2 * x + 7};
            const TPoint back = zoom.ToLayout(zoom.ToCanvas(layout));
            // Exact from 100 % up; below it a pixel shows 1 / scale positions.
            const double within = scale >= 1.0 ? 0.0 : 1.0 / scale;
            EXPECT_LE(std::abs(back.x - layout.x), within) << scale << " " << x;
            EXPECT_LE(std::abs(back.y - layout.y), within) << scale << " " << x;
        }
    }
    // Every pixel of a position magnified four times hits it.
    const TViewZoom four{4.0, 0};
    for (int32_t px = 40; px < 44; ++px) EXPECT_EQ(four.ToLayout({px, px}).x, 10);
    EXPECT_EQ(TViewZoom::Clamped(0.01), kZoomMin);
    EXPECT_EQ(TViewZoom::Clamped(99), kZoomMax);
    EXPECT_EQ(TViewZoom::Clamped(0.0 / 0.0), 1.0);
}

TEST(ViewZoom, AnchoredStepsAndFraming) {
    // The layout point under the anchor before and after.
    const TPoint scroll{100, 50};
    const TPoint anchor{200, 120};
    const TPoint to = AnchoredScroll(scroll, anchor, 1.0, 2.0, 24);
    EXPECT_EQ(TViewZoom({2.0, 24}).ToLayout({to.x + anchor.x, to.y + anchor.y}).x,
              TViewZoom({1.0, 24}).ToLayout({scroll.x + anchor.x, scroll.y + anchor.y}).x);
    // A wide graph in a small view: scaled down to fit, centred.
    const TFraming f = FrameRect({0, 0, 1200, 300}, 600, 300, 24, 0);
    EXPECT_DOUBLE_EQ(f.Scale, 0.5);
    EXPECT_EQ(f.Scroll.x, 12);
    // Never below the least zoom nor above the greatest.
    EXPECT_EQ(FrameRect({0, 0, 100000, 10}, 600, 300, 24).Scale, kZoomMin);
    EXPECT_EQ(FrameRect({0, 0, 10, 10}, 600, 300, 24).Scale, kZoomMax);
}

}  // namespace
}  // namespace vandrel

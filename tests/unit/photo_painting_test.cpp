#include <gtest/gtest.h>
#include <set>
#include <utility>
#include "photo/PhotoView.h"
#include "photo_fixture.h"
#include "support/RasterCanvas.h"

namespace {

using Pixels = std::set<std::pair<int32_t, int32_t>>;

// The border of the square from (left, top) to (right, bottom), both corners included,
// as far as it lies on the 400 x 300 display copy.
void addSquare(Pixels& pixels, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    auto add = [&pixels](int32_t x, int32_t y) {
        if (x >= 0 && x < 400 && y >= 0 && y < 300) pixels.insert({x, y});
    };
    for (int32_t x = left; x <= right; ++x) {
        add(x, top);
        add(x, bottom);
    }
    for (int32_t y = top; y <= bottom; ++y) {
        add(left, y);
        add(right, y);
    }
}

}  // namespace

// A 400 x 300 display copy, shown unscaled in a 500 x 400 control: the frame and its
// handles are the only pixels changed over the picture, in dots of the verdict's colour and
// white gaps; nothing is drawn outside the copy, which stays black.
TEST(ViewPainting, OutlineAndHandlesCoverExactlyTheirPixels) {
    const Selection cases[] = {
        {0, 0, 80, 80}, {100, 50, 121, 37}, {320, 220, 80, 80},
        {320, 0, 80, 80},      // right edge on the display copy's last column
        {350, 250, 100, 100},  // reaching past both edges
        {-20, -20, 40, 40},    // left of the copy
    };
    for (const Selection& s : cases) {
        SCOPED_TRACE(testing::Message() << s);
        HostedView v(500, 400);
        loadSynthetic(v.view, 400, 300);
        v.view.rebuildDisplay(500, 400);
        select(v.view, s);
        v.view.updateQuality();
        RasterCanvas canvas(500, 400);
        v.view.paint(canvas);

        Pixels changed;
        int dots = 0, others = 0, outside = 0;
        for (int32_t y = 0; y < 400; ++y)
            for (int32_t x = 0; x < 500; ++x) {
                uint32_t colour = canvas.pixel(x, y);
                if (x >= 400 || y >= 300) {
                    outside += colour != 0;
                    continue;
                }
                uint32_t bgr = pixelAt(v.view.displayPixels.data(), 400, x, 299 - y);
                if (colour == ((bgr >> 16 & 0xFF) | (bgr & 0xFF00) | (bgr & 0xFF) << 16)) continue;
                changed.insert({x, y});
                dots += colour == v.view.frameColour;
                others += colour != v.view.frameColour && colour != RasterCanvas::White;
            }
        const int32_t r = s.left + s.width - 1, b = s.top + s.height - 1;
        const int32_t cx = s.left + s.width / 2, cy = s.top + s.height / 2;
        Pixels expected;
        addSquare(expected, s.left, s.top, r, b);
        addSquare(expected, s.left, s.top, s.left + 10, s.top + 10);
        addSquare(expected, r - 10, b - 10, r, b);
        addSquare(expected, cx - 5, cy - 5, cx + 5, cy + 5);
        EXPECT_EQ(changed, expected);
        EXPECT_GT(dots, 0);
        EXPECT_EQ(others, 0);
        EXPECT_EQ(outside, 0);
        EXPECT_EQ(canvas.copyOuts(), 1);
        EXPECT_FALSE(canvas.penSelected());
    }
}

#include <gtest/gtest.h>
#include <set>
#include <utility>
#include "photo/PhotoView.h"
#include "photo_fixture.h"
#include "support/RasterCanvas.h"
#include "support/RecordingHost.h"

namespace {

using Pixels = std::set<std::pair<int32_t, int32_t>>;

// The border of the square from (left, top) to (right, bottom), both corners included.
void addSquare(Pixels& pixels, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    for (int32_t x = left; x <= right; ++x) {
        pixels.insert({x, top});
        pixels.insert({x, bottom});
    }
    for (int32_t y = top; y <= bottom; ++y) {
        pixels.insert({left, y});
        pixels.insert({right, y});
    }
}

// The colour the display copy shows at (x, y), as the canvas holds colours.
uint32_t pictureColour(const PhotoView& v, int32_t x, int32_t y) {
    uint32_t bgr = pixelAt(v.displayPixels.data(), v.displayWidth, x, v.displayHeight - 1 - y);
    return (bgr >> 16 & 0xFF) | (bgr & 0xFF00) | (bgr & 0xFF) << 16;
}

struct Painted {
    RecordingHost host;  // outlives the view, whose destructor repaints
    PhotoView view;
    RasterCanvas canvas;
    Pixels changed;  // pixels of the display copy that do not show the picture
    bool onlyFrameColours = true;
    bool blackOutside = true;

    Painted(Selection selection, int32_t canvasW = 500, int32_t canvasH = 400) : canvas(canvasW, canvasH) {
        view.attach(&host, canvasW, canvasH);
        loadSynthetic(view, 400, 300);  // shown unscaled in the top-left corner
        view.rebuildDisplay(canvasW, canvasH);
        select(view, selection);
        view.updateQuality();
        view.paint(canvas);
        for (int32_t y = 0; y < canvasH; ++y)
            for (int32_t x = 0; x < canvasW; ++x) {
                uint32_t colour = canvas.pixel(x, y);
                if (x >= view.displayWidth || y >= view.displayHeight) {
                    if (colour != 0) blackOutside = false;
                } else if (colour != pictureColour(view, x, y)) {
                    changed.insert({x, y});
                    if (colour != view.frameColour && colour != RasterCanvas::White) onlyFrameColours = false;
                }
            }
    }
};

}  // namespace

TEST(ViewPainting, OutlineAndHandlesCoverExactlyTheirPixels) {
    struct Case {
        Selection selection;
    } cases[] = {{{0, 0, 80, 80}}, {{100, 50, 121, 37}}, {{320, 220, 80, 80}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selection);
        Painted p(c.selection);
        const Selection& s = c.selection;
        int32_t r = s.left + s.width - 1, b = s.top + s.height - 1;
        int32_t cx = s.left + s.width / 2, cy = s.top + s.height / 2;
        Pixels expected;
        addSquare(expected, s.left, s.top, r, b);
        addSquare(expected, s.left, s.top, s.left + 10, s.top + 10);
        addSquare(expected, r - 10, b - 10, r, b);
        addSquare(expected, cx - 5, cy - 5, cx + 5, cy + 5);
        EXPECT_EQ(p.changed, expected);
        EXPECT_TRUE(p.onlyFrameColours);
        EXPECT_TRUE(p.blackOutside);
        EXPECT_EQ(p.canvas.copyOuts(), 1);
        EXPECT_FALSE(p.canvas.penSelected());
    }
}

TEST(ViewPainting, SpecExampleColumnsAndRows) {
    Painted p({0, 0, 80, 80});
    // The outline's right side is column 79, the bottom-right handle 69..79, the centre 35..45.
    for (int32_t y : {0, 79}) EXPECT_TRUE(p.changed.count({79, y}));
    EXPECT_FALSE(p.changed.count({80, 0}));
    for (int32_t v : {69, 79}) EXPECT_TRUE(p.changed.count({v, 75}));
    EXPECT_FALSE(p.changed.count({68, 75}));
    for (int32_t v : {35, 45}) EXPECT_TRUE(p.changed.count({v, 40}));
    EXPECT_TRUE(p.changed.count({10, 5}));
    EXPECT_FALSE(p.changed.count({11, 5}));
    // The dots take the verdict's colour: shown unscaled, 80 x 80 is smaller than the
    // 320 x 320 device, so red.
    EXPECT_EQ(p.view.frameColour, 0x004040FFu);
    EXPECT_EQ(p.canvas.pixel(0, 40), 0x004040FFu);
}

TEST(ViewPainting, NothingIsDrawnOutsideTheDisplayCopy) {
    struct Case {
        const char* name;
        Selection selection;
    } cases[] = {
        {"right edge on the last column", {320, 0, 80, 80}},
        {"reaching past both edges", {350, 250, 100, 100}},
        {"left of the copy", {-20, -20, 40, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painted p(c.selection);
        EXPECT_TRUE(p.blackOutside);
        EXPECT_TRUE(p.onlyFrameColours);
        EXPECT_FALSE(p.changed.empty());
    }
    Painted edge({320, 0, 80, 80});
    EXPECT_TRUE(edge.changed.count({399, 40}));
}

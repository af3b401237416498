#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "photo/PhotoView.h"
#include "photo_fixture.h"
#include "support/RasterCanvas.h"

namespace {

// Every display pixel is the photograph's pixel at the nearest-neighbour source, rows
// counted from the bottom in both buffers.
int samplingErrors(const PhotoView& v) {
    int errors = 0;
    for (int32_t i = 0; i < v.displayHeight; ++i)
        for (int32_t j = 0; j < v.displayWidth; ++j)
            if (pixelAt(v.displayPixels.data(), v.displayWidth, j, i) !=
                syntheticPixel(j * v.imageWidth / v.displayWidth, v.imageHeight * i / v.displayHeight))
                ++errors;
    return errors;
}

}  // namespace

TEST(DisplayCopy, FitsShrinkingOnlyAndPutsBackTheInitialSelection) {
    struct Case {
        int32_t photoW, photoH, viewW, viewH, deviceW, deviceH, displayW, displayH;
        Selection selection;
    } cases[] = {
        {1600, 1200, 400, 300, 320, 320, 400, 300, {0, 0, 80, 80}},
        {1600, 1200, 800, 600, 320, 320, 800, 600, {0, 0, 160, 160}},
        {200, 100, 400, 300, 320, 320, 200, 100, {0, 0, 100, 100}},   // cut, then made square
        {1000, 3000, 400, 300, 320, 320, 100, 300, {0, 0, 32, 32}},
        {200, 100, 400, 300, 320, 480, 200, 100, {0, 0, 66, 99}},     // cut, then to 2:3
        {300, 600, 400, 300, 160, 160, 150, 300, {0, 0, 80, 80}},     // only the height too big
        {1000, 333, 400, 300, 320, 320, 400, 133, {0, 0, 128, 127}},  // truncated, not rounded
        {640, 480, 640, 480, 160, 240, 640, 480, {0, 0, 160, 240}},   // fits exactly
        {3, 2, 400, 300, 320, 320, 3, 2, {0, 0, 2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.photoW << "x" << c.photoH << " in " << c.viewW << "x" << c.viewH
                                        << ", device " << c.deviceW << "x" << c.deviceH);
        HostedView v;
        v.view.deviceWidth = c.deviceW;
        v.view.deviceHeight = c.deviceH;
        loadSynthetic(v.view, c.photoW, c.photoH);
        select(v.view, {30, 40, 200, 150});  // a dragged selection: every rebuild replaces it
        v.view.rebuildDisplay(c.viewW, c.viewH);
        EXPECT_EQ(v.view.viewWidth, c.viewW);
        EXPECT_EQ(v.view.displayWidth, c.displayW);
        EXPECT_EQ(v.view.displayHeight, c.displayH);
        const BitmapInfo header = makeBitmapInfo(c.displayW, c.displayH);
        EXPECT_EQ(memcmp(&v.view.displayHeader, &header, sizeof header), 0);
        EXPECT_EQ(selectionOf(v.view), c.selection);
        ASSERT_EQ(v.view.displayPixels.size(), static_cast<size_t>(c.displayW) * c.displayH * 4);
        EXPECT_EQ(samplingErrors(v.view), 0);
        EXPECT_EQ(v.host.invalidations, std::vector<bool>{true});  // repaint with erase
        EXPECT_EQ(v.host.statusTexts.size(), 1u);                   // then the quality update
    }
}

// Without a photograph: only the view size and the status line change, nothing is mapped.
TEST(DisplayCopy, WithoutAPhotographOnlyTheViewSizeAndStatusChange) {
    HostedView v;
    v.view.sourceLeft = 11;
    v.view.outputWidth = 22;
    v.view.frameColour = 0x123456;
    v.view.rebuildDisplay(123, 45);
    EXPECT_EQ(v.view.viewWidth, 123);
    EXPECT_EQ(v.view.viewHeight, 45);
    EXPECT_FALSE(v.view.displayPixels);
    EXPECT_EQ(v.host.statusTexts, std::vector<std::string>{"Choose a jpeg file..."});
    EXPECT_TRUE(v.host.invalidations.empty());
    EXPECT_EQ(v.view.sourceLeft, 11);
    EXPECT_EQ(v.view.outputWidth, 22);
    EXPECT_EQ(v.view.frameColour, 0x123456u);
}

// Regression: a display copy with a zero side led to divisions by zero in the mapping.
TEST(DisplayCopy, ZeroSideIsLeftUnmappedUntilARealSize) {
    struct Case {
        const char* name;
        int32_t photoW, photoH, viewW, viewH;
    } cases[] = {
        {"very wide photograph", 4000, 1, 400, 300}, {"very tall photograph", 1, 4000, 400, 300},
        {"control of no width", 1600, 1200, 0, 300}, {"control of no height", 1600, 1200, 400, 0},
        {"negative size", 1600, 1200, -5, -5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostedView v;
        loadSynthetic(v.view, c.photoW, c.photoH);
        v.host.setStatusText("before");
        v.view.sourceWidth = v.view.outputWidth = 7;  // from an earlier photograph
        v.view.rebuildDisplay(c.viewW, c.viewH);
        EXPECT_TRUE(v.view.photoLoaded);
        EXPECT_FALSE(v.view.displayMapped());
        EXPECT_FALSE(v.view.displayPixels);
        EXPECT_EQ(v.host.lastStatus().find("Can't show : "), 0u);  // says so, not the old figures
        EXPECT_NE(v.host.lastStatus().find("shrink to nothing"), std::string::npos);
        EXPECT_EQ(v.view.sourceWidth, 0);
        EXPECT_EQ(v.view.outputWidth, 0);

        // Nothing is dragged or drawn.
        v.view.onMouseButton(0, 0, 0, true);
        v.view.onMouseMove(0, 50, 50);
        EXPECT_EQ(v.view.dragMode, PhotoView::DragNone);
        EXPECT_EQ(v.host.captures, 0);
        EXPECT_TRUE(v.host.cursors.empty());
        RasterCanvas canvas(20, 10);
        v.view.paint(canvas);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) ASSERT_EQ(canvas.pixel(x, y), 0u);
        EXPECT_EQ(canvas.copyOuts(), 1);

        v.view.rebuildDisplay(4000, 4000);
        EXPECT_TRUE(v.view.displayMapped());
        EXPECT_EQ(samplingErrors(v.view), 0);
        EXPECT_NE(v.host.lastStatus(), "before");
    }
}

// Regression: a device side of 0 (the size edits are not validated) divided by zero.
TEST(DeviceSize, SidesBelowOneCountAsOne) {
    struct Case {
        int32_t deviceW, deviceH;
        Selection initial;
    } cases[] = {
        {0, 320, {0, 0, 0, 80}}, {320, 0, {0, 0, 80, 0}}, {0, 0, {0, 0, 0, 0}}, {-7, -7, {0, 0, 0, 0}},
        {100000, 320, {0, 0, 400, 1}},  // a huge side: cut to the display copy, then to its proportions
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deviceW << " x " << c.deviceH);
        HostedView v;
        v.view.deviceWidth = c.deviceW;
        v.view.deviceHeight = c.deviceH;
        loadSynthetic(v.view, 1600, 1200);
        v.view.rebuildDisplay(400, 300);
        EXPECT_EQ(selectionOf(v.view), c.initial);

        // Every drag mode with the proportion lock on, and a hover.
        for (int16_t mode : {PhotoView::DragBottomRight, PhotoView::DragTopLeft, PhotoView::DragMove}) {
            v.view.dragMode = mode;
            v.view.onMouseMove(0, 200, 150);
            v.view.onMouseMove(0, 10, 10);
        }
        v.view.dragMode = PhotoView::DragNone;
        v.view.onMouseMove(0, 100, 100);
        EXPECT_GE(v.view.outputWidth, 0);
        EXPECT_GE(v.view.outputHeight, 0);
    }
}

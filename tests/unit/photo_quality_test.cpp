#include <gtest/gtest.h>
#include <cstdio>
#include "photo/PhotoView.h"
#include "photo_fixture.h"

// A 1600 x 1200 photograph shown as a 400 x 300 display copy (4 photograph pixels per
// display pixel), or at full size when the view is 1600 wide.
TEST(Quality, SourceOutputVerdictAndStatusLine) {
    const char* const best = "- selection matches device screen (best quality)";
    const char* const worst = "- selection is smaller than device screen (worst quality)";
    const char* const greater = "- selection is greater than device screen (good quality)";
    const char* const notFilling = "- selection is greater than device screen but does not fill it (normal quality)";
    const char* const matchesNotFilling = "- selection matches device screen but does not fill it (good quality)";
    const char* const poor = "- selection does not match device screen and does not fill it (poor quality)";
    struct Case {
        int32_t deviceW, deviceH, viewW;
        Selection selection, source;
        int32_t outputW, outputH;
        uint32_t colour;
        const char* verdict;
    } cases[] = {
        {320, 320, 400, {0, 0, 80, 80}, {0, 0, 320, 320}, 320, 320, 0x0040FF40, best},
        {320, 320, 400, {0, 0, 100, 100}, {0, 0, 400, 400}, 320, 320, 0x00FFFF40, greater},
        {320, 320, 400, {0, 0, 100, 82}, {0, 0, 400, 328}, 320, 262, 0x00FF4040, notFilling},
        {320, 320, 400, {0, 0, 40, 40}, {0, 0, 160, 160}, 320, 320, 0x004040FF, worst},
        {320, 320, 400, {0, 0, 80, 50}, {0, 0, 320, 200}, 320, 200, 0x0040FFFF, matchesNotFilling},
        {320, 320, 400, {0, 0, 50, 80}, {0, 0, 200, 320}, 200, 320, 0x0040FFFF, matchesNotFilling},
        {320, 320, 400, {0, 0, 100, 50}, {0, 0, 400, 200}, 320, 160, 0x004080FF, poor},
        // The output height equals the device height: no fitting, wider than the screen.
        {320, 320, 400, {0, 0, 100, 80}, {0, 0, 400, 320}, 400, 320, 0x004080FF, poor},
        {320, 320, 400, {0, 0, 50, 100}, {0, 0, 200, 400}, 160, 320, 0x004080FF, poor},
        {320, 320, 400, {10, 20, 80, 80}, {40, 80, 320, 320}, 320, 320, 0x0040FF40, best},
        // Position and size truncate each on their own (display pixels are 4 photograph pixels).
        {320, 320, 400, {3, 7, 81, 79}, {12, 28, 324, 316}, 320, 312, 0x004080FF, poor},
        // At full size: enlarged 256-fold, then fitted.
        {320, 480, 1600, {0, 0, 300, 320}, {0, 0, 300, 320}, 320, 341, 0x004040FF, worst},
        // The output height equals the device width: no fitting.
        {480, 320, 1600, {0, 0, 500, 480}, {0, 0, 500, 480}, 500, 480, 0x00FF4040, notFilling},
        // Regression: 256 x 10000 overflowed 32 bits; 256000 x 204800 fitted to the screen.
        {10000, 10000, 1600, {0, 0, 1000, 800}, {0, 0, 1000, 800}, 10000, 8000, 0x004040FF, worst},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "device " << c.deviceW << "x" << c.deviceH << ", selection "
                                        << c.selection);
        HostedView v(c.viewW, c.viewW * 3 / 4);
        v.view.deviceWidth = c.deviceW;
        v.view.deviceHeight = c.deviceH;
        loadSynthetic(v.view, 1600, 1200);
        v.view.rebuildDisplay(c.viewW, c.viewW * 3 / 4);
        select(v.view, c.selection);
        v.view.updateQuality();
        EXPECT_EQ((Selection{v.view.sourceLeft, v.view.sourceTop, v.view.sourceWidth, v.view.sourceHeight}),
                  c.source);
        EXPECT_EQ(v.view.outputWidth, c.outputW);
        EXPECT_EQ(v.view.outputHeight, c.outputH);
        EXPECT_EQ(v.view.frameColour, c.colour);
        char expected[256];
        snprintf(expected, sizeof expected, "Selection : ( %d , %d ) [ %d x %d ] ==> [ %d x %d ] %s", c.source.left,
                 c.source.top, c.source.width, c.source.height, c.outputW, c.outputH, c.verdict);
        EXPECT_EQ(v.host.lastStatus(), expected);
    }
}

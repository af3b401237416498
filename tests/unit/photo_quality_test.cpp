#include <gtest/gtest.h>
#include <string>
#include "photo/PhotoView.h"
#include "photo_fixture.h"
#include "support/RecordingHost.h"

namespace {

struct Source {
    int32_t left, top, width, height;
};

// A 1600 x 1200 photograph shown as a 400 x 300 display copy (4 photograph pixels per
// display pixel), or at full size when the view is 1600 x 1200.
struct View {
    RecordingHost host;  // outlives the view, whose destructor repaints
    PhotoView view;
    View(int32_t deviceW, int32_t deviceH, int32_t viewW = 400, int32_t viewH = 300) {
        view.attach(&host, viewW, viewH);
        view.deviceWidth = deviceW;
        view.deviceHeight = deviceH;
        loadSynthetic(view, 1600, 1200);
        view.rebuildDisplay(viewW, viewH);
    }
};

}  // namespace

TEST(Quality, SourceOutputVerdictAndStatusLine) {
    struct Case {
        int32_t deviceW, deviceH, viewW;
        Selection selection;
        Source source;
        int32_t outputW, outputH;
        uint32_t colour;
        const char* verdict;
    } cases[] = {
        {320, 320, 400, {0, 0, 80, 80}, {0, 0, 320, 320}, 320, 320, 0x0040FF40,
         "- selection matches device screen (best quality)"},
        {320, 320, 400, {0, 0, 100, 100}, {0, 0, 400, 400}, 320, 320, 0x00FFFF40,
         "- selection is greater than device screen (good quality)"},
        {320, 320, 400, {0, 0, 100, 82}, {0, 0, 400, 328}, 320, 262, 0x00FF4040,
         "- selection is greater than device screen but does not fill it (normal quality)"},
        {320, 320, 400, {0, 0, 40, 40}, {0, 0, 160, 160}, 320, 320, 0x004040FF,
         "- selection is smaller than device screen (worst quality)"},
        {320, 320, 400, {0, 0, 80, 50}, {0, 0, 320, 200}, 320, 200, 0x0040FFFF,
         "- selection matches device screen but does not fill it (good quality)"},
        {320, 320, 400, {0, 0, 50, 80}, {0, 0, 200, 320}, 200, 320, 0x0040FFFF,
         "- selection matches device screen but does not fill it (good quality)"},
        {320, 320, 400, {0, 0, 100, 50}, {0, 0, 400, 200}, 320, 160, 0x004080FF,
         "- selection does not match device screen and does not fill it (poor quality)"},
        // The output height equals the device height: no fitting, wider than the screen.
        {320, 320, 400, {0, 0, 100, 80}, {0, 0, 400, 320}, 400, 320, 0x004080FF,
         "- selection does not match device screen and does not fill it (poor quality)"},
        {320, 320, 400, {0, 0, 50, 100}, {0, 0, 200, 400}, 160, 320, 0x004080FF,
         "- selection does not match device screen and does not fill it (poor quality)"},
        {320, 320, 400, {10, 20, 80, 80}, {40, 80, 320, 320}, 320, 320, 0x0040FF40,
         "- selection matches device screen (best quality)"},
        // Position and size truncate each on their own (display pixels are 4 photograph pixels).
        {320, 320, 400, {3, 7, 81, 79}, {12, 28, 324, 316}, 320, 312, 0x004080FF,
         "- selection does not match device screen and does not fill it (poor quality)"},
        // At full size: enlarged 256-fold, then fitted.
        {320, 480, 1600, {0, 0, 300, 320}, {0, 0, 300, 320}, 320, 341, 0x004040FF,
         "- selection is smaller than device screen (worst quality)"},
        // The output height equals the device width: no fitting.
        {480, 320, 1600, {0, 0, 500, 480}, {0, 0, 500, 480}, 500, 480, 0x00FF4040,
         "- selection is greater than device screen but does not fill it (normal quality)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "device " << c.deviceW << "x" << c.deviceH << ", selection "
                                        << c.selection);
        View v(c.deviceW, c.deviceH, c.viewW, c.viewW * 3 / 4);
        select(v.view, c.selection);
        v.view.updateQuality();
        EXPECT_EQ(v.view.sourceLeft, c.source.left);
        EXPECT_EQ(v.view.sourceTop, c.source.top);
        EXPECT_EQ(v.view.sourceWidth, c.source.width);
        EXPECT_EQ(v.view.sourceHeight, c.source.height);
        EXPECT_EQ(v.view.outputWidth, c.outputW);
        EXPECT_EQ(v.view.outputHeight, c.outputH);
        EXPECT_EQ(v.view.frameColour, c.colour);
        std::string expected = "Selection : ( " + std::to_string(c.source.left) + " , " +
                               std::to_string(c.source.top) + " ) [ " + std::to_string(c.source.width) + " x " +
                               std::to_string(c.source.height) + " ] ==> [ " + std::to_string(c.outputW) + " x " +
                               std::to_string(c.outputH) + " ] " + c.verdict;
        EXPECT_EQ(v.host.lastStatus(), expected);
    }
}

TEST(Quality, StatusLineOfTheBestMatchReadsExactly) {
    View v(320, 320);
    v.view.updateQuality();
    EXPECT_EQ(v.host.lastStatus(),
              "Selection : ( 0 , 0 ) [ 320 x 320 ] ==> [ 320 x 320 ] - selection matches device screen (best quality)");
}

// Regression: the 256-fold enlargement times a large device side overflowed 32 bits.
TEST(Quality, EnlargementForLargeDevicesUsesWideArithmetic) {
    View v(10000, 10000, 1600);
    select(v.view, {0, 0, 1000, 800});
    v.view.updateQuality();
    EXPECT_EQ(v.view.outputWidth, 10000);  // 256000 x 204800 fitted to the screen
    EXPECT_EQ(v.view.outputHeight, 8000);
    EXPECT_EQ(v.view.frameColour, 0x004040FFu);
}

TEST(Quality, WithoutAPhotographOnlyTheStatusLineIsWritten) {
    RecordingHost host;  // outlives the view, whose destructor repaints
    PhotoView view;
    view.attach(&host, 400, 300);
    view.sourceLeft = 11;
    view.outputWidth = 22;
    view.frameColour = 0x123456;
    view.updateQuality();
    EXPECT_EQ(host.statusTexts, std::vector<std::string>{"Choose a jpeg file..."});
    EXPECT_EQ(view.sourceLeft, 11);
    EXPECT_EQ(view.outputWidth, 22);
    EXPECT_EQ(view.frameColour, 0x123456u);
}

#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <vector>
#include "app/GdiCanvas.h"
#include "photo/PhotoView.h"
#include "support/RasterCanvas.h"
#include "support/RecordingHost.h"
#include "unit/photo_fixture.h"

namespace {

const int32_t canvasWidth = 500, canvasHeight = 400;

uint32_t swapRedBlue(uint32_t c) { return (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16; }

// A 32-bit top-down DIB section in a memory context, for GdiCanvas to copy out to.
class DibTarget {
public:
    DibTarget() {
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), canvasWidth, -canvasHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        void* memory = nullptr;
        bitmap = CreateDIBSection(context, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        if (!bitmap) return;
        SelectObject(context, bitmap);
        bits = static_cast<uint32_t*>(memory);
        std::fill(bits, bits + canvasWidth * canvasHeight, 0x00FF00FFu);  // a part left out of the copy shows
    }
    ~DibTarget() {
        DeleteDC(context);  // which lets the bitmap go
        if (bitmap) DeleteObject(bitmap);
    }
    DibTarget(const DibTarget&) = delete;
    DibTarget& operator=(const DibTarget&) = delete;

    uint32_t pixel(int32_t x, int32_t y) const { return swapRedBlue(bits[y * canvasWidth + x]); }  // as 0x00BBGGRR

    HDC context = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    uint32_t* bits = nullptr;
};

// What a canvas shows at one pixel: the photograph, a dot or a gap of the dotted frame,
// black outside the display copy, or anything else.
enum Kind : char { Picture, Dot, Gap, Black, Other };

}  // namespace

TEST(GdiCanvas, DrawsTheSameOutlineAndHandlesAsTheRasterCanvas) {
    // A 400 x 300 photograph shown unscaled in the top-left corner of a 500 x 400 control.
    // The raster canvas fixes which pixels the frame touches, not its dot pattern.
    const Selection selections[] = {
        {0, 0, 80, 80},
        {100, 50, 121, 37},    // odd sizes
        {320, 220, 80, 80},    // right and bottom edges on the copy's last pixels
        {350, 250, 100, 100},  // reaching past the copy
    };
    for (const Selection& s : selections) {
        SCOPED_TRACE(s);
        RecordingHost host;  // outlives the view, whose destructor asks for a repaint
        PhotoView view;
        view.attach(&host, canvasWidth, canvasHeight);
        loadSynthetic(view, 400, 300);
        view.rebuildDisplay(canvasWidth, canvasHeight);
        select(view, s);
        view.updateQuality();
        RasterCanvas raster(canvasWidth, canvasHeight);
        view.paint(raster);
        DibTarget target;
        ASSERT_TRUE(target.bits);
        {
            GdiCanvas canvas(target.context, canvasWidth, canvasHeight);
            ASSERT_TRUE(canvas.ready());
            view.paint(canvas);
        }
        GdiFlush();

        auto kinds = [&](auto pixel) {
            std::vector<Kind> out;
            for (int32_t y = 0; y < canvasHeight; ++y)
                for (int32_t x = 0; x < canvasWidth; ++x) {
                    uint32_t colour = pixel(x, y);
                    if (x >= view.displayWidth || y >= view.displayHeight)
                        out.push_back(colour == 0 ? Black : Other);
                    else if (colour == swapRedBlue(pixelAt(view.displayPixels.data(), view.displayWidth, x,
                                                           view.displayHeight - 1 - y)))
                        out.push_back(Picture);
                    else
                        out.push_back(colour == view.frameColour ? Dot : colour == RasterCanvas::White ? Gap : Other);
                }
            return out;
        };
        const std::vector<Kind> expected = kinds([&](int32_t x, int32_t y) { return raster.pixel(x, y); });
        const std::vector<Kind> gdi = kinds([&](int32_t x, int32_t y) { return target.pixel(x, y); });
        ASSERT_GT(std::count(expected.begin(), expected.end(), Dot), 0);
        size_t differing = 0;
        for (size_t i = 0; i < gdi.size(); ++i) differing += (gdi[i] == Picture) != (expected[i] == Picture);
        EXPECT_EQ(differing, 0u) << "pixels where one canvas shows the photograph and the other does not";
        EXPECT_EQ(std::count(gdi.begin(), gdi.end(), Other), 0) << "neither photograph, dot, gap nor black outside";
        EXPECT_GT(std::count(gdi.begin(), gdi.end(), Dot), 0);  // a dotted pen: both dots and gaps
        EXPECT_GT(std::count(gdi.begin(), gdi.end(), Gap), 0);
    }
}

#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <utility>
#include <vector>
#include "app/GdiCanvas.h"
#include "photo/PhotoView.h"
#include "support/RasterCanvas.h"
#include "support/RecordingHost.h"
#include "unit/photo_fixture.h"

namespace {

const int32_t canvasWidth = 500, canvasHeight = 400;

// A 32-bit top-down DIB section selected into a memory context: the target that
// GdiCanvas copies out to, read back as 0x00BBGGRR like the raster canvas.
class DibTarget {
public:
    DibTarget() {
        context = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = canvasWidth;
        info.bmiHeader.biHeight = -canvasHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* memory = nullptr;
        bitmap = CreateDIBSection(context, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = static_cast<uint32_t*>(memory);
        if (!bitmap) return;
        previous = SelectObject(context, bitmap);
        // Not black, so that a part left out of the copy shows.
        for (size_t i = 0; i < static_cast<size_t>(canvasWidth) * canvasHeight; ++i) bits[i] = 0x00FF00FF;
    }
    ~DibTarget() {
        if (previous) SelectObject(context, previous);
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(context);
    }
    DibTarget(const DibTarget&) = delete;
    DibTarget& operator=(const DibTarget&) = delete;

    uint32_t pixel(int32_t x, int32_t y) const {
        uint32_t rgb = bits[static_cast<size_t>(y) * canvasWidth + x];  // blue, green, red, 0 in memory
        return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    }

    HDC context = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t* bits = nullptr;
};

// The view of a 400 x 300 photograph in a 500 x 400 control, shown unscaled in the
// top-left corner, with the given selection and its verdict.
struct ViewUnderTest {
    RecordingHost host;  // outlives the view, whose destructor asks for a repaint
    PhotoView view;
    explicit ViewUnderTest(Selection selection) {
        view.attach(&host, canvasWidth, canvasHeight);
        loadSynthetic(view, 400, 300);
        view.rebuildDisplay(canvasWidth, canvasHeight);
        select(view, selection);
        view.updateQuality();
    }
    uint32_t pictureColour(int32_t x, int32_t y) const {
        uint32_t bgr = pixelAt(view.displayPixels.data(), view.displayWidth, x, view.displayHeight - 1 - y);
        return (bgr >> 16 & 0xFF) | (bgr & 0xFF00) | (bgr & 0xFF) << 16;
    }
    bool inside(int32_t x, int32_t y) const { return x < view.displayWidth && y < view.displayHeight; }
};

using Pixels = std::set<std::pair<int32_t, int32_t>>;

struct Outcome {
    Pixels changed;              // pixels of the display copy that do not show the picture
    Pixels dots, gaps;           // of those, in the frame colour and in white
    Pixels otherColour;          // of those, in any other colour
    bool blackOutside = true;    // every pixel outside the display copy black
};

template <class Read>
Outcome compare(const ViewUnderTest& v, Read pixel) {
    Outcome out;
    for (int32_t y = 0; y < canvasHeight; ++y)
        for (int32_t x = 0; x < canvasWidth; ++x) {
            uint32_t colour = pixel(x, y);
            if (!v.inside(x, y)) {
                if (colour != 0) out.blackOutside = false;
                continue;
            }
            if (colour == v.pictureColour(x, y)) continue;
            out.changed.insert({x, y});
            if (colour == v.view.frameColour)
                out.dots.insert({x, y});
            else if (colour == RasterCanvas::White)
                out.gaps.insert({x, y});
            else
                out.otherColour.insert({x, y});
        }
    return out;
}

void paintWithGdi(const PhotoView& view, HDC target) {
    GdiCanvas canvas(target, canvasWidth, canvasHeight);
    ASSERT_TRUE(canvas.ready());
    view.paint(canvas);
}

}  // namespace

TEST(GdiCanvas, DrawsTheSamePixelsAsTheRasterCanvas) {
    struct Case {
        const char* name;
        Selection selection;
    } cases[] = {
        {"in the corner", {0, 0, 80, 80}},
        {"odd sizes", {100, 50, 121, 37}},
        {"right and bottom edges on the copy's last pixels", {320, 220, 80, 80}},
        {"reaching past the copy", {350, 250, 100, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ViewUnderTest v(c.selection);
        RasterCanvas raster(canvasWidth, canvasHeight);
        v.view.paint(raster);
        DibTarget target;
        ASSERT_TRUE(target.bits);
        paintWithGdi(v.view, target.context);
        GdiFlush();

        Outcome expected = compare(v, [&](int32_t x, int32_t y) { return raster.pixel(x, y); });
        Outcome gdi = compare(v, [&](int32_t x, int32_t y) { return target.pixel(x, y); });
        ASSERT_FALSE(expected.changed.empty());
        EXPECT_TRUE(gdi.changed == expected.changed) << gdi.changed.size() << " pixels changed, expected "
                                                     << expected.changed.size();
        EXPECT_TRUE(gdi.otherColour.empty()) << gdi.otherColour.size() << " pixels neither dot nor gap";
        // A dotted pen: both dots and gaps.
        EXPECT_FALSE(gdi.dots.empty());
        EXPECT_FALSE(gdi.gaps.empty());
        EXPECT_TRUE(gdi.blackOutside);
    }
}

TEST(GdiCanvas, EveryPaintReleasesItsObjects) {
    ViewUnderTest v({100, 50, 121, 37});
    DibTarget target;
    ASSERT_TRUE(target.bits);
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before == 0) GTEST_SKIP() << "GetGuiResources counts nothing here (Wine)";
    for (int i = 0; i < 200; ++i) paintWithGdi(v.view, target.context);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

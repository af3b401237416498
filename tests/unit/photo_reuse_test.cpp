#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "export/JpegExport.h"
#include "photo/PhotoDecode.h"
#include "photo_fixture.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace {

// What a person can see or send of a loaded photograph: pixels, display copy, the
// exported file and the status line.
std::vector<std::string> shownBy(HostedView& v) {
    auto bytes = [](const PixelBuffer& b, int32_t w, int32_t h) {
        return std::string(reinterpret_cast<const char*>(b.data()), static_cast<size_t>(w) * h * 4);
    };
    std::vector<std::string> shown = {bytes(v.view.photoPixels, v.view.imageWidth, v.view.imageHeight),
                                      bytes(v.view.displayPixels, v.view.displayWidth, v.view.displayHeight),
                                      "", v.host.lastStatus()};
    FILE* sink = tmpfile();
    if (sink && writeExport(v.view, sink, "Reuse", true)) {
        shown[2].resize(static_cast<size_t>(ftell(sink)));
        rewind(sink);
        shown[2].resize(fread(&shown[2][0], 1, shown[2].size(), sink));
    }
    if (sink) fclose(sink);
    return shown;
}

}  // namespace

// Regression guard for keeping pixel memory between photographs: a photograph decoded
// into memory left by a larger one must show and export exactly what a fresh load does.
TEST(PhotoReuse, EachPhotographShowsAndExportsAsAFreshLoadDoes) {
    struct Case {
        const char* name;
        int width, height;
        bool progressive;
    } cases[] = {{"large.jpg", 900, 700, false}, {"smaller.jpg", 333, 211, true}, {"larger.jpg", 1200, 600, false},
                 {"smallest.jpg", 17, 9, false}};
    TempDir dir;
    HostedView browsing;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> rgb = photographicRgb(c.width, c.height);
        std::reverse(rgb.begin(), rgb.end());  // unlike the photograph before it
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(writeFile(path, encodeJpeg(c.width, c.height, 3, rgb, {95, c.progressive, false})));
        browsing.view.reset();  // the list deselects the old row, then selects the new one
        browsing.view.loadPhoto(path.c_str());
        HostedView fresh;
        fresh.view.loadPhoto(path.c_str());
        ASSERT_TRUE(fresh.view.photoLoaded && browsing.view.photoLoaded);
        const std::vector<std::string> seen = shownBy(browsing), expected = shownBy(fresh);
        EXPECT_FALSE(expected[2].empty());
        for (size_t i = 0; i < seen.size(); ++i) EXPECT_TRUE(seen[i] == expected[i]) << "part " << i;
    }
    EXPECT_EQ(browsing.view.photoPixels.capacity(), 1200u * 600 * 4);  // the largest so far, and no more
}

// A progressive photograph also holds its coefficients while it is decoded: a lower limit.
TEST(PhotoLimit, ProgressivePhotographsHaveTheirOwnLimit) {
    std::vector<uint8_t> jpeg = encodeJpeg(8, 8, 3, photographicRgb(8, 8), {95, true, false});
    size_t sof = 2;  // the progressive frame header: FF C2, length, precision, height, width
    while (sof + 9 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC2)) ++sof;
    ASSERT_LT(sof + 9, jpeg.size());
    const uint8_t size[4] = {0x27, 0x11, 0x4E, 0x20};  // 10001 x 20000
    std::copy(size, size + 4, jpeg.begin() + static_cast<ptrdiff_t>(sof + 5));
    HostedView v;
    EXPECT_FALSE(v.view.decodePhotoData(jpeg.data(), jpeg.size(), MaxPhotoPixels));
    EXPECT_EQ(v.host.lastStatus(), "Can't show : 20000 x 10001 pixels is more than the 200 megapixels accepted "
                                   "for a progressive photograph");
}

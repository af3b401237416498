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

// What a person can see or send of a loaded photograph.
struct Shown {
    bool loaded;
    int32_t width, height;
    std::vector<uint8_t> photo, display, exported;
    std::string status;
};

Shown shownBy(HostedView& v) {
    Shown s{v.view.photoLoaded, v.view.imageWidth, v.view.imageHeight, {}, {}, {}, v.host.lastStatus()};
    if (!s.loaded) return s;
    const uint8_t* photo = v.view.photoPixels.data();
    s.photo.assign(photo, photo + static_cast<size_t>(s.width) * s.height * 4);
    const uint8_t* display = v.view.displayPixels.data();
    s.display.assign(display, display + static_cast<size_t>(v.view.displayWidth) * v.view.displayHeight * 4);
    FILE* sink = tmpfile();
    if (!sink || !writeExport(v.view, sink, "Reuse", true)) return s;
    s.exported.resize(static_cast<size_t>(ftell(sink)));
    rewind(sink);
    s.exported.resize(fread(s.exported.data(), 1, s.exported.size(), sink));
    fclose(sink);
    return s;
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
        // Every photograph has its own pixels, unlike the one before it.
        std::vector<uint8_t> rgb = photographicRgb(c.width, c.height);
        for (uint8_t& sample : rgb) sample = static_cast<uint8_t>(255 - sample);
        JpegOptions options;
        options.progressive = c.progressive;
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(writeFile(path, encodeJpeg(c.width, c.height, 3, rgb, options)));

        browsing.view.reset();  // the list deselects the old row, then selects the new one
        browsing.view.loadPhoto(path.c_str());
        HostedView fresh;
        fresh.view.loadPhoto(path.c_str());
        const Shown seen = shownBy(browsing), expected = shownBy(fresh);
        ASSERT_TRUE(expected.loaded);
        EXPECT_TRUE(seen.loaded);
        EXPECT_EQ(seen.width, c.width);
        EXPECT_EQ(seen.height, c.height);
        EXPECT_TRUE(seen.photo == expected.photo);
        EXPECT_TRUE(seen.display == expected.display);
        EXPECT_FALSE(expected.exported.empty());
        EXPECT_TRUE(seen.exported == expected.exported);
        EXPECT_EQ(seen.status, expected.status);
    }
    // At most one photograph's worth is held: the largest so far.
    EXPECT_EQ(browsing.view.photoPixels.capacity(), 1200u * 600 * 4);
}

// A progressive photograph keeps its coefficients besides its pixels while it is
// decoded, so it has a lower limit; both are refused before anything is decoded.
TEST(PhotoLimit, ProgressivePhotographsHaveTheirOwnLimit) {
    JpegOptions progressive;
    progressive.progressive = true;
    std::vector<uint8_t> jpeg = encodeJpeg(8, 8, 3, photographicRgb(8, 8), progressive);
    size_t sof = 2;  // the progressive frame header: FF C2, length, precision, height, width
    while (sof + 9 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC2)) ++sof;
    ASSERT_LT(sof + 9, jpeg.size());
    const uint8_t size[4] = {0x27, 0x11, 0x4E, 0x20};  // 10001 x 20000
    std::copy(size, size + 4, jpeg.begin() + static_cast<ptrdiff_t>(sof + 5));
    HostedView v;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(v.view.decodePhotoData(jpeg.data(), jpeg.size(), MaxPhotoPixels));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(v.host.lastStatus(), "Can't show : 20000 x 10001 pixels is more than the 200 megapixels accepted "
                                   "for a progressive photograph");
}

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "photo/PhotoDecode.h"
#include "photo/PhotoView.h"
#include "photo_fixture.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

using testing::HasSubstr;

namespace {

struct Loaded : HostedView {
    Loaded() { host.setStatusText("before"); }
    // Loads path, returning what was written to the standard error stream.
    std::string load(const std::string& path) {
        testing::internal::CaptureStderr();
        view.loadPhoto(path.c_str());
        return testing::internal::GetCapturedStderr();
    }
};

// Offset of the first segment with this marker (0xFF, marker) before the scan data.
size_t findSegment(const std::vector<uint8_t>& jpeg, uint8_t marker) {
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        if (jpeg[at + 1] == marker) return at;
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    }
    return std::string::npos;
}

}  // namespace

TEST(PhotoSuffix, AcceptsOnlyJpgAndJpegInAnyCase) {
    enum Outcome { Opened, Ignored, NotJpeg };
    struct Case {
        const char* name;
        bool inFolder;  // prefixed with a temporary folder (the file does not exist)
        Outcome outcome;
    } cases[] = {
        {"a.jpg", true, Opened},       {"A.JPG", true, Opened},        {"x.JpEg", true, Opened},
        {"x.jpeg", true, Opened},      {".jpg", false, Ignored},       {"ajpg", false, Ignored},
        {"", false, Ignored},          {"photo.jpe", false, NotJpeg},  {"photo.jfif", false, NotJpeg},
        {"photo.png", false, NotJpeg}, {"x.jpg.png", false, NotJpeg},  {"x_jpg", false, NotJpeg},
        {"photojpeg", false, NotJpeg}, {"x.jpgx", false, NotJpeg},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l;
        std::string path = c.inFolder ? dir.file(c.name) : c.name;
        std::string err = l.load(path);
        EXPECT_FALSE(l.view.photoLoaded);
        EXPECT_EQ(err, c.outcome == Opened ? "can't open " + path + "\n" : "");
        const std::string unopened = "Can't show " + std::string(c.name) + ": the file can't be opened (";
        EXPECT_EQ(l.host.lastStatus().substr(0, c.outcome == Opened ? unopened.size() : std::string::npos),
                  c.outcome == NotJpeg ? "Choose a jpeg file..." : c.outcome == Opened ? unopened : "before");
        EXPECT_EQ(l.host.statusTexts.size(), c.outcome == Ignored ? 1u : 2u);
        if (c.outcome == Opened)
            EXPECT_STREQ(l.view.photoPath, path.c_str());
        else
            EXPECT_TRUE(l.host.invalidations.empty());
    }
}

TEST(PhotoDecode, ScanlineHoldsAnEvenNumberOfSamples) {
    struct Case {
        int components;
        uint32_t width, samples;
    } cases[] = {{3, 333, 1000}, {1, 333, 334}, {1, 334, 334}, {3, 1, 4}, {4, 5, 20}, {1, 1, 2}};
    for (const Case& c : cases)
        EXPECT_EQ(scanlineSamples(c.components, c.width), c.samples) << c.components << " x " << c.width;
}

TEST(PhotoDecode, PixelsAreBottomUpBgr0OfWhatLibjpegDecodes) {
    const BitmapInfo one = makeBitmapInfo(7, 5);  // the platform's header, field by field
    EXPECT_EQ(one.bmiHeader.biSize, 40u);
    EXPECT_EQ(one.bmiHeader.biPlanes, 1);
    EXPECT_EQ(one.bmiHeader.biBitCount, 32);
    EXPECT_EQ(one.bmiHeader.biCompression | one.bmiHeader.biSizeImage | one.bmiHeader.biClrUsed | one.bmiColors[0], 0u);
    struct Case {
        const char* name;
        int width, height, components;
        JpegOptions options;
    } cases[] = {
        {"grey, odd width", 333, 5, 1, {}},
        {"colour, odd width", 333, 5, 3, {}},
        {"colour 4:2:0 progressive", 37, 19, 3, {90, true, true}},
        {"one pixel", 1, 1, 3, {}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> samples(static_cast<size_t>(c.width) * c.height * c.components);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 7 + i / 5);
        std::vector<uint8_t> jpeg = encodeJpeg(c.width, c.height, c.components, samples, c.options);
        DecodedJpeg expected = decodeJpeg(jpeg.data(), jpeg.size());
        ASSERT_TRUE(expected.ok);
        std::string path = dir.file("photo.jpg");
        ASSERT_TRUE(writeFile(path, jpeg));

        Loaded l;
        EXPECT_EQ(l.load(path), "");
        ASSERT_TRUE(l.view.photoLoaded);
        ASSERT_EQ(l.view.imageWidth, c.width);
        ASSERT_EQ(l.view.imageHeight, c.height);
        const BitmapInfo header = makeBitmapInfo(c.width, c.height);
        EXPECT_EQ(memcmp(&l.view.photoHeader, &header, sizeof header), 0);
        ASSERT_EQ(l.view.photoPixels.size(), static_cast<size_t>(c.width) * c.height * 4);
        int mismatches = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint8_t* s = &expected.samples[(static_cast<size_t>(y) * c.width + x) * c.components];
                const uint8_t* p = l.view.photoPixels.data() + ((c.height - 1 - y) * c.width + x) * 4;
                int rgb = c.components == 1 ? 0 : 1;  // grey repeats its one sample
                if (p[0] != s[2 * rgb] || p[1] != s[rgb] || p[2] != s[0] || p[3] != 0) ++mismatches;
            }
        EXPECT_EQ(mismatches, 0);
    }
}

// Adobe's writers store CMYK inverted (255 = no ink) and mark the file; others do not.
TEST(PhotoDecode, FourComponentFilesBecomeRgb) {
    struct Case {
        const char* name;
        uint8_t cmyk[4];
        bool keepAdobeMarker;
        uint8_t red, green, blue;
    } cases[] = {
        {"Adobe red", {255, 0, 0, 255}, true, 255, 0, 0},
        {"Adobe half black", {255, 255, 255, 128}, true, 128, 128, 128},
        {"Adobe pink", {255, 128, 128, 255}, true, 255, 128, 128},
        {"plain red", {255, 0, 0, 255}, false, 255, 0, 0},  // stored inverted all the same
        {"plain blue with black", {0, 0, 255, 191}, false, 0, 0, 191},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int side = 16;
        std::vector<uint8_t> samples;
        for (int i = 0; i < side * side; ++i) samples.insert(samples.end(), c.cmyk, c.cmyk + 4);
        std::vector<uint8_t> jpeg = encodeJpeg(side, side, 4, samples, {100, false, false});
        size_t adobe = findSegment(jpeg, 0xEE);
        ASSERT_NE(adobe, std::string::npos);
        if (!c.keepAdobeMarker)
            jpeg.erase(jpeg.begin() + adobe, jpeg.begin() + adobe + 2 + (jpeg[adobe + 2] << 8 | jpeg[adobe + 3]));
        std::string path = dir.file("cmyk.jpg");
        ASSERT_TRUE(writeFile(path, jpeg));

        Loaded l;
        l.load(path);
        ASSERT_TRUE(l.view.photoLoaded);
        const uint8_t* p = l.view.photoPixels.data() + (side / 2 * side + side / 2) * 4;
        EXPECT_NEAR(p[0], c.blue, 3);
        EXPECT_NEAR(p[1], c.green, 3);
        EXPECT_NEAR(p[2], c.red, 3);
        EXPECT_EQ(p[3], 0);
    }
}

// A damaged file, loaded after a good photograph, leaves no photograph and no memory held,
// libjpeg's message on stderr and the status line, and a repaint of the background; the
// good one loads again.
// A file cut inside its scan data still loads, with libjpeg's warning. Regression: a tiny
// file declaring an enormous picture made us allocate and decode it; it is refused first.
TEST(PhotoDecode, DamagedFilesAreRefusedWithTheLibrarysMessage) {
    using Bytes = std::vector<uint8_t>;
    const Bytes cut = encodeJpeg(64, 48, 3, photographicRgb(64, 48));
    size_t scan = 2;  // the start-of-scan marker
    while (scan + 1 < cut.size() && !(cut[scan] == 0xFF && cut[scan + 1] == 0xDA)) ++scan;
    ASSERT_LT(scan + 1, cut.size());
    const Bytes small = encodeJpeg(8, 8, 3, photographicRgb(8, 8));
    const size_t sof = findSegment(small, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    auto declaring = [&](uint16_t width, uint16_t height) {
        Bytes bytes = small;
        const uint8_t size[4] = {uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width)};
        memcpy(&bytes[sof + 5], size, 4);
        return bytes;
    };
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
        int32_t loadedWidth;  // 0: refused
    } cases[] = {
        {"empty file", {}, "Empty input file", 0},
        {"not a JPEG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "Not a JPEG file", 0},
        {"bad marker", {0xFF, 0xD8, 0xFF, 0x01, 0x02}, "", 0},
        {"cut inside the header", Bytes(cut.begin(), cut.begin() + scan / 2), "", 0},
        {"cut before the scan", Bytes(cut.begin(), cut.begin() + scan), "", 0},
        {"cut inside the scan", Bytes(cut.begin(), cut.begin() + cut.size() * 2 / 3), "Premature end of JPEG file", 64},
        {"declares 60000 x 60000", declaring(60000, 60000), "megapixels", 0},
        {"declares 20000 x 20001", declaring(20000, 20001), "megapixels", 0},
        {"declares 65500 x 6200", declaring(65500, 6200), "megapixels", 0},
        {"declares 2000 x 8", declaring(2000, 8), "", 2000},  // the patching alone does not refuse
    };
    TempDir dir;
    const std::string good = dir.file("good.JPEG"), damaged = dir.file("damaged.jpg");
    ASSERT_TRUE(writeFile(good, encodeJpeg(800, 450, 3, photographicRgb(800, 450))));
    Loaded l;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeFile(damaged, c.bytes));
        // Shown in the attached view's size, the status line exactly as a person reads it.
        EXPECT_EQ(l.load(good), "");
        ASSERT_TRUE(l.view.photoLoaded);
        ASSERT_EQ(l.view.displayWidth, 400);
        ASSERT_EQ(l.view.displayHeight, 225);
        EXPECT_EQ(l.host.lastStatus(), "Selection : ( 0 , 0 ) [ 320 x 320 ] ==> [ 320 x 320 ] "
                                       "- selection matches device screen (best quality)");
        const std::vector<std::string> status = l.host.statusTexts;
        const size_t invalidations = l.host.invalidations.size();
        std::string err = l.load(damaged);
        EXPECT_THAT(err, HasSubstr(c.message));
        EXPECT_FALSE(err.empty());
        EXPECT_EQ(l.view.photoLoaded, c.loadedWidth > 0);
        if (c.loadedWidth > 0) {
            EXPECT_EQ(l.view.imageWidth, c.loadedWidth);
            continue;
        }
        EXPECT_EQ(l.view.photoPixels.capacity() + l.view.displayPixels.capacity(), 0u);
        ASSERT_EQ(l.host.statusTexts.size(), status.size() + 1);
        EXPECT_THAT(l.host.lastStatus(),
                    testing::AllOf(testing::StartsWith("Can't show damaged.jpg: "), HasSubstr(c.message)));
        ASSERT_EQ(l.host.invalidations.size(), invalidations + 1);
        EXPECT_TRUE(l.host.invalidations.back());
    }
}

// Regression: a path longer than photoPath was copied without a bound; now it is refused
// whole, with the reason on the status line. The longest path that fits is opened uncut.
TEST(PhotoPath, TooLongForTheFieldIsRefusedOnTheStatusLine) {
    TempDir dir;
    std::string good = dir.file("good.jpg");
    ASSERT_TRUE(writeFile(good, encodeJpeg(40, 30, 3, photographicRgb(40, 30))));
    Loaded l;
    l.load(good);
    ASSERT_TRUE(l.view.photoLoaded);
    const std::string longest(PhotoView::PhotoPathSize - 1 - 4, 'p'), tooLong = longest + "q.jpg";
    std::string err = l.load(tooLong);
    EXPECT_THAT(err, HasSubstr("its path is too long"));
    EXPECT_FALSE(l.view.photoLoaded);
    EXPECT_EQ(l.host.statusTexts.back(), "Can't show " + tooLong + ": its path is too long (260 characters, at most 259)");
    EXPECT_TRUE(l.host.invalidations.back());
    EXPECT_EQ(l.load(longest + ".jpg"), "can't open " + longest + ".jpg\n");
    EXPECT_EQ(strlen(l.view.photoPath), PhotoView::PhotoPathSize - 1u);
}

// Regression: width x height x 4 was computed in size_t, which wraps in the 32-bit build.
TEST(PhotoSize, LimitAcceptsCameraPhotographsAndBufferSizesFitSizeT) {
    struct Case {
        uint32_t width, height;
        bool accepted;
    } cases[] = {
        {11648, 8736, true},   {20000, 20000, true},  {65500, 6106, true},   {65500, 1, true},
        {20000, 20001, false}, {65500, 6107, false},  {65501, 1, false},
        {1, 65501, false},     {0xFFFFFFFF, 2, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(photoSizeAccepted(c.width, c.height), c.accepted) << c.width << " x " << c.height;
    size_t size = 7;
    EXPECT_TRUE(pixelBufferSize(0, 0, &size));
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(pixelBufferSize(333, 5, &size));
    EXPECT_EQ(size, 333u * 5 * 4);
    const bool wide = sizeof(size_t) > 4;
    EXPECT_EQ(pixelBufferSize(65500, 65500, &size), wide);
    EXPECT_EQ(pixelBufferSize(0xFFFFFFFF, 0xFFFFFFFF, &size), false);
    EXPECT_EQ(pixelBufferSize(32768, 32768, &size), wide);  // exactly 2^32 bytes
}

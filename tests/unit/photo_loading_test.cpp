#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "photo/PhotoDecode.h"
#include "photo/PhotoView.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

using testing::HasSubstr;

namespace {

struct Loaded {
    RecordingHost host;  // outlives the view, whose destructor repaints
    PhotoView view;
    Loaded() {
        view.attach(&host, 400, 300);
        host.setStatusText("before");
    }
};

// Loads path, returning what was written to the standard error stream.
std::string loadCapturingStderr(PhotoView& view, const std::string& path) {
    testing::internal::CaptureStderr();
    view.loadPhoto(path.c_str());
    return testing::internal::GetCapturedStderr();
}

std::vector<uint8_t> gradient(int width, int height, int components) {
    std::vector<uint8_t> samples(static_cast<size_t>(width) * height * components);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 7 + i / 5);
    return samples;
}

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
        {"a.jpg", true, Opened},      {"A.JPG", true, Opened},       {"x.JpEg", true, Opened},
        {"x.jpeg", true, Opened},     {".jpg", false, Ignored},      {"ajpg", false, Ignored},
        {"", false, Ignored},         {"photo.jpe", false, NotJpeg}, {"photo.jfif", false, NotJpeg},
        {"photo.png", false, NotJpeg}, {"x.jpg.png", false, NotJpeg}, {"x_jpg", false, NotJpeg},
        {"photojpeg", false, NotJpeg}, {"x.jpgx", false, NotJpeg},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l;
        std::string path = c.inFolder ? dir.file(c.name) : c.name;
        std::string err = loadCapturingStderr(l.view, path);
        EXPECT_FALSE(l.view.photoLoaded);
        switch (c.outcome) {
        case Opened:
            EXPECT_EQ(err, "can't open " + path + "\n");
            EXPECT_STREQ(l.view.photoPath, path.c_str());
            EXPECT_EQ(l.host.statusTexts.size(), 1u);  // the status line keeps its text
            break;
        case Ignored:
            EXPECT_EQ(err, "");
            EXPECT_EQ(l.host.statusTexts.size(), 1u);
            EXPECT_TRUE(l.host.invalidations.empty());
            break;
        case NotJpeg:
            EXPECT_EQ(err, "");
            EXPECT_EQ(l.host.lastStatus(), "Choose a jpeg file...");
            EXPECT_TRUE(l.host.invalidations.empty());
            break;
        }
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
        std::vector<uint8_t> jpeg = encodeJpeg(c.width, c.height, c.components,
                                               gradient(c.width, c.height, c.components), c.options);
        DecodedJpeg expected = decodeJpeg(jpeg.data(), jpeg.size());
        ASSERT_TRUE(expected.ok);
        std::string path = dir.file("photo.jpg");
        ASSERT_TRUE(writeFile(path, jpeg));

        Loaded l;
        EXPECT_EQ(loadCapturingStderr(l.view, path), "");
        ASSERT_TRUE(l.view.photoLoaded);
        ASSERT_EQ(l.view.imageWidth, c.width);
        ASSERT_EQ(l.view.imageHeight, c.height);
        EXPECT_EQ(l.view.photoHeader.bmiHeader.biWidth, c.width);
        EXPECT_EQ(l.view.photoHeader.bmiHeader.biHeight, c.height);
        ASSERT_EQ(l.view.photoPixels.size(), static_cast<size_t>(c.width) * c.height * 4);

        // The top-left pixel of the picture starts the last row in memory.
        const uint8_t* topLeft = l.view.photoPixels.data() + static_cast<size_t>(c.height - 1) * c.width * 4;
        const uint8_t* first = expected.samples.data();
        if (c.components == 1) {
            EXPECT_EQ(topLeft[0], first[0]);
        } else {
            EXPECT_EQ(topLeft[0], first[2]);
            EXPECT_EQ(topLeft[2], first[0]);
        }

        int mismatches = 0;
        for (int y = 0; y < c.height; ++y) {
            const uint8_t* row = l.view.photoPixels.data() + static_cast<size_t>(c.height - 1 - y) * c.width * 4;
            for (int x = 0; x < c.width; ++x) {
                const uint8_t* s = &expected.samples[(static_cast<size_t>(y) * c.width + x) * c.components];
                uint8_t red = s[0], green = c.components == 1 ? s[0] : s[1], blue = c.components == 1 ? s[0] : s[2];
                const uint8_t* p = row + x * 4;
                if (p[0] != blue || p[1] != green || p[2] != red || p[3] != 0) ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(PhotoDecode, FourComponentFilesBecomeRgb) {
    // Adobe's writers store CMYK inverted (255 = no ink) and mark the file; others do not.
    struct Case {
        const char* name;
        uint8_t cmyk[4];
        bool keepAdobeMarker;
        uint8_t red, green, blue;
    } cases[] = {
        {"Adobe red", {255, 0, 0, 255}, true, 255, 0, 0},
        {"Adobe white", {255, 255, 255, 255}, true, 255, 255, 255},
        {"Adobe half black", {255, 255, 255, 128}, true, 128, 128, 128},
        {"Adobe pink", {255, 128, 128, 255}, true, 255, 128, 128},
        {"plain red", {0, 255, 255, 0}, false, 255, 0, 0},
        {"plain blue with black", {255, 255, 0, 64}, false, 0, 0, 191},
        {"plain white", {0, 0, 0, 0}, false, 255, 255, 255},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int side = 16;
        std::vector<uint8_t> samples;
        for (int i = 0; i < side * side; ++i) samples.insert(samples.end(), c.cmyk, c.cmyk + 4);
        JpegOptions options;
        options.quality = 100;
        std::vector<uint8_t> jpeg = encodeJpeg(side, side, 4, samples, options);
        ASSERT_FALSE(jpeg.empty());
        size_t adobe = findSegment(jpeg, 0xEE);
        ASSERT_NE(adobe, std::string::npos);
        if (!c.keepAdobeMarker)
            jpeg.erase(jpeg.begin() + adobe, jpeg.begin() + adobe + 2 + (jpeg[adobe + 2] << 8 | jpeg[adobe + 3]));
        std::string path = dir.file("cmyk.jpg");
        ASSERT_TRUE(writeFile(path, jpeg));

        Loaded l;
        loadCapturingStderr(l.view, path);
        ASSERT_TRUE(l.view.photoLoaded);
        const uint8_t* p = l.view.photoPixels.data() + (side / 2 * side + side / 2) * 4;
        EXPECT_NEAR(p[0], c.blue, 3);
        EXPECT_NEAR(p[1], c.green, 3);
        EXPECT_NEAR(p[2], c.red, 3);
        EXPECT_EQ(p[3], 0);
    }
}

TEST(PhotoDecode, DamagedFilesAreRefusedWithTheLibrarysMessage) {
    std::vector<uint8_t> good = encodeJpeg(64, 48, 3, photographicRgb(64, 48));
    size_t scan = 2;  // the start-of-scan marker
    while (scan + 1 < good.size() && !(good[scan] == 0xFF && good[scan + 1] == 0xDA)) ++scan;
    ASSERT_LT(scan + 1, good.size());
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {"empty file", {}, "Empty input file"},
        {"not a JPEG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "Not a JPEG file"},
        {"cut inside the header", std::vector<uint8_t>(good.begin(), good.begin() + scan / 2), ""},
        {"cut before the scan", std::vector<uint8_t>(good.begin(), good.begin() + scan), ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file("damaged.jpg");
        ASSERT_TRUE(writeFile(path, c.bytes));
        Loaded l;
        std::string err = loadCapturingStderr(l.view, path);
        EXPECT_FALSE(l.view.photoLoaded);
        EXPECT_THAT(err, HasSubstr(c.message));
        EXPECT_FALSE(err.empty());
        EXPECT_EQ(l.host.statusTexts, std::vector<std::string>{"before"});
        EXPECT_EQ(l.host.invalidations, std::vector<bool>{true});  // the control shows its background
    }
}

TEST(PhotoDecode, TruncatedScanDataStillLoadsWithAWarning) {
    std::vector<uint8_t> jpeg = encodeJpeg(64, 48, 3, photographicRgb(64, 48));
    jpeg.resize(jpeg.size() * 2 / 3);
    TempDir dir;
    std::string path = dir.file("cut.jpg");
    ASSERT_TRUE(writeFile(path, jpeg));
    Loaded l;
    EXPECT_THAT(loadCapturingStderr(l.view, path), HasSubstr("Premature end of JPEG file"));
    EXPECT_TRUE(l.view.photoLoaded);
    EXPECT_EQ(l.view.imageWidth, 64);
}

TEST(PhotoDecode, AFailedDecodeAfterAGoodOneLeavesNoPhotograph) {
    TempDir dir;
    std::string good = dir.file("good.jpg"), bad = dir.file("bad.jpg");
    ASSERT_TRUE(writeFile(good, encodeJpeg(40, 30, 3, photographicRgb(40, 30))));
    ASSERT_TRUE(writeFile(bad, {0xFF, 0xD8, 0xFF, 0x01, 0x02}));
    Loaded l;
    loadCapturingStderr(l.view, good);
    ASSERT_TRUE(l.view.photoLoaded);
    std::string statusAfterGood = l.host.lastStatus();
    loadCapturingStderr(l.view, bad);
    EXPECT_FALSE(l.view.photoLoaded);
    EXPECT_EQ(l.host.lastStatus(), statusAfterGood);
    loadCapturingStderr(l.view, good);  // and back, reusing the buffers
    EXPECT_TRUE(l.view.photoLoaded);
    EXPECT_EQ(l.view.displayWidth, 40);
}

// Regression: a path longer than photoPath was copied without a bound; now it is refused whole.
TEST(PhotoPath, TooLongForTheFieldIsRefusedAndNothingChanges) {
    TempDir dir;
    std::string good = dir.file("good.jpg");
    ASSERT_TRUE(writeFile(good, encodeJpeg(40, 30, 3, photographicRgb(40, 30))));
    Loaded l;
    loadCapturingStderr(l.view, good);
    ASSERT_TRUE(l.view.photoLoaded);
    const size_t statusCount = l.host.statusTexts.size(), invalidationCount = l.host.invalidations.size();

    std::string longest(PhotoView::PhotoPathSize - 1 - 4, 'p');  // fits with its terminator
    std::string tooLong = longest + "q";
    std::string err = loadCapturingStderr(l.view, tooLong + ".jpg");
    EXPECT_THAT(err, HasSubstr("path too long"));
    EXPECT_THAT(err, HasSubstr(tooLong + ".jpg"));
    EXPECT_STREQ(l.view.photoPath, good.c_str());
    EXPECT_TRUE(l.view.photoLoaded);
    EXPECT_EQ(l.view.imageWidth, 40);
    EXPECT_EQ(l.host.statusTexts.size(), statusCount);
    EXPECT_EQ(l.host.invalidations.size(), invalidationCount);

    // The longest path that fits is opened as it is, not cut.
    EXPECT_EQ(loadCapturingStderr(l.view, longest + ".jpg"), "can't open " + longest + ".jpg\n");
    EXPECT_EQ(strlen(l.view.photoPath), PhotoView::PhotoPathSize - 1u);
}

TEST(PhotoSize, LimitAcceptsCameraPhotographsAndRefusesMore) {
    struct Case {
        uint32_t width, height;
        bool accepted;
    } cases[] = {
        {4000, 3000, true},        {11648, 8736, true},   {14142, 14142, true},  {65500, 3053, true},
        {65500, 1, true},          {14143, 14143, false}, {20000, 10001, false}, {65501, 1, false},
        {60000, 60000, false},     {1, 65501, false},     {0xFFFFFFFF, 2, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(photoSizeAccepted(c.width, c.height), c.accepted) << c.width << " x " << c.height;
}

// Regression: width x height x 4 was computed in size_t, which wraps in the 32-bit build.
TEST(PhotoSize, BufferSizeThatDoesNotFitSizeTIsRefused) {
    size_t size = 7;
    EXPECT_TRUE(pixelBufferSize(0, 0, &size));
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(pixelBufferSize(333, 5, &size));
    EXPECT_EQ(size, 333u * 5 * 4);
    bool wide = sizeof(size_t) > 4;
    EXPECT_EQ(pixelBufferSize(65500, 65500, &size), wide);
    EXPECT_EQ(pixelBufferSize(0xFFFFFFFF, 0xFFFFFFFF, &size), false);
    EXPECT_EQ(pixelBufferSize(32768, 32768, &size), wide);  // exactly 2^32 bytes
}

// Regression: a tiny file declaring an enormous picture made us allocate and decode it.
TEST(PhotoSize, HugeDeclaredSizeIsRefusedBeforeAnythingIsAllocated) {
    std::vector<uint8_t> jpeg = encodeJpeg(8, 8, 3, photographicRgb(8, 8));
    size_t sof = findSegment(jpeg, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    struct Case {
        uint16_t width, height;
        bool loaded;
    } cases[] = {{60000, 60000, false}, {20000, 10001, false}, {65500, 4000, false}, {2000, 8, true}};
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        std::vector<uint8_t> patched = jpeg;
        patched[sof + 5] = static_cast<uint8_t>(c.height >> 8);
        patched[sof + 6] = static_cast<uint8_t>(c.height);
        patched[sof + 7] = static_cast<uint8_t>(c.width >> 8);
        patched[sof + 8] = static_cast<uint8_t>(c.width);
        std::string path = dir.file("huge.jpg");
        ASSERT_TRUE(writeFile(path, patched));
        Loaded l;
        std::string err = loadCapturingStderr(l.view, path);
        EXPECT_EQ(l.view.photoLoaded, c.loaded);
        if (!c.loaded) {
            EXPECT_THAT(err, HasSubstr("megapixels"));
            EXPECT_FALSE(l.view.photoPixels);
            EXPECT_EQ(l.host.statusTexts, std::vector<std::string>{"before"});
        }
    }
}

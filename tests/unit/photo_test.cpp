#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include "export/PhotoName.h"
#include "photo/ExifOrientation.h"
#include "photo/PhotoDecode.h"
#include "photo/PhotoFile.h"
#include "photo_fixture.h"
#include "support/RasterCanvas.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

using testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

struct Loaded : HostedView {  // load() returns what was written to the standard error stream
    std::string load(const std::string& path) {
        testing::internal::CaptureStderr();
        view.loadPhoto(path.c_str());
        return testing::internal::GetCapturedStderr();
    }
};

size_t findSegment(const Bytes& jpeg, uint8_t marker) {  // the first one with this marker before the scan data
    for (size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA;
         at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]))
        if (jpeg[at + 1] == marker) return at;
    return std::string::npos;
}

int samplingErrors(const PhotoView& v) {  // display pixels not of their nearest-neighbour source, rows from the bottom
    int errors = 0;
    for (int32_t i = 0; i < v.displayHeight; ++i)
        for (int32_t j = 0; j < v.displayWidth; ++j)
            errors += pixelAt(v.displayPixels.data(), v.displayWidth, j, i) !=
                      syntheticPixel(j * v.imageWidth / v.displayWidth, v.imageHeight * i / v.displayHeight);
    return errors;
}

struct Framed : HostedView {  // 1600 x 1200 as a 400 x 300 copy for a 320 x 320 device, the record emptied
    explicit Framed(Selection s, int32_t viewWidth = 400) : HostedView(viewWidth, viewWidth * 3 / 4) {
        loadSynthetic(view, 1600, 1200);
        view.rebuildDisplay(viewWidth, viewWidth * 3 / 4);
        host = RecordingHost();
        select(view, s);
    }
};

// Solid 8 x 8 blocks, one letter per block and a row of blocks per "AB/CD" row, exif in APP1 after the start.
Bytes jpegOf(const std::string& layout, const Bytes& exif) {
    const int columns = int(layout.find('/')), rows = int(layout.size() + 1) / (columns + 1);
    Bytes rgb;
    for (int y = 0; y < rows * 8; ++y)
        for (int x = 0; x < columns * 8; ++x) {
            const int k = layout[(y / 8) * (columns + 1) + x / 8] - 'A';
            rgb.insert(rgb.end(), {uint8_t(k & 1 ? 230 : 20), uint8_t(k & 2 ? 230 : 20), uint8_t(k * 40)});
        }
    Bytes jpeg = encodeJpeg(columns * 8, rows * 8, 3, rgb, {100, false, false});
    Bytes segment = {0xFF, 0xE1, uint8_t((exif.size() + 2) >> 8), uint8_t(exif.size() + 2)};
    segment.insert(segment.end(), exif.begin(), exif.end());
    if (!exif.empty()) jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// "Exif\0\0", a TIFF header and a first directory whose one entry is the given tag, its value as wide as its type.
Bytes exifWith(uint32_t value, bool bigEndian = false, uint16_t tag = 0x0112, uint16_t type = 3, uint32_t directory = 8,
               uint16_t entries = 1) {
    Bytes e = {'E', 'x', 'i', 'f', 0, 0, uint8_t(bigEndian ? 'M' : 'I'), uint8_t(bigEndian ? 'M' : 'I')};
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) e.push_back(uint8_t(v >> 8 * (bigEndian ? bytes - 1 - i : i)));
    };
    const int width = type % 5 == 1 ? 1 : type % 5 == 4 ? 4 : 2;  // BYTE, SBYTE; LONG, SLONG; the rest
    put(42, 2), put(directory, 4), put(entries, 2), put(tag, 2), put(type, 2), put(1, 4), put(value, width);
    put(0, 4 - width);
    return e;
}

}  // namespace

// Grey repeats its one sample; CMYK is read as stored inverted, marked by Adobe or not; rows go bottom-up.
// Regression: a photograph decoded into memory left by a larger one differed from a fresh load.
TEST(PhotoLoad, PixelsAreBottomUpBgr0OfWhatLibjpegDecodes) {
    const BitmapInfo header = makeBitmapInfo(7, 5);  // what GDI draws from: 32-bit, bottom-up, uncompressed
    EXPECT_EQ(std::vector<int>({int(header.bmiHeader.biSize), header.bmiHeader.biHeight, header.bmiHeader.biPlanes,
                                header.bmiHeader.biBitCount, int(header.bmiHeader.biCompression)}),
              std::vector<int>({40, 5, 1, 32, 0}));
    struct Case {
        int width, height, components;
        JpegOptions options;
    } cases[] = {{333, 5, 1, {}}, {37, 19, 3, {90, true, true}}, {333, 5, 3, {}}};
    TempDir dir;
    Loaded l;  // one view throughout, as the list browses
    for (const Case& c : cases) {
        Bytes samples(size_t(c.width) * c.height * c.components);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i * 7 + i / 5);
        const Bytes jpeg = encodeJpeg(c.width, c.height, c.components, samples, c.options);
        const DecodedJpeg expected = decodeJpeg(jpeg.data(), jpeg.size());
        ASSERT_TRUE(writeFile(dir.file("p.jpg"), jpeg));
        l.view.reset();  // the list deselects the old row, then selects the new one
        EXPECT_EQ(l.load(dir.file("p.jpg")), "");
        ASSERT_EQ(l.view.photoPixels.size(), size_t(c.width) * c.height * 4);
        int mismatches = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint8_t* s = &expected.samples[(size_t(y) * c.width + x) * c.components];
                const uint8_t* p = l.view.photoPixels.data() + ((c.height - 1 - y) * c.width + x) * 4;
                const int rgb = c.components == 1 ? 0 : 1;
                mismatches += p[0] != s[2 * rgb] || p[1] != s[rgb] || p[2] != s[0] || p[3] != 0;
            }
        EXPECT_EQ(mismatches, 0) << c.width << " x " << c.height << " x " << c.components;
    }
    EXPECT_EQ(l.view.photoPixels.capacity(), 333u * 5 * 4);  // the largest so far, and no more
    struct Cmyk {
        uint8_t cmyk[4];
        bool adobe;  // Adobe's writers store CMYK inverted (255 = no ink) and mark the file; others leave the mark out
        uint8_t red, green, blue;
    } cmyks[] = {{{255, 128, 128, 255}, true, 255, 128, 128}, {{0, 0, 255, 191}, false, 0, 0, 191}};
    for (const Cmyk& c : cmyks) {
        Bytes samples;
        for (int i = 0; i < 256; ++i) samples.insert(samples.end(), c.cmyk, c.cmyk + 4);
        Bytes jpeg = encodeJpeg(16, 16, 4, samples, {100, false, false});
        const size_t adobe = findSegment(jpeg, 0xEE);
        if (!c.adobe && adobe != std::string::npos)
            jpeg.erase(jpeg.begin() + adobe, jpeg.begin() + adobe + 2 + (jpeg[adobe + 2] << 8 | jpeg[adobe + 3]));
        ASSERT_TRUE(writeFile(dir.file("cmyk.jpg"), jpeg));
        Loaded l;
        l.load(dir.file("cmyk.jpg"));
        const uint8_t* p = l.view.photoPixels.data() + (8 * 16 + 8) * 4;
        EXPECT_TRUE(abs(p[0] - c.blue) <= 3 && abs(p[1] - c.green) <= 3 && abs(p[2] - c.red) <= 3 && p[3] == 0)
            << int(p[2]) << " " << int(p[1]) << " " << int(p[0]);
    }
}

// Regression: a tiny file declaring an enormous picture made us allocate and decode it.
TEST(PhotoLoad, DamagedFilesBadNamesAndLongPathsAreRefusedOnTheStatusLine) {
    const Bytes cut = encodeJpeg(64, 48, 3, photographicRgb(64, 48));
    auto declaring = [&](uint16_t width, uint16_t height, bool progressive = false) {
        Bytes bytes = encodeJpeg(8, 8, 3, photographicRgb(8, 8), {95, progressive, false});
        const size_t sof = findSegment(bytes, progressive ? 0xC2 : 0xC0);
        const uint8_t size[4] = {uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width)};
        if (sof != std::string::npos) memcpy(&bytes[sof + 5], size, 4);
        return bytes;
    };
    const std::pair<Bytes, const char*> cases[] = {
        {{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "Not a JPEG file"},
        {Bytes(cut.begin(), cut.begin() + 100), ""},  // inside the headers
        {declaring(60000, 60000), "60000 x 60000 pixels is more than the 400 megapixels accepted"},
        {declaring(20000, 10001, true), "20000 x 10001 pixels is more than the 200 megapixels accepted for a pro"}};
    TempDir dir;
    const std::string good = dir.file("good.JPEG"), damaged = dir.file("damaged.jpg");
    ASSERT_TRUE(writeFile(good, encodeJpeg(800, 450, 3, photographicRgb(800, 450))));
    Loaded l;
    for (const auto& [bytes, message] : cases) {
        ASSERT_TRUE(writeFile(damaged, bytes));
        EXPECT_EQ(l.load(good), "");
        EXPECT_THAT(l.host.lastStatus(), testing::EndsWith("] - selection matches device screen (best quality)"));
        const std::string err = l.load(damaged);
        EXPECT_THAT(err, testing::AllOf(HasSubstr(message), testing::Not(testing::IsEmpty()))) << bytes.size();
        EXPECT_EQ(l.view.photoLoaded + l.view.photoPixels.capacity() + l.view.displayPixels.capacity(), 0u);
        EXPECT_THAT(l.host.lastStatus(),
                    testing::AllOf(testing::StartsWith("Can't show damaged.jpg: "), HasSubstr(message)));
    }
    ASSERT_TRUE(writeFile(damaged, Bytes(cut.begin(), cut.begin() + cut.size() * 2 / 3)));  // cut in its scan data
    EXPECT_THAT(l.load(damaged), HasSubstr("Premature end of JPEG file"));
    EXPECT_TRUE(l.view.photoLoaded);
    // Names are tried only with a .jpg or .jpeg suffix in any case; others ask for a JPEG.
    for (const auto& [name, jpeg] : {std::pair{"photo.jpe", false}, {"x.jpg.png", false}, {"photojpeg", false},
                                     {"A.JPG", true}, {"x.JpEg", true}}) {
        Loaded l;  // no such file: a JPEG's opening fails
        EXPECT_EQ(l.load(dir.file(name)), jpeg ? "can't open " + dir.file(name) + "\n" : "");
        const std::string status = jpeg ? "Can't show " + std::string(name) + ": the file can't" : "Choose a jpeg file";
        EXPECT_THAT(l.host.lastStatus(), testing::StartsWith(status));
    }
    // Regression: a path longer than photoPath was copied without a bound; the longest that fits opens uncut.
    const std::string longest(PhotoView::PhotoPathSize - 5, 'p');
    const size_t repaints = l.host.invalidations.size();
    EXPECT_THAT(l.load(longest + "q.jpg"), HasSubstr("its path is too long"));
    EXPECT_EQ(std::make_tuple(l.view.photoLoaded, l.host.lastStatus(), l.host.invalidations.size()),
              std::make_tuple(false, "Can't show " + longest + "q.jpg: its path is too long (260 characters, at most "
                                     "259)", repaints + 1));
    EXPECT_EQ(l.load(longest + ".jpg"), "can't open " + longest + ".jpg\n");
}

// A view browsing as the file list drives it. Its clock moves 40 ms at each look; when the window is served, the
// step for that service (counted from 1) runs: Esc (false) or the list's next move.
struct Browsing : RecordingHost {
    uint32_t now = 0;
    int services = 0;
    std::map<int, std::function<bool()>> steps;
    PhotoView view;
    Browsing() { view.attach(this, 400, 300); }
    ~Browsing() override { view.host = nullptr; }
    uint32_t clock() override { return now += 40; }
    bool serviceWhileLoading() override { return !steps.count(++services) || steps[services](); }
    std::vector<int> percents() const {  // of the status texts "Opening NAME ... NN %", in order
        std::vector<int> found;
        for (const std::string& text : statusTexts)
            if (text.size() > 2 && text.compare(text.size() - 2, 2, " %") == 0)
                found.push_back(atoi(text.c_str() + text.rfind(' ', text.size() - 3)));
        return found;
    }
};

// Only what the list rests on is loaded. A newer choice, the row losing its selection or Esc stops a load at a
// service, even inside jpeg_start_decompress while a progressive file's scans are read: nothing of it is shown or
// sent, nothing leaks (the sanitizer's leak check), and the status line moves on.
TEST(PhotoLoad, ALoadRunsOnlyForTheLastChoiceAndStopsForANewerOneResetOrEsc) {
    TempDir dir;
    const std::string a = dir.file("a.jpg"), b = dir.file("b.jpg");
    ASSERT_TRUE(writeFile(a, encodeJpeg(640, 480, 3, photographicRgb(640, 480), {90, true, true})));
    ASSERT_TRUE(writeFile(b, encodeJpeg(320, 240, 1, Bytes(320 * 240, 77))));
    {
        Browsing browse;
        browse.view.choosePhoto(a.c_str());
        browse.view.choosePhoto(b.c_str());  // passed on the way: never loaded
        browse.view.choosePhoto(a.c_str());
        browse.steps[12] = [&] { browse.view.choosePhoto(b.c_str()); return true; };
        EXPECT_TRUE(browse.view.loadChosen());
        EXPECT_FALSE(browse.view.photoLoaded || browse.view.displayMapped());
        EXPECT_THAT(browse.statusTexts, testing::AllOf(testing::Each(testing::StartsWith("Opening ")),
                                                       testing::Contains(testing::StartsWith("Opening a.jpg ... "))));
        EXPECT_EQ(browse.lastStatus(), "Opening b.jpg ...");
        EXPECT_TRUE(browse.view.loadChosen() && browse.view.photoLoaded && browse.view.imageWidth == 320);
        EXPECT_THAT(browse.lastStatus(), testing::StartsWith("Selection : "));
        EXPECT_FALSE(browse.view.loadChosen()) << "loaded once";
    }
    // The progress shows from 300 ms on: by the bytes read while the scans are (below 60 %), then by the rows.
    const struct { int stopAt; bool byEsc; int last; const char* status; } stops[] = {
        {0, false, 99, "Selection : "},
        {100, true, 59, "Stopped opening a.jpg: click it in the list to open it again."},
        {100, false, 59, "Choose a jpeg file..."},
    };
    for (const auto& s : stops) {
        Browsing browse;
        if (s.stopAt) browse.steps[s.stopAt] = [&] { return s.byEsc ? false : (browse.view.reset(), true); };
        browse.view.choosePhoto(a.c_str());
        browse.view.loadChosen();
        const std::vector<int> percents = browse.percents();
        ASSERT_FALSE(percents.empty());
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()) && percents.back() <= s.last);
        EXPECT_LT(percents.front() + 5, percents.back()) << "moves while the scans are read";
        EXPECT_THAT(browse.lastStatus(), testing::StartsWith(s.status));
        EXPECT_EQ(browse.view.photoLoaded, !s.stopAt);
        EXPECT_EQ(browse.invalidations.back(), true);
        EXPECT_FALSE(browse.view.opening());
    }
}

// A name the system code page cannot spell: the file opens by its exact (UTF-16) path, and the view names it as
// spelt, "_" for each character the code page lacks, on the status line and in the file it sends.
TEST(PhotoLoad, AFileOpensByItsExactNameAndIsNamedAsTheCodePageSpellsIt) {
    TempDir dir;
    const std::filesystem::path exact = std::filesystem::path(dir.path()) / std::filesystem::path(u"\u6e2f\u6e7e.jpg");
    const Bytes jpeg = encodeJpeg(64, 48, 3, photographicRgb(64, 48));
    std::ofstream(exact, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
    Browsing browse;
    browse.view.loadPhoto(dir.file("__.jpg").c_str(), exact.u16string().c_str());
    EXPECT_TRUE(browse.view.photoLoaded);
    char base[BaseNameSize];
    photoBaseName(browse.view.photoPath, base);
    EXPECT_EQ(std::string(base) + " " + fileNameOf(browse.view.photoPath), "__ __.jpg");
    browse.view.loadPhoto(dir.file("__.jpg").c_str(), u"\xD800.jpg");  // half a pair names nothing
    EXPECT_THAT(browse.lastStatus(), testing::StartsWith("Can't show __.jpg: the file can't be opened ("));
    char utf8[8];
    EXPECT_TRUE(utf16ToUtf8(u"\u00e9\U0001F600", utf8, sizeof utf8) && std::string(utf8) == "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_FALSE(utf16ToUtf8(u"\u00e9\U0001F600", utf8, 6)) << "no room for the terminator";
}

// Each orientation shows the stored "AB/CD/EF" upright; 24 rows also span a partial block when turned.
TEST(PhotoOrientation, TurnsThePhotographUprightBeforeAnythingSeesIt) {
    const char* const upright[] = {"AB/CD/EF", "BA/DC/FE", "FE/DC/BA", "EF/CD/AB",
                                   "ACE/BDF",  "ECA/FDB",  "FDB/ECA",  "BDF/ACE"};
    TempDir dir;
    const std::string turned = dir.file("turned.jpg"), plain = dir.file("plain.jpg");
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        ASSERT_TRUE(writeFile(turned, jpegOf("AB/CD/EF", exifWith(orientation, orientation % 2 == 0))));
        ASSERT_TRUE(writeFile(plain, jpegOf(upright[orientation - 1], {})));
        HostedView seen(200, 150), expected(200, 150);
        seen.view.loadPhoto(turned.c_str());
        expected.view.loadPhoto(plain.c_str());
        int worst = 0;
        for (size_t i = 0; i < expected.view.photoPixels.size(); ++i)
            worst = std::max(worst, std::abs(seen.view.photoPixels.data()[i] - expected.view.photoPixels.data()[i]));
        EXPECT_LE(worst, 2);
        EXPECT_EQ(seen.host.lastStatus(), expected.host.lastStatus());  // selection, output size, verdict
    }
    // Any integer type is read at its own width, in either byte order (a value beyond 1 to 8 is no orientation).
    for (uint16_t type : {1, 3, 4, 6, 8, 9})
        for (bool bigEndian : {false, true}) {
            const Bytes segment = exifWith(6, bigEndian, 0x0112, type);
            EXPECT_EQ(exifOrientation(segment.data(), segment.size()), 6) << type << bigEndian;
        }
    // The reader trusts no length or offset: damaged or foreign segments read as "as stored".
    const Bytes whole = exifWith(6), cut(whole.begin(), whole.end() - 5);
    for (const Bytes& segment : {exifWith(9), exifWith(6, false, 0x0112, 2), exifWith(6, false, 0x0112, 5),
                                 exifWith(6, false, 0x0112, 7), exifWith(0x10006, false, 0x0112, 4),
                                 exifWith(6, false, 0x0112, 3, 0xFFFFFFF0), exifWith(6, false, 0x0100, 3, 8, 0xFFFF), cut,
                                 Bytes{'h', 't', 't', 'p', ':', '/'}})
        EXPECT_EQ(exifOrientation(segment.data(), segment.size()), 1) << segment.size();
}

// Regression: a side of 0 (display copy or device) divided by zero; an unmapped copy is not dragged or drawn.
TEST(DisplayCopy, FitsShrinkingOnlyAndPutsBackTheInitialSelection) {
    const struct {
        int32_t photoW, photoH, viewW, viewH, deviceW, deviceH, displayW, displayH;
        Selection selection;
    } cases[] = {
        {1600, 1200, 400, 300, 320, 320, 400, 300, {0, 0, 80, 80}},
        {200, 100, 400, 300, 320, 320, 200, 100, {0, 0, 100, 100}},  // cut, then made square
        {1000, 333, 400, 300, 320, 320, 400, 133, {0, 0, 128, 127}},  // truncated, not rounded
        {640, 480, 640, 480, 160, 240, 640, 480, {0, 0, 160, 240}},
        {1600, 1200, 400, 300, 0, 320, 400, 300, {0, 0, 0, 80}},
        {1600, 1200, 400, 300, 320, 0, 400, 300, {0, 0, 80, 0}},
        {1600, 1200, -5, 300, 320, 320, 0, 0, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        HostedView v;
        v.view.deviceWidth = c.deviceW, v.view.deviceHeight = c.deviceH;
        loadSynthetic(v.view, c.photoW, c.photoH);
        select(v.view, {30, 40, 200, 150});  // a dragged selection: every rebuild replaces it
        v.view.sourceWidth = v.view.outputWidth = 7;  // from an earlier photograph
        v.view.rebuildDisplay(c.viewW, c.viewH);
        const bool mapped = c.displayW > 0 && c.displayH > 0;
        EXPECT_EQ(std::make_tuple(v.view.viewWidth, v.view.displayWidth, v.view.displayHeight, v.view.displayMapped(),
                                  selectionOf(v.view), v.host.invalidations, v.host.statusTexts.size()),
                  std::make_tuple(c.viewW, c.displayW, c.displayH, mapped, c.selection, std::vector<bool>{true}, 1u))
            << c.photoW << "x" << c.photoH << " in " << c.viewW << ", " << c.deviceW;
        for (int16_t mode :
             {PhotoView::DragBottomRight, PhotoView::DragTopLeft, PhotoView::DragMove, PhotoView::DragNone}) {
            v.view.dragMode = mode;
            v.view.onMouseMove(0, 200, 150);
            v.view.onMouseMove(0, 10, 10);
        }
        if (mapped) {
            const BitmapInfo header = makeBitmapInfo(c.displayW, c.displayH);
            EXPECT_EQ(std::make_tuple(memcmp(&v.view.displayHeader, &header, sizeof header), samplingErrors(v.view),
                                      v.view.displayPixels.size()),
                      std::make_tuple(0, 0, size_t(c.displayW) * c.displayH * 4));
            continue;
        }
        EXPECT_FALSE(v.view.displayPixels);
        EXPECT_THAT(v.host.lastStatus(),
                    testing::AllOf(testing::StartsWith("Can't show : "), HasSubstr("shrink to nothing")));
        EXPECT_EQ(v.view.sourceWidth + v.view.outputWidth, 0);
        v.view.onMouseButton(0, 0, 0, true);
        EXPECT_EQ(std::make_tuple(v.view.dragMode, v.host.captures, v.host.cursors.size()),
                  std::make_tuple(PhotoView::DragNone, 0, size_t(0)));
        RasterCanvas canvas(20, 10);
        v.view.paint(canvas);
        EXPECT_EQ(std::make_tuple(canvas.pixel(0, 0), canvas.pixel(19, 9), canvas.copyOuts()),
                  std::make_tuple(0u, 0u, 1));
        v.view.rebuildDisplay(4000, 4000);
        EXPECT_TRUE(v.view.displayMapped());
        EXPECT_EQ(samplingErrors(v.view), 0);
    }
}

// The frame and handles are dotted over the picture on exactly their own pixels, never outside the copy.
TEST(ViewPainting, FrameIsDrawnOverThePictureOnExactlyItsPixels) {
    for (const Selection s : {Selection{100, 50, 121, 37}, {350, 250, 100, 100}, {-20, -20, 40, 40}}) {
        HostedView v(500, 400);
        loadSynthetic(v.view, 400, 300);
        v.view.rebuildDisplay(500, 400);
        select(v.view, s);
        v.view.updateQuality();
        RasterCanvas canvas(500, 400);
        v.view.paint(canvas);
        std::set<std::pair<int, int>> changed, expected;
        int dots = 0, others = 0;
        for (int32_t y = 0; y < 400; ++y)
            for (int32_t x = 0; x < 500; ++x) {
                const uint32_t colour = canvas.pixel(x, y),
                               bgr = x < 400 && y < 300 ? pixelAt(v.view.displayPixels.data(), 400, x, 299 - y) : 0;
                if (colour == ((bgr >> 16 & 0xFF) | (bgr & 0xFF00) | (bgr & 0xFF) << 16)) continue;
                changed.insert({x, y});
                dots += colour == v.view.frameColour;
                others += colour != v.view.frameColour && colour != RasterCanvas::White;
            }
        auto square = [&](int l, int t, int r, int b) {  // the border, both corners included
            for (int x = std::max(l, 0); x <= std::min(r, 399); ++x)
                for (int y = std::max(t, 0); y <= std::min(b, 299); ++y)
                    if (x == l || x == r || y == t || y == b) expected.insert({x, y});
        };
        const int r = s.left + s.width - 1, b = s.top + s.height - 1, cx = s.left + s.width / 2,
                  cy = s.top + s.height / 2;
        square(s.left, s.top, r, b);
        square(s.left, s.top, s.left + 10, s.top + 10);
        square(r - 10, b - 10, r, b);
        square(cx - 5, cy - 5, cx + 5, cy + 5);
        EXPECT_EQ(changed, expected) << s;
        EXPECT_TRUE(dots > 0 && others == 0 && canvas.copyOuts() == 1 && !canvas.penSelected()) << s;
    }
}

// Regression: 256 x 10000 overflowed 32 bits.
TEST(Quality, SourceOutputVerdictAndStatusLine) {
    const char* const verdicts[] = {"matches device screen (best quality)",
                                    "is greater than device screen (good quality)",
                                    "is greater than device screen but does not fill it (normal quality)",
                                    "is smaller than device screen (worst quality)",
                                    "matches device screen but does not fill it (good quality)",
                                    "does not match device screen and does not fill it (poor quality)"};
    const uint32_t colours[] = {0x0040FF40, 0x00FFFF40, 0x00FF4040, 0x004040FF, 0x0040FFFF, 0x004080FF};
    const struct {
        int32_t deviceW, deviceH, viewW;
        Selection selection, source;
        int32_t outputW, outputH, verdict;
    } cases[] = {
        {320, 320, 400, {10, 20, 80, 80}, {40, 80, 320, 320}, 320, 320, 0},
        {320, 320, 400, {0, 0, 100, 100}, {0, 0, 400, 400}, 320, 320, 1},
        {320, 320, 400, {0, 0, 80, 50}, {0, 0, 320, 200}, 320, 200, 4},
        {320, 320, 400, {3, 7, 81, 79}, {12, 28, 324, 316}, 320, 312, 5},  // position and size truncate apart
        {320, 480, 1600, {0, 0, 300, 320}, {0, 0, 300, 320}, 320, 341, 3},  // enlarged 256-fold, then fitted
        {480, 320, 1600, {0, 0, 500, 480}, {0, 0, 500, 480}, 500, 480, 2},  // output height = device width: no fitting
        {10000, 10000, 1600, {0, 0, 1000, 800}, {0, 0, 1000, 800}, 10000, 8000, 3},
    };
    for (const auto& c : cases) {
        Framed v(c.selection, c.viewW);
        v.view.deviceWidth = c.deviceW, v.view.deviceHeight = c.deviceH;
        v.view.updateQuality();
        char expected[256];
        snprintf(expected, sizeof expected, "Selection : ( %d , %d ) [ %d x %d ] ==> [ %d x %d ] - selection %s",
                 c.source.left, c.source.top, c.source.width, c.source.height, c.outputW, c.outputH,
                 verdicts[c.verdict]);
        EXPECT_EQ(std::make_pair(v.host.lastStatus(), v.view.frameColour),
                  std::make_pair(std::string(expected), colours[c.verdict]));
    }
}

// A button-down on a corner or the centre starts its drag, which applies its constraints in order.
TEST(SelectionDrag, EachZoneStartsItsDragWhichAppliesItsConstraintsInOrder) {
    const int16_t tl = PhotoView::DragTopLeft, br = PhotoView::DragBottomRight, move = PhotoView::DragMove;
    const struct {
        int16_t mode;
        bool lock;
        int32_t deviceW, deviceH;
        Selection before;
        uint32_t x, y;
        Selection after;
    } cases[] = {
        {br, true, 320, 320, {0, 0, 80, 80}, 200, 100, {0, 0, 100, 100}},
        {br, false, 320, 320, {0, 0, 80, 80}, 450, 350, {0, 0, 400, 300}},
        {br, false, 320, 320, {390, 290, 10, 10}, 5, 5, {390, 290, 15, 15}},  // the minimum after the edges
        {br, true, 320, 32, {0, 0, 80, 80}, 5, 5, {0, 0, 15, 1}},
        {br, true, 320, 480, {10, 10, 80, 80}, 250, 200, {10, 10, 126, 189}},
        {tl, true, 320, 320, {100, 100, 100, 100}, 50, 80, {80, 80, 120, 120}},
        {tl, false, 320, 320, {100, 100, 100, 100}, 65533, 65533, {0, 0, 200, 200}},
        {tl, true, 640, 320, {100, 100, 100, 100}, 20, 20, {20, 110, 180, 90}},
        {move, false, 320, 320, {100, 100, 100, 100}, 390, 150, {300, 100, 100, 100}},
        {move, true, 320, 320, {0, 0, 41, 41}, 120, 130, {100, 110, 41, 41}},
    };
    for (const auto& c : cases) {
        Framed v(c.before);
        v.view.keepProportions = c.lock;
        v.view.deviceWidth = c.deviceW, v.view.deviceHeight = c.deviceH;
        const Selection& b = c.before;  // the button goes down on the zone: a corner or the centre
        const uint32_t x = uint32_t(b.left + (c.mode == tl ? 0 : c.mode == br ? b.width : b.width / 2)),
                       y = uint32_t(b.top + (c.mode == tl ? 0 : c.mode == br ? b.height : b.height / 2));
        v.view.onMouseMove(0, x, y);
        v.view.onMouseButton(0, x, y, true);
        v.view.onMouseButton(0, 65000, 65000, true);  // a down outside the zones keeps the drag
        v.view.onMouseMove(0, c.x, c.y);
        EXPECT_EQ(selectionOf(v.view), c.after) << c.before << " to (" << c.x << ", " << c.y << ")";
        const ViewCursor cursor = c.mode == move ? ViewCursor::Move : ViewCursor::SizeNwse;
        EXPECT_EQ(v.host.cursors, std::vector<ViewCursor>(2, cursor));
        EXPECT_EQ(std::make_tuple(v.host.statusTexts.size(), v.view.sourceWidth, v.host.invalidations, v.view.dragMode),
                  std::make_tuple(size_t(1), c.after.width * 4, std::vector<bool>{false}, c.mode));
        v.view.reset();  // regression: a reset mid-drag left the control holding the mouse
        v.view.onMouseButton(0, c.x, c.y, false);
        EXPECT_EQ(std::make_tuple(v.view.dragMode, v.host.captures, v.host.releases),
                  std::make_tuple(PhotoView::DragNone, 2, 1));
    }
}

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>
#include "photo/ExifOrientation.h"
#include "photo_fixture.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace {

// A picture of solid 8 x 8 blocks (which decode to their colour), one row of letters per
// row of blocks ("AB/CD"), as a JPEG with an APP1 segment holding exif after its start.
std::vector<uint8_t> jpegOf(const std::string& layout, const std::vector<uint8_t>& exif) {
    const int columns = static_cast<int>(layout.find('/')), rows = static_cast<int>(layout.size() + 1) / (columns + 1);
    std::vector<uint8_t> rgb;
    for (int y = 0; y < rows * 8; ++y)
        for (int x = 0; x < columns * 8; ++x) {
            const int k = layout[(y / 8) * (columns + 1) + x / 8] - 'A';  // the letter
            rgb.insert(rgb.end(), {uint8_t(k & 1 ? 230 : 20), uint8_t(k & 2 ? 230 : 20), uint8_t(k * 40)});
        }
    std::vector<uint8_t> jpeg = encodeJpeg(columns * 8, rows * 8, 3, rgb, {100, false, false});
    std::vector<uint8_t> segment = {0xFF, 0xE1, uint8_t((exif.size() + 2) >> 8), uint8_t(exif.size() + 2)};
    segment.insert(segment.end(), exif.begin(), exif.end());
    if (!exif.empty()) jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// "Exif\0\0", a TIFF header and a first directory whose one entry is the given tag.
std::vector<uint8_t> exifWith(int value, bool bigEndian = false, uint16_t tag = 0x0112, uint16_t type = 3,
                              uint32_t directory = 8, uint16_t entries = 1) {
    std::vector<uint8_t> e = {'E', 'x', 'i', 'f', 0, 0, uint8_t(bigEndian ? 'M' : 'I'), uint8_t(bigEndian ? 'M' : 'I')};
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) e.push_back(uint8_t(v >> 8 * (bigEndian ? bytes - 1 - i : i)));
    };
    put(42, 2), put(directory, 4), put(entries, 2), put(tag, 2), put(type, 2), put(1, 4), put(value, 2), put(0, 2);
    return e;
}

}  // namespace

// Each orientation shows the upright picture, written out by hand for the stored "AB/CD/EF";
// the 24 rows also span a partial block of rows when turned.
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
        ASSERT_TRUE(seen.view.photoLoaded);
        ASSERT_EQ(seen.view.imageWidth, expected.view.imageWidth);
        ASSERT_EQ(seen.view.imageHeight, expected.view.imageHeight);
        int worst = 0;
        for (size_t i = 0; i < expected.view.photoPixels.size(); ++i)
            worst = std::max(worst, std::abs(seen.view.photoPixels.data()[i] - expected.view.photoPixels.data()[i]));
        EXPECT_LE(worst, 2);
        EXPECT_EQ(seen.host.lastStatus(), expected.host.lastStatus());  // selection, output size, verdict
    }
}

// The reader trusts no length or offset: damaged or foreign segments read as "as stored".
TEST(PhotoOrientation, ReaderFallsBackToAsStored) {
    const std::vector<uint8_t> whole = exifWith(6), cut(whole.begin(), whole.end() - 5);
    const std::vector<uint8_t> foreign = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.', 'a', 'd', 'o', 'b', 'e'};
    struct Case {
        const char* name;
        std::vector<uint8_t> segment;
        int orientation;
    } cases[] = {
        {"little-endian 6", whole, 6},           {"big-endian 8", exifWith(8, true), 8},
        {"value 0", exifWith(0), 1},             {"value 9", exifWith(9), 1},
        {"other tag", exifWith(6, false, 0x0110), 1}, {"long, not short", exifWith(6, false, 0x0112, 4), 1},
        {"directory past the end", exifWith(6, false, 0x0112, 3, 0xFFFFFFF0), 1},
        {"more entries than bytes", exifWith(6, false, 0x0100, 3, 8, 0xFFFF), 1},
        {"cut inside the entry", cut, 1},        {"not exif", foreign, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(exifOrientation(c.segment.data(), c.segment.size()), c.orientation) << c.name;
}

#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "export/DatabaseHeader.h"
#include "export/JpegExport.h"
#include "export_support.h"
#include "standin/StoreLibrary.h"
#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

// The 88 bytes offset by offset, as the handheld reads them; name at most 31 characters.
std::vector<uint8_t> expectedHeader(const std::string& name) {
    std::vector<uint8_t> header(88, 0);
    std::copy(name.begin(), name.end(), header.begin());
    header[35] = 1;  // version 1, big-endian
    header[60] = 'j', header[61] = 'p', header[62] = 'e', header[63] = 'g';
    header[64] = 'V', header[65] = 'r', header[66] = 'e', header[67] = 'l';
    header[77] = 1;     // one record
    header[81] = 0x58;  // record 0's data at offset 88
    return header;
}

// A store user "Ann" with one card and a 64 x 48 screen, chosen in the dialog.
struct StoreRig : SendRig {
    StoreLibrary library{dir.path()};
    StoreUser ann;
    uint32_t cardId = 0;

    StoreRig() {
        EXPECT_EQ(addUser(dir.path(), "Ann", {"SD Card"}), StoreOk);
        EXPECT_EQ(library.store().findUser("Ann", ann), StoreOk);
        std::vector<StoreSlot> slots;
        EXPECT_EQ(library.store().loadSlots(ann, slots), StoreOk);
        if (!slots.empty()) cardId = slots[0].id;
        EXPECT_EQ(library.store().writeSetting(ann, "Brennick", "VistrelWidth", 64), StoreOk);
        EXPECT_EQ(library.store().writeSetting(ann, "Brennick", "VistrelHeight", 48), StoreOk);
        chooseDevice(library);
    }
    void send(uint16_t storage) {
        view.storageIndex = storage;
        view.sendPhoto(library);
    }
    std::vector<InstallRequest> queue() {
        std::vector<InstallRequest> requests;
        EXPECT_EQ(library.store().loadQueue(ann, requests), StoreOk);
        return requests;
    }
};

// The photograph pixel that output pixel (x, y) copies: nearest neighbour, rows
// counted from the top of the selection, the photograph stored bottom-up as BGR0.
const uint8_t* sourcePixel(const PhotoView& v, int32_t x, int32_t y, int32_t* block = nullptr) {
    x = x < 0 ? 0 : x >= v.outputWidth ? v.outputWidth - 1 : x;
    y = y < 0 ? 0 : y >= v.outputHeight ? v.outputHeight - 1 : y;
    int32_t column = v.sourceLeft + x * v.sourceWidth / v.outputWidth;
    int32_t row = v.sourceTop + y * v.sourceHeight / v.outputHeight;
    if (block) *block = column / BlockSide * 100 + row / BlockSide;
    return v.photoPixels.data() + (static_cast<size_t>(v.imageHeight - 1 - row) * v.imageWidth + column) * 4;
}

std::vector<uint8_t> expectedRgb(const PhotoView& v) {
    std::vector<uint8_t> rgb;
    for (int32_t y = 0; y < v.outputHeight; ++y)
        for (int32_t x = 0; x < v.outputWidth; ++x) {
            const uint8_t* bgr0 = sourcePixel(v, x, y);
            rgb.insert(rgb.end(), {bgr0[2], bgr0[1], bgr0[0]});
        }
    return rgb;
}

// Compares the decoded export with the expected pixels within JPEG tolerance. Pixels
// within 4 of a change of source block are left out (libjpeg blends colour there).
// Returns the count checked.
int checkPixels(const PhotoView& v, const DecodedJpeg& out) {
    const int Tolerance = 6, Margin = 4;
    auto block = [&](int32_t x, int32_t y) {
        int32_t b;
        sourcePixel(v, x, y, &b);
        return b;
    };
    const std::vector<uint8_t> expected = expectedRgb(v);
    int checked = 0, wrong = 0;
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            int b = block(x, y);
            if (block(x - Margin, y - Margin) != b || block(x + Margin, y + Margin) != b ||
                block(x - Margin, y + Margin) != b || block(x + Margin, y - Margin) != b)
                continue;
            size_t at = (static_cast<size_t>(y) * out.width + x) * 3;
            ++checked;
            for (int i = 0; i < 3; ++i)
                if (std::abs(out.samples[at + i] - expected[at + i]) > Tolerance && ++wrong <= 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << i << ": "
                                  << int(out.samples[at + i]) << " for " << int(expected[at + i]);
        }
    EXPECT_EQ(wrong, 0);
    return checked;
}

}  // namespace

TEST(DatabaseHeader, NameFieldKeepsAtMost31CharactersAndTheRestIsFixed) {
    const std::string name31(31, 'n');
    struct Case {
        std::string name, stored;
    } cases[] = {
        {"DSC01234", "DSC01234"}, {name31, name31}, {name31 + "xyz", name31}, {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t header[DatabaseHeaderSize];
        fillDatabaseHeader(c.name.c_str(), header);
        EXPECT_EQ(std::vector<uint8_t>(header, header + sizeof header), expectedHeader(c.stored));
    }
}

TEST(SendToStore, FilesHoldTheFramedPixelsAsADatabaseForMemoryAndAPlainJpegForACard) {
    struct Case {
        const char* what;
        Selection selection;
        int32_t outputWidth, outputHeight;
    } cases[] = {
        {"plain crop", {16, 32, 64, 48}, 64, 48},
        {"2x enlargement", {16, 16, 32, 24}, 64, 48},
        {"halved", {0, 0, 128, 96}, 64, 48},
        {"ending at the bottom edge", {64, 80, 64, 48}, 64, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoreRig r;
        r.frame(c.selection);
        ASSERT_EQ(r.view.outputWidth, c.outputWidth);
        ASSERT_EQ(r.view.outputHeight, c.outputHeight);
        r.send(0);
        r.send(1);

        EXPECT_EQ(messageLines(r.host),
                  (std::vector<std::string>{
                      "Vistrel error|64|Photo ''Blocks.pdb'' will be installed on ''Ann'' Internal memory at next "
                      "HotSync(r)",
                      "Vistrel error|64|Photo ''Blocks.jpg'' will be installed on ''Ann'' SD Card at next "
                      "HotSync(r)"}));
        std::vector<uint8_t> pdb = readFile(hostFile(r.outputFile("Blocks.pdb")));
        std::vector<uint8_t> jpg = readFile(hostFile(r.outputFile("Blocks.jpg")));
        ASSERT_GT(jpg.size(), 4u);
        ASSERT_EQ(pdb.size(), 88 + jpg.size());
        EXPECT_EQ(std::vector<uint8_t>(pdb.begin(), pdb.begin() + 88), expectedHeader("Blocks"));
        // The same selection gives the same stream: the database is the header and that stream.
        EXPECT_TRUE(std::equal(jpg.begin(), jpg.end(), pdb.begin() + 88));
        EXPECT_EQ(jpg[0], 0xFF);
        EXPECT_EQ(jpg[1], 0xD8);
        EXPECT_EQ(jpg[jpg.size() - 2], 0xFF);
        EXPECT_EQ(jpg.back(), 0xD9);

        DecodedJpeg decoded = decodeJpeg(jpg.data(), jpg.size());
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.width, c.outputWidth);
        EXPECT_EQ(decoded.height, c.outputHeight);
        ASSERT_EQ(decoded.components, 3);
        EXPECT_GT(checkPixels(r.view, decoded), c.outputWidth * c.outputHeight / 4);
        // Baseline, quality 80, libjpeg's defaults otherwise: the very bytes libjpeg
        // makes of the expected pixels.
        JpegOptions quality80;
        quality80.quality = 80;
        quality80.subsample = true;
        EXPECT_TRUE(jpg == encodeJpeg(c.outputWidth, c.outputHeight, 3, expectedRgb(r.view), quality80));

        std::vector<InstallRequest> queue = r.queue();
        ASSERT_EQ(queue.size(), 2u);
        EXPECT_FALSE(queue[0].toCard);
        EXPECT_EQ(queue[0].path, r.outputFile("Blocks.pdb"));
        EXPECT_TRUE(queue[1].toCard);
        EXPECT_EQ(queue[1].slotId, r.cardId);
        EXPECT_EQ(queue[1].path, r.outputFile("Blocks.jpg"));
    }
}

TEST(ExportStream, OddSizesAndSelectionsAtTheFarEdgesAreWrittenOthersRefused) {
    // Under the sanitizers a row buffer one byte short, or a read past the photograph's
    // last row or column, fails here; a refused export must write nothing at all.
    struct Case {
        int32_t left, top, width, height, outputWidth, outputHeight;
        bool written;
    } cases[] = {
        {0, 0, 320, 240, 319, 1, true},      {319, 239, 1, 1, 1, 1, true},
        {300, 200, 20, 40, 319, 7, true},    {0, 0, 320, 240, 1, 1, true},
        {1, 0, 320, 240, 320, 240, false},   {0, 0, 0, 240, 320, 240, false},
        {0, 0, 320, 240, 0, 240, false},     {-1, 0, 10, 10, 10, 10, false},
    };
    TempDir dir;
    RecordingHost host;
    PhotoView view;
    view.attach(&host, 400, 300);
    loadSynthetic(view, 320, 240);
    for (const Case& c : cases) {
        Selection from = {c.left, c.top, c.width, c.height};
        SCOPED_TRACE(testing::Message() << from << " to " << c.outputWidth << " x " << c.outputHeight);
        view.sourceLeft = c.left, view.sourceTop = c.top, view.sourceWidth = c.width, view.sourceHeight = c.height;
        view.outputWidth = c.outputWidth, view.outputHeight = c.outputHeight;
        std::string path = dir.file("out.pdb");
        FILE* stream = fopen(path.c_str(), "wb");
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(writeExport(view, stream, "out", true), c.written);
        fclose(stream);
        std::vector<uint8_t> bytes = readFile(path);
        if (!c.written) {
            EXPECT_TRUE(bytes.empty());
            continue;
        }
        ASSERT_GT(bytes.size(), 88u);
        DecodedJpeg decoded = decodeJpeg(bytes.data() + 88, bytes.size() - 88);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.width, c.outputWidth);
        EXPECT_EQ(decoded.height, c.outputHeight);
    }
    EXPECT_TRUE(host.messages.empty());  // the stream level shows nothing
}

TEST(ExportJpeg, CreatesOnlyNewFilesAndSaysWhenItCannot) {
    StoreRig r;
    r.frame({0, 0, 64, 48});
    const std::string fresh = r.outputFile("fresh.jpg"), taken = r.outputFile("taken.jpg"),
                      missing = r.outputFile("none\\x.jpg");
    ASSERT_TRUE(writeFile(hostFile(taken), {1, 2, 3}));

    EXPECT_TRUE(r.view.exportJpeg(fresh.c_str(), "fresh", false));
    EXPECT_FALSE(r.view.exportJpeg(taken.c_str(), "taken", false));
    EXPECT_FALSE(r.view.exportJpeg(missing.c_str(), "x", false));

    EXPECT_EQ(readFile(hostFile(taken)), (std::vector<uint8_t>{1, 2, 3}));  // never truncated
    std::vector<uint8_t> written = readFile(hostFile(fresh));
    EXPECT_TRUE(decodeJpeg(written.data(), written.size()).ok);
    EXPECT_EQ(messageLines(r.host), (std::vector<std::string>{"Vistrel error|16|Can not create file : " + taken,
                                                              "Vistrel error|16|Can not create file : " + missing}));
    EXPECT_TRUE(r.queue().empty());
}

#ifndef _WIN32
namespace {

// Lowers the largest file this process may write, with SIGXFSZ ignored so that a write
// past it fails with EFBIG instead of ending the process; both restored at the end.
class FileSizeLimit {
public:
    FileSizeLimit() : handler(signal(SIGXFSZ, SIG_IGN)) { getrlimit(RLIMIT_FSIZE, &saved); }
    ~FileSizeLimit() {
        lift();
        signal(SIGXFSZ, handler);
    }
    bool set(long bytes) {
        rlimit limit = saved;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    void lift() { setrlimit(RLIMIT_FSIZE, &saved); }

private:
    rlimit saved{};
    void (*handler)(int);
};

}  // namespace

// libjpeg's standard error exit once ended the whole program on a failed write; a full
// disk must end the send alone, with no partial file and no install request.
TEST(ExportFullDisk, AFailedWriteAnywhereInTheFileLeavesNothingAndSaysSo) {
    long full = 0;
    {
        StoreRig r;
        r.frame({16, 32, 64, 48});
        r.send(0);
        full = static_cast<long>(readFile(hostFile(r.outputFile("Blocks.pdb"))).size());
        ASSERT_GT(full, 88);
    }
    FileSizeLimit limit;
    for (long bytes : {0L, 50L, 88L, full / 2, full - 1, full}) {
        SCOPED_TRACE(bytes);
        StoreRig r;
        r.frame({16, 32, 64, 48});
        r.view.storageIndex = 0;
        ASSERT_TRUE(limit.set(bytes));
        testing::internal::CaptureStderr();  // libjpeg reports the failed write there
        r.view.sendPhoto(r.library);
        limit.lift();
        testing::internal::GetCapturedStderr();
        if (bytes == full) {  // exactly enough room: the limit itself is no obstacle
            EXPECT_EQ(r.outputEntries(), std::vector<std::string>{"Blocks.pdb"});
            EXPECT_EQ(r.queue().size(), 1u);
            continue;
        }
        EXPECT_EQ(messageLines(r.host), std::vector<std::string>{"Vistrel error|16|Error during JPEG generation !"});
        EXPECT_TRUE(r.outputEntries().empty());
        EXPECT_TRUE(r.queue().empty());
    }
}

TEST(ExportFullDisk, AStreamThatTakesNoBytesFailsTheExport) {
    RecordingHost host;
    PhotoView view;
    view.attach(&host, 400, 300);
    loadSynthetic(view, 64, 48);
    view.sourceWidth = view.outputWidth = 64;
    view.sourceHeight = view.outputHeight = 48;
    for (bool header : {false, true}) {
        SCOPED_TRACE(header);
        FILE* stream = fopen("/dev/full", "wb");
        ASSERT_NE(stream, nullptr);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(writeExport(view, stream, "full", header));
        testing::internal::GetCapturedStderr();
        fclose(stream);
    }
}
#endif

#include <cstdlib>
#include <tuple>
#include "export/DatabaseHeader.h"
#include "export/JpegExport.h"
#include "export_support.h"
#include "standin/StoreLibrary.h"
#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

// The 88 bytes offset by offset, as the handheld reads them.
std::vector<uint8_t> expectedHeader(const std::string& name) {
    std::vector<uint8_t> header(88, 0);
    std::copy(name.begin(), name.end(), header.begin());
    header[35] = 1;  // version 1, big-endian
    std::copy_n("jpegVrel", 8, header.begin() + 60);  // type and creator
    header[77] = 1;     // one record
    header[81] = 0x58;  // record 0's data at offset 88
    return header;
}

// A store user "Ann" with one card and a 64 x 48 screen, chosen in the dialog.
struct StoreRig : SendRig {
    StoreLibrary library{dir.path()};
    StoreUser ann;
    std::vector<StoreSlot> slots;

    StoreRig() {
        EXPECT_EQ(library.store().addUser("Ann", {"SD Card"}, &ann), StoreOk);
        EXPECT_EQ(library.store().loadSlots(ann, slots), StoreOk);
        EXPECT_EQ(library.store().writeSetting(ann, "Brennick", "VistrelWidth", 64), StoreOk);
        EXPECT_EQ(library.store().writeSetting(ann, "Brennick", "VistrelHeight", 48), StoreOk);
        chooseDevice(library, 0);
    }
    void send(uint16_t storage) { SendRig::send(library, storage); }
};

// The output as RGB: nearest neighbour from the bottom-up BGR0 photograph. inner tells the
// pixels 4 or more inside their source block (libjpeg blends colour near an edge).
std::vector<uint8_t> expectedRgb(const PhotoView& v, std::vector<bool>* inner = nullptr) {
    std::vector<uint8_t> rgb;
    for (int32_t y = 0; y < v.outputHeight; ++y)
        for (int32_t x = 0; x < v.outputWidth; ++x) {
            int32_t column = v.sourceLeft + x * v.sourceWidth / v.outputWidth;
            int32_t row = v.sourceTop + y * v.sourceHeight / v.outputHeight;
            const uint8_t* p =
                v.photoPixels.data() + (static_cast<size_t>(v.imageHeight - 1 - row) * v.imageWidth + column) * 4;
            rgb.insert(rgb.end(), {p[2], p[1], p[0]});
            auto inside = [](int32_t at) { return (at % BlockSide + 4) % BlockSide >= 8; };
            if (inner) inner->push_back(inside(column) && inside(row));
        }
    return rgb;
}

}  // namespace

TEST(DatabaseHeader, NameFieldKeepsAtMost31CharactersAndEndsInAZero) {
    const std::string name31(31, 'n');
    uint8_t header[DatabaseHeaderSize];
    fillDatabaseHeader((name31 + "xyz").c_str(), header);
    EXPECT_EQ(std::vector<uint8_t>(header, header + sizeof header), expectedHeader(name31));
}

TEST(SendToStore, FilesHoldTheFramedPixelsAsADatabaseForMemoryAndAPlainJpegForACard) {
    struct Case {
        const char* what;
        Selection selection;
    } cases[] = {{"plain crop", {16, 32, 64, 48}}, {"2x enlargement", {16, 16, 32, 24}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoreRig r;
        r.frame(c.selection);
        ASSERT_EQ(r.view.outputWidth, 64);
        ASSERT_EQ(r.view.outputHeight, 48);
        r.send(0);
        r.send(1);

        EXPECT_EQ(messageLines(r.host), (Strings{"Vistrel error|64|" + installedText("Blocks.pdb", "Internal memory"),
                                                 "Vistrel error|64|" + installedText("Blocks.jpg", "SD Card")}));
        std::vector<uint8_t> pdb = readFile(hostFile(r.outputFile("Blocks.pdb")));
        std::vector<uint8_t> jpg = readFile(hostFile(r.outputFile("Blocks.jpg")));
        ASSERT_GT(jpg.size(), 2u);
        ASSERT_EQ(pdb.size(), 88 + jpg.size());
        EXPECT_EQ(std::vector<uint8_t>(pdb.begin(), pdb.begin() + 88), expectedHeader("Blocks"));
        EXPECT_EQ(std::vector<uint8_t>(jpg.begin(), jpg.begin() + 2), (std::vector<uint8_t>{0xFF, 0xD8}));  // SOI
        // The same selection gives the same stream: the database is the header and that stream.
        EXPECT_TRUE(std::equal(jpg.begin(), jpg.end(), pdb.begin() + 88));

        DecodedJpeg decoded = decodeJpeg(jpg.data(), jpg.size());
        ASSERT_EQ(std::make_tuple(decoded.ok, decoded.width, decoded.height, decoded.components),
                  std::make_tuple(true, 64, 48, 3));
        std::vector<bool> inner;
        const std::vector<uint8_t> expected = expectedRgb(r.view, &inner);
        size_t checked = 0, wrong = 0;
        for (size_t i = 0; i < inner.size(); ++i)
            for (size_t k = 3 * i; inner[i] && k < 3 * i + 3; ++k, ++checked)
                if (std::abs(decoded.samples[k] - expected[k]) > 6 && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << i << " channel " << k % 3 << ": " << int(decoded.samples[k])
                                  << " for " << int(expected[k]);
        EXPECT_EQ(wrong, 0u);
        EXPECT_GT(checked, expected.size() / 4);
        // Baseline, quality 80, libjpeg's defaults otherwise: the very bytes libjpeg makes.
        EXPECT_TRUE(jpg == encodeJpeg(64, 48, 3, expected, JpegOptions{80, false, true}));

        std::vector<InstallRequest> queue;
        ASSERT_EQ(r.library.store().loadQueue(r.ann, queue), StoreOk);
        ASSERT_EQ(queue.size(), 2u);
        EXPECT_EQ(std::make_tuple(queue[0].toCard, queue[0].path), std::make_tuple(false, r.outputFile("Blocks.pdb")));
        EXPECT_EQ(std::make_tuple(queue[1].toCard, queue[1].slotId, queue[1].path),
                  std::make_tuple(true, r.slots.at(0).id, r.outputFile("Blocks.jpg")));
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
    const std::string path = dir.file("out.pdb");
    for (const Case& c : cases) {
        Selection from = {c.left, c.top, c.width, c.height};
        SCOPED_TRACE(testing::Message() << from << " to " << c.outputWidth << " x " << c.outputHeight);
        view.sourceLeft = c.left, view.sourceTop = c.top, view.sourceWidth = c.width, view.sourceHeight = c.height;
        view.outputWidth = c.outputWidth, view.outputHeight = c.outputHeight;
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
        EXPECT_EQ(std::make_tuple(decoded.ok, decoded.width, decoded.height),
                  std::make_tuple(true, c.outputWidth, c.outputHeight));
    }
    EXPECT_TRUE(host.messages.empty());  // the stream level shows nothing
}

TEST(ExportJpeg, CreatesOnlyNewFilesAndSaysWhenItCannot) {
    RecordingRig r;
    const std::string fresh = r.outputFile("fresh.jpg"), taken = r.outputFile("taken.jpg"),
                      missing = r.outputFile("none\\x.jpg");
    ASSERT_TRUE(writeFile(hostFile(taken), {1, 2, 3}));

    EXPECT_TRUE(r.view.exportJpeg(fresh.c_str(), "fresh", false));
    EXPECT_FALSE(r.view.exportJpeg(taken.c_str(), "taken", false));
    EXPECT_FALSE(r.view.exportJpeg(missing.c_str(), "x", false));

    EXPECT_EQ(readFile(hostFile(taken)), (std::vector<uint8_t>{1, 2, 3}));  // never truncated
    std::vector<uint8_t> written = readFile(hostFile(fresh));
    EXPECT_TRUE(decodeJpeg(written.data(), written.size()).ok);
    EXPECT_EQ(messageLines(r.host), (Strings{"Vistrel error|16|Can not create file : " + taken,
                                             "Vistrel error|16|Can not create file : " + missing}));
}

#ifndef _WIN32
// A full disk (a file-size limit, SIGXFSZ ignored) once ended the program through libjpeg's
// own error exit; it must end the send alone, with no partial file and nothing queued.
TEST(ExportFullDisk, AFailedWriteAnywhereInTheFileLeavesNothingAndSaysSo) {
    const long full = [] {
        RecordingRig r;
        r.send(0);
        return static_cast<long>(readFile(hostFile(r.outputFile("Blocks.pdb"))).size());
    }();
    ASSERT_GT(full, 88);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    for (long bytes : {0L, 50L, 88L, full / 2, full - 1, full}) {
        SCOPED_TRACE(bytes);
        RecordingRig r;
        rlimit limit = saved;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        testing::internal::CaptureStderr();  // libjpeg reports the failed write there
        r.send(0);
        setrlimit(RLIMIT_FSIZE, &saved);
        testing::internal::GetCapturedStderr();
        if (bytes == full) {  // exactly enough room: the limit itself is no obstacle
            EXPECT_EQ(folderEntries(r.view.outputFolder), Strings{"Blocks.pdb"});
            EXPECT_EQ(r.library.calls, Strings{"INSTAIDE 103"});
            continue;
        }
        EXPECT_EQ(messageLines(r.host), Strings{"Vistrel error|16|Error during JPEG generation !"});
        EXPECT_TRUE(folderEntries(r.view.outputFolder).empty());
        EXPECT_TRUE(r.library.calls.empty());  // nothing queued
    }
    signal(SIGXFSZ, handler);
}
#endif

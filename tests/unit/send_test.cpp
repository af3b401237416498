#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <functional>
#include "export/DeviceSettings.h"
#include "export/OutputFile.h"
#include "photo/Framing.h"
#include "send/BatchConsole.h"
#include "send/SendBatch.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "photo_fixture.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

// What the batch prints, failures marked "!"; onLine acts after each line.
struct Lines : BatchConsole {
    Strings lines;
    std::function<void()> onLine;
    void line(const char* text, bool failure) override {
        lines.push_back((failure ? "!" : "") + std::string(text));
        if (onLine) onLine();
    }
    void status(const char*) override {}
    bool terminal() const override { return false; }
};

void writePhoto(const std::string& path, int width, int height, int components, bool progressive = false) {
    const std::vector<uint8_t> rgb = photographicRgb(width, height);
    std::vector<uint8_t> samples;
    for (size_t i = 0; i < rgb.size(); i += 4 - components) samples.push_back(rgb[i]);
    ASSERT_TRUE(writeFile(path, encodeJpeg(width, height, components, samples, {90, progressive, false})));
}

// A store with Ann (a 160 x 120 screen, internal memory saved, the card "SD card"), and a folder of photographs.
struct Sender {
    TempDir dir;
    std::string root = dir.file("store");
    StoreLibrary library{root};
    Sender() {
        fs::create_directory(root);
        EXPECT_EQ(addUser(root, "Ann", {"SD card"}), StoreOk);
        uint32_t ann = 0;
        library.userIdFromName("Ann", &ann);
        library.writeSetting(ann, "Brennick", "VistrelWidth", 160);
        library.writeSetting(ann, "Brennick", "VistrelHeight", 120);
    }
    std::string in(const std::string& name) const { return (fs::path(dir.path()) / name).string(); }
    int run(Strings args, Lines& lines, uint64_t memory = 64 << 20, bool stopAtFirstLine = false) {
        std::vector<const char*> argv;
        for (const std::string& arg : args) argv.push_back(arg.c_str());
        SendOptions options;
        std::string error;
        EXPECT_TRUE(parseSendOptions(int(argv.size()), argv.data(), false, options, error)) << error;
        options.memoryLimit = memory;
        SendBatch batch(options, library, lines);
        if (stopAtFirstLine) lines.onLine = [&batch] { batch.requestStop(); };
        return batch.run();
    }
    Strings sent() const {  // the user's output folder, and what waits in the queue with the root cut off
        Strings files;
        for (const auto& entry : fs::directory_iterator(root + "/Ann/Vistrel")) files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        std::vector<InstallRequest> queue;
        StoreLibrary reader(root);
        StoreUser ann;
        reader.store().findUser("Ann", ann);
        reader.store().loadQueue(ann, queue);
        for (const InstallRequest& request : queue) files.push_back(request.path.substr(request.path.rfind("\\Ann\\")));
        return files;
    }
};

// What the window's Send makes of a photograph framed as the batch frames it, into another store: a view larger than
// the photograph, so that its selection is the same source rectangle. Gives the message the window shows.
std::string windowSend(Sender& store, const std::string& photo, Framing framing, uint16_t storage) {
    PhotoView framed;
    readUserSettings(store.library, "Ann", framed);
    char reason[160];
    EXPECT_TRUE(framed.setPhotoPath(photo.c_str(), reason, sizeof reason) && framed.decodePhoto());
    framePhoto(framed, framing);
    HostedView window(1 << 20, 1 << 20);
    snprintf(window.view.deviceName, sizeof window.view.deviceName, "Ann");
    readUserSettings(store.library, "Ann", window.view);
    createFolder(window.view.outputFolder);
    window.view.loadPhoto(photo.c_str());
    select(window.view, {framed.sourceLeft, framed.sourceTop, framed.sourceWidth, framed.sourceHeight});
    window.view.updateQuality();
    EXPECT_EQ(std::make_pair(window.view.outputWidth, window.view.outputHeight),
              std::make_pair(framed.outputWidth, framed.outputHeight)) << photo;
    window.view.storageIndex = storage;
    window.view.sendPhoto(store.library);
    return window.host.messages.empty() ? "" : window.host.messages.back().text;
}

}  // namespace

// Fill: the largest centred part with the screen's proportions, exactly the screen's size; whole: all of it, fitted.
TEST(Framing, FillMakesTheLargestCentredPartExactlyTheScreenAndWholeFitsAllOfIt) {
    PhotoView v;
    for (const auto& [w, h] : {std::pair{320, 240}, {240, 320}, {320, 320}, {160, 120}, {480, 100}}) {
        v.deviceWidth = w, v.deviceHeight = h;
        int wrong = 0;
        for (int32_t iw = 1; iw <= 1300; iw += 3)
            for (int32_t ih = 1; ih <= 1300; ih += 13) {
                v.imageWidth = iw, v.imageHeight = ih;
                const Verdict verdict = framePhoto(v, Framing::Fill);
                const int64_t widest = std::min<int64_t>(iw, int64_t(ih) * w / h);
                const bool fills = widest >= w, inside = v.sourceLeft >= 0 && v.sourceTop >= 0 &&
                                                          v.sourceLeft * 2 + v.sourceWidth == iw - (iw - v.sourceWidth) % 2 &&
                                                          v.sourceTop * 2 + v.sourceHeight == ih - (ih - v.sourceHeight) % 2;
                wrong += !inside || v.sourceWidth < 1 || v.sourceHeight < 1 || v.sourceWidth > iw || v.sourceHeight > ih;
                if (fills)
                    wrong += v.outputWidth != w || v.outputHeight != h || v.sourceWidth < widest - w / h - 2 ||
                             (verdict != Verdict::Matches && verdict != Verdict::GreaterFills);
                framePhoto(v, Framing::Whole);
                wrong += v.sourceWidth != iw || v.sourceHeight != ih || v.outputWidth > std::min(w, iw) ||
                         v.outputHeight > std::min(h, ih) || v.outputWidth < 1 || v.outputHeight < 1 ||
                         std::abs(int64_t(v.outputWidth) * ih - int64_t(v.outputHeight) * iw) > std::max(iw, ih) ||
                         (v.outputWidth != std::min(w, iw) && v.outputHeight != std::min(h, ih));
            }
        EXPECT_EQ(wrong, 0) << w << " x " << h;
    }
}

// Each photograph is named, written and queued as the window's Send does it, in the order given, failures told apart.
TEST(SendBatch, SendsAsTheWindowDoesInOrderAndTellsWhatItRefused) {
    Sender batch, window;
    const std::string photos = batch.in("photos"), out = batch.in("out");
    fs::create_directories(photos + "/sub");
    auto photo = [&photos](const std::string& name) { return (fs::path(photos) / name).string(); };
    writePhoto(photo("Beach.jpg"), 400, 300, 3);
    writePhoto(photo("Tall.jpeg"), 150, 400, 3, true);  // narrower than the screen: enlarged
    writePhoto(photo("grey.JPG"), 321, 241, 1);
    writePhoto(photo("sub/Skipped.jpg"), 200, 200, 3);
    ASSERT_TRUE(writeFile(photo("damaged.jpg"), {'j', 'u', 'n', 'k'}) && writeFile(photo("notes.txt"), {'x'}));
    const std::string refusedName = "!" + photo("notes.txt") + ": not a JPEG photograph: only .jpg and .jpeg files are sent";
    const struct {
        Strings args, lines;  // lines: "" stands for the window's message about the photograph
        int status;
        Strings windowSends = {};  // photographs the window sends the same way, in the batch's order
        Framing framing = Framing::Fill;
        uint16_t storage = 0;
    } runs[] = {
        {{photos, photo("notes.txt"), batch.in("none.jpg")},
         {"", "!" + photo("damaged.jpg") + ": Not a JPEG file: starts with 0x6a 0x75", "", "", refusedName,
          "!" + batch.in("none.jpg") + ": the file can't be opened (No such file or directory)",
          "3 of 6 photographs sent to ''Ann'' Internal memory, 3 refused; "},
         SendRefused, {"Beach.jpg", "grey.JPG", "Tall.jpeg"}},
        {{"--quiet", photo("Beach.jpg"), photo("notes.txt")}, {refusedName}, SendRefused, {"Beach.jpg"}},  // numbered
        {{"--card", "SD card", "--frame", "whole", photo("Beach.jpg")}, {"", "1 of 1 photographs sent to ''Ann'' SD card; "},
         SendDone, {"Beach.jpg"}, Framing::Whole, 1},
        {{"--out", out, "--memory", photo("Tall.jpeg")},
         {photo("Tall.jpeg") + ": Photo ''Tall.pdb'' written to " + out + (out.find('\\') == std::string::npos ? "/" : "\\") +
              " for ''Ann'' Internal memory",
          "1 of 1 photographs written to "},
         SendDone},
        {{"--user", "Bob", photos}, {"!vistrel-send: there is no HotSync user ''Bob''; the users are: Ann"}, SendUnusable},
        {{"--card", "CF", photos}, {"!vistrel-send: ''Ann'' has no card ''CF''; its cards are: SD card"}, SendUnusable},
    };
    for (const auto& run : runs) {
        Lines lines;
        EXPECT_EQ(batch.run(run.args, lines), run.status) << run.args.back();
        Strings expected = run.lines, told;
        for (const std::string& name : run.windowSends)
            told.push_back(photo(name) + ": " + windowSend(window, photo(name), run.framing, run.storage));
        for (std::string& line : expected)
            if (line.empty() && !told.empty()) line = told.front(), told.erase(told.begin());
        for (size_t i = 0; i < lines.lines.size() && i < expected.size(); ++i)  // the summary's timing left out
            if (lines.lines[i].size() > expected[i].size() && expected[i].back() == ' ')
                lines.lines[i].resize(expected[i].size());
        EXPECT_EQ(lines.lines, expected);
    }
    // The same files, byte for byte, and the same queue.
    const Strings files = batch.sent();
    EXPECT_EQ(files, window.sent());
    EXPECT_EQ(files.size(), 10u);  // Beach, Beach(2), grey, Tall; Beach.jpg for the card; their five queue entries
    for (const std::string& name : Strings(files.begin(), files.begin() + 5))
        EXPECT_TRUE(readFile(batch.root + "/Ann/Vistrel/" + name) == readFile(window.root + "/Ann/Vistrel/" + name)) << name;
    EXPECT_TRUE(readFile(out + "/Tall.pdb") == readFile(batch.root + "/Ann/Vistrel/Tall.pdb"));
    // With two users, one must be named.
    EXPECT_EQ(addUser(batch.root, "Bob"), StoreOk);
    Lines lines;
    EXPECT_EQ(batch.run({photos}, lines), SendUnusable);
    EXPECT_EQ(lines.lines, Strings{"!vistrel-send: there are several HotSync users (Ann, Bob): choose one with --user NAME"});
}

// Photographs wait for memory held by others and are refused only when they could never have it; a stop lets those in
// progress finish, each wholly sent or not at all, and starts no other.
TEST(SendBatch, MemoryIsSharedInTurnAndAStopLeavesNothingHalfDone) {
    Sender store;
    const std::string many = store.in("many");
    fs::create_directories(many);
    writePhoto(store.in("Big.jpg"), 1200, 900, 3);  // 4.3 MB of pixels
    writePhoto(store.in("Wide.jpg"), 400, 300, 3);
    writePhoto(store.in("Tall.jpg"), 150, 400, 3, true);  // with its coefficients: 0.6 MB
    Lines lines;
    EXPECT_EQ(store.run({"--jobs", "3", "--quiet", store.in("Wide.jpg"), store.in("Big.jpg"), store.in("Tall.jpg"),
                         store.in("Wide.jpg")},
                        lines, 1 << 20),
              SendRefused);
    EXPECT_EQ(lines.lines, Strings{"!" + store.in("Big.jpg") +
                                   ": decoding it takes 5 MB, more than the 1 MB set aside for photographs"});
    EXPECT_EQ(store.sent(), (Strings{"Tall.pdb", "Wide(2).pdb", "Wide.pdb", "\\Ann\\Vistrel\\Wide.pdb",
                                     "\\Ann\\Vistrel\\Tall.pdb", "\\Ann\\Vistrel\\Wide(2).pdb"}));

    for (int i = 0; i < 12; ++i) fs::copy_file(store.in("Wide.jpg"), many + "/" + std::to_string(100 + i) + ".jpg");
    Lines stopped;
    EXPECT_EQ(store.run({"--jobs", "2", many}, stopped, 64 << 20, true), SendRefused);
    // The first photograph, and those started before it was named (two jobs: at most four); each named, whole, queued.
    Strings sent = store.sent(), fresh;
    for (const std::string& name : sent)
        if (name.size() == 7 && name.find(".pdb") == 3) fresh.push_back(name);
    EXPECT_TRUE(fresh.size() >= 1 && fresh.size() <= 5 && fresh[0] == "100.pdb") << fresh.size();
    EXPECT_EQ(sent.size(), 2 * (3 + fresh.size()));  // nothing else in the folder, and each in the queue
    for (const std::string& name : fresh) {
        const std::vector<uint8_t> bytes = readFile(store.root + "/Ann/Vistrel/" + name);
        EXPECT_TRUE(bytes.size() > 88 && decodeJpeg(&bytes[88], bytes.size() - 88).ok) << name;
    }
    ASSERT_GE(stopped.lines.size(), 3u);
    EXPECT_EQ(stopped.lines[1], "Stopping after the photographs in progress...");
    EXPECT_NE(stopped.lines.back().find(std::to_string(12 - fresh.size()) + " not sent (stopped)"), std::string::npos);
}

TEST(SendOptions, UsageErrorsAreRefused) {
    const Strings cases[] = {{},
                             {"--jobs", "0", "a.jpg"},
                             {"--jobs", "x", "a.jpg"},
                             {"--frame", "crop", "a.jpg"},
                             {"--card", "SD", "--memory", "a.jpg"},
                             {"--quiet=yes", "a.jpg"},
                             {"--user"},
                             {"--root", "r", "a.jpg"},  // where the libraries decide
                             {"--bogus", "a.jpg"}};
    for (const Strings& args : cases) {
        std::vector<const char*> argv;
        for (const std::string& arg : args) argv.push_back(arg.c_str());
        SendOptions options;
        std::string error;
        EXPECT_FALSE(parseSendOptions(int(argv.size()), argv.data(), false, options, error)) << args.size();
        EXPECT_FALSE(error.empty());
    }
}

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>
#include "standin/Delivery.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"
#include "unit/store_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(DeliveryChecks, OnlyCompleteJpegsAndSoundDatabasesPass) {
    const Bytes jpeg = smallJpeg(64, 48);
    const Bytes database = photoDatabase("DSC01234", jpeg);
    Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3);  // markers right, data cut short
    cut.insert(cut.end(), {0xFF, 0xD9});
    struct Case {
        const char* what;
        std::function<void(Bytes&)> change;
        bool database, passes;
    };
    const std::vector<Case> cases = {
        {"a plain JPEG for a card", [](Bytes&) {}, false, true},
        {"a database for memory", [](Bytes&) {}, true, true},
        {"a database offered to a card", [&](Bytes& b) { b = database; }, false, false},
        {"a plain JPEG offered to memory", [&](Bytes& b) { b = jpeg; }, true, false},
        {"empty", [](Bytes& b) { b.clear(); }, false, false},
        {"no EOI", [](Bytes& b) { b.resize(b.size() - 2); }, false, false},
        {"no SOI", [](Bytes& b) { b[1] = 0x00; }, false, false},
        {"cut short, EOI appended", [&](Bytes& b) { b = cut; }, false, false},
        {"SOI and EOI only", [](Bytes& b) { b = {0xFF, 0xD8, 0xFF, 0xD9}; }, false, false},
        {"header only", [](Bytes& b) { b.resize(88); }, true, false},
        {"shorter than a header", [](Bytes& b) { b.resize(60); }, true, false},
        {"name without zero", [](Bytes& b) { std::fill(b.begin(), b.begin() + 32, 'A'); }, true, false},
        {"empty name", [](Bytes& b) { b[0] = 0; }, true, false},
        {"name of 31", [](Bytes& b) { std::fill(b.begin(), b.begin() + 31, 'A'); }, true, true},
        {"version 2", [](Bytes& b) { b[35] = 2; }, true, false},
        {"type not jpeg", [](Bytes& b) { b[63] = 'x'; }, true, false},
        {"creator with a zero", [](Bytes& b) { b[66] = 0; }, true, false},
        {"two records", [](Bytes& b) { b[77] = 2; }, true, false},
        {"no records", [](Bytes& b) { b[77] = 0; }, true, false},
        {"record at 90", [](Bytes& b) { b[81] = 90; }, true, false},
        {"record cut short", [](Bytes& b) { b.resize(b.size() - 40); }, true, false},
    };
    for (const Case& c : cases) {
        Bytes b = c.database ? database : jpeg;
        c.change(b);
        std::string problem = c.database ? checkDatabase(b.data(), b.size()) : checkJpeg(b.data(), b.size());
        EXPECT_EQ(problem.empty(), c.passes) << c.what << ": " << problem;
    }
    std::string name;
    EXPECT_EQ(checkDatabase(database.data(), database.size(), &name), "");
    EXPECT_EQ(name, "DSC01234");
}

class SyncTest : public ::testing::Test {
protected:
    TempDir dir;
    StoreLibrary library{dir.path()};
    StoreUser ann;

    void SetUp() override { ASSERT_EQ(library.store().addUser("Ann", {"SD Card", "Old"}, &ann), StoreOk); }
    std::string queued(const std::string& name, const Bytes& bytes, uint32_t card = 0) {
        std::string path = dir.file("Ann/" + name);
        EXPECT_TRUE(writeFile(path, bytes));
        const int32_t result = card ? library.installToCard(ann.id, card, path.c_str())
                                    : library.installToMemory("Ann", path.c_str());
        EXPECT_EQ(result, StoreOk) << name;
        return path;
    }
    std::vector<DeliveryReport> sync() {
        std::vector<DeliveryReport> reports;
        EXPECT_EQ(syncUser(library.store(), ann, reports), StoreOk);
        return reports;
    }
};

// Sound files arrive byte for byte; the rest are refused with the reason, and all leave
// the queue; the PC's copies stay.
TEST_F(SyncTest, DeliversSoundFilesByteForByteAndEmptiesTheQueue) {
    const Bytes jpeg = smallJpeg();
    const Bytes database = photoDatabase("Beach(2)", jpeg);
    queued("Beach(2).pdb", database);
    queued("Beach.jpg", jpeg, FirstSlotId);
    queued("Bad.pdb", jpeg);  // a plain JPEG cannot go to internal memory
    ASSERT_EQ(std::remove(queued("Gone.jpg", jpeg, FirstSlotId).c_str()), 0);
    queued("Card.jpg", jpeg, FirstSlotId + 1);
    ASSERT_TRUE(writeText(joinPath(library.store().userFolderPath(ann), "slots.txt"), "501\tSD Card\n"));

    std::vector<DeliveryReport> reports = sync();
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[0].outcome, Delivery::Installed);
    EXPECT_EQ(reports[0].databaseName, "Beach(2)");
    EXPECT_EQ(reports[0].destination, joinPath(library.store().memoryFolderPath(ann), "Beach(2).pdb"));
    EXPECT_EQ(readFile(reports[0].destination), database);
    EXPECT_EQ(reports[1].outcome, Delivery::Installed);
    EXPECT_EQ(reports[1].destination, joinPath(library.store().cardFolderPath(ann, FirstSlotId), "Beach.jpg"));
    EXPECT_EQ(readFile(reports[1].destination), jpeg);
    const char* reasons[] = {"database", "does not exist", "slot"};  // the card is no longer the user's
    for (size_t i = 2; i < 5; ++i) {
        EXPECT_EQ(reports[i].outcome, Delivery::Refused) << i;
        EXPECT_NE(reports[i].reason.find(reasons[i - 2]), std::string::npos) << reports[i].reason;
    }
    std::vector<InstallRequest> queue;
    ASSERT_EQ(library.store().loadQueue(ann, queue), StoreOk);
    EXPECT_TRUE(queue.empty());
    EXPECT_TRUE(fileExists(dir.file("Ann/Beach.jpg")));
    EXPECT_TRUE(sync().empty());
}

TEST_F(SyncTest, AFileThatCannotBeWrittenIntoTheHandheldStaysQueued) {
    queued("Photo.pdb", photoDatabase("Photo", smallJpeg()));
    // The handheld's folder cannot be made: a file has its name.
    ASSERT_TRUE(writeText(joinPath(library.store().userFolderPath(ann), "Handheld"), "in the way"));
    std::vector<DeliveryReport> reports = sync();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].outcome, Delivery::Kept);
    std::vector<InstallRequest> queue;
    ASSERT_EQ(library.store().loadQueue(ann, queue), StoreOk);
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue[0].path, dir.file("Ann/Photo.pdb"));
}

}  // namespace

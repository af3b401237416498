#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include "standin/Delivery.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"
#include "unit/store_support.h"

namespace {

std::string check(const std::vector<uint8_t>& bytes, bool database) {
    return database ? checkDatabase(bytes.data(), bytes.size()) : checkJpeg(bytes.data(), bytes.size());
}

// A JPEG whose markers are right but whose entropy data is cut short.
std::vector<uint8_t> truncatedWithEoi(const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3);
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    return cut;
}

TEST(DeliveryChecks, OnlyCompleteJpegsAndSoundDatabasesPass) {
    const std::vector<uint8_t> jpeg = smallJpeg(64, 48);
    const std::vector<uint8_t> database = photoDatabase("DSC01234", jpeg);
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> change;
        bool database;
        bool passes;
    };
    const std::vector<Case> cases = {
        {"a plain JPEG for a card", [](std::vector<uint8_t>&) {}, false, true},
        {"a database for memory", [](std::vector<uint8_t>&) {}, true, true},
        {"a database offered to a card", [&](std::vector<uint8_t>& b) { b = database; }, false, false},
        {"a plain JPEG offered to memory", [&](std::vector<uint8_t>& b) { b = jpeg; }, true, false},
        {"empty", [](std::vector<uint8_t>& b) { b.clear(); }, false, false},
        {"no EOI", [](std::vector<uint8_t>& b) { b.resize(b.size() - 2); }, false, false},
        {"no SOI", [](std::vector<uint8_t>& b) { b[1] = 0x00; }, false, false},
        {"cut short, EOI appended", [&](std::vector<uint8_t>& b) { b = truncatedWithEoi(jpeg); }, false, false},
        {"SOI and EOI only", [](std::vector<uint8_t>& b) { b = {0xFF, 0xD8, 0xFF, 0xD9}; }, false, false},
        {"header only", [](std::vector<uint8_t>& b) { b.resize(88); }, true, false},
        {"shorter than a header", [](std::vector<uint8_t>& b) { b.resize(60); }, true, false},
        {"name without zero", [](std::vector<uint8_t>& b) { std::fill(b.begin(), b.begin() + 32, 'A'); }, true, false},
        {"empty name", [](std::vector<uint8_t>& b) { b[0] = 0; }, true, false},
        {"name of 31", [](std::vector<uint8_t>& b) { std::fill(b.begin(), b.begin() + 31, 'A'); }, true, true},
        {"version 2", [](std::vector<uint8_t>& b) { b[35] = 2; }, true, false},
        {"type not jpeg", [](std::vector<uint8_t>& b) { b[63] = 'x'; }, true, false},
        {"creator with a zero", [](std::vector<uint8_t>& b) { b[66] = 0; }, true, false},
        {"two records", [](std::vector<uint8_t>& b) { b[77] = 2; }, true, false},
        {"no records", [](std::vector<uint8_t>& b) { b[77] = 0; }, true, false},
        {"record at 90", [](std::vector<uint8_t>& b) { b[81] = 90; }, true, false},
        {"record cut short", [](std::vector<uint8_t>& b) { b.resize(b.size() - 40); }, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = c.database ? database : jpeg;
        c.change(bytes);
        std::string problem = check(bytes, c.database);
        EXPECT_EQ(problem.empty(), c.passes) << problem;
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
    uint32_t card = 0;

    void SetUp() override {
        ASSERT_EQ(library.store().addUser("Ann", {"SD Card"}, &ann), StoreOk);
        uint16_t one = 1;
        ASSERT_EQ(library.slotIds(ann.id, &card, &one), StoreOk);
    }
    std::string queued(const std::string& name, const std::vector<uint8_t>& bytes, bool toCard) {
        std::string path = dir.file(name);
        EXPECT_TRUE(writeFile(path, bytes));
        int32_t result = toCard ? library.installToCard(ann.id, card, path.c_str())
                                : library.installToMemory("Ann", path.c_str());
        EXPECT_EQ(result, StoreOk) << name;
        return path;
    }
};

TEST_F(SyncTest, DeliversSoundFilesByteForByteAndEmptiesTheQueue) {
    const std::vector<uint8_t> jpeg = smallJpeg();
    const std::vector<uint8_t> database = photoDatabase("Beach(2)", jpeg);
    queued("Beach(2).pdb", database, false);
    queued("Beach.jpg", jpeg, true);
    queued("Bad.pdb", jpeg, false);  // a plain JPEG cannot go to internal memory
    std::string gone = queued("Gone.jpg", jpeg, true);
    ASSERT_EQ(std::remove(gone.c_str()), 0);

    std::vector<DeliveryReport> reports;
    ASSERT_EQ(syncUser(library.store(), ann, reports), StoreOk);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].outcome, Delivery::Installed);
    EXPECT_EQ(reports[0].databaseName, "Beach(2)");
    EXPECT_EQ(reports[0].destination, joinPath(library.store().memoryFolderPath(ann), "Beach(2).pdb"));
    EXPECT_EQ(readFile(reports[0].destination), database);
    EXPECT_EQ(reports[1].outcome, Delivery::Installed);
    EXPECT_EQ(reports[1].destination, joinPath(library.store().cardFolderPath(ann, card), "Beach.jpg"));
    EXPECT_EQ(readFile(reports[1].destination), jpeg);
    EXPECT_EQ(reports[2].outcome, Delivery::Refused);
    EXPECT_NE(reports[2].reason.find("database"), std::string::npos) << reports[2].reason;
    EXPECT_EQ(reports[3].outcome, Delivery::Refused);
    EXPECT_NE(reports[3].reason.find("does not exist"), std::string::npos) << reports[3].reason;

    std::vector<InstallRequest> queue;
    ASSERT_EQ(library.store().loadQueue(ann, queue), StoreOk);
    EXPECT_TRUE(queue.empty());
    EXPECT_TRUE(fileExists(dir.file("Beach.jpg")));  // the PC's copy stays

    ASSERT_EQ(syncUser(library.store(), ann, reports), StoreOk);
    EXPECT_TRUE(reports.empty());
}

TEST_F(SyncTest, AFileThatCannotBeWrittenIntoTheHandheldStaysQueued) {
    queued("Photo.pdb", photoDatabase("Photo", smallJpeg()), false);
    // The handheld's folder cannot be made: a file has its name.
    ASSERT_TRUE(writeText(joinPath(library.store().userFolderPath(ann), "Handheld"), "in the way"));
    std::vector<DeliveryReport> reports;
    ASSERT_EQ(syncUser(library.store(), ann, reports), StoreOk);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].outcome, Delivery::Kept);
    std::vector<InstallRequest> queue;
    ASSERT_EQ(library.store().loadQueue(ann, queue), StoreOk);
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue[0].path, dir.file("Photo.pdb"));
}

TEST_F(SyncTest, ACardThatIsNoLongerTheUsersIsRefused) {
    queued("Card.jpg", smallJpeg(), true);
    ASSERT_TRUE(writeText(joinPath(library.store().userFolderPath(ann), "slots.txt"), ""));
    std::vector<DeliveryReport> reports;
    ASSERT_EQ(syncUser(library.store(), ann, reports), StoreOk);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].outcome, Delivery::Refused);
    EXPECT_NE(reports[0].reason.find("slot"), std::string::npos);
}

}  // namespace

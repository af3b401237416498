#include <gtest/gtest.h>
#include <functional>
#include "standin/Delivery.h"
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"
#include "unit/store_support.h"

namespace {

class StoreSharingTest : public ::testing::Test {
protected:
    TempDir dir;
    StoreLibrary library{dir.path()};
    StoreUser ann;
    std::vector<DeliveryReport> reports;
    void SetUp() override { ASSERT_EQ(library.store().addUser("Ann", {"SD"}, &ann), StoreOk); }
    std::string inAnn(const std::string& name) { return joinPath(library.store().userFolderPath(ann), name); }
};

// Regression: a process updated the store while another held it, or would have hung.
TEST_F(StoreSharingTest, WhileAnotherHoldsTheLockOperationsWaitABoundedTimeThenAreBusy) {
    FileLock other;
    ASSERT_EQ(other.acquire(dir.file("store.lock"), true, 0, 0), FileLock::Locked);
    library.store().setLockWait(30);
    uint32_t value = 0;
    const std::vector<std::function<int32_t()>> operations = {
        [&] { return library.writeSetting(ann.id, "Brennick", "VistrelWidth", 1); },
        [&] { return library.readSetting(ann.id, "Brennick", "VistrelWidth", &value, 320); },
        [&] { return library.store().addUser("Bob", {}); },
        [&] { return syncUser(library.store(), ann, reports); },
    };
    for (const auto& operation : operations) EXPECT_EQ(operation(), StoreBusy);
    other.release();
    for (const auto& operation : operations) EXPECT_EQ(operation(), StoreOk);
    ASSERT_EQ(other.acquire(dir.file("store.lock"), true, 1, 0), FileLock::Locked);  // a sync runs
    EXPECT_EQ(syncUser(library.store(), ann, reports), StoreBusy);
}

// Regression: the queue took any file on the machine, and a sync replaced a handheld
// file of the same name.
TEST_F(StoreSharingTest, OnlyFilesOfTheUsersFolderAreQueuedAndNoneOverwritesTheHandheld) {
    ASSERT_EQ(library.store().addUser("Bob", {}), StoreOk);
    const std::vector<uint8_t> first = photoDatabase("A", smallJpeg(8, 8)), second = photoDatabase("B", smallJpeg());
    const struct { std::string path; int32_t queued; } cases[] = {
        {dir.file("Beach.pdb"), StoreNotInUserFolder}, {dir.file("Bob/Beach.pdb"), StoreNotInUserFolder},
        {inAnn("V/../../Beach.pdb"), StoreNotInUserFolder}, {inAnn("Handheld/Memory/Beach.pdb"), StoreNotInUserFolder},
        {inAnn("V/Beach.pdb"), StoreOk}, {inAnn("Other/Beach.pdb"), StoreOk}, {inAnn("W/Beach.pdb"), StoreOk},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(makeFolders(c.path.substr(0, c.path.find_last_of("/\\"))));
        ASSERT_TRUE(writeFile(c.path, c.path.find("Other") == std::string::npos ? first : second));
        EXPECT_EQ(library.installToMemory("Ann", c.path.c_str()), c.queued) << c.path;
    }
    ASSERT_TRUE(writeText(inAnn("install.txt"), "memory\t" + dir.file("Beach.pdb") + "\n" + readText(inAnn("install.txt"))));
    ASSERT_EQ(syncUser(library.store(), ann, reports), StoreOk);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_NE(reports[0].reason.find("not inside the user's folder"), std::string::npos);  // queued by hand
    const std::string memory = library.store().memoryFolderPath(ann);
    const char* landed[] = {"Beach.pdb", "Beach(2).pdb", "Beach.pdb"};  // the same bytes again: no copy
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reports[i + 1].destination, joinPath(memory, landed[i]));
    EXPECT_EQ(readFile(joinPath(memory, "Beach.pdb")), first);
    EXPECT_EQ(readFile(joinPath(memory, "Beach(2).pdb")), second);
}

TEST_F(StoreSharingTest, ZerosInKeysAreDamageAndConsoleNamesAreReserved) {
    ASSERT_TRUE(writeText(inAnn("settings.ini"), std::string("[Brennick]\nVistrel\0Width=5\n", 27)));
    uint32_t value = 0;
    EXPECT_EQ(library.readSetting(ann.id, "Brennick", "Vistrel", &value, 320), StoreDamaged);
    for (const char* name : {"CONIN$", "conout$.txt"}) {
        StoreUser user;
        ASSERT_EQ(library.store().addUser(name, {}, &user), StoreOk);
        EXPECT_EQ(user.folder, std::string("_") + name);
    }
}

}  // namespace

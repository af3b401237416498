#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>
#include "hotsync/HotSyncBinding.h"
#include "standin/StoreConfig.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"
#include "unit/store_support.h"

namespace {

class HotSyncBindingTest : public ::testing::Test {
protected:
    TempDir dir;
    void SetUp() override { SetEnvironmentVariableA(RootVariable, dir.path().c_str()); }
    void TearDown() override { SetEnvironmentVariableA(RootVariable, nullptr); }
};

// What every reading ordinal answers (results, sizes, texts, out values) for each user
// index, one past the end included, as one text.
std::string answers(HotSyncLibrary& library) {
    std::ostringstream out;
    char text[256];
    uint16_t size = sizeof text;
    out << library.userCount() << " root " << library.rootFolder(text, &size) << ' ' << size << ' ' << text << '\n';
    for (int16_t i = 0; i <= 2; ++i) {
        uint32_t id = 0, value = 0;
        out << "user " << library.userIdAt(i, &id) << ' ' << id;
        size = 256;
        out << " name " << library.userName(id, text, &size) << ' ' << size << ' ' << text;
        const std::string name = text;
        out << " by name " << library.userIdFromName(name.c_str(), &value) << ' ' << value;
        size = static_cast<uint16_t>(name.size());  // one short of the zero
        out << " short " << library.userName(id, text, &size) << ' ' << size;
        size = 64;
        out << " folder " << library.userFolder(id, text, &size) << ' ' << size << ' ' << text;
        for (const char* key : {"VistrelWidth", "VistrelHeight"})
            out << ' ' << key << ' ' << library.readSetting(id, "Brennick", key, &value, 320) << ' ' << value;
        out << " cards " << library.cardSupport(id, &value) << ' ' << value;
        uint16_t count = 0;
        out << " slots " << library.slotCount(id, &count) << ' ' << count;
        std::vector<uint32_t> ids(count + 1u, 7);
        out << ' ' << library.slotIds(id, ids.data(), &count) << ' ' << count;
        for (uint32_t slot : ids) {
            size = 128;
            out << " [" << slot << ' ' << library.slotName(id, slot, text, &size) << ' ' << size << ' ' << text << ']';
        }
        out << '\n';
    }
    return out.str();
}

// The real DLLs, bound by ordinal, answer exactly as the store does directly.
TEST_F(HotSyncBindingTest, TheDllsByOrdinalGiveTheStoresOwnAnswers) {
    ASSERT_EQ(addUser(dir.path(), "Ann Example", {"SD Card", "CF"}), StoreOk);
    ASSERT_EQ(addUser(dir.path(), "Bob"), StoreOk);
    StoreLibrary direct(dir.path());
    ASSERT_EQ(direct.writeSetting(1001, "Brennick", "VistrelWidth", 160), StoreOk);
    HotSyncBinding binding;
    ASSERT_TRUE(binding.hasUserData());
    ASSERT_TRUE(binding.hasInstallAide());
    ASSERT_EQ(binding.userCount(), 2);
    EXPECT_EQ(answers(binding), answers(direct));

    EXPECT_EQ(binding.writeSetting(1002, "Brennick", "VistrelStorage", 1), StoreOk);
    uint32_t stored = 0;
    EXPECT_EQ(direct.readSetting(1002, "Brennick", "VistrelStorage", &stored, 0), StoreOk);
    EXPECT_EQ(stored, 1u);

    const std::string photo = dir.file("Ann Example/a.pdb");
    ASSERT_TRUE(writeFile(photo, photoDatabase("a", smallJpeg())));
    EXPECT_EQ(binding.installToMemory("Ann Example", photo.c_str()), StoreOk);
    EXPECT_EQ(binding.installToCard(1001, 502, photo.c_str()), StoreOk);
    EXPECT_EQ(binding.installToCard(1001, 999, photo.c_str()), StoreUnknownSlot);
    EXPECT_EQ(binding.installToMemory("Nobody", photo.c_str()), StoreUnknownUser);
    StoreUser ann;
    ASSERT_EQ(direct.store().findUser(1001, ann), StoreOk);
    std::vector<InstallRequest> queue;
    ASSERT_EQ(direct.store().loadQueue(ann, queue), StoreOk);
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_TRUE(queue[1].toCard);
    EXPECT_EQ(queue[1].slotId, 502u);
}

// The root is read on every call, so a test (or a person) can move it at run time.
TEST_F(HotSyncBindingTest, TheRootIsReadAtEachCallNotWhenTheDllIsLoaded) {
    TempDir other;
    ASSERT_EQ(addUser(dir.path(), "Ann"), StoreOk);
    ASSERT_EQ(addUser(other.path(), "Bob"), StoreOk);
    ASSERT_EQ(addUser(other.path(), "Carl"), StoreOk);
    HotSyncBinding binding;
    EXPECT_EQ(binding.userCount(), 1);
    SetEnvironmentVariableA(RootVariable, other.path().c_str());
    EXPECT_EQ(binding.userCount(), 2);
    SetEnvironmentVariableA(RootVariable, dir.file("missing").c_str());
    EXPECT_EQ(binding.userCount(), StoreNoRoot);
}

TEST_F(HotSyncBindingTest, WithoutTheLibrariesEveryOperationFailsAndTheUserCountIsMinusOne) {
    HotSyncBinding binding("NoSuchUserData.dll", "NoSuchInstallAide.dll");
    EXPECT_FALSE(binding.hasUserData());
    EXPECT_FALSE(binding.hasInstallAide());
    EXPECT_EQ(binding.userCount(), -1);
    char text[64] = "stale";
    uint16_t size = sizeof text;
    EXPECT_LE(binding.rootFolder(text, &size), 0);
    EXPECT_EQ(size, 0);
    EXPECT_STREQ(text, "");
    uint32_t value = 5;
    EXPECT_NE(binding.readSetting(1, "Brennick", "VistrelWidth", &value, 320), 0);
    EXPECT_EQ(value, 320u);
    uint16_t count = 3;
    uint32_t ids[3] = {7, 7, 7};
    EXPECT_NE(binding.slotCount(1, &count), 0);
    EXPECT_EQ(count, 0);
    count = 3;
    EXPECT_NE(binding.slotIds(1, ids, &count), 0);
    EXPECT_EQ(ids[0] | ids[1] | ids[2], 0u);
    EXPECT_NE(binding.cardSupport(1, &value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_NE(binding.installToMemory("Ann", "C:\\x.pdb"), 0);
    EXPECT_NE(binding.installToCard(1, 2, "C:\\x.pdb"), 0);
}

// Without the variable, the library reads the HotSync.ini beside its own file, not
// beside the program that loaded it.
TEST_F(HotSyncBindingTest, TheLibraryFindsItsRootInTheIniBesideIt) {
    SetEnvironmentVariableA(RootVariable, nullptr);
    ASSERT_TRUE(makeFolder(dir.file("store")));
    ASSERT_EQ(addUser(dir.file("store"), "Ann"), StoreOk);
    ASSERT_EQ(addUser(dir.file("store"), "Bob"), StoreOk);
    const std::string copy = dir.file("UserDataCopy.dll");
    ASSERT_TRUE(CopyFileA((binFolder() + "\\UserData.dll").c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(writeText(dir.file("HotSync.ini"), "[HotSync]\r\nRoot=store\r\n"));
    HotSyncBinding binding(copy.c_str(), "NoSuchInstallAide.dll");
    ASSERT_TRUE(binding.hasUserData());
    EXPECT_EQ(binding.userCount(), 2);
    char root[256];
    uint16_t size = sizeof root;
    EXPECT_GT(binding.rootFolder(root, &size), 0);
    EXPECT_EQ(std::string(root), dir.file("store"));
}

// hotsync.exe, run as a person would, delivers what the program queued.
TEST_F(HotSyncBindingTest, TheToolDeliversAQueuedDatabaseIntoTheHandheld) {
    ASSERT_EQ(addUser(dir.path(), "Ann"), StoreOk);
    const std::vector<uint8_t> database = photoDatabase("Beach", smallJpeg(40, 30));
    ASSERT_TRUE(writeFile(dir.file("Ann/Beach.pdb"), database));
    HotSyncBinding binding;
    ASSERT_EQ(binding.installToMemory("Ann", dir.file("Ann/Beach.pdb").c_str()), StoreOk);

    std::string printed;
    EXPECT_EQ(runBinProgram("hotsync.exe", "sync Ann", dir.file("sync.txt"), printed), 0u) << printed;
    EXPECT_NE(printed.find("installed Beach.pdb in internal memory (database \"Beach\")"), std::string::npos)
        << printed;
    Store store(dir.path());
    StoreUser ann;
    ASSERT_EQ(store.findUser("Ann", ann), StoreOk);
    EXPECT_EQ(readFile(joinPath(store.memoryFolderPath(ann), "Beach.pdb")), database);
    std::vector<InstallRequest> queue;
    ASSERT_EQ(store.loadQueue(ann, queue), StoreOk);
    EXPECT_TRUE(queue.empty());
}

}  // namespace

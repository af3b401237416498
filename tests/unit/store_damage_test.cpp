#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"
#include "unit/store_support.h"

namespace {

class StoreDamageTest : public ::testing::Test {
protected:
    TempDir dir;
    StoreLibrary library{dir.path()};
    StoreUser ann;

    void SetUp() override {
        ASSERT_EQ(library.store().addUser("Ann", {"SD"}, &ann), StoreOk);
        ASSERT_TRUE(writeText(userFile("photo.pdb"), "p"));
    }
    std::string userFile(const char* name) { return joinPath(library.store().userFolderPath(ann), name); }
    int32_t queuePhoto() { return library.installToMemory("Ann", userFile("photo.pdb").c_str()); }
};

// A user list a person mended badly: each must read as damaged, never as a guess, and
// is left for the person to mend.
TEST_F(StoreDamageTest, DamagedUserListsGiveErrorsFromEveryOrdinal) {
    const std::vector<std::string> damaged = {
        "garbage\n", "10x1\tAnn\tAnn\n", "-5\tAnn\tAnn\n", "1001\tsub/dir\tAnn\n", "1001\tC:\tAnn\n",
        "1001\tAnn\tAnn\x01\n", std::string("1001\tAnn\tA\0n\n", 13),
        "1001\tAnn\n",  // a field missing
        "1001\tAnn\tAnn\textra\n",  // one too many
        "0\tAnn\tAnn\n",  // IDs start at 1
        "99999999999\tAnn\tAnn\n", "18446744073709551617\tAnn\tAnn\n",  // more than 32 (and 64) bits
        "1001\tAnn\t\n",  // truncated: no name
        "1001\tAnn\t" + std::string(MaxUserName + 1, 'n') + "\n",  // longer than the program's field
        "1001\t..\tAnn\n",  // a folder outside the root
        "1001\tAnn\tAnn\n1001\tBob\tBob\n",  // the same ID twice
        "1001\tAnn\tAnn\n1002\tBob\tAnn\n",  // the same name twice
        "1001\tAnn\tAnn\n1002\tann\tBob\n",  // one folder (Windows ignores case)
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(writeText(dir.file("users.txt"), text));
        EXPECT_EQ(library.userCount(), StoreDamaged);
        uint32_t id = 0;
        EXPECT_EQ(library.userIdAt(0, &id), StoreDamaged);
        EXPECT_EQ(library.userIdFromName("Ann", &id), StoreDamaged);
        EXPECT_EQ(queuePhoto(), StoreDamaged);
        EXPECT_EQ(addUser(dir.path(), "Carl"), StoreDamaged);
        EXPECT_EQ(readText(dir.file("users.txt")), text);
    }
    // What a person may write: comments, blank lines, Windows line ends, no final newline.
    ASSERT_TRUE(writeText(dir.file("users.txt"), "# mine\r\n\r\n1001\tAnn\tAnn Example\r\n  # more\n7\tBob\tBob"));
    EXPECT_EQ(library.userCount(), 2);
    uint32_t id = 0;
    EXPECT_EQ(library.userIdFromName("Ann Example", &id), StoreOk);
    EXPECT_EQ(id, 1001u);
    EXPECT_EQ(library.userIdFromName("Bob", &id), StoreOk);
    EXPECT_EQ(id, 7u);
}

TEST_F(StoreDamageTest, DamagedSettingsFailTheReadWithTheDefaultAndAreNotOverwritten) {
    const std::vector<std::string> damaged = {
        "VistrelWidth=1\n",  // before any section
        "[Brennick]\nVistrelWidth\n",         "[Brennick]\nVistrelWidth=abc\n",
        "[Brennick]\nVistrelWidth=12abc\n",   "[Brennick]\nVistrelWidth=\n",
        "[Brennick]\n=5\n",                   "[Brennick\nVistrelWidth=1\n",
        "[]\nVistrelWidth=1\n",               "[Brennick]\nVistrelWidth=4294967296\n",
        "[Brennick]\nVistrelWidth=-2147483649\n", "[Brennick]\nVistrelWidth=99999999999999999999999\n",
        "[Brennick]\nVistrelWidth=1\nvistrelwidth=2\n",  // twice: which one?
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(writeText(userFile("settings.ini"), text));
        uint32_t value = 0;
        EXPECT_EQ(library.readSetting(ann.id, "Brennick", "VistrelWidth", &value, 320), StoreDamaged);
        EXPECT_EQ(value, 320u);
        EXPECT_EQ(library.writeSetting(ann.id, "Brennick", "VistrelHeight", 200), StoreDamaged);
        EXPECT_EQ(readText(userFile("settings.ini")), text);
    }
    // Read like other .ini files: comments, spaces, any case, signed values, other sections.
    const struct {
        const char* text;
        uint32_t expected;
    } written[] = {
        {"[Brennick]\nVistrelWidth=160\n", 160},
        {"; comment\n[ Brennick ]\r\n  VistrelWidth  =  161  \r\n", 161},
        {"[brennick]\nvistrelwidth=162\n", 162},
        {"[Brennick]\nVistrelWidth=-1\n", 0xFFFFFFFFu},
        {"[Brennick]\nVistrelWidth=4294967295\n", 0xFFFFFFFFu},
        {"[Other]\nVistrelWidth=5\n[Brennick]\nVistrelHeight=5\n", 320},
    };
    for (const auto& c : written) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(writeText(userFile("settings.ini"), c.text));
        uint32_t value = 0;
        EXPECT_EQ(library.readSetting(ann.id, "Brennick", "VistrelWidth", &value, 320), StoreOk);
        EXPECT_EQ(value, c.expected);
    }
}

TEST_F(StoreDamageTest, DamagedSlotListsAndQueuesGiveErrors) {
    const std::vector<std::string> slots = {
        "junk\n", "501\n", "501\t\n", "x\tSD\n", "501\tSD\n501\tCF\n",
        "501\t" + std::string(MaxSlotName + 1, 's') + "\n",
    };
    for (const std::string& text : slots) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(writeText(userFile("slots.txt"), text));
        uint16_t count = 5;
        EXPECT_EQ(library.slotCount(ann.id, &count), StoreDamaged);
        EXPECT_EQ(count, 0);
        uint32_t support = 5;
        EXPECT_EQ(library.cardSupport(ann.id, &support), StoreDamaged);
        EXPECT_EQ(support, 0u);
        char name[128];
        uint16_t size = sizeof name;
        EXPECT_EQ(library.slotName(ann.id, 501, name, &size), StoreDamaged);
        EXPECT_EQ(size, 0);
    }
    ASSERT_TRUE(writeText(userFile("slots.txt"), "501\tSD\n"));

    const std::vector<std::string> queues = {
        "junk\n", "memory\n", "memory\t\n", "card\t501\n", "card\tSD\tx.pdb\n", "disk\tx.pdb\n",
        "memory\t" + std::string(MaxStorePath + 1, 'p') + "\n",
    };
    for (const std::string& text : queues) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(writeText(userFile("install.txt"), text));
        EXPECT_EQ(queuePhoto(), StoreDamaged);
        EXPECT_EQ(readText(userFile("install.txt")), text);  // the queued requests are not lost
    }
}

// A store file too large to be one of ours is damaged; one that cannot be read (here a
// folder) is a read error, not an empty list.
TEST_F(StoreDamageTest, HugeOrUnreadableStoreFilesAreErrors) {
    ASSERT_EQ(std::remove(userFile("slots.txt").c_str()), 0);
    ASSERT_TRUE(makeFolder(userFile("slots.txt")));
    uint16_t count = 0;
    EXPECT_EQ(library.slotCount(ann.id, &count), StoreReadFailed);
    ASSERT_TRUE(writeText(dir.file("users.txt"), std::string(3u << 20, 'x')));
    EXPECT_EQ(library.userCount(), StoreDamaged);
}

// Regression: an update must never leave a half-written file; a failed write keeps the
// old content and says so. A folder in the temporary file's place makes the write fail.
TEST_F(StoreDamageTest, AFailedUpdateKeepsTheOldFileAndReportsTheFailure) {
    ASSERT_EQ(library.writeSetting(ann.id, "Brennick", "VistrelWidth", 160), StoreOk);
    const std::string before = readText(userFile("settings.ini"));
    EXPECT_FALSE(fileExists(temporaryPathFor(userFile("settings.ini"))));  // nothing left behind

    ASSERT_TRUE(makeFolder(temporaryPathFor(userFile("settings.ini"))));
    EXPECT_EQ(library.writeSetting(ann.id, "Brennick", "VistrelWidth", 480), StoreWriteFailed);
    EXPECT_EQ(readText(userFile("settings.ini")), before);
    uint32_t value = 0;
    EXPECT_EQ(library.readSetting(ann.id, "Brennick", "VistrelWidth", &value, 320), StoreOk);
    EXPECT_EQ(value, 160u);

    const std::string users = readText(dir.file("users.txt"));
    ASSERT_TRUE(makeFolder(temporaryPathFor(dir.file("users.txt"))));
    EXPECT_EQ(addUser(dir.path(), "Bob", {"SD"}), StoreWriteFailed);
    EXPECT_EQ(readText(dir.file("users.txt")), users);
    EXPECT_FALSE(folderExists(dir.file("Bob")));  // no half-made user left behind
    EXPECT_EQ(library.userCount(), 1);

    ASSERT_TRUE(makeFolder(temporaryPathFor(userFile("install.txt"))));
    EXPECT_EQ(queuePhoto(), StoreWriteFailed);
    EXPECT_FALSE(fileExists(userFile("install.txt")));
}

#ifndef _WIN32
// A full disk shows up as a failed write or flush; it must not pass as success.
TEST(StoreFiles, WritingToAFullDiskFails) {
    FILE* full = std::fopen("/dev/full", "wb");
    if (!full) GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(writeAll(full, std::string(100000, 'x')));
    std::fclose(full);
}

TEST(StoreFiles, WinePathsReachTheLinuxFiles) {
    EXPECT_EQ(hostPath("Z:\\tmp\\root\\Ann\\Vistrel\\x.pdb"), "/tmp/root/Ann/Vistrel/x.pdb");
    EXPECT_EQ(hostPath("z:\\tmp"), "/tmp");
    EXPECT_EQ(hostPath("/tmp/root\\Ann"), "/tmp/root/Ann");
}
#endif

TEST(StoreNames, NamesThatDoNotFitTheProgramsFieldsAreRefused) {
    TempDir dir;
    Store store(dir.path());
    struct Case {
        std::string name;
        std::vector<std::string> cards;
        int32_t expected;
    };
    const std::vector<Case> cases = {
        {std::string(MaxUserName, 'a'), {}, StoreOk},
        {std::string(MaxUserName + 1, 'b'), {}, StoreBadArgument},
        {"", {}, StoreBadArgument},
        {"Tab\there", {}, StoreBadArgument},
        {"New\nline", {}, StoreBadArgument},
        {"Del\x7F", {}, StoreBadArgument},
        {std::string("Nul\0x", 5), {}, StoreBadArgument},
        {"With card", {std::string(MaxSlotName, 'c')}, StoreOk},
        {"Long card", {std::string(MaxSlotName + 1, 'c')}, StoreBadArgument},
        {"Empty card", {""}, StoreBadArgument},
        {"Many cards", std::vector<std::string>(MaxSlotsPerUser + 1, "c"), StoreFull},
        {"With card", {}, StoreNameTaken},
        {"  spaced  out  ", {}, StoreOk},
        {"Caf\xE9", {}, StoreOk},
    };
    for (const Case& c : cases) EXPECT_EQ(store.addUser(c.name, c.cards), c.expected) << c.name;
    std::vector<StoreUser> users;
    ASSERT_EQ(store.loadUsers(users), StoreOk);
    EXPECT_EQ(users.size(), 4u);
}

TEST(StoreNames, FoldersAreSafeUniqueAndFitTheirField) {
    TempDir dir;
    Store store(dir.path());
    ASSERT_TRUE(makeFolder(dir.file("Taken")));  // something not ours already there
    const std::string longName(MaxUserName, 'L');
    const struct {
        std::string name, folder;
    } cases[] = {
        {"a/b:c*d?", "a_b_c_d_"}, {"..", "User"},      {"Trailing. ", "Trailing"}, {"CON", "_CON"},
        {"Taken", "Taken_2"},     {"ann", "ann"},       {"Ann", "Ann_2"},  // Windows folders ignore case
        {longName, longName},     {longName.substr(0, 62) + "l", longName.substr(0, 61) + "_2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StoreUser user;
        ASSERT_EQ(store.addUser(c.name, {}, &user), StoreOk);
        EXPECT_EQ(user.folder, c.folder);
        EXPECT_TRUE(folderExists(store.userFolderPath(user)));
    }
}

}  // namespace

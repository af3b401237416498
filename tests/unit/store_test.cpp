#include <gtest/gtest.h>
#include <cstdio>
#include <functional>
#include "standin/Delivery.h"
#include "standin/HotSyncTool.h"
#include "standin/StoreConfig.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"
#include "unit/store_support.h"

using Bytes = std::vector<uint8_t>;
using Strings = std::vector<std::string>;

namespace {

// A store in a fresh folder, with "Ann" and her card "SD" when made with addAnn.
struct StoreTest : testing::Test {
    TempDir dir;
    StoreLibrary library{dir.path()};
    StoreUser ann;

    void addAnn(const std::vector<std::string>& cards = {"SD"}) {
        ASSERT_EQ(library.store().addUser("Ann", cards, &ann), StoreOk);
    }
    uint32_t idOf(const char* name) {
        uint32_t id = 0;
        EXPECT_EQ(library.userIdFromName(name, &id), StoreOk) << name;
        return id;
    }
    std::string userFile(const char* name) { return joinPath(library.store().userFolderPath(ann), name); }
    int32_t queuePhoto() {
        return writeText(userFile("photo.pdb"), "p") ? library.installToMemory("Ann", userFile("photo.pdb").c_str())
                                                     : -99;
    }
};

}  // namespace

// Users by index in the order added, with name, folder and an ID that is not an index; their cards and settings.
TEST_F(StoreTest, UsersComeBackInOrderWithTheirNamesFoldersIdsCardsAndSettings) {
    ASSERT_EQ(addUser(dir.path(), "Ann: Example", {"SD Card", "CF"}), StoreOk);
    ASSERT_EQ(addUser(dir.path(), "Bob"), StoreOk);
    ASSERT_EQ(library.userCount(), 2);
    const char* names[][2] = {{"Ann: Example", "Ann_ Example"}, {"Bob", "Bob"}};  // a folder holds no colon
    for (int16_t i = 0; i < 2; ++i) {
        uint32_t id = 0;
        char name[256], folder[256];
        uint16_t nameSize = uint16_t(strlen(names[i][0]) + 1), folderSize = sizeof folder;  // the name just fits
        ASSERT_EQ(library.userIdAt(i, &id), StoreOk);
        ASSERT_EQ(library.userName(id, name, &nameSize), StoreOk);
        ASSERT_GT(library.userFolder(id, folder, &folderSize), 0);
        EXPECT_EQ(std::make_tuple(id == idOf(names[i][0]), id != uint32_t(i), std::string(name), std::string(folder)),
                  std::make_tuple(true, true, std::string(names[i][0]), std::string(names[i][1])));
        EXPECT_EQ(library.userName(id, folder, &(folderSize = 1)), StoreTooSmall);  // too short: no text at all
        EXPECT_EQ(folder[0], '\0');
    }
    const uint32_t a = idOf("Ann: Example"), bob = idOf("Bob");
    ASSERT_EQ(library.writeSetting(a, "Brennick", "VistrelWidth", 160), StoreOk);
    ASSERT_EQ(library.writeSetting(a, "Other", "VistrelWidth", 0xFFFFFFFFu), StoreOk);
    ASSERT_EQ(library.writeSetting(a, "Brennick", "VistrelWidth", 480), StoreOk);  // replaces
    uint32_t values[4] = {};
    ASSERT_EQ(library.readSetting(a, "Brennick", "VistrelWidth", &values[0], 320) |
                  library.readSetting(a, "Other", "VistrelWidth", &values[1], 320) |
                  library.readSetting(a, "Other", "VistrelHeight", &values[2], 320) |
                  library.readSetting(bob, "Brennick", "VistrelWidth", &values[3], 320),
              StoreOk);
    EXPECT_EQ(std::vector<uint32_t>(values, values + 4), (std::vector<uint32_t>{480, 0xFFFFFFFFu, 320, 320}));
    ASSERT_EQ(library.store().findUser(a, ann), StoreOk);
    // 151 never writes past the given count and clears the table it cannot fill; card support follows the slots.
    uint16_t count = 0;
    uint32_t ids[3] = {0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA}, fewer[2] = {0xAAAAAAAA, 0xAAAAAAAA}, support = 7;
    ASSERT_EQ(library.slotCount(ann.id, &count), StoreOk);
    ASSERT_EQ(library.slotIds(ann.id, ids, &count), StoreOk);
    EXPECT_EQ(std::make_tuple(count, ids[0] != ids[1], ids[2]), std::make_tuple(uint16_t(2), true, 0xAAAAAAAAu));
    char name[128];
    uint16_t size = sizeof name;
    EXPECT_EQ(library.slotName(ann.id, ids[1], name, &size), StoreOk);
    EXPECT_STREQ(name, "CF");
    count = 1;
    EXPECT_EQ(library.slotIds(ann.id, fewer, &count), StoreTooSmall);
    EXPECT_EQ(std::make_tuple(count, fewer[0], fewer[1]), std::make_tuple(uint16_t(1), ids[0], 0xAAAAAAAAu));
    EXPECT_EQ(library.slotIds(ann.id + 100, fewer, &(count = 2)), StoreUnknownUser);
    EXPECT_EQ(count | fewer[0] | fewer[1], 0u);
    EXPECT_EQ(std::make_tuple(library.cardSupport(bob, &support), support, library.slotCount(bob, &count), count),
              std::make_tuple(int32_t(StoreOk), 0u, int32_t(StoreOk), uint16_t(0)));
    EXPECT_EQ(library.slotName(bob, ids[0], name, &(size = sizeof name)), StoreUnknownSlot);  // another user's slot
    ASSERT_EQ(library.store().addSlot(bob, "Later card"), StoreOk);
    EXPECT_EQ(library.cardSupport(bob, &support), StoreOk);
    EXPECT_EQ(support, 1u);
}

// Unknown users and slots, bad names and null pointers are refused, with the values given back cleared.
TEST_F(StoreTest, UnknownUsersSlotsBadNamesAndNullPointersGiveErrorsAndClearedOutValues) {
    addAnn();
    const uint32_t nobody = ann.id + 1000;
    const std::string photo = dir.file("Ann/photo.jpg");
    ASSERT_TRUE(writeText(photo, "x"));
    char text[128] = "stale";
    uint16_t size = sizeof text, count = 9;
    uint32_t value = 5;
    EXPECT_EQ(library.userName(nobody, text, &size), StoreUnknownUser);
    EXPECT_EQ(std::make_tuple(size, std::string(text)), std::make_tuple(uint16_t(0), std::string()));
    EXPECT_EQ(library.readSetting(nobody, "Brennick", "VistrelWidth", &value, 320), StoreUnknownUser);
    EXPECT_EQ(value, 320u);
    EXPECT_EQ(library.cardSupport(nobody, &value) + library.slotCount(nobody, &count), 2 * StoreUnknownUser);
    EXPECT_EQ(value | count, 0u);
    const int32_t unknown[] = {library.installToMemory("Nobody", photo.c_str()), library.userIdFromName("ann", &value),
                               library.userIdAt(1, &value), library.userIdAt(-1, &value),
                               library.installToCard(nobody, 501, photo.c_str()),
                               library.writeSetting(nobody, "Brennick", "VistrelWidth", 1)},
                  noSlot[] = {library.slotName(ann.id, 12345, text, &(size = 9)),
                              library.installToCard(ann.id, 12345, photo.c_str())};
    for (int32_t result : unknown) EXPECT_EQ(result, StoreUnknownUser);
    for (const std::string& path : {dir.file("missing.pdb"), dir.path()})  // a folder is no file either
        EXPECT_EQ(library.installToMemory("Ann", path.c_str()), StoreFileMissing);
    for (int32_t result : noSlot) EXPECT_EQ(result, StoreUnknownSlot);
    for (int32_t result : {library.userIdAt(0, nullptr), library.userName(ann.id, text, nullptr),
                           library.rootFolder(nullptr, nullptr), library.readSetting(ann.id, nullptr, "k", &value, 1),
                           library.readSetting(ann.id, "s", "k", nullptr, 1),
                           library.writeSetting(ann.id, "Brennick", nullptr, 1),
                           library.writeSetting(ann.id, "Brennick", "a=b", 1),
                           library.writeSetting(ann.id, "Bren]nick", "k", 1), library.userIdFromName(nullptr, &value),
                           library.installToMemory("Ann", nullptr), library.installToMemory("Ann", ""),
                           library.installToMemory("Ann", std::string(MaxStorePath + 1, 'p').c_str()),
                           library.slotIds(ann.id, nullptr, &(count = 1))})
        EXPECT_EQ(result, StoreBadArgument);
    // Names the program's fields cannot hold are refused; folders are safe and unique ignoring case.
    for (const std::string& name : {std::string(MaxUserName + 1, 'b'), std::string("T\tb"), std::string("N\0l", 3)})
        EXPECT_EQ(addUser(dir.path(), name), StoreBadArgument);
    EXPECT_EQ(addUser(dir.path(), "Card", {std::string(MaxSlotName + 1, 'c')}), StoreBadArgument);
    EXPECT_EQ(addUser(dir.path(), "Cards", Strings(MaxSlotsPerUser + 1, "c")), StoreFull);
    for (const auto& [name, folder] : {std::pair{"..", "User"}, {"a/b:c*d?", "a_b_c_d_"}, {"ann", "ann_2"},
                                       {"CON", "_CON"}, {"conout$.txt", "_conout$.txt"}}) {
        StoreUser user;
        ASSERT_EQ(library.store().addUser(name, {}, &user), StoreOk) << name;
        EXPECT_EQ(user.folder, folder);
    }
}

// A store file a person mended badly reads as damaged and is left for the person to mend.
TEST_F(StoreTest, DamagedFilesGiveErrorsAndAreNotOverwritten) {
    addAnn();
    uint32_t value = 0;
    uint16_t count = 0;
    std::vector<InstallRequest> requests;
    const struct { const char* file; std::function<int32_t()> read, write; Strings texts; } files[] = {
        {"users.txt", [&] { return library.userIdFromName("Ann", &value); }, [&] { return addUser(dir.path(), "C"); },
         {"garbage\n", "10x1\tAnn\tAnn\n", "1001\tsub/dir\tAnn\n", "1001\tAnn\tAnn\x01\n", "1001\tAnn\n",
          "0\tAnn\tAnn\n", "99999999999\tAnn\tAnn\n", "1001\tAnn\tAnn\n1001\tBob\tBob\n",
          "1001\tAnn\t" + std::string(MaxUserName + 1, 'n') + "\n", "1001\tAnn\tAnn\n1002\tann\tBob\n"}},
        {"Ann/settings.ini", [&] { return library.readSetting(ann.id, "Brennick", "VistrelWidth", &value, 320); },
         [&] { return library.writeSetting(ann.id, "Brennick", "VistrelHeight", 200); },
         {"VistrelWidth=1\n", "[Brennick]\nVistrelWidth\n", "[Brennick]\nVistrelWidth=12abc\n",
          "[Brennick\nVistrelWidth=1\n", "[Brennick]\nVistrelWidth=4294967296\n",
          "[Brennick]\nVistrelWidth=-2147483649\n", "[Brennick]\nVistrelWidth=1\nvistrelwidth=2\n",
          std::string("[Brennick]\nVistrel\0Width=5\n", 27)}},
        {"Ann/slots.txt", [&] { return library.slotCount(ann.id, &count); },
         [&] { return library.store().addSlot(ann.id, "CF"); }, {"501\t\n", "x\tSD\n", "501\tSD\n501\tCF\n"}},
        {"Ann/install.txt", [&] { return library.store().loadQueue(ann, requests); }, [&] { return queuePhoto(); },
         {"memory\t\n", "card\tSD\tx.pdb\n", "disk\tx.pdb\n"}}};
    for (const auto& f : files) {
        const std::string path = dir.file(f.file), good = readText(path);
        for (const std::string& text : f.texts) {
            ASSERT_TRUE(writeText(path, text));
            const int32_t read = f.read(), write = f.write();
            EXPECT_EQ(std::make_tuple(read, write, readText(path)), std::make_tuple(StoreDamaged, StoreDamaged, text));
        }
        ASSERT_TRUE(writeText(path, good));
    }
    // What a person may write is read: comments, blanks, CRLF, spaces, case.
    const std::pair<const char*, uint32_t> written[] = {
        {"; comment\n[ Brennick ]\r\n  VistrelWidth  =  161  \r\n", 161}, {"[brennick]\nvistrelwidth=162\n", 162},
        {"[Brennick]\nVistrelWidth=-1\n", 0xFFFFFFFFu}};
    for (const auto& [text, expected] : written) {
        ASSERT_TRUE(writeText(userFile("settings.ini"), text));
        EXPECT_EQ(std::make_pair(library.readSetting(ann.id, "Brennick", "VistrelWidth", &value, 320), value),
                  std::make_pair(int32_t(StoreOk), expected)) << text;
    }
    ASSERT_TRUE(writeText(dir.file("users.txt"), "# mine\r\n\r\n1001\tAnn\tAnn Example\r\n  # more\n7\tBob\tBob"));
    EXPECT_EQ(std::make_tuple(library.userCount(), library.userIdFromName("Bob", &value), value),
              std::make_tuple(int16_t(2), int32_t(StoreOk), 7u));
    // Too large to be one of ours is damaged; one that cannot be read (a folder) is a read error, not empty.
    ASSERT_EQ(std::remove(userFile("slots.txt").c_str()), 0);
    ASSERT_TRUE(makeFolder(userFile("slots.txt")));
    EXPECT_EQ(library.slotCount(ann.id, &count), StoreReadFailed);
    ASSERT_TRUE(writeText(dir.file("users.txt"), std::string(3u << 20, 'x')));
    EXPECT_EQ(library.userCount(), StoreDamaged);
}

// Regression: a failed update left a half-written file; now the old content stays and the failure is told.
TEST_F(StoreTest, AFailedUpdateKeepsTheOldFileAndReportsTheFailure) {
    addAnn();
    ASSERT_EQ(library.writeSetting(ann.id, "Brennick", "VistrelWidth", 160), StoreOk);
    const std::string before = readText(userFile("settings.ini")), users = readText(dir.file("users.txt"));
    for (const char* file : {"settings.ini", "install.txt"}) ASSERT_TRUE(makeFolder(temporaryPathFor(userFile(file))));
    ASSERT_TRUE(makeFolder(temporaryPathFor(dir.file("users.txt"))));
    uint32_t value = 0;
    EXPECT_EQ(std::make_tuple(library.writeSetting(ann.id, "Brennick", "VistrelWidth", 480),
                              readText(userFile("settings.ini")),
                              library.readSetting(ann.id, "Brennick", "VistrelWidth", &value, 320), value),
              std::make_tuple(int32_t(StoreWriteFailed), before, int32_t(StoreOk), 160u));
    EXPECT_EQ(std::make_tuple(addUser(dir.path(), "Bob", {"SD"}), readText(dir.file("users.txt")),
                              folderExists(dir.file("Bob")), library.userCount()),
              std::make_tuple(int32_t(StoreWriteFailed), users, false, int16_t(1)));
    EXPECT_EQ(std::make_tuple(queuePhoto(), fileExists(userFile("install.txt"))),
              std::make_tuple(int32_t(StoreWriteFailed), false));
#ifndef _WIN32
    FILE* full = std::fopen("/dev/full", "wb");  // a full disk fails a write or a flush, never passes as success
    EXPECT_TRUE(full && !writeAll(full, std::string(100000, 'x')));
    if (full) std::fclose(full);
    EXPECT_EQ(hostPath("Z:\\tmp\\root\\Ann\\x.pdb") + hostPath("z:\\tmp") + hostPath("/tmp/root\\Ann"),
              "/tmp/root/Ann/x.pdb/tmp/tmp/root/Ann");  // Wine's paths reach the Linux files
#endif
}

// Regression: the queue took any file on the machine, and a sync replaced a handheld file of the same name.
TEST_F(StoreTest, SyncDeliversSoundFilesOfTheUsersFolderWithoutOverwritingAndEmptiesTheQueue) {
    addAnn({"SD Card", "Old"});
    const Bytes jpeg = smallJpeg(), first = photoDatabase("A", smallJpeg(8, 8)), second = photoDatabase("B", jpeg);
    const struct { std::string path; const Bytes& bytes; uint32_t card; int32_t queued; } cases[] = {
                 {dir.file("Beach.pdb"), first, 0, StoreNotInUserFolder},
                 {userFile("V/../../Beach.pdb"), first, 0, StoreNotInUserFolder},
                 {userFile("Handheld/Memory/Beach.pdb"), first, 0, StoreNotInUserFolder},
                 {userFile("V/Beach.pdb"), first, 0, StoreOk}, {userFile("Other/Beach.pdb"), second, 0, StoreOk},
                 {userFile("W/Beach.pdb"), first, 0, StoreOk}, {userFile("Beach.jpg"), jpeg, FirstSlotId, StoreOk},
                 {userFile("Bad.pdb"), jpeg, 0, StoreOk},  // a plain JPEG cannot go to internal memory
                 {userFile("Gone.jpg"), jpeg, FirstSlotId, StoreOk}, {userFile("Card.jpg"), jpeg, 502, StoreOk}};
    for (const auto& c : cases) {
        ASSERT_TRUE(makeFolders(c.path.substr(0, c.path.find_last_of("/\\"))));
        ASSERT_TRUE(writeFile(c.path, c.bytes));
        EXPECT_EQ(c.card ? library.installToCard(ann.id, c.card, c.path.c_str())
                         : library.installToMemory("Ann", c.path.c_str()),
                  c.queued)
            << c.path;
    }
    ASSERT_EQ(std::remove(userFile("Gone.jpg").c_str()), 0);
    ASSERT_TRUE(writeText(userFile("slots.txt"), "501\tSD Card\n"));  // the second card is no longer hers
    const std::string byHand = "memory\t" + dir.file("Beach.pdb") + "\n" + readText(userFile("install.txt"));
    ASSERT_TRUE(writeText(userFile("install.txt"), byHand));
    std::vector<DeliveryReport> reports;
    ASSERT_EQ(syncUser(library.store(), ann, reports), StoreOk);
    ASSERT_EQ(reports.size(), 8u);
    const std::string memory = library.store().memoryFolderPath(ann),
                      card = joinPath(library.store().cardFolderPath(ann, FirstSlotId), "Beach.jpg");
    const char* landed[] = {"Beach.pdb", "Beach(2).pdb", "Beach.pdb"};  // the same bytes again: no copy
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reports[i + 1].destination, joinPath(memory, landed[i]));
    EXPECT_EQ(std::make_tuple(reports[1].outcome, reports[1].databaseName, reports[4].destination, readFile(card)),
              std::make_tuple(Delivery::Installed, std::string("A"), card, jpeg));
    EXPECT_EQ(std::make_pair(readFile(joinPath(memory, "Beach.pdb")), readFile(joinPath(memory, "Beach(2).pdb"))),
              std::make_pair(first, second));
    const char* reasons[] = {"not inside the user's folder", "database", "does not exist", "slot"};
    for (size_t i : {0, 5, 6, 7}) {
        EXPECT_EQ(reports[i].outcome, Delivery::Refused) << i;
        EXPECT_NE(reports[i].reason.find(reasons[i ? i - 4 : 0]), std::string::npos) << reports[i].reason;
    }
    std::vector<InstallRequest> queued;  // the reports came in the queue's order, each to its storage
    ASSERT_EQ(library.store().loadQueue(ann, queued), StoreOk);
    EXPECT_EQ(std::make_tuple(queued.size(), fileExists(userFile("Beach.jpg"))), std::make_tuple(size_t(0), true));
}

// Regression: a process updated the store while another held it, or would have waited for ever.
TEST_F(StoreTest, WhileAnotherHoldsTheLockUpdatesWaitABoundedTimeThenAreBusy) {
    addAnn();
    FileLock other;
    ASSERT_EQ(other.acquire(dir.file("store.lock"), true, 0, 0), FileLock::Locked);
    library.store().setLockWait(30);
    std::vector<DeliveryReport> reports;
    uint32_t value = 0;
    for (const int32_t expected : {StoreBusy, StoreOk}) {  // held, then released
        EXPECT_EQ(std::vector<int32_t>({library.writeSetting(ann.id, "Brennick", "VistrelWidth", 1),
                                        library.readSetting(ann.id, "Brennick", "VistrelWidth", &value, 320),
                                        library.store().addUser("Bob", {}), syncUser(library.store(), ann, reports)}),
                  std::vector<int32_t>(4, expected));
        other.release();
    }
    ASSERT_EQ(other.acquire(dir.file("store.lock"), true, 1, 0), FileLock::Locked);  // a sync runs
    EXPECT_EQ(syncUser(library.store(), ann, reports), StoreBusy);
}

// The hotsync tool run in process, "--root <folder>" in front unless noRoot: its status and printing.
struct ToolTest : StoreTest {
    std::string root = dir.file("root");
    std::tuple<int, std::string, std::string> run(std::vector<std::string> args, bool noRoot = false) {
        if (!noRoot) args.insert(args.begin(), {"--root", root});
        args.insert(args.begin(), "hotsync");
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        FILE* out = std::fopen(dir.file("out.txt").c_str(), "wb");
        FILE* err = std::fopen(dir.file("err.txt").c_str(), "wb");
        const int status = out && err ? runHotSyncTool(int(argv.size()), argv.data(), "", out, err) : -1;
        for (FILE* file : {out, err}) if (file) std::fclose(file);
        return {status, readText(dir.file("out.txt")), readText(dir.file("err.txt"))};
    }
};

TEST_F(ToolTest, AddsListsSyncsAndRefusesBadArgumentsOrADamagedStoreWithAMessage) {
    EXPECT_EQ(run({"users", "add", "Demo User", "--card", "SD Card", "--card", "CF"}),
              std::make_tuple(int(ToolOk),
                              std::string("added user \"Demo User\": ID 1001, folder \"Demo User\"\n  card slot 501: "
                                          "SD Card\n  card slot 502: CF\n"),
                              std::string()));
    StoreLibrary store(root);
    const std::string demo = dir.file("root/Demo User/a.pdb"), bad = dir.file("root/Demo User/Bad.jpg");
    ASSERT_TRUE(writeFile(demo, photoDatabase("a", smallJpeg())) && writeFile(bad, {0xFF, 0xD8, 1, 2, 3}));
    ASSERT_EQ(store.installToCard(1001, 502, demo.c_str()), StoreOk);
    ASSERT_EQ(store.installToMemory("Demo User", demo.c_str()), StoreOk);
    ASSERT_EQ(store.installToCard(1001, 501, bad.c_str()), StoreOk);
    auto [status, out, err] = run({"sync", "Demo User"});
    EXPECT_EQ(status, ToolRefused) << err;
    EXPECT_NE(out.find("installed a.pdb in internal memory (database \"a\")"), std::string::npos) << out;
    EXPECT_NE(out.find("refused " + bad + " for card 501 (SD Card): the file does not end"), std::string::npos) << out;
    EXPECT_NE(out.find("Demo User: 1 installed, 2 refused, 0 kept in the queue"), std::string::npos) << out;
    EXPECT_EQ(std::get<1>(run({"queue", "Demo User"})), "Demo User: nothing queued\n");
    const struct { Strings args; const char* message; bool usage, withRoot = true; } cases[] = {
                 {{}, "no command given", true}, {{"frobnicate"}, "unknown command", true},
                 {{"--verbose", "users", "list"}, "unknown option", true},
                 {{"--root"}, "--root needs a folder", true, false},
                 {{"users", "list"}, "VISTREL_HOTSYNC_ROOT", false, false},  // no root given, none configured
                 {{"users", "add", "Demo User"}, "exists already", false},
                 {{"settings"}, "exactly one NAME", true},
                 {{"sync", "Nobody"}, "no user named \"Nobody\"", false}};
    for (const auto& c : cases) {
        std::tie(status, out, err) = run(c.args, !c.withRoot);
        EXPECT_EQ(
            std::make_tuple(status, err.find(c.message) != std::string::npos, err.find("usage:") != std::string::npos),
            std::make_tuple(int(ToolError), true, c.usage))
            << err;
    }
    ASSERT_TRUE(writeText(joinPath(root, "users.txt"), "1001\tx\n"));
    std::tie(status, out, err) = run({"users", "list"});
    EXPECT_EQ(std::make_tuple(status, err.find("damaged") != std::string::npos), std::make_tuple(int(ToolError), true));
}

TEST(StoreConfig, TheVariableWinsOverTheIniBesideTheModule) {
    TempDir dir;
    ASSERT_TRUE(writeText(dir.file("HotSync.ini"), "; ours\n[Other]\nRoot=wrong\n[HotSync]\r\n Root = store \r\n"));
    EXPECT_EQ(configuredRoot("", dir.path()), joinPath(dir.path(), "store"));  // relative to the module
    EXPECT_EQ(configuredRoot("/elsewhere", dir.path()), "/elsewhere");
    // A drive's root keeps its separator: "C:" alone would be the drive's current folder.
    EXPECT_EQ(Store("C:\\").root() + Store("C:\\\\").root() + Store("D:/").root(), "C:\\C:\\D:/");
    ASSERT_TRUE(writeText(dir.file("HotSync.ini"), "[hotsync]\nroot=C:\\HotSync\n"));
    EXPECT_EQ(configuredRoot("", dir.path()), "C:\\HotSync");
    // Each account's own root: variables expanded as read; one not set stays as written, the rest goes on.
    ASSERT_TRUE(writeText(dir.file("HotSync.ini"), "[HotSync]\nRoot=%VISTREL_NOT_SET%%PATH%;50%\n"));
    EXPECT_EQ(configuredRoot("", dir.path()),
              joinPath(dir.path(), "%VISTREL_NOT_SET%" + environmentValue("PATH") + ";50%"));
    ASSERT_TRUE(writeText(dir.file("HotSync.ini"), "[HotSync]\nPath=C:\\HotSync\n"));
    EXPECT_EQ(configuredRoot("", dir.path()) + configuredRoot("", dir.file("no-such-folder")), "");
}

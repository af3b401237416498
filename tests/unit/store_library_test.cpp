#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"
#include "unit/store_support.h"

namespace {

class StoreLibraryTest : public ::testing::Test {
protected:
    TempDir dir;
    StoreLibrary library{dir.path()};

    uint32_t idOf(const char* name) {
        uint32_t id = 0;
        EXPECT_EQ(library.userIdFromName(name, &id), StoreOk) << name;
        return id;
    }
    uint32_t firstSlot(uint32_t user) {
        uint32_t slot = 0;
        uint16_t one = 1;
        EXPECT_EQ(library.slotIds(user, &slot, &one), StoreOk);
        return slot;
    }
};

// Users by index in the order added, each with its own name and folder (a name with a
// character no folder may hold, so that the two differ). Names are matched exactly.
TEST_F(StoreLibraryTest, UsersComeBackInOrderWithTheirNamesFoldersAndIds) {
    ASSERT_EQ(addUser(dir.path(), "Ann: Example", {"SD Card", "Memory Stick"}), StoreOk);
    ASSERT_EQ(addUser(dir.path(), "Bob"), StoreOk);
    ASSERT_EQ(library.userCount(), 2);
    const char* names[][2] = {{"Ann: Example", "Ann_ Example"}, {"Bob", "Bob"}};
    for (int16_t i = 0; i < 2; ++i) {
        uint32_t id = 0;
        ASSERT_EQ(library.userIdAt(i, &id), StoreOk);
        EXPECT_EQ(id, idOf(names[i][0]));
        EXPECT_NE(id, static_cast<uint32_t>(i));  // an ID is not an index
        char text[256];
        uint16_t size = sizeof text;
        EXPECT_EQ(library.userName(id, text, &size), StoreOk);
        EXPECT_STREQ(text, names[i][0]);
        size = sizeof text;
        EXPECT_GT(library.userFolder(id, text, &size), 0);
        EXPECT_STREQ(text, names[i][1]);
    }
    uint32_t id = 0;
    EXPECT_EQ(library.userIdAt(2, &id), StoreUnknownUser);
    EXPECT_EQ(library.userIdAt(-1, &id), StoreUnknownUser);
    EXPECT_EQ(library.userIdFromName("bob", &id), StoreUnknownUser);
}

TEST_F(StoreLibraryTest, SettingsKeepTheirValuesPerUserAndFallBackToTheDefault) {
    ASSERT_EQ(addUser(dir.path(), "Ann"), StoreOk);
    ASSERT_EQ(addUser(dir.path(), "Bob"), StoreOk);
    const uint32_t ann = idOf("Ann"), bob = idOf("Bob");
    ASSERT_EQ(library.writeSetting(ann, "Brennick", "VistrelWidth", 160), StoreOk);
    ASSERT_EQ(library.writeSetting(ann, "Brennick", "VistrelHeight", 0xFFFFFFFFu), StoreOk);
    ASSERT_EQ(library.writeSetting(ann, "Other", "VistrelWidth", 7), StoreOk);
    ASSERT_EQ(library.writeSetting(ann, "Brennick", "VistrelWidth", 480), StoreOk);  // replaces
    const struct {
        uint32_t user;
        const char *section, *key;
        uint32_t value;
    } reads[] = {{ann, "Brennick", "VistrelWidth", 480}, {ann, "Brennick", "VistrelHeight", 0xFFFFFFFFu},
                 {ann, "Other", "VistrelWidth", 7},      {ann, "Other", "VistrelHeight", 320},
                 {bob, "Brennick", "VistrelWidth", 320}};
    for (const auto& r : reads) {
        uint32_t value = 0;
        EXPECT_EQ(library.readSetting(r.user, r.section, r.key, &value, 320), StoreOk);
        EXPECT_EQ(value, r.value) << r.user << " " << r.section << " " << r.key;
    }
    std::vector<StoreSetting> settings;
    StoreUser user;
    ASSERT_EQ(library.store().findUser(ann, user), StoreOk);
    ASSERT_EQ(library.store().loadSettings(user, settings), StoreOk);
    EXPECT_EQ(settings.size(), 3u);  // the rewrite did not duplicate the key
}

// Slot IDs and names per user; 151 never writes past the given count and clears the
// table it cannot fill; card support follows the slots.
TEST_F(StoreLibraryTest, CardSlotsAreListedWithNamesAndCardSupportFollowsThem) {
    ASSERT_EQ(addUser(dir.path(), "Ann", {"SD Card", "CF"}), StoreOk);
    ASSERT_EQ(addUser(dir.path(), "Bob"), StoreOk);
    const uint32_t ann = idOf("Ann"), bob = idOf("Bob");
    uint16_t count = 0;
    ASSERT_EQ(library.slotCount(ann, &count), StoreOk);
    ASSERT_EQ(count, 2);
    uint32_t ids[3] = {0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA};
    ASSERT_EQ(library.slotIds(ann, ids, &count), StoreOk);
    EXPECT_EQ(count, 2);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(ids[2], 0xAAAAAAAAu);  // beyond the count: untouched
    const char* names[] = {"SD Card", "CF"};
    char name[128];
    for (int i = 0; i < 2; ++i) {
        uint16_t size = sizeof name;
        EXPECT_EQ(library.slotName(ann, ids[i], name, &size), StoreOk);
        EXPECT_STREQ(name, names[i]);
    }
    uint32_t fewer[2] = {0xAAAAAAAA, 0xAAAAAAAA};
    count = 1;
    EXPECT_EQ(library.slotIds(ann, fewer, &count), StoreTooSmall);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(fewer[0], ids[0]);
    EXPECT_EQ(fewer[1], 0xAAAAAAAAu);
    count = 2;
    EXPECT_EQ(library.slotIds(ann + 100, fewer, &count), StoreUnknownUser);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(fewer[0] | fewer[1], 0u);

    uint32_t support = 7;
    EXPECT_EQ(library.cardSupport(ann, &support), StoreOk);
    EXPECT_EQ(support, 1u);
    EXPECT_EQ(library.cardSupport(bob, &support), StoreOk);
    EXPECT_EQ(support, 0u);
    EXPECT_EQ(library.slotCount(bob, &count), StoreOk);
    EXPECT_EQ(count, 0);
    uint16_t size = sizeof name;
    EXPECT_EQ(library.slotName(bob, ids[0], name, &size), StoreUnknownSlot);  // another user's slot
    EXPECT_EQ(size, 0);
    ASSERT_EQ(library.store().addSlot(bob, "Later card"), StoreOk);
    EXPECT_EQ(library.cardSupport(bob, &support), StoreOk);
    EXPECT_EQ(support, 1u);
}

// Every text ordinal against a buffer one byte short of the text and its zero, one of
// no capacity, and one just right: never a byte past the capacity, never a cut text.
TEST_F(StoreLibraryTest, TextsThatDoNotFitAreRefusedWithoutWritingPastTheBuffer) {
    std::string userName(MaxUserName, 'u'), slotName(MaxSlotName, 's');
    ASSERT_EQ(addUser(dir.path(), userName, {slotName}), StoreOk);
    const uint32_t id = idOf(userName.c_str()), slot = firstSlot(id);
    StoreUser user;
    ASSERT_EQ(library.store().findUser(id, user), StoreOk);
    struct Case {
        const char* what;
        std::string text;
        std::function<int32_t(char*, uint16_t*)> call;
        bool countIncludesZero;  // 104/105: result and size are the count with the zero
    };
    std::vector<Case> cases = {
        {"103 userName", userName, [&](char* b, uint16_t* s) { return library.userName(id, b, s); }, false},
        {"104 userFolder", user.folder, [&](char* b, uint16_t* s) { return library.userFolder(id, b, s); }, true},
        {"105 rootFolder", library.store().root(), [&](char* b, uint16_t* s) { return library.rootFolder(b, s); }, true},
        {"154 slotName", slotName, [&](char* b, uint16_t* s) { return library.slotName(id, slot, b, s); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint16_t fits = static_cast<uint16_t>(c.text.size() + 1);
        std::vector<char> buffer(fits + 16, '#');
        uint16_t size = static_cast<uint16_t>(fits - 1);
        EXPECT_EQ(c.call(buffer.data(), &size), StoreTooSmall);
        EXPECT_EQ(size, c.countIncludesZero ? fits : 0);  // the count needed, or "no name"
        EXPECT_EQ(buffer[0], '\0');
        for (size_t i = fits - 1; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], '#') << i;

        size = 0;
        buffer[0] = '#';
        EXPECT_LT(c.call(buffer.data(), &size), 0);
        EXPECT_EQ(buffer[0], '#');  // capacity 0: not even the zero

        size = fits;
        EXPECT_EQ(c.call(buffer.data(), &size), c.countIncludesZero ? int32_t{fits} : int32_t{StoreOk});
        EXPECT_EQ(std::string(buffer.data()), c.text);
        EXPECT_EQ(buffer[fits], '#');
        EXPECT_EQ(size, c.countIncludesZero ? fits : fits - 1);
    }
}

// The program puts a backslash at index n - 1 of the root unless one is there, with n
// the count given back: counting the zero makes that exactly one appended backslash.
TEST_F(StoreLibraryTest, RootCountLetsTheProgramAppendOneBackslash) {
    for (const std::string& configured : {dir.path(), dir.path() + "/", dir.path() + "\\\\"}) {
        SCOPED_TRACE(configured);
        StoreLibrary library(configured);
        char folder[256];
        uint16_t n = sizeof folder;
        ASSERT_GT(library.rootFolder(folder, &n), 0);
        ASSERT_GE(n, 1);
        if (folder[n - 1] != '\\') {
            folder[n - 1] = '\\';
            folder[n] = '\0';
        }
        EXPECT_EQ(std::string(folder), dir.path() + "\\");
    }
}

TEST_F(StoreLibraryTest, UnknownUsersAndSlotsAndNullPointersGiveErrorsAndClearedOutValues) {
    ASSERT_EQ(addUser(dir.path(), "Ann", {"SD"}), StoreOk);
    const uint32_t ann = idOf("Ann"), nobody = ann + 1000;
    const std::string photo = dir.file("Ann/photo.jpg");
    ASSERT_TRUE(writeText(photo, "x"));

    char text[128] = "stale";
    uint16_t size = sizeof text;
    EXPECT_EQ(library.userName(nobody, text, &size), StoreUnknownUser);
    EXPECT_EQ(size, 0);
    EXPECT_STREQ(text, "");
    size = sizeof text;
    EXPECT_LT(library.userFolder(nobody, text, &size), 0);
    uint32_t value = 5;
    EXPECT_EQ(library.readSetting(nobody, "Brennick", "VistrelWidth", &value, 320), StoreUnknownUser);
    EXPECT_EQ(value, 320u);
    EXPECT_EQ(library.writeSetting(nobody, "Brennick", "VistrelWidth", 1), StoreUnknownUser);
    EXPECT_EQ(library.cardSupport(nobody, &value), StoreUnknownUser);
    EXPECT_EQ(value, 0u);
    uint16_t count = 9;
    EXPECT_EQ(library.slotCount(nobody, &count), StoreUnknownUser);
    EXPECT_EQ(count, 0);
    size = sizeof text;
    EXPECT_EQ(library.slotName(ann, 12345, text, &size), StoreUnknownSlot);
    EXPECT_EQ(library.installToMemory("Nobody", photo.c_str()), StoreUnknownUser);
    EXPECT_EQ(library.installToCard(nobody, 501, photo.c_str()), StoreUnknownUser);
    EXPECT_EQ(library.installToCard(ann, 12345, photo.c_str()), StoreUnknownSlot);

    EXPECT_EQ(library.userIdAt(0, nullptr), StoreBadArgument);
    EXPECT_EQ(library.userName(ann, text, nullptr), StoreBadArgument);
    EXPECT_EQ(library.rootFolder(nullptr, nullptr), StoreBadArgument);
    EXPECT_EQ(library.readSetting(ann, nullptr, "k", &value, 1), StoreBadArgument);
    EXPECT_EQ(library.readSetting(ann, "s", "k", nullptr, 1), StoreBadArgument);
    EXPECT_EQ(library.writeSetting(ann, "Brennick", nullptr, 1), StoreBadArgument);
    EXPECT_EQ(library.writeSetting(ann, "Brennick", "a=b", 1), StoreBadArgument);
    EXPECT_EQ(library.writeSetting(ann, "Bren]nick", "k", 1), StoreBadArgument);
    EXPECT_EQ(library.userIdFromName(nullptr, &value), StoreBadArgument);
    EXPECT_EQ(library.installToMemory("Ann", nullptr), StoreBadArgument);
    count = 1;
    EXPECT_EQ(library.slotIds(ann, nullptr, &count), StoreBadArgument);
}

TEST_F(StoreLibraryTest, InstallRequestsAreQueuedInOrderAndNeedAnExistingFile) {
    ASSERT_EQ(addUser(dir.path(), "Ann", {"SD"}), StoreOk);
    const uint32_t ann = idOf("Ann"), slot = firstSlot(ann);
    ASSERT_TRUE(writeText(dir.file("Ann/a.pdb"), "a"));
    ASSERT_TRUE(writeText(dir.file("Ann/b.jpg"), "b"));
    EXPECT_EQ(library.installToMemory("Ann", dir.file("Ann/a.pdb").c_str()), StoreOk);
    EXPECT_EQ(library.installToCard(ann, slot, dir.file("Ann/b.jpg").c_str()), StoreOk);
    EXPECT_EQ(library.installToMemory("Ann", dir.file("missing.pdb").c_str()), StoreFileMissing);
    EXPECT_EQ(library.installToMemory("Ann", dir.path().c_str()), StoreFileMissing);  // a folder
    EXPECT_EQ(library.installToMemory("Ann", std::string(MaxStorePath + 1, 'p').c_str()), StoreBadArgument);
    EXPECT_EQ(library.installToMemory("Ann", ""), StoreBadArgument);

    StoreUser user;
    ASSERT_EQ(library.store().findUser(ann, user), StoreOk);
    std::vector<InstallRequest> queue;
    ASSERT_EQ(library.store().loadQueue(user, queue), StoreOk);
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_FALSE(queue[0].toCard);
    EXPECT_EQ(queue[0].path, dir.file("Ann/a.pdb"));
    EXPECT_TRUE(queue[1].toCard);
    EXPECT_EQ(queue[1].slotId, slot);
    EXPECT_EQ(queue[1].path, dir.file("Ann/b.jpg"));
}

TEST(StoreWithoutRoot, EveryOrdinalFailsAndTheUserCountIsNegative) {
    for (const std::string& root : {std::string(), std::string("/no/such/vistrel/root")}) {
        SCOPED_TRACE(root);
        StoreLibrary library(root);
        EXPECT_EQ(library.userCount(), StoreNoRoot);
        char folder[256];
        uint16_t size = sizeof folder;
        EXPECT_EQ(library.rootFolder(folder, &size), StoreNoRoot);
        uint32_t id = 0;
        EXPECT_EQ(library.userIdFromName("Ann", &id), StoreNoRoot);
        EXPECT_EQ(addUser(root, "Ann"), StoreNoRoot);
    }
}

}  // namespace

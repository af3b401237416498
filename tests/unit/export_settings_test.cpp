#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>
#include "export/DeviceSettings.h"
#include "export_support.h"
#include "support/RecordingLibrary.h"

namespace {

const std::vector<std::string> ReadCalls = {
    "UserData 145", "UserData 142 VistrelWidth", "UserData 142 VistrelHeight", "UserData 105",
    "UserData 104", "UserData 142 VistrelStorage", "UserData 150",         "UserData 151"};

std::vector<std::string> readCallsThen(const std::vector<std::string>& more) {
    std::vector<std::string> calls = ReadCalls;
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

std::vector<std::string> readCallsWithSlots(int slots) {
    std::vector<std::string> calls = ReadCalls;
    for (int i = 0; i < slots; ++i) {
        calls.push_back("UserData 154");
        calls.push_back("UserData 148");
    }
    return calls;
}

// What the previously chosen user left in the view; none of it may survive a read.
void leaveStaleValues(PhotoView& view) {
    view.deviceWidth = view.deviceHeight = 999;
    snprintf(view.outputFolder, sizeof view.outputFolder, "stale\\");
    view.storageIndex = view.storageCount = 3;
    snprintf(view.storageNames[0], PhotoView::StorageNameSize, "stale");
}

std::vector<std::string> storageList(const PhotoView& view) {
    std::vector<std::string> names;
    for (int k = 0; k <= view.storageCount; ++k) names.emplace_back(view.storageNames[k]);
    return names;
}

// Ann (two cards, a 64 x 48 screen, storage 2 stored) and Bob (nothing stored, no
// cards) in a recording library rooted in the rig's folder, listed in the device combo.
struct HandlerRig : SendRig {
    RecordingLibrary library;
    DeviceSettings settings{library, controls, view};

    explicit HandlerRig(bool load = true) : SendRig("Blocks.jpg", load) {
        library.root = dir.path();
        std::filesystem::create_directory(dir.file("Ann"));
        std::filesystem::create_directory(dir.file("Bob"));
        RecordingLibrary::User& ann = library.addUser("Ann", "Ann", {"SD", "CF"});
        ann.settings = {{"VistrelWidth", 64}, {"VistrelHeight", 48}, {"VistrelStorage", 2}};
        library.addUser("Bob", "Bob");
        settings.fillDeviceList();
    }
    void choose(int index) {
        controls.selectDevice(index);
        settings.onDeviceSelected();
    }
};

}  // namespace

TEST(DeviceList, ListsReadableUsersInLibraryOrderAndCountsEveryone) {
    const std::string name63(63, 'n'), name64(64, 'm');
    const std::vector<std::string> everyone = {"UserData 101", "UserData 102", "UserData 103", "UserData 102",
                                               "UserData 103", "UserData 102", "UserData 103", "UserData 102",
                                               "UserData 103"};
    struct Case {
        const char* what;
        std::map<std::string, int32_t> fail;
        int16_t count;
        std::vector<std::string> devices, calls;
    } cases[] = {
        {"all readable; a name deviceName cannot hold is left out", {}, 4, {"Ann", name63, "Bob"}, everyone},
        {"count unreadable", {{"UserData 101", -6}}, -1, {}, {"UserData 101"}},
        {"IDs unreadable", {{"UserData 102", -2}}, 4, {},
         {"UserData 101", "UserData 102", "UserData 102", "UserData 102", "UserData 102"}},
        {"names unreadable", {{"UserData 103", -2}}, 4, {}, everyone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingLibrary library;
        for (const std::string& name : {std::string("Ann"), name63, name64, std::string("Bob")})
            library.addUser(name, "f");
        library.fail = c.fail;
        RecordingControls controls;
        PhotoView view;
        EXPECT_EQ(DeviceSettings(library, controls, view).fillDeviceList(), c.count);
        EXPECT_EQ(controls.devices, c.devices);
        EXPECT_EQ(library.calls, c.calls);
    }
}

TEST(ReadUserSettings, CallsInOrderAndAFailureStopsThereWithDefaultsForWhatWasNotRead) {
    for (size_t failing = 0; failing <= 6; ++failing) {  // 6: nothing fails
        const bool read = failing == 6;
        SCOPED_TRACE(read ? "none" : ReadCalls[failing]);
        RecordingLibrary library;
        RecordingLibrary::User& ann = library.addUser("Ann", "AnnF", {"SD", "CF"});
        ann.settings = {{"VistrelWidth", 160}, {"VistrelHeight", 240}, {"VistrelStorage", 1}};
        if (!read) library.fail[ReadCalls[failing]] = -1;
        PhotoView view;
        leaveStaleValues(view);

        EXPECT_EQ(readUserSettings(library, "Ann", view), read);
        if (read)
            EXPECT_EQ(library.calls, readCallsWithSlots(2));
        else
            EXPECT_EQ(library.calls, std::vector<std::string>(ReadCalls.begin(), ReadCalls.begin() + failing + 1));
        EXPECT_EQ(view.deviceWidth, failing > 1 ? 160 : 320);
        EXPECT_EQ(view.deviceHeight, failing > 2 ? 240 : 320);
        EXPECT_STREQ(view.outputFolder, failing > 4 ? "C:\\HotSync\\AnnF\\Vistrel\\" : "");
        EXPECT_EQ(view.storageIndex, read ? 1 : 0);
        const std::vector<std::string> all = {"Internal memory", "SD", "CF"};
        EXPECT_EQ(storageList(view), std::vector<std::string>(all.begin(), all.begin() + (read ? 3 : 1)));
        if (read) {
            EXPECT_EQ(view.storageIds[0], 501u);
            EXPECT_EQ(view.storageIds[1], 502u);
        }
    }
}

TEST(ReadUserSettings, ListsACardOnlyWhenItsNameAndCardSupportAreRead) {
    struct Case {
        const char* what;
        void (*setUp)(RecordingLibrary&);
        std::vector<std::string> storages;
        std::vector<uint32_t> ids;
        std::vector<std::string> calls;
    } cases[] = {
        {"slot count unreadable", [](RecordingLibrary& l) { l.fail["UserData 150"] = -2; }, {"Internal memory"}, {},
         std::vector<std::string>(ReadCalls.begin(), ReadCalls.end() - 1)},
        {"slot names unreadable", [](RecordingLibrary& l) { l.fail["UserData 154"] = -3; }, {"Internal memory"}, {},
         readCallsThen({"UserData 154", "UserData 154"})},
        {"card support unreadable", [](RecordingLibrary& l) { l.fail["UserData 148"] = -2; }, {"Internal memory"}, {},
         readCallsWithSlots(2)},
        {"no card support", [](RecordingLibrary& l) { l.users[0].cardSupport = 0; }, {"Internal memory"}, {},
         readCallsWithSlots(2)},
        {"first name unreadable", [](RecordingLibrary& l) { l.users[0].slots[0].nameFails = true; },
         {"Internal memory", "CF"}, {502}, readCallsThen({"UserData 154", "UserData 154", "UserData 148"})},
        {"more than 9 cards: the first 9",
         [](RecordingLibrary& l) {
             l.users[0].slots.clear();
             for (uint32_t i = 1; i <= 11; ++i) l.users[0].slots.push_back({500 + i, "C" + std::to_string(i), false});
         },
         {"Internal memory", "C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9"},
         {501, 502, 503, 504, 505, 506, 507, 508, 509}, readCallsWithSlots(9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingLibrary library;
        library.addUser("Ann", "Ann", {"SD", "CF"});
        c.setUp(library);
        PhotoView view;
        leaveStaleValues(view);
        EXPECT_TRUE(readUserSettings(library, "Ann", view));
        EXPECT_EQ(storageList(view), c.storages);
        EXPECT_EQ(std::vector<uint32_t>(view.storageIds, view.storageIds + view.storageCount), c.ids);
        EXPECT_EQ(library.calls, c.calls);
    }
}

TEST(ReadUserSettings, StoredSidesBelowOneReadAs320AndTheStorageAsItsLow16Bits) {
    struct Case {
        uint32_t storedSide;
        int32_t side;
        uint32_t storedStorage;
        uint16_t storage;
    } cases[] = {{0, 320, 0x10002, 2}, {0xFFFFFFFF, 320, 0xFFFF0000, 0}, {1, 1, 9, 9}, {32767, 32767, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedSide);
        RecordingLibrary library;
        library.addUser("Ann", "Ann").settings = {
            {"VistrelWidth", c.storedSide}, {"VistrelHeight", c.storedSide}, {"VistrelStorage", c.storedStorage}};
        PhotoView view;
        EXPECT_TRUE(readUserSettings(library, "Ann", view));
        EXPECT_EQ(view.deviceWidth, c.side);
        EXPECT_EQ(view.deviceHeight, c.side);
        EXPECT_EQ(view.storageIndex, c.storage);
    }
}

TEST(WriteUserSettings, StoresWidthHeightAndStorageInOrderStoppingAtTheFirstFailure) {
    const std::vector<std::string> calls = {"UserData 145", "UserData 143 VistrelWidth=200",
                                            "UserData 143 VistrelHeight=150", "UserData 143 VistrelStorage=65535"};
    const char* failKeys[] = {"UserData 145", "UserData 143 VistrelWidth", "UserData 143 VistrelHeight",
                              "UserData 143 VistrelStorage"};
    for (size_t failing = 0; failing <= 4; ++failing) {  // 4: nothing fails
        SCOPED_TRACE(failing);
        RecordingLibrary library;
        library.addUser("Ann", "Ann");
        if (failing < 4) library.fail[failKeys[failing]] = -7;
        EXPECT_EQ(writeUserSettings(library, "Ann", 200, 150, 0xFFFF), failing == 4);
        size_t made = failing < 4 ? failing + 1 : 4;
        EXPECT_EQ(library.calls, std::vector<std::string>(calls.begin(), calls.begin() + made));
    }
}

TEST(DeviceSelected, FillsStoragesAndSizesEnablesSendAndRebuildsTheSelection) {
    HandlerRig r;
    r.frame({10, 10, 30, 20});
    r.choose(0);
    EXPECT_STREQ(r.view.deviceName, "Ann");
    EXPECT_EQ(r.controls.storages, (std::vector<std::string>{"Internal memory", "SD", "CF"}));
    EXPECT_EQ(r.controls.storageRequests, std::vector<int>{2});
    EXPECT_EQ(r.controls.widthWrites, std::vector<std::string>{"64"});
    EXPECT_EQ(r.controls.heightWrites, std::vector<std::string>{"48"});
    EXPECT_EQ(r.controls.sendTitles, std::vector<std::string>{"Send to Vistrel"});
    EXPECT_EQ(std::string(r.view.outputFolder), r.dir.path() + "\\Ann\\Vistrel\\");
    EXPECT_TRUE(std::filesystem::is_directory(hostFile(r.view.outputFolder)));
    EXPECT_EQ(selectionOf(r.view), (Selection{0, 0, 64, 48}));
    EXPECT_EQ(r.host.lastStatus().rfind("Selection : ( 0 , 0 ) [ 64 x 48 ]", 0), 0u) << r.host.lastStatus();

    // Another user replaces the list, sizes and folder; nothing of Ann's stays.
    r.choose(1);
    EXPECT_STREQ(r.view.deviceName, "Bob");
    EXPECT_EQ(r.controls.storages, std::vector<std::string>{"Internal memory"});
    EXPECT_EQ(r.controls.storageRequests, (std::vector<int>{2, 0}));
    EXPECT_EQ(r.controls.storageSelection, 0);
    EXPECT_EQ(r.controls.widthWrites, (std::vector<std::string>{"64", "320"}));
    EXPECT_EQ(std::string(r.view.outputFolder), r.dir.path() + "\\Bob\\Vistrel\\");
}

TEST(DeviceSelected, AStoredStoragePastTheListLeavesNoneSelectedAndASendIsRefused) {
    HandlerRig r;
    r.library.users[0].slots.pop_back();  // storage 2 stored, one card left
    r.choose(0);
    EXPECT_EQ(r.controls.storages, (std::vector<std::string>{"Internal memory", "SD"}));
    EXPECT_EQ(r.controls.storageRequests, std::vector<int>{2});
    EXPECT_EQ(r.controls.storageSelection, -1);
    r.view.storageIndex = static_cast<uint16_t>(r.controls.selectedStorage());
    r.view.sendPhoto(r.library);
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0].icon, 0x10u);
    EXPECT_TRUE(r.outputEntries().empty());
}

TEST(DeviceSelected, UnreadableSettingsGiveDefaultsAndNoFolderToSendTo) {
    HandlerRig r;
    r.library.fail["UserData 145"] = -2;
    r.choose(0);
    EXPECT_EQ(r.controls.storages, std::vector<std::string>{"Internal memory"});
    EXPECT_EQ(r.controls.storageRequests, std::vector<int>{0});
    EXPECT_EQ(r.controls.widthWrites, std::vector<std::string>{"320"});
    EXPECT_EQ(r.controls.heightWrites, std::vector<std::string>{"320"});
    EXPECT_EQ(r.controls.sendTitles, std::vector<std::string>{"Send to Vistrel"});
    EXPECT_STREQ(r.view.outputFolder, "");
    r.view.sendPhoto(r.library);
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0].caption, "Vistrel error");
    EXPECT_EQ(r.host.messages[0].icon, 0x10u);
    EXPECT_FALSE(std::filesystem::exists(r.dir.file("Ann") + "/Vistrel"));
}

TEST(DeviceSelected, WithoutAPhotographTheStatusAsksForOne) {
    HandlerRig r(false);
    r.choose(0);
    EXPECT_EQ(r.host.lastStatus(), "Choose a jpeg file...");
    EXPECT_EQ(r.controls.sendTitles, std::vector<std::string>{"Send to Vistrel"});
}

TEST(SetClicked, StoresAndAppliesValidSizesAndRefusesSidesBelowOne) {
    const std::vector<std::string> stored = {"UserData 145", "UserData 143 VistrelWidth=200",
                                             "UserData 143 VistrelHeight=150", "UserData 143 VistrelStorage=1"};
    struct Case {
        const char* what;
        std::string width, height;
        bool deviceChosen, applied;
        std::vector<std::string> calls, widthWrites, heightWrites;
    } cases[] = {
        {"stored and applied", "200", "150", true, true, stored, {}, {}},
        {"blanks, sign and trailing text", "  +200px", "150x", true, true, stored, {}, {}},
        {"no device: applied, not stored", "200", "150", false, true, {}, {}, {}},
        {"zero width", "0", "150", true, false, {}, {"64"}, {}},
        {"empty width", "", "150", true, false, {}, {"64"}, {}},
        {"negative height", "200", "-5", true, false, {}, {}, {"48"}},
        {"both", "0", "", true, false, {}, {"64"}, {"48"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HandlerRig r;
        r.choose(0);
        r.frame({10, 10, 30, 20});
        r.library.calls.clear();
        r.controls.widthWrites.clear();
        r.controls.heightWrites.clear();
        r.controls.widthEdit = c.width;
        r.controls.heightEdit = c.height;
        r.controls.storageSelection = 1;
        if (!c.deviceChosen) r.controls.deviceSelection = -1;

        r.settings.onSetClicked();
        EXPECT_EQ(r.library.calls, c.calls);
        EXPECT_EQ(r.controls.widthWrites, c.widthWrites);
        EXPECT_EQ(r.controls.heightWrites, c.heightWrites);
        EXPECT_EQ(r.view.deviceWidth, c.applied ? 200 : 64);
        EXPECT_EQ(r.view.deviceHeight, c.applied ? 150 : 48);
        EXPECT_EQ(r.view.storageIndex, c.applied ? 1 : 2);
        Selection s = selectionOf(r.view);
        if (c.applied)  // rebuilt: back to the initial selection at the top-left corner
            EXPECT_TRUE(s.left == 0 && s.top == 0 && !(s == Selection{10, 10, 30, 20})) << s;
        else
            EXPECT_EQ(s, (Selection{10, 10, 30, 20}));
    }
}

TEST(FillsScreenClicked, UncheckedKeepsTheSelectionCheckedResetsIt) {
    HandlerRig r;
    r.choose(0);
    r.frame({10, 10, 30, 20});
    r.host.statusTexts.clear();

    r.controls.fillsScreen = false;
    r.settings.onFillsScreenClicked();
    EXPECT_FALSE(r.view.keepProportions);
    EXPECT_EQ(selectionOf(r.view), (Selection{10, 10, 30, 20}));
    EXPECT_TRUE(r.host.statusTexts.empty());

    r.controls.fillsScreen = true;
    r.settings.onFillsScreenClicked();
    EXPECT_TRUE(r.view.keepProportions);
    EXPECT_EQ(selectionOf(r.view), (Selection{0, 0, 64, 48}));
}

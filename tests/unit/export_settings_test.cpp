#include <tuple>
#include "export/DeviceSettings.h"
#include "export_support.h"

namespace {

const Strings ReadCalls = {"UserData 145", "UserData 142 VistrelWidth", "UserData 142 VistrelHeight",
                           "UserData 105", "UserData 104", "UserData 142 VistrelStorage",
                           "UserData 150", "UserData 151"};

// The read's calls, a name and card support for each of slots, then more.
Strings readCallsThen(int slots, const Strings& more = {}) {
    Strings calls = ReadCalls;
    for (int i = 0; i < slots; ++i) calls.insert(calls.end(), {"UserData 154", "UserData 148"});
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

// A view holding what the previously chosen user left; none of it may survive a read.
struct StaleView : PhotoView {
    StaleView() {
        deviceWidth = deviceHeight = 999;
        snprintf(outputFolder, sizeof outputFolder, "stale\\");
        storageIndex = storageCount = 3;
        snprintf(storageNames[0], StorageNameSize, "stale");
    }
    Strings storages() const { return Strings(storageNames, storageNames + storageCount + 1); }
    std::vector<uint32_t> ids() const { return std::vector<uint32_t>(storageIds, storageIds + storageCount); }
};

}  // namespace

TEST(DeviceList, ListsReadableUsersInLibraryOrderAndCountsEveryone) {
    const std::string name63(63, 'n');
    Strings everyone = {"UserData 101"};
    for (int i = 0; i < 4; ++i) everyone.insert(everyone.end(), {"UserData 102", "UserData 103"});
    struct Case {
        const char* failing;
        int16_t count;
        Strings devices, calls;
    } cases[] = {
        {"none; a name deviceName cannot hold is left out", 4, {"Ann", name63, "Bob"}, everyone},
        {"UserData 101", -1, {}, {"UserData 101"}},
        {"UserData 102", 4, {}, {"UserData 101", "UserData 102", "UserData 102", "UserData 102", "UserData 102"}},
        {"UserData 103", 4, {}, everyone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        RecordingLibrary library;
        for (const std::string& name : {std::string("Ann"), name63, std::string(64, 'm'), std::string("Bob")})
            library.addUser(name, "f");
        library.fail[c.failing] = -2;
        RecordingControls controls;
        PhotoView view;
        EXPECT_EQ(DeviceSettings(library, controls, view).fillDeviceList(), c.count);
        EXPECT_EQ(controls.devices, c.devices);
        EXPECT_EQ(library.calls, c.calls);
    }
}

TEST(ReadUserSettings, CallsInOrderAndAFailureStopsThereWithDefaultsForWhatWasNotRead) {
    const Strings all = {"Internal memory", "SD", "CF"};
    for (size_t failing = 0; failing <= 6; ++failing) {  // 6: nothing fails
        const bool read = failing == 6;
        SCOPED_TRACE(read ? "none" : ReadCalls[failing]);
        RecordingLibrary library;
        library.addUser("Ann", "AnnF", {"SD", "CF"}).settings = {
            {"VistrelWidth", 160}, {"VistrelHeight", 240}, {"VistrelStorage", 1}};
        if (!read) library.fail[ReadCalls[failing]] = -1;
        StaleView view;

        EXPECT_EQ(readUserSettings(library, "Ann", view), read);
        EXPECT_EQ(library.calls, read ? readCallsThen(2) : Strings(ReadCalls.begin(), ReadCalls.begin() + failing + 1));
        EXPECT_EQ(view.deviceWidth, failing > 1 ? 160 : 320);
        EXPECT_EQ(view.deviceHeight, failing > 2 ? 240 : 320);
        EXPECT_STREQ(view.outputFolder, failing > 4 ? "C:\\HotSync\\AnnF\\Vistrel\\" : "");
        EXPECT_EQ(view.storageIndex, read ? 1 : 0);
        EXPECT_EQ(view.storages(), Strings(all.begin(), all.begin() + (read ? 3 : 1)));
        EXPECT_EQ(view.ids(), (read ? std::vector<uint32_t>{501, 502} : std::vector<uint32_t>{}));
    }
}

TEST(ReadUserSettings, ListsACardOnlyWhenItsNameAndCardSupportAreRead) {
    struct Case {
        const char* what;
        void (*setUp)(RecordingLibrary&);
        Strings storages;
        std::vector<uint32_t> ids;
        Strings calls;
    } cases[] = {
        {"slot count unreadable", [](RecordingLibrary& l) { l.fail["UserData 150"] = -2; }, {"Internal memory"}, {},
         Strings(ReadCalls.begin(), ReadCalls.end() - 1)},
        {"card support unreadable", [](RecordingLibrary& l) { l.fail["UserData 148"] = -2; }, {"Internal memory"}, {},
         readCallsThen(2)},
        {"no card support", [](RecordingLibrary& l) { l.users[0].cardSupport = 0; }, {"Internal memory"}, {},
         readCallsThen(2)},
        {"first name unreadable", [](RecordingLibrary& l) { l.users[0].slots[0].nameFails = true; },
         {"Internal memory", "CF"}, {502}, readCallsThen(0, {"UserData 154", "UserData 154", "UserData 148"})},
        {"more than 9 cards: the first 9",
         [](RecordingLibrary& l) {
             l.users[0].slots.clear();
             for (uint32_t i = 1; i <= 11; ++i) l.users[0].slots.push_back({500 + i, "C" + std::to_string(i), false});
         },
         {"Internal memory", "C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9"},
         {501, 502, 503, 504, 505, 506, 507, 508, 509}, readCallsThen(9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingLibrary library;
        library.addUser("Ann", "Ann", {"SD", "CF"});
        c.setUp(library);
        StaleView view;
        EXPECT_TRUE(readUserSettings(library, "Ann", view));
        EXPECT_EQ(view.storages(), c.storages);
        EXPECT_EQ(view.ids(), c.ids);
        EXPECT_EQ(library.calls, c.calls);
    }
}

TEST(ReadUserSettings, StoredSidesBelowOneReadAs320AndTheStorageAsItsLow16Bits) {
    const uint32_t cases[][4] = {  // stored side, side read, stored storage, storage read
        {0, 320, 0x10002, 2}, {0xFFFFFFFF, 320, 0xFFFF0000, 0}, {1, 1, 0x10109, 0x109}, {32767, 32767, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        RecordingLibrary library;
        library.addUser("Ann", "Ann").settings = {
            {"VistrelWidth", c[0]}, {"VistrelHeight", c[0]}, {"VistrelStorage", c[2]}};
        PhotoView view;
        EXPECT_TRUE(readUserSettings(library, "Ann", view));
        EXPECT_EQ(std::make_tuple(view.deviceWidth, view.deviceHeight, view.storageIndex),
                  std::make_tuple(int32_t(c[1]), int32_t(c[1]), uint16_t(c[3])));
    }
}

TEST(WriteUserSettings, StoresWidthHeightAndStorageInOrderStoppingAtTheFirstFailure) {
    const Strings calls = {"UserData 145", "UserData 143 VistrelWidth=200", "UserData 143 VistrelHeight=150",
                           "UserData 143 VistrelStorage=65535"};
    for (size_t failing = 0; failing <= 4; ++failing) {  // 4: nothing fails
        SCOPED_TRACE(failing);
        RecordingLibrary library;
        library.addUser("Ann", "Ann");
        if (failing < 4) library.fail[calls[failing].substr(0, calls[failing].find('='))] = -7;
        EXPECT_EQ(writeUserSettings(library, "Ann", 200, 150, 0xFFFF), failing == 4);
        EXPECT_EQ(library.calls, Strings(calls.begin(), calls.begin() + std::min<size_t>(failing + 1, 4)));
    }
}

// Each choice shows what its read gave, whatever the choice before it, and enables Send.
TEST(DeviceSelected, ShowsTheChosenUsersStoragesAndSizesAndRebuildsTheSelection) {
    const Strings ann = {"Internal memory", "SD Card", "CF"};
    struct Case {
        const char* what;
        int device;
        const char* failing;
        uint32_t annStorage;
        Strings storages;
        int selected;
        int32_t width, height;
        std::string folder;
        int32_t selectionHeight;  // the rebuilt selection's, at the top-left corner
    } cases[] = {
        {"Ann", 0, "", 2, ann, 2, 64, 48, "Ann", 48},
        {"Bob replaces all of Ann's", 1, "", 2, {"Internal memory"}, 0, 320, 320, "Bob", 128},
        {"Ann unreadable: defaults, no folder", 0, "UserData 145", 2, {"Internal memory"}, 0, 320, 320, "", 128},
        {"a storage past the list selects none", 0, "", 3, ann, -1, 64, 48, "Ann", 48},
    };
    RecordingRig r;  // one rig throughout: every choice follows another
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        r.library.fail = {{c.failing, -2}};
        r.library.users[0].settings["VistrelStorage"] = c.annStorage;
        r.controls.forgetWrites();
        r.frame({10, 10, 30, 20});
        r.choose(c.device);
        EXPECT_STREQ(r.view.deviceName, c.device == 0 ? "Ann" : "Bob");
        EXPECT_EQ(r.controls.storages, c.storages);
        EXPECT_EQ(r.controls.storageSelection, c.selected);
        EXPECT_EQ(r.controls.widthWrites, Strings{std::to_string(c.width)});
        EXPECT_EQ(r.controls.heightWrites, Strings{std::to_string(c.height)});
        EXPECT_EQ(r.controls.sendTitles, Strings{"Send to Vistrel"});
        const std::string folder = c.folder.empty() ? "" : r.dir.path() + "\\" + c.folder + "\\Vistrel\\";
        EXPECT_EQ(std::string(r.view.outputFolder), folder);
        EXPECT_EQ(std::filesystem::is_directory(hostFile(folder)), !c.folder.empty());
        const int32_t h = c.selectionHeight;
        EXPECT_EQ(selectionOf(r.view), (Selection{0, 0, h * c.width / c.height, h}));
    }
}

TEST(DeviceSelected, WithoutAPhotographTheStatusAsksForOne) {
    RecordingRig r(false);
    EXPECT_EQ(r.host.lastStatus(), "Choose a jpeg file...");
    EXPECT_EQ(r.controls.sendTitles, Strings{"Send to Vistrel"});
}

TEST(SetClicked, StoresAndAppliesValidSizesAndRefusesSidesBelowOne) {
    const Strings stored = {"UserData 145", "UserData 143 VistrelWidth=200", "UserData 143 VistrelHeight=150",
                            "UserData 143 VistrelStorage=1"};
    struct Case {
        const char* what;
        std::string width, height;
        bool deviceChosen, applied;
        Strings calls, widthWrites, heightWrites;
    } cases[] = {
        {"stored and applied", "200", "150", true, true, stored, {}, {}},
        {"blanks, sign and trailing text", "  +200px", "150x", true, true, stored, {}, {}},
        {"no device: applied, not stored", "200", "150", false, true, {}, {}, {}},
        {"zero width", "0", "150", true, false, {}, {"64"}, {}},
        {"negative height", "200", "-5", true, false, {}, {}, {"48"}},
        {"both", "0", "", true, false, {}, {"64"}, {"48"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingRig r;
        r.frame({10, 10, 30, 20});
        r.controls.forgetWrites();
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
        // Applied: rebuilt for 200 x 150 at the top-left corner; refused: left as framed.
        EXPECT_EQ(selectionOf(r.view), (c.applied ? Selection{0, 0, 170, 127} : Selection{10, 10, 30, 20}));
    }
}

TEST(FillsScreenClicked, UncheckedKeepsTheSelectionCheckedResetsIt) {
    RecordingRig r;
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

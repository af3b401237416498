#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include "export/DeviceSettings.h"
#include "export/OutputFile.h"
#include "hotsync/HotSyncLibrary.h"
#include "photo/PhotoView.h"

namespace {

const char* const Section = "Brennick";
const char* const WidthKey = "VistrelWidth";
const char* const HeightKey = "VistrelHeight";
const char* const StorageKey = "VistrelStorage";
const char* const InternalMemory = "Internal memory";

enum { RootFolderSize = 256, UserFolderSize = 64 };

// root, a backslash unless root ends in one, the user's folder and "\Vistrel\";
// false (and the folder left empty) when a part is missing or the whole does not fit.
bool joinOutputFolder(const char* root, const char* folder,
                      char (&outputFolder)[PhotoView::OutputFolderSize]) {
    outputFolder[0] = '\0';
    size_t rootLength = strlen(root);
    if (rootLength == 0 || folder[0] == '\0') return false;
    const char* separator = isPathSeparator(root[rootLength - 1]) ? "" : "\\";
    int length = snprintf(outputFolder, sizeof outputFolder, "%s%s%s\\Vistrel\\", root, separator, folder);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof outputFolder) {
        outputFolder[0] = '\0';
        return false;
    }
    return true;
}

int32_t screenSideOrDefault(int32_t side) { return isScreenSide(side) ? side : DefaultScreenSide; }

}  // namespace

bool readUserSettings(HotSyncLibrary& library, const char* userName, PhotoView& view) {
    // Start from the defaults, so that nothing of the previously chosen user stays.
    view.deviceWidth = DefaultScreenSide;
    view.deviceHeight = DefaultScreenSide;
    view.outputFolder[0] = '\0';
    view.storageIndex = 0;
    view.storageCount = 0;
    snprintf(view.storageNames[0], PhotoView::StorageNameSize, "%s", InternalMemory);

    uint32_t userId = 0;
    if (library.userIdFromName(userName, &userId) != 0) return false;
    uint32_t value = 0;
    if (library.readSetting(userId, Section, WidthKey, &value, DefaultScreenSide) != 0) return false;
    view.deviceWidth = screenSideOrDefault(static_cast<int32_t>(value));
    if (library.readSetting(userId, Section, HeightKey, &value, DefaultScreenSide) != 0) return false;
    view.deviceHeight = screenSideOrDefault(static_cast<int32_t>(value));

    char root[RootFolderSize] = "";
    uint16_t size = sizeof root;
    if (library.rootFolder(root, &size) <= 0) return false;
    root[sizeof root - 1] = '\0';
    char folder[UserFolderSize] = "";
    size = sizeof folder;
    if (library.userFolder(userId, folder, &size) <= 0) return false;
    folder[sizeof folder - 1] = '\0';
    if (!joinOutputFolder(root, folder, view.outputFolder)) return false;

    if (library.readSetting(userId, Section, StorageKey, &value, 0) != 0) return false;
    view.storageIndex = static_cast<uint16_t>(value & 0xFFFF);

    uint16_t count = 0;
    if (library.slotCount(userId, &count) != 0) count = 0;
    std::unique_ptr<uint32_t[]> slots;
    if (count > 0) {
        slots.reset(new (std::nothrow) uint32_t[count]());
        if (!slots) count = 0;
    }
    if (count > 0) {
        uint16_t filled = count;
        library.slotIds(userId, slots.get(), &filled);
        if (filled < count) count = filled;
    }
    // The view has room for StorageSlots cards; the first ones are listed.
    for (uint16_t i = 0; i < count && view.storageCount < PhotoView::StorageSlots; ++i) {
        char* name = view.storageNames[view.storageCount + 1];
        uint16_t nameSize = PhotoView::StorageNameSize;
        uint32_t cards = 0;
        bool listed = library.slotName(userId, slots[i], name, &nameSize) == 0 &&
                      library.cardSupport(userId, &cards) == 0 && cards != 0;
        name[PhotoView::StorageNameSize - 1] = '\0';
        if (listed) view.storageIds[view.storageCount++] = slots[i];
    }
    return true;
}

int32_t writeUserSettings(HotSyncLibrary& library, const char* userName, int32_t width,
                          int32_t height, uint16_t storage) {
    uint32_t userId = 0;
    int32_t result = library.userIdFromName(userName, &userId);
    if (result == 0) result = library.writeSetting(userId, Section, WidthKey, static_cast<uint32_t>(width));
    if (result == 0) result = library.writeSetting(userId, Section, HeightKey, static_cast<uint32_t>(height));
    if (result == 0) result = library.writeSetting(userId, Section, StorageKey, storage);
    return result;
}

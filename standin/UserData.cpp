// UserData.dll: users, their folders, per-user settings and card slots, exported by
// ordinal only (UserData.def). Each call opens the store that the configuration
// names at that moment.
#include <windows.h>
#include <cstdint>
#include "standin/LibraryRoot_win.h"
#include "standin/StoreLibrary.h"

extern "C" {

int16_t WINAPI UdUserCount() {
    return guarded([] { return StoreLibrary(libraryRoot()).userCount(); });
}

int32_t WINAPI UdUserIdAt(int16_t index, uint32_t* userId) {
    return guarded([&] { return StoreLibrary(libraryRoot()).userIdAt(index, userId); });
}

int32_t WINAPI UdUserName(uint32_t userId, char* name, uint16_t* size) {
    return guarded([&] { return StoreLibrary(libraryRoot()).userName(userId, name, size); });
}

int32_t WINAPI UdUserFolder(uint32_t userId, char* folder, uint16_t* size) {
    return guarded([&] { return StoreLibrary(libraryRoot()).userFolder(userId, folder, size); });
}

int32_t WINAPI UdRootFolder(char* folder, uint16_t* size) {
    return guarded([&] { return StoreLibrary(libraryRoot()).rootFolder(folder, size); });
}

int32_t WINAPI UdReadSetting(uint32_t userId, const char* section, const char* key, uint32_t* value,
                             uint32_t defaultValue) {
    return guarded([&] {
        return StoreLibrary(libraryRoot()).readSetting(userId, section, key, value, defaultValue);
    });
}

int32_t WINAPI UdWriteSetting(uint32_t userId, const char* section, const char* key, uint32_t value) {
    return guarded([&] { return StoreLibrary(libraryRoot()).writeSetting(userId, section, key, value); });
}

int32_t WINAPI UdUserIdFromName(const char* name, uint32_t* userId) {
    return guarded([&] { return StoreLibrary(libraryRoot()).userIdFromName(name, userId); });
}

int32_t WINAPI UdCardSupport(uint32_t userId, uint32_t* value) {
    return guarded([&] { return StoreLibrary(libraryRoot()).cardSupport(userId, value); });
}

int32_t WINAPI UdSlotCount(uint32_t userId, uint16_t* count) {
    return guarded([&] { return StoreLibrary(libraryRoot()).slotCount(userId, count); });
}

int32_t WINAPI UdSlotIds(uint32_t userId, uint32_t* ids, uint16_t* count) {
    return guarded([&] { return StoreLibrary(libraryRoot()).slotIds(userId, ids, count); });
}

int32_t WINAPI UdSlotName(uint32_t userId, uint32_t slotId, char* name, uint16_t* size) {
    return guarded([&] { return StoreLibrary(libraryRoot()).slotName(userId, slotId, name, size); });
}

}  // extern "C"

// INSTAIDE.dll: install requests for the next HotSync, exported by ordinal only
// (INSTAIDE.def), over the same store as UserData.dll.
#include <windows.h>
#include <cstdint>
#include "standin/LibraryRoot_win.h"
#include "standin/StoreLibrary.h"

extern "C" {

int32_t WINAPI IaInstallToMemory(const char* userName, const char* path) {
    return guarded([&] { return StoreLibrary(libraryRoot()).installToMemory(userName, path); });
}

int32_t WINAPI IaInstallToCard(uint32_t userId, uint32_t slotId, const char* path) {
    return guarded([&] { return StoreLibrary(libraryRoot()).installToCard(userId, slotId, path); });
}

}  // extern "C"

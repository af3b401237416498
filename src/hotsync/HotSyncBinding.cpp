#include "hotsync/HotSyncBinding.h"

namespace {

template <class Fn>
void bind(HMODULE module, int ordinal, Fn& fn) {
    // GetProcAddress gives a generic FARPROC; the ordinal's own type is ours to state.
    fn = module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))))
                : nullptr;
}

void clearText(char* text, uint16_t* size) {
    if (text && size && *size > 0) text[0] = '\0';
    if (size) *size = 0;
}

}  // namespace

HotSyncBinding::HotSyncBinding(const char* userDataName, const char* installAideName) {
    // No "cannot find DLL" box from the system: a missing library is an ordinary case.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    userData = LoadLibraryA(userDataName);
    installAide = LoadLibraryA(installAideName);
    SetErrorMode(previous);
    bind(userData, 101, userCountFn);
    bind(userData, 102, userIdAtFn);
    bind(userData, 103, userNameFn);
    bind(userData, 104, userFolderFn);
    bind(userData, 105, rootFolderFn);
    bind(userData, 142, readSettingFn);
    bind(userData, 143, writeSettingFn);
    bind(userData, 145, userIdFromNameFn);
    bind(userData, 148, cardSupportFn);
    bind(userData, 150, slotCountFn);
    bind(userData, 151, slotIdsFn);
    bind(userData, 154, slotNameFn);
    bind(installAide, 103, installToMemoryFn);
    bind(installAide, 118, installToCardFn);
}

HotSyncBinding::~HotSyncBinding() {
    if (installAide) FreeLibrary(installAide);
    if (userData) FreeLibrary(userData);
}

int16_t HotSyncBinding::userCount() { return userCountFn ? userCountFn() : -1; }

int32_t HotSyncBinding::userIdAt(int16_t index, uint32_t* userId) {
    return userIdAtFn ? userIdAtFn(index, userId) : HotSyncMissing;
}

int32_t HotSyncBinding::userName(uint32_t userId, char* name, uint16_t* size) {
    if (userNameFn) return userNameFn(userId, name, size);
    clearText(name, size);
    return HotSyncMissing;
}

int32_t HotSyncBinding::userFolder(uint32_t userId, char* folder, uint16_t* size) {
    if (userFolderFn) return userFolderFn(userId, folder, size);
    clearText(folder, size);
    return HotSyncMissing;
}

int32_t HotSyncBinding::rootFolder(char* folder, uint16_t* size) {
    if (rootFolderFn) return rootFolderFn(folder, size);
    clearText(folder, size);
    return HotSyncMissing;
}

int32_t HotSyncBinding::readSetting(uint32_t userId, const char* section, const char* key, uint32_t* value,
                                    uint32_t defaultValue) {
    if (readSettingFn) return readSettingFn(userId, section, key, value, defaultValue);
    if (value) *value = defaultValue;
    return HotSyncMissing;
}

int32_t HotSyncBinding::writeSetting(uint32_t userId, const char* section, const char* key, uint32_t value) {
    return writeSettingFn ? writeSettingFn(userId, section, key, value) : HotSyncMissing;
}

int32_t HotSyncBinding::userIdFromName(const char* name, uint32_t* userId) {
    return userIdFromNameFn ? userIdFromNameFn(name, userId) : HotSyncMissing;
}

int32_t HotSyncBinding::cardSupport(uint32_t userId, uint32_t* value) {
    if (cardSupportFn) return cardSupportFn(userId, value);
    if (value) *value = 0;
    return HotSyncMissing;
}

int32_t HotSyncBinding::slotCount(uint32_t userId, uint16_t* count) {
    if (slotCountFn) return slotCountFn(userId, count);
    if (count) *count = 0;
    return HotSyncMissing;
}

int32_t HotSyncBinding::slotIds(uint32_t userId, uint32_t* ids, uint16_t* count) {
    if (slotIdsFn) return slotIdsFn(userId, ids, count);
    if (count) {
        for (uint16_t i = 0; ids && i < *count; ++i) ids[i] = 0;
        *count = 0;
    }
    return HotSyncMissing;
}

int32_t HotSyncBinding::slotName(uint32_t userId, uint32_t slotId, char* name, uint16_t* size) {
    if (slotNameFn) return slotNameFn(userId, slotId, name, size);
    clearText(name, size);
    return HotSyncMissing;
}

int32_t HotSyncBinding::installToMemory(const char* userName, const char* path) {
    return installToMemoryFn ? installToMemoryFn(userName, path) : HotSyncMissing;
}

int32_t HotSyncBinding::installToCard(uint32_t userId, uint32_t slotId, const char* path) {
    return installToCardFn ? installToCardFn(userId, slotId, path) : HotSyncMissing;
}

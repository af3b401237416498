#include "hotsync/HotSyncBinding.h"
#include <cstdio>

namespace {

const char UserDataFile[] = "UserData.dll";
const char InstallAideFile[] = "INSTAIDE.dll";

// What loading one library found.
struct Loaded {
    const char* path;  // null when its folder is not known
    HMODULE module;
    DWORD error;         // why the load failed
    int missingOrdinal;  // the first ordinal it does not export, 0 when it has all
};

template <class Fn>
void bind(Loaded& library, int ordinal, Fn& fn) {
    // GetProcAddress gives a generic FARPROC; the ordinal's own type is ours to state.
    fn = library.module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(
                              GetProcAddress(library.module, MAKEINTRESOURCEA(ordinal))))
                        : nullptr;
    if (library.module && !fn && !library.missingOrdinal) library.missingOrdinal = ordinal;
}

Loaded loadLibrary(const char* path) {
    Loaded library{path, path ? LoadLibraryA(path) : nullptr, 0, 0};
    if (!library.module) library.error = path ? GetLastError() : ERROR_MOD_NOT_FOUND;
    return library;
}

bool fileThere(const char* path) { return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Character by character: a double-byte character's second byte may be a backslash.
const char* fileName(const char* path) {
    const char* name = path;
    for (const char* at = path; *at; ++at)
        if (IsDBCSLeadByte(static_cast<BYTE>(*at)) && at[1])
            ++at;
        else if (*at == '\\')
            name = at + 1;
    return name;
}

// What is wrong with one library, in a sentence; false when nothing is.
bool describe(const Loaded& library, const char* file, const char* program, char* text, size_t size) {
    if (library.module && !library.missingOrdinal) return false;
    if (library.module)
        snprintf(text, size, "%s has no function number %d: this HotSync desktop software does not suit "
                             "Vistrel Desktop", file, library.missingOrdinal);
    else if (!fileThere(library.path))
        snprintf(text, size, "%s was not found beside %s: install Vistrel Desktop into the HotSync software's folder",
                 file, program);
    else
        snprintf(text, size, "%s beside %s could not be loaded (error %lu): reinstall the HotSync desktop software",
                 file, program, static_cast<unsigned long>(library.error));
    return true;
}

void clearText(char* text, uint16_t* size) {
    if (text && size && *size > 0) text[0] = '\0';
    if (size) *size = 0;
}

}  // namespace

int programPath(char (&program)[MAX_PATH]) {
    DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    program[length < MAX_PATH ? length : 0] = '\0';
    return static_cast<int>(fileName(program) - program);
}

HotSyncBinding::HotSyncBinding() {
    char program[MAX_PATH];
    const int folder = programPath(program);
    char userDataPath[MAX_PATH + sizeof UserDataFile], installAidePath[MAX_PATH + sizeof InstallAideFile];
    snprintf(userDataPath, sizeof userDataPath, "%.*s%s", folder, program, UserDataFile);
    snprintf(installAidePath, sizeof installAidePath, "%.*s%s", folder, program, InstallAideFile);
    load(folder ? userDataPath : nullptr, folder ? installAidePath : nullptr, fileName(program));
}

HotSyncBinding::HotSyncBinding(const char* userDataPath, const char* installAidePath) {
    char program[MAX_PATH];
    programPath(program);
    load(userDataPath, installAidePath, fileName(program));
}

void HotSyncBinding::load(const char* userDataPath, const char* installAidePath, const char* program) {
    // No "cannot find DLL" box from the system: a missing library is an ordinary case.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    Loaded UserData = loadLibrary(userDataPath), InstallAide = loadLibrary(installAidePath);
    SetErrorMode(previous);
    userData = UserData.module;
    installAide = InstallAide.module;
#define HOTSYNC_BIND(library, ordinal, result, name, parameters, arguments) bind(library, ordinal, name##Fn);
    HOTSYNC_OPERATIONS(HOTSYNC_BIND)
#undef HOTSYNC_BIND
    if (!userData && !installAide && !fileThere(userDataPath) && !fileThere(installAidePath))
        snprintf(problemText, sizeof problemText,
                 "The HotSync desktop software was not found: install Vistrel Desktop into its folder");
    else if (!describe(UserData, userDataPath ? fileName(userDataPath) : UserDataFile, program, problemText,
                       sizeof problemText))
        describe(InstallAide, installAidePath ? fileName(installAidePath) : InstallAideFile, program, problemText,
                 sizeof problemText);
}

HotSyncBinding::~HotSyncBinding() {
    if (installAide) FreeLibrary(installAide);
    if (userData) FreeLibrary(userData);
}

int16_t HotSyncBinding::userCount() { return userCountFn ? userCountFn() : int16_t(HotSyncMissing); }

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

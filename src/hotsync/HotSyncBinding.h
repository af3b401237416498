#pragma once
#include <windows.h>
#include "hotsync/HotSyncLibrary.h"

// The HotSync libraries as the program finds them: UserData.dll and INSTAIDE.dll
// loaded at run time and bound by ordinal, so that a machine without them still
// starts. An operation whose library or ordinal is missing fails with HotSyncMissing,
// with its out values cleared as a failed call leaves them, and problem() says what
// is missing.
class HotSyncBinding : public HotSyncLibrary {
public:
    // The two libraries in the folder of the running program's .exe, by full path: the
    // first place the system's loader looks, and never the current folder, where a
    // library of the same name may have been put. Every program of ours loads them so.
    HotSyncBinding();
    // The two libraries at these paths.
    HotSyncBinding(const char* userDataPath, const char* installAidePath);
    ~HotSyncBinding() override;
    HotSyncBinding(const HotSyncBinding&) = delete;
    HotSyncBinding& operator=(const HotSyncBinding&) = delete;

    bool hasUserData() const { return userData != nullptr; }
    bool hasInstallAide() const { return installAide != nullptr; }
    const char* problem() const override { return problemText[0] ? problemText : nullptr; }

    int16_t userCount() override;
    int32_t userIdAt(int16_t index, uint32_t* userId) override;
    int32_t userName(uint32_t userId, char* name, uint16_t* size) override;
    int32_t userFolder(uint32_t userId, char* folder, uint16_t* size) override;
    int32_t rootFolder(char* folder, uint16_t* size) override;
    int32_t readSetting(uint32_t userId, const char* section, const char* key,
                        uint32_t* value, uint32_t defaultValue) override;
    int32_t writeSetting(uint32_t userId, const char* section, const char* key,
                         uint32_t value) override;
    int32_t userIdFromName(const char* name, uint32_t* userId) override;
    int32_t cardSupport(uint32_t userId, uint32_t* value) override;
    int32_t slotCount(uint32_t userId, uint16_t* count) override;
    int32_t slotIds(uint32_t userId, uint32_t* ids, uint16_t* count) override;
    int32_t slotName(uint32_t userId, uint32_t slotId, char* name, uint16_t* size) override;
    int32_t installToMemory(const char* userName, const char* path) override;
    int32_t installToCard(uint32_t userId, uint32_t slotId, const char* path) override;

private:
    typedef int16_t(WINAPI* UserCountFn)();
    typedef int32_t(WINAPI* UserIdAtFn)(int16_t, uint32_t*);
    typedef int32_t(WINAPI* TextOfUserFn)(uint32_t, char*, uint16_t*);
    typedef int32_t(WINAPI* RootFolderFn)(char*, uint16_t*);
    typedef int32_t(WINAPI* ReadSettingFn)(uint32_t, const char*, const char*, uint32_t*, uint32_t);
    typedef int32_t(WINAPI* WriteSettingFn)(uint32_t, const char*, const char*, uint32_t);
    typedef int32_t(WINAPI* UserIdFromNameFn)(const char*, uint32_t*);
    typedef int32_t(WINAPI* CardSupportFn)(uint32_t, uint32_t*);
    typedef int32_t(WINAPI* SlotCountFn)(uint32_t, uint16_t*);
    typedef int32_t(WINAPI* SlotIdsFn)(uint32_t, uint32_t*, uint16_t*);
    typedef int32_t(WINAPI* SlotNameFn)(uint32_t, uint32_t, char*, uint16_t*);
    typedef int32_t(WINAPI* InstallToMemoryFn)(const char*, const char*);
    typedef int32_t(WINAPI* InstallToCardFn)(uint32_t, uint32_t, const char*);

    // Loads and binds both (a null path: not there), and words what is missing for the
    // program named `program`.
    void load(const char* userDataPath, const char* installAidePath, const char* program);

    HMODULE userData = nullptr;
    HMODULE installAide = nullptr;
    UserCountFn userCountFn = nullptr;        // UserData 101
    UserIdAtFn userIdAtFn = nullptr;          // 102
    TextOfUserFn userNameFn = nullptr;        // 103
    TextOfUserFn userFolderFn = nullptr;      // 104
    RootFolderFn rootFolderFn = nullptr;      // 105
    ReadSettingFn readSettingFn = nullptr;    // 142
    WriteSettingFn writeSettingFn = nullptr;  // 143
    UserIdFromNameFn userIdFromNameFn = nullptr;  // 145
    CardSupportFn cardSupportFn = nullptr;    // 148
    SlotCountFn slotCountFn = nullptr;        // 150
    SlotIdsFn slotIdsFn = nullptr;            // 151
    SlotNameFn slotNameFn = nullptr;          // 154
    InstallToMemoryFn installToMemoryFn = nullptr;  // INSTAIDE 103
    InstallToCardFn installToCardFn = nullptr;      // INSTAIDE 118
    char problemText[320] = "";
};

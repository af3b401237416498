#pragma once
#include <windows.h>
#include "hotsync/HotSyncLibrary.h"

// The HotSync libraries as the program finds them: UserData.dll and INSTAIDE.dll
// loaded at run time and bound by ordinal, so that a machine without them still
// starts. An operation whose library or ordinal is missing fails with HotSyncMissing,
// with its out values cleared as a failed call leaves them, and problem() says what
// is missing.
// The running program's path, and the length of its folder with the backslash; 0 when the
// path is cut short (XP leaves it unterminated then), which names no folder. What our
// programs load from beside themselves (the libraries, the help) is named from it.
int programPath(char (&program)[MAX_PATH]);

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

    HOTSYNC_OPERATIONS(HOTSYNC_DECLARE_OVERRIDE)

private:
    // Loads and binds both (a null path: not there), and words what is missing for the
    // program named `program`.
    void load(const char* userDataPath, const char* installAidePath, const char* program);

    HMODULE userData = nullptr;
    HMODULE installAide = nullptr;
    // Each ordinal's entry point, null while its library or ordinal is missing.
#define HOTSYNC_ENTRY_POINT(library, ordinal, result, name, parameters, arguments) \
    result(WINAPI* name##Fn) parameters = nullptr;
    HOTSYNC_OPERATIONS(HOTSYNC_ENTRY_POINT)
#undef HOTSYNC_ENTRY_POINT
    char problemText[320] = "";
};

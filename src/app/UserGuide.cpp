#include "app/UserGuide.h"
#include "hotsync/HotSyncBinding.h"
#include <htmlhelp.h>
#include <cstring>

namespace {

const char winHelpFile[] = "Vistrel.hlp";
const char htmlHelpFile[] = "Vistrel.chm";

// HtmlHelpA, from hhctrl.ocx loaded at the first F1 that needs it rather than linked, so that
// starting the program never depends on it. It stays loaded until the process ends: the
// viewer's windows have their procedures in it, also after it has been told to close them.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
HtmlHelpFunction htmlHelp;

bool systemHasWinHelp() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwMajorVersion < 6;
}

// From the system folder by its full path: a bare name would be looked for in the program's
// and the current folder first.
HtmlHelpFunction loadHtmlHelp() {
    const char name[] = "\\hhctrl.ocx";
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof name > MAX_PATH) return nullptr;
    std::memcpy(path + length, name, sizeof name);
    HMODULE module = LoadLibraryA(path);
    FARPROC function = module ? GetProcAddress(module, "HtmlHelpA") : nullptr;
    if (!function && module) FreeLibrary(module);
    return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(function));
}

// The guide's file by its full path beside the program, whatever the current folder: HTML
// Help does not look in the program's folder, nor in the one setup registers for WinHelp.
// Only a path longer than MAX_PATH leaves the bare name to the help engine's own search.
const char* besideProgram(const char* name, char (&path)[MAX_PATH]) {
    const size_t folder = static_cast<size_t>(programPath(path)), size = std::strlen(name) + 1;
    if (folder == 0 || folder + size > MAX_PATH) return name;
    std::memcpy(path + folder, name, size);
    return path;
}

}  // namespace

void showUserGuide(HWND owner) {
    char path[MAX_PATH];
    if (!systemHasWinHelp()) {
        if (!htmlHelp) htmlHelp = loadHtmlHelp();
        if (htmlHelp) {
            htmlHelp(owner, besideProgram(htmlHelpFile, path), HH_DISPLAY_TOPIC, 0);
            return;
        }
    }
    // Also from Vista on when HTML Help cannot be loaded: WinHelp, or the system's word on it.
    WinHelpA(owner, besideProgram(winHelpFile, path), HELP_CONTENTS, 0);
}

void closeUserGuide(HWND owner) {
    char path[MAX_PATH];
    WinHelpA(owner, besideProgram(winHelpFile, path), HELP_QUIT, 0);
    if (htmlHelp) htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

#include "shell/ItemInfo.h"
#include <cstring>

namespace {
// Any drive's root gives the process-wide lists; the path need not exist.
const char imageListProbe[] = "C:\\";
}

HIMAGELIST systemImageList(bool small) {
    SHFILEINFOA info{};
    UINT flags = SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : 0);
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(imageListProbe, 0, &info, sizeof info, flags));
}

bool copyDisplayName(LPCITEMIDLIST absoluteList, char* buffer, int capacity) {
    if (!absoluteList || !buffer || capacity <= 0) return false;
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(reinterpret_cast<LPCSTR>(absoluteList), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME))
        return false;
    size_t length = strnlen(info.szDisplayName, sizeof info.szDisplayName);
    size_t room = static_cast<size_t>(capacity) - 1;
    if (length > room) length = room;
    std::memcpy(buffer, info.szDisplayName, length);
    buffer[length] = '\0';
    return true;
}

bool systemIconIndex(LPCITEMIDLIST absoluteList, UINT flags, int& index) {
    if (!absoluteList) return false;
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(reinterpret_cast<LPCSTR>(absoluteList), 0, &info, sizeof info,
                        flags | SHGFI_SYSICONINDEX | SHGFI_PIDL))
        return false;
    index = info.iIcon;
    return true;
}

UINT smallIconFlags(ULONG attributes) {
    return SHGFI_SMALLICON | ((attributes & SFGAO_LINK) ? SHGFI_LINKOVERLAY : 0);
}

UINT overlayStateOf(ULONG attributes) {
    UINT state = 0;
    if (attributes & SFGAO_SHARE) state |= INDEXTOOVERLAYMASK(1);
    if (attributes & SFGAO_LINK) state |= INDEXTOOVERLAYMASK(2);
    return state;
}

bool fileSystemPath(LPCITEMIDLIST absoluteList, char16_t (&exact)[MAX_PATH], char (&spelt)[2 * MAX_PATH]) {
    wchar_t wide[MAX_PATH] = L"";
    exact[0] = u'\0';
    spelt[0] = '\0';
    if (!absoluteList || !SHGetPathFromIDListW(absoluteList, wide) || !wide[0]) return false;
    wide[MAX_PATH - 1] = L'\0';
    for (int i = 0; i < MAX_PATH; ++i) exact[i] = static_cast<char16_t>(wide[i]);
    // No best fit: a look-alike letter would name another file.
    if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, spelt, sizeof spelt, "_", nullptr))
        spelt[0] = '\0';
    return true;
}

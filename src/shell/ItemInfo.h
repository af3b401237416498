#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

// What the shell tells about items for display: names, icon indexes and the
// system image lists those indexes refer to.

// The shell's own image list of small or large icons; it belongs to the shell.
HIMAGELIST systemImageList(bool small);

// Copies the display name of absoluteList into buffer, never more than capacity
// bytes with the terminator. False, leaving buffer as it was, when the shell gives
// no name or there is no room at all.
bool copyDisplayName(LPCITEMIDLIST absoluteList, char* buffer, int capacity);

// The system icon index of absoluteList under SHGFI_ flags (SHGFI_SYSICONINDEX |
// SHGFI_PIDL are implied). False when the shell answers nothing.
bool systemIconIndex(LPCITEMIDLIST absoluteList, UINT flags, int& index);

// The flags for an item's normal small icon: the link overlay is asked for links only.
// For other items the shell gives the same icon either way, except Wine, which then
// hands out an overlay-only image that hides the item's own icon.
UINT smallIconFlags(ULONG attributes);

// The overlay image state of a row or node: 1 for a shared item, 2 for a link,
// 3 for both; 0 for neither.
UINT overlayStateOf(ULONG attributes);

// The file-system path of absoluteList, exactly (UTF-16), and as the system code page spells
// it, with "_" for each character it cannot (so that no "?" reaches a file name); false, both
// empty, when the item has no path: it is no file on a disk (a camera, a file in a ZIP folder).
// The spelling of a long path in a double-byte code page may take up to 2 x MAX_PATH bytes.
bool fileSystemPath(LPCITEMIDLIST absoluteList, char16_t (&exact)[MAX_PATH], char (&spelt)[2 * MAX_PATH]);

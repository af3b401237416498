#pragma once
#include <windows.h>
#include <shlobj.h>

// Shows the shell's own context menu of the object absoluteList names at the
// screen point (x, y) and carries out the chosen command. handlerSlot holds the
// menu's IContextMenu2 while the menu is tracked, so that the owner can forward the
// menu messages the shell draws and fills on demand; it is empty again on return.
// True when a command was chosen and succeeded.
bool showContextMenu(LPCITEMIDLIST absoluteList, int x, int y, HWND owner, IContextMenu2*& handlerSlot);

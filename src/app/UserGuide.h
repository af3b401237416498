#pragma once
#include <windows.h>

// The user's guide, beside vistrel.exe in two forms made from one source: Vistrel.hlp for
// WinHelp, which Windows has up to XP (Vista to 8.1 only as a separate download, 10 and 11
// not at all), and Vistrel.chm for HTML Help, which every Windows from XP on has.

// F1: the guide's contents in the system's help viewer. A failure is left to the viewer,
// which says itself what it cannot show.
void showUserGuide(HWND owner);
// The program closes: whichever viewer shows the guide is told to close.
void closeUserGuide(HWND owner);

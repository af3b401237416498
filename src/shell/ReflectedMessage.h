#pragma once
#include <windows.h>
#include <olectl.h>

// The dialog sends a child's notifications back to the child as OCM__BASE plus the
// message number. True for every message number it reflects that way (the dialog's
// own reflection rules decide).
bool isReflectedMessage(UINT message);

// The answer for a reflected message the control object has no use of its own for:
// the default window procedure under the message's own number.
LRESULT answerReflected(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#include "shell/ReflectedMessage.h"

namespace {
struct MessageRange {
    UINT first, last;
};
const MessageRange reflectedRanges[] = {
    {OCM_DRAWITEM, OCM_CHARTOITEM},
    {OCM_COMPAREITEM, OCM_COMPAREITEM},
    {OCM_NOTIFY, OCM_NOTIFY},
    {OCM_COMMAND, OCM_COMMAND},
    {OCM_HSCROLL, OCM_VSCROLL},
    {OCM_CTLCOLORMSGBOX, OCM_CTLCOLORSTATIC},
    {OCM_PARENTNOTIFY, OCM_PARENTNOTIFY},
};
}

bool isReflectedMessage(UINT message) {
    for (const MessageRange& range : reflectedRanges)
        if (message >= range.first && message <= range.last) return true;
    return false;
}

LRESULT answerReflected(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message - OCM__BASE, wParam, lParam);
}

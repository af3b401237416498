#include "shell/WaitCursor.h"

WaitCursor::WaitCursor(bool showNow) : cursor(LoadCursorA(nullptr, IDC_WAIT)) {
    if (showNow) show();
}

WaitCursor::~WaitCursor() { restore(); }

void WaitCursor::show() {
    if (shown) return;
    previousCursor = SetCursor(cursor);
    shown = true;
}

void WaitCursor::restore() {
    if (!shown) return;
    SetCursor(previousCursor);
    shown = false;
}

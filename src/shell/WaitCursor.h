#pragma once
#include <windows.h>

// The hourglass for the length of a scope: shell work blocks the window meanwhile.
class WaitCursor {
public:
    explicit WaitCursor(bool showNow = true);
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void show();
    // Puts the previous cursor back, once.
    void restore();

    HCURSOR cursor;
    HCURSOR previousCursor = nullptr;
    bool shown = false;
};

#pragma once
#include <windows.h>
#include "photo/ViewHost.h"

class PhotoLoader;

// The photo view's host on real windows: the picture control and the status line.
class ViewHostWin : public ViewHost {
public:
    ViewHostWin();
    void attach(HWND picture, HWND status);

    void setStatusText(const char* text) override;
    void invalidate(bool erase) override;
    void setCursor(ViewCursor cursor) override;
    void captureMouse() override;
    void releaseMouse() override;
    void showMessage(const char* text, const char* caption, unsigned icon) override;
    uint32_t clock() override;
    bool serviceWhileLoading() override;

    HWND viewWindow = nullptr;
    HWND statusWindow = nullptr;
    // Arrow, size-all, NE-SW, NW-SE: the order of ViewCursor.
    HCURSOR cursors[4];
    PhotoLoader* loader = nullptr;  // serves the window while a photograph loads
};

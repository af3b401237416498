#include "app/ViewHostWin.h"
#include "app/PhotoLoader.h"

ViewHostWin::ViewHostWin()
    : cursors{LoadCursorA(nullptr, IDC_ARROW), LoadCursorA(nullptr, IDC_SIZEALL),
              LoadCursorA(nullptr, IDC_SIZENESW), LoadCursorA(nullptr, IDC_SIZENWSE)} {}

void ViewHostWin::attach(HWND picture, HWND status) {
    viewWindow = picture;
    statusWindow = status;
}

void ViewHostWin::setStatusText(const char* text) {
    if (statusWindow) SendMessageA(statusWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void ViewHostWin::invalidate(bool erase) {
    if (viewWindow) InvalidateRect(viewWindow, nullptr, erase ? TRUE : FALSE);
}

void ViewHostWin::setCursor(ViewCursor cursor) {
    int index = static_cast<int>(cursor);
    if (index >= 0 && index < 4) SetCursor(cursors[index]);
}

void ViewHostWin::captureMouse() {
    if (viewWindow) SetCapture(viewWindow);
}

void ViewHostWin::releaseMouse() { ReleaseCapture(); }

void ViewHostWin::showMessage(const char* text, const char* caption, unsigned icon) {
    MessageBoxA(viewWindow, text, caption, MB_OK | icon);
}

uint32_t ViewHostWin::clock() { return GetTickCount(); }

bool ViewHostWin::serviceWhileLoading() { return !loader || loader->service(); }

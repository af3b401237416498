#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include "app/MainDialog.h"
#include "support/RecordingLibrary.h"
#include "support/TempDir.h"

// What WinMain sets up before the dialog runs: COM, OLE, the common controls, the
// module record with this program's instance (which carries IDD_MAIN) and the
// shell allocator. Torn down in WinMain's order.
class AppSession {
public:
    AppSession();
    ~AppSession();
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;
};

// The real main dialog, created from the real template over a recording HotSync
// library with the given number of users (each with one card), hidden until a test
// shows it. Destroyed without WM_CLOSE, which would post a quit message into the
// thread's queue.
class MainDialogWindow {
public:
    explicit MainDialogWindow(int users = 0);
    ~MainDialogWindow();
    MainDialogWindow(const MainDialogWindow&) = delete;
    MainDialogWindow& operator=(const MainDialogWindow&) = delete;

    HWND item(int id) const { return GetDlgItem(window, id); }

    TempDir root;  // the HotSync root, so that the output folder lands in a scratch place
    RecordingLibrary library;
    std::unique_ptr<MainDialog> dialog;
    HWND window = nullptr;
};

// Dispatches whatever is queued for this thread.
void pumpMessages();

// A child's window rectangle in its parent's client coordinates.
RECT childRect(HWND child);
// "(left, top, right, bottom)", so that rectangles compare and print as text.
std::string describe(const RECT& r);

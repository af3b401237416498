#pragma once
#include <windows.h>
#include <memory>
#include "app/MainDialog.h"
#include "app/Startup.h"
#include "support/RecordingLibrary.h"
#include "support/TempDir.h"

// Dispatches whatever is queued for this thread.
inline void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// What WinMain sets up before the dialog runs and tears down after it: COM, OLE, the
// common controls and the module record with this program's instance, which carries IDD_MAIN.
class AppSession {
public:
    AppSession() { startProcess(GetModuleHandleA(nullptr)); }
    ~AppSession() { endProcess(); }
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;
};

// The real main dialog, hidden, over a recording HotSync library whose users (one card
// each) live in a scratch root. Destroyed without WM_CLOSE, which would post a quit message.
class MainDialogWindow {
public:
    explicit MainDialogWindow(int users = 0) {
        library.root = root.path();
        for (int i = 0; i < users; ++i) {
            std::string name = "User" + std::to_string(i + 1);
            library.addUser(name, name, {"Card"});
            CreateDirectoryA((root.path() + "\\" + name).c_str(), nullptr);
        }
        dialog = std::make_unique<MainDialog>(library);
        window = dialog->create();
    }
    ~MainDialogWindow() {
        if (window && IsWindow(window)) DestroyWindow(window);
        dialog.reset();
        pumpMessages();
    }
    MainDialogWindow(const MainDialogWindow&) = delete;
    MainDialogWindow& operator=(const MainDialogWindow&) = delete;

    HWND item(int id) const { return GetDlgItem(window, id); }

    AppSession session;
    TempDir root;
    RecordingLibrary library;
    std::unique_ptr<MainDialog> dialog;
    HWND window = nullptr;
};

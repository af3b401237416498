#include "app_harness.h"
#include <commctrl.h>
#include "app/Startup.h"

AppSession::AppSession() { startProcess(GetModuleHandleA(nullptr)); }

AppSession::~AppSession() { endProcess(); }

MainDialogWindow::MainDialogWindow(int users) {
    library.root = root.path();
    for (int i = 0; i < users; ++i) {
        std::string name = "User" + std::to_string(i + 1);
        library.addUser(name, name, {"Card"});
        CreateDirectoryA((root.path() + "\\" + name).c_str(), nullptr);
    }
    dialog = std::make_unique<MainDialog>(library);
    window = dialog->create();
}

MainDialogWindow::~MainDialogWindow() {
    if (window && IsWindow(window)) DestroyWindow(window);
    dialog.reset();
    pumpMessages();
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

RECT childRect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

#include "app/Startup.h"
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>
#include "win/AppModule.h"
#include "shell/IdList.h"

void startProcess(HINSTANCE instance) {
    CoInitialize(nullptr);
    OleInitialize(nullptr);
    // ICC_WIN95_CLASSES with the extended combo and rebar classes; no date controls.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0x6FF};
    InitCommonControlsEx(&controls);
    appModule.init(instance);
    shellAllocator = nullptr;
    if (FAILED(SHGetMalloc(&shellAllocator))) shellAllocator = nullptr;
}

void endProcess() {
    if (shellAllocator) {
        shellAllocator->Release();
        shellAllocator = nullptr;
    }
    appModule.term();
    // Each initialisation is undone, so that a process may start again (tests do).
    OleUninitialize();
    CoUninitialize();
}

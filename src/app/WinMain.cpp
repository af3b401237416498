#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>
#include "app/AppModule.h"
#include "app/RunMainDialog.h"
#include "hotsync/HotSyncBinding.h"
#include "shell/IdList.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    CoInitialize(nullptr);
    OleInitialize(nullptr);
    // ICC_WIN95_CLASSES with the extended combo and rebar classes; no date controls.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0x6FF};
    InitCommonControlsEx(&controls);
    appModule.init(instance);
    // Without an allocator the dialog runs with browsing switched off.
    shellAllocator = nullptr;
    if (FAILED(SHGetMalloc(&shellAllocator))) shellAllocator = nullptr;

    int exitCode = 0;
    {
        // A machine without the HotSync libraries still starts, with no devices.
        HotSyncBinding library;
        exitCode = runMainDialog(library, commandLine, showCommand);
    }

    if (shellAllocator) {
        shellAllocator->Release();
        shellAllocator = nullptr;
    }
    appModule.term();
    CoUninitialize();
    return exitCode;
}

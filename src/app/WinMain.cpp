#include <windows.h>
#include "app/RunMainDialog.h"
#include "app/Startup.h"
#include "hotsync/HotSyncBinding.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    startProcess(instance);
    int exitCode = 0;
    {
        // A machine without the HotSync libraries still starts, with no devices.
        HotSyncBinding library;
        exitCode = runMainDialog(library, commandLine, showCommand);
    }
    endProcess();
    return exitCode;
}

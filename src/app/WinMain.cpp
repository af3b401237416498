#include <windows.h>
#include "app/RunMainDialog.h"
#include "app/Startup.h"
#include "hotsync/HotSyncBinding.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    startProcess(instance);
    int exitCode = 0;
    {
        // Beside the program. Without them it still starts, and its status line says what is missing.
        HotSyncBinding library;
        exitCode = runMainDialog(library, commandLine, showCommand);
    }
    endProcess();
    return exitCode;
}

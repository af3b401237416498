#include "app/RunMainDialog.h"
#include "win/AppModule.h"
#include "app/MainDialog.h"
#include "win/MessageLoop.h"

int runMainDialog(HotSyncLibrary& library, const char*, int showCommand) {
    MessageLoop loop;
    appModule.addMessageLoop(&loop);
    int result = 0;
    {
        // The dialog object outlives its window and goes before the loop.
        MainDialog dialog(library);
        if (HWND window = dialog.create()) {
            ShowWindow(window, showCommand);
            result = loop.run();
        }
        // Also when creation failed: the map must not keep a loop that is about to go.
        appModule.removeMessageLoop();
    }
    return result;
}

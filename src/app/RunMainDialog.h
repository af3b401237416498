#pragma once

class HotSyncLibrary;

// Creates the main dialog, shows it with the show command and runs the thread's
// message loop until the dialog quits. The loop's exit code, or 0 when the dialog
// cannot be created. The command line is not used.
int runMainDialog(HotSyncLibrary& library, const char* commandLine, int showCommand);

#pragma once
#include <windows.h>

// What the process sets up before its dialog runs, and tears down after, in this
// order: COM, OLE, the common controls, the module record, the shell allocator.
// Their results are not tested; without an allocator browsing stays off.
void startProcess(HINSTANCE instance);
// The allocator released, the module record terminated, OLE and COM uninitialised.
void endProcess();

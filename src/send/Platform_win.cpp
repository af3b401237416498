#include "send/Platform.h"
#include <windows.h>
#include <io.h>
#include <mutex>
#include "photo/PhotoDecode.h"
#include "threads/Mutex.h"

namespace {

// The console behind a stream, or null when it goes elsewhere (a file, a pipe).
HANDLE consoleOf(FILE* stream) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// Reserved for the program itself, its stacks and libjpeg's own blocks.
const uint64_t ProgramReserve = uint64_t(256) << 20;

Mutex stopLock;
void (*stopFunction)(void*) = nullptr;
void* stopContext = nullptr;

// Runs on a thread the system starts for the event.
BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    std::lock_guard<Mutex> hold(stopLock);
    if (stopFunction) stopFunction(stopContext);
    return TRUE;
}

}  // namespace

bool isTerminal(FILE* stream) { return consoleOf(stream) != nullptr; }

void writeText(FILE* stream, const char* text) {
    HANDLE console = consoleOf(stream);
    // Names are in the system's code page; the console shows its own, so it is given UTF-16.
    const int length = console ? MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0) : 0;
    if (length <= 1) {
        fputs(text, stream);
        return;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    fflush(stream);
    DWORD written = 0;
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(length - 1), &written, nullptr);
}

char folderSeparator() { return '\\'; }

bool listFolder(const std::string& path, std::vector<std::string>& names) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // A folder named with its separator at the end takes the pattern as it is.
    const std::string pattern = path + (*fileNameOf(path.c_str()) ? "\\*" : "*");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

uint64_t defaultPhotoMemory() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return uint64_t(512) << 20;
    const uint64_t half = status.ullTotalPhys / 2;
    const uint64_t addressable = status.ullAvailVirtual > 2 * ProgramReserve ? status.ullAvailVirtual - ProgramReserve
                                                                             : ProgramReserve;
    return half < addressable ? half : addressable;
}

uint32_t monotonicMilliseconds() { return GetTickCount(); }

bool installStopHandler(void (*stop)(void*), void* context) {
    {
        std::lock_guard<Mutex> hold(stopLock);
        stopFunction = stop;
        stopContext = context;
    }
    return SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
}

void removeStopHandler() {
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    std::lock_guard<Mutex> hold(stopLock);
    stopFunction = nullptr;
    stopContext = nullptr;
}

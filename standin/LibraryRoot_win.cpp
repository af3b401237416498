#include "standin/LibraryRoot_win.h"
#include <windows.h>
#include "standin/StoreConfig.h"

std::string libraryRoot() {
    // The module that holds this code: the DLL, not the program that loaded it.
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&libraryRoot), &self))
        self = nullptr;
    std::string folder;
    char path[MAX_PATH];
    DWORD n = self ? GetModuleFileNameA(self, path, MAX_PATH) : 0;
    if (n > 0 && n < MAX_PATH) {
        std::string module(path, n);
        size_t slash = module.find_last_of("\\/");
        if (slash != std::string::npos) folder = module.substr(0, slash);
    }
    return configuredRoot(environmentValue(RootVariable), folder);
}

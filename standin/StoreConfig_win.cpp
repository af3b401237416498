#include <windows.h>
#include "standin/StoreConfig.h"

// GetEnvironmentVariable, not getenv: the C runtime's copy of the environment does
// not see SetEnvironmentVariable calls made after it started.
std::string environmentValue(const char* name) {
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    if (n == 0 || n >= sizeof value) return std::string();
    return std::string(value, n);
}

std::string programFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::string program(path, n);
    size_t slash = program.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

#include <cstdlib>
#include <unistd.h>
#include "standin/StoreConfig.h"

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string programFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return std::string();
    std::string program(path, static_cast<size_t>(n));
    size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash == 0 ? 1 : slash);
}

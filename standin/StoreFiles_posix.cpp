#include "standin/StoreFiles.h"
#include <cstdio>
#include <unistd.h>

// rename() replaces the target in one step on POSIX file systems.
bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

unsigned long processId() { return static_cast<unsigned long>(getpid()); }

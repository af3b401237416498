#include <cstdio>
#include "standin/HotSyncTool.h"
#include "standin/StoreConfig.h"

int main(int argc, char** argv) {
    try {
        std::string root = configuredRoot(environmentValue(RootVariable), programFolder());
        return runHotSyncTool(argc, argv, root, stdout, stderr);
    } catch (...) {
        std::fputs("hotsync: internal failure (out of memory?)\n", stderr);
        return ToolError;
    }
}

#include <cstdio>
#include <string>
#include "send/BatchConsole.h"
#include "send/Platform.h"
#include "send/SendBatch.h"
#ifdef _WIN32
#include "hotsync/HotSyncBinding.h"
#else
#include "standin/StoreConfig.h"
#include "standin/StoreLibrary.h"
#endif

namespace {

#ifdef _WIN32
// The HotSync libraries beside the program decide where their data is.
const bool TakesRoot = false;
#else
const bool TakesRoot = true;
#endif

void stopBatch(void* batch) { static_cast<SendBatch*>(batch)->requestStop(); }

int sendWith(HotSyncLibrary& library, const SendOptions& options) {
    StandardConsole console;
    SendBatch batch(options, library, console);
    installStopHandler(stopBatch, &batch);
    const int status = batch.run();
    removeStopHandler();
    return status;
}

int runProgram(int argc, char** argv) {
    SendOptions options;
    std::string error;
    if (!parseSendOptions(argc - 1, argv + 1, TakesRoot, options, error)) {
        fprintf(stderr, "vistrel-send: %s\nTry vistrel-send --help for more.\n", error.c_str());
        return SendUnusable;
    }
    if (options.help) {
        fputs(sendUsage(TakesRoot).c_str(), stdout);
        return SendDone;
    }
    if (options.memoryLimit == 0) options.memoryLimit = defaultPhotoMemory();
#ifdef _WIN32
    HotSyncBinding library;
    return sendWith(library, options);
#else
    // Found as the hotsync tool finds it.
    const std::string root = options.root.empty() ? configuredRoot(environmentValue(RootVariable), programFolder())
                                                  : options.root;
    if (root.empty()) {
        fputs("vistrel-send: no HotSync store: give --root DIR or set VISTREL_HOTSYNC_ROOT\n", stderr);
        return SendUnusable;
    }
    StoreLibrary library(root);
    return sendWith(library, options);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return runProgram(argc, argv);
    } catch (...) {
        fputs("vistrel-send: internal failure (out of memory?)\n", stderr);
        return SendUnusable;
    }
}

#pragma once
#include <memory>
#include "send/SendOptions.h"

class BatchConsole;
class HotSyncLibrary;

// Sends many photographs at once: the device is chosen as the options say, the photographs
// are decoded and exported by several threads, and named and queued one at a time in the
// order given, each exactly as the window's Send would.
class SendBatch {
public:
    SendBatch(const SendOptions& options, HotSyncLibrary& library, BatchConsole& console);
    ~SendBatch();
    SendBatch(const SendBatch&) = delete;
    SendBatch& operator=(const SendBatch&) = delete;

    // Sends everything and says how it went; gives the exit status.
    int run();
    // From any thread: no photograph is started after it, and those in progress are
    // finished, each wholly sent or not at all.
    void requestStop();

    struct State;

private:
    std::unique_ptr<State> state;
};

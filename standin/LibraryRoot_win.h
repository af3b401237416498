#pragma once
#include <string>
#include "standin/Store.h"

// The store root for a call into our UserData.dll or INSTAIDE.dll: VISTREL_HOTSYNC_ROOT,
// else the HotSync.ini beside the DLL itself, read anew on every call.
std::string libraryRoot();

// Runs one ordinal's work, turning anything that escapes (only out of memory can)
// into StoreInternal: nothing may unwind into the caller across the DLL boundary.
template <class Work>
auto guarded(Work work) -> decltype(work()) {
    try {
        return work();
    } catch (...) {
        return static_cast<decltype(work())>(StoreInternal);
    }
}

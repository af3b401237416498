#pragma once
#ifndef _WIN32
#include <thread>
#endif

// A thread of the platform's own. The Windows build's compiler has no std::thread; there the
// C runtime starts it (_beginthreadex), so that the runtime's per-thread data is set up.
class Thread {
public:
    Thread() = default;
    ~Thread() { join(); }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Runs run(context) on a new thread; false when no thread can be had.
    bool start(void (*run)(void*), void* context);
    // Waits for the thread to end; nothing when none was started.
    void join();

private:
#ifdef _WIN32
    static unsigned __stdcall entry(void* self);
    void* handle = nullptr;
    void (*body)(void*) = nullptr;
    void* argument = nullptr;
#else
    std::thread inner;
#endif
};

// The processors this process may run on; at least 1.
unsigned processorCount();

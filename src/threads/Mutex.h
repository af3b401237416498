#pragma once
#include <cstdint>
#ifndef _WIN32
#include <mutex>
#endif

// A lock within one process, for std::lock_guard. The Windows build's compiler has no
// std::mutex (its threads are the system's own: winpthreads would import functions
// newer than Windows XP), so there it is a critical section, kept out of this header
// so that <windows.h> reaches no portable code.
class Mutex {
public:
#ifdef _WIN32
    Mutex();
    ~Mutex();
    void lock();
    void unlock();
#else
    Mutex() = default;
    void lock() { inner.lock(); }
    void unlock() { inner.unlock(); }
#endif
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

private:
#ifdef _WIN32
    alignas(8) unsigned char section[48];  // a CRITICAL_SECTION
#else
    std::mutex inner;
#endif
};

#pragma once
#include "threads/Mutex.h"
#ifdef _WIN32
#include <vector>
#else
#include <condition_variable>
#endif

// Where threads wait, holding a Mutex, until another changes what they wait for. Windows XP
// has no condition variable: there each waiter sleeps on an event of its own, which
// notifyAll sets, so that a notification between the waiter's unlock and its sleep still
// wakes it. notifyAll is called with the waiters' mutex held.
class Condition {
public:
    Condition() = default;
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;

    // Gives mutex up, sleeps until notified (or for no reason: callers look again), and
    // takes it back before returning.
    void wait(Mutex& mutex);
    void notifyAll();

private:
#ifdef _WIN32
    std::vector<void*> waiters;  // their events, under the mutex
#else
    std::condition_variable_any inner;
#endif
};

#ifndef _WIN32
inline void Condition::wait(Mutex& mutex) { inner.wait(mutex); }
inline void Condition::notifyAll() { inner.notify_all(); }
#endif

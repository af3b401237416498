#include "threads/Condition.h"
#include <windows.h>
#include <algorithm>

void Condition::wait(Mutex& mutex) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    bool listed = false;
    if (event) {
        try {
            waiters.push_back(event);
            listed = true;
        } catch (...) {
            CloseHandle(event);
        }
    }
    if (!listed) {
        // Nothing to sleep on: a moment's pause, and the caller looks again.
        mutex.unlock();
        Sleep(1);
        mutex.lock();
        return;
    }
    mutex.unlock();
    WaitForSingleObject(event, INFINITE);
    mutex.lock();
    // notifyAll took it out of the list; only a failed wait leaves it there.
    waiters.erase(std::remove(waiters.begin(), waiters.end(), event), waiters.end());
    CloseHandle(event);
}

void Condition::notifyAll() {
    for (void* event : waiters) SetEvent(event);
    waiters.clear();
}

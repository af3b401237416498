#include "threads/Thread.h"
#include <sched.h>
#include <system_error>

bool Thread::start(void (*run)(void*), void* context) {
    join();
    try {
        inner = std::thread(run, context);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Thread::join() {
    if (inner.joinable()) inner.join();
}

unsigned processorCount() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return static_cast<unsigned>(CPU_COUNT(&set));
    const unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

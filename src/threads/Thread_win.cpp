#include "threads/Thread.h"
#include <windows.h>
#include <process.h>

unsigned __stdcall Thread::entry(void* self) {
    Thread* thread = static_cast<Thread*>(self);
    thread->body(thread->argument);
    return 0;
}

bool Thread::start(void (*run)(void*), void* context) {
    join();
    body = run;
    argument = context;
    handle = reinterpret_cast<void*>(_beginthreadex(nullptr, 0, &Thread::entry, this, 0, nullptr));
    return handle != nullptr;
}

void Thread::join() {
    if (!handle) return;
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
    handle = nullptr;
}

unsigned processorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1;
}

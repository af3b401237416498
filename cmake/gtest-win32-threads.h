#pragma once
// GoogleTest's Notification is made of std::mutex and std::condition_variable, which
// the compiler's win32 thread model lacks: the same on a Windows event.
#include <windows.h>

namespace testing {
namespace internal {
class Notification {
public:
    Notification() : event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(event); }
    void WaitForNotification() { WaitForSingleObject(event, INFINITE); }

private:
    HANDLE event;
};
}  // namespace internal
}  // namespace testing

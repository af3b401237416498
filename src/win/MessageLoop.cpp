#include "win/MessageLoop.h"

namespace {
// The system timer message that drives caret blinking and menu scrolling.
const UINT WM_SYSTIMER_MESSAGE = 0x118;

template <class Item>
bool removeFrom(Item** items, int& count, Item* item) {
    for (int i = 0; i < count; ++i)
        if (items[i] == item) {
            for (--count; i < count; ++i) items[i] = items[i + 1];
            return true;
        }
    return false;
}
}  // namespace

bool MessageLoop::addMessageFilter(MessageFilter* filter) {
    if (!filter || filterCount == Capacity) return false;
    filters[filterCount++] = filter;
    return true;
}

bool MessageLoop::addIdleHandler(IdleHandler* handler) {
    if (!handler || idleCount == Capacity) return false;
    idleHandlers[idleCount++] = handler;
    return true;
}

bool MessageLoop::removeMessageFilter(MessageFilter* filter) { return removeFrom(filters, filterCount, filter); }

bool MessageLoop::removeIdleHandler(IdleHandler* handler) { return removeFrom(idleHandlers, idleCount, handler); }

bool MessageLoop::reArmsIdle(UINT message) {
    // Messages that arrive continuously would otherwise keep the idle pass running.
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case WM_SYSTIMER_MESSAGE:
        return false;
    default:
        return true;
    }
}

void MessageLoop::handle(MSG& message) {
    // The filter added last has the first say.
    for (int i = filterCount - 1; i >= 0; --i)
        if (filters[i]->preTranslateMessage(message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void MessageLoop::runIdlePass() {
    // A pass never asks for more idle time, whatever the handlers answer.
    for (int i = 0; i < idleCount; ++i) idleHandlers[i]->onIdle();
}

int MessageLoop::run() {
    bool idlePending = true;
    for (;;) {
        if (idlePending && !PeekMessageA(&lastMessage, nullptr, 0, 0, PM_NOREMOVE)) {
            runIdlePass();
            idlePending = false;
        }
        BOOL got = GetMessageA(&lastMessage, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) return static_cast<int>(lastMessage.wParam);
        handle(lastMessage);
        if (reArmsIdle(lastMessage.message)) idlePending = true;
    }
}

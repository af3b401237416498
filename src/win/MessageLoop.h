#pragma once
#include <windows.h>

// May consume a message before it is translated and dispatched.
class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    virtual bool preTranslateMessage(MSG& message) = 0;
};

// Runs when the queue has gone empty after a message that re-arms idle time.
class IdleHandler {
public:
    virtual ~IdleHandler() = default;
    virtual bool onIdle() = 0;
};

// The thread's one message loop. No IsDialogMessage and no accelerators: every
// message goes straight to TranslateMessage and DispatchMessageA.
class MessageLoop {
public:
    enum { Capacity = 8 };

    // False when the list is full.
    bool addMessageFilter(MessageFilter* filter);
    bool addIdleHandler(IdleHandler* handler);
    // False when it was not in the list.
    bool removeMessageFilter(MessageFilter* filter);
    bool removeIdleHandler(IdleHandler* handler);

    // Runs until WM_QUIT and returns its wParam.
    int run();

    // Whether retrieving this message makes the next empty queue run an idle pass.
    static bool reArmsIdle(UINT message);
    // What the loop does with a message it retrieved: the filters, else translation and
    // dispatch. A long task that keeps the windows answering hands its messages here too.
    void handle(MSG& message);

    MSG lastMessage{};

private:
    void runIdlePass();

    MessageFilter* filters[Capacity] = {};
    int filterCount = 0;
    IdleHandler* idleHandlers[Capacity] = {};
    int idleCount = 0;
};

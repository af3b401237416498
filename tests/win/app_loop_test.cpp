#include <gtest/gtest.h>
#include <windows.h>
#include <cctype>
#include <string>
#include <vector>
#include "app/AppModule.h"
#include "app/MessageLoop.h"
#include "app_harness.h"

namespace {

// One log shared by the filters, idle handlers and timer procedures of a test, in
// the order things happened.
std::vector<std::string> events;

class RecordingFilter : public MessageFilter {
public:
    RecordingFilter(const char* name, UINT consumes = 0) : name(name), consumes(consumes) {}
    bool preTranslateMessage(MSG& message) override {
        messages.push_back(message);
        events.push_back(name + " " + std::to_string(message.message));
        return consumes != 0 && message.message == consumes;
    }
    std::string name;
    UINT consumes;
    std::vector<MSG> messages;
};

class CountingIdle : public IdleHandler {
public:
    explicit CountingIdle(const char* name) : name(name) {}
    bool onIdle() override {
        ++passes;
        events.push_back(name + " idle");
        if (then) then(passes);
        return true;  // asks for more, which the loop must not grant
    }
    std::string name;
    int passes = 0;
    void (*then)(int pass) = nullptr;
};

DWORD thisThread() { return GetCurrentThreadId(); }

UINT_PTR quitTimer = 0;
void CALLBACK quitFromTimer(HWND, UINT, UINT_PTR, DWORD) {
    KillTimer(nullptr, quitTimer);
    events.push_back("timer dispatched");
    PostQuitMessage(3);
}

// Before each loop: nothing left from earlier tests in this thread's queue.
class MessageLoopTest : public testing::Test {
protected:
    void SetUp() override {
        pumpMessages();
        events.clear();
    }
    void TearDown() override { KillTimer(nullptr, quitTimer); }
};

}  // namespace

TEST_F(MessageLoopTest, RunReturnsTheQuitCode) {
    for (int code : {0, 42, -1}) {
        MessageLoop loop;
        PostQuitMessage(code);
        EXPECT_EQ(loop.run(), code);
    }
}

TEST_F(MessageLoopTest, ThreadMessagesAreTranslatedAndDispatched) {
    // A key posted to the thread (no window) is translated into a character, and a
    // thread timer's message (no window either) reaches its procedure through
    // DispatchMessageA, which ends the loop. Should dispatching fail, the filter ends
    // the loop at the timer's second message, with another code.
    class TimerWatch : public RecordingFilter {
    public:
        TimerWatch() : RecordingFilter("filter") {}
        bool preTranslateMessage(MSG& message) override {
            RecordingFilter::preTranslateMessage(message);
            if (message.message == WM_TIMER && ++timers == 2) {
                KillTimer(nullptr, quitTimer);
                PostQuitMessage(99);
            }
            return false;
        }
        int timers = 0;
    } filter;
    MessageLoop loop;
    ASSERT_TRUE(loop.addMessageFilter(&filter));
    ASSERT_TRUE(PostThreadMessageA(thisThread(), WM_KEYDOWN, 'A', 0x001E0001));
    quitTimer = SetTimer(nullptr, 0, 1, quitFromTimer);
    ASSERT_NE(quitTimer, 0u);
    EXPECT_EQ(loop.run(), 3);

    const std::vector<MSG>& seen = filter.messages;
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(seen[0].hwnd, nullptr);
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(seen[1].hwnd, nullptr);
    EXPECT_EQ(std::tolower(static_cast<int>(seen[1].wParam)), 'a');
    EXPECT_EQ(seen.back().message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(seen.back().hwnd, nullptr);
    EXPECT_EQ(events.back(), "timer dispatched");
}

TEST_F(MessageLoopTest, LastFilterFirstAndAConsumedMessageGoesNoFurther) {
    RecordingFilter first("first"), last("last", WM_KEYDOWN);
    MessageLoop loop;
    ASSERT_TRUE(loop.addMessageFilter(&first));
    ASSERT_TRUE(loop.addMessageFilter(&last));
    PostThreadMessageA(thisThread(), WM_KEYDOWN, 'A', 0x001E0001);
    PostThreadMessageA(thisThread(), WM_APP, 0, 0);
    PostQuitMessage(0);
    EXPECT_EQ(loop.run(), 0);
    // The consumed key was neither offered to the first filter nor translated.
    const std::vector<std::string> expected = {"last " + std::to_string(WM_KEYDOWN), "last " + std::to_string(WM_APP),
                                               "first " + std::to_string(WM_APP)};
    EXPECT_EQ(events, expected);
}

TEST_F(MessageLoopTest, OneIdlePassPerIdlePeriod) {
    // The first pass posts one message; once it is handled the queue is empty again.
    // A message that re-arms idle time gives a second pass before a thread timer ends
    // the loop (through a filter, so that the ending needs nothing else of the loop);
    // the four that arrive continuously do not.
    struct Case {
        const char* name;
        UINT message;
        bool reArms;
    } cases[] = {
        {"mouse move", WM_MOUSEMOVE, false}, {"non-client mouse move", WM_NCMOUSEMOVE, false},
        {"paint", WM_PAINT, false},          {"system timer", 0x118, false},
        {"private message", WM_APP, true},   {"key up", WM_KEYUP, true},
        {"left button down", WM_LBUTTONDOWN, true},
    };
    class QuitOnTimer : public MessageFilter {
    public:
        bool preTranslateMessage(MSG& message) override {
            if (message.message == WM_TIMER && message.wParam == quitTimer) {
                KillTimer(nullptr, quitTimer);
                PostQuitMessage(3);
            }
            return false;
        }
    } quitOnTimer;
    static UINT posted = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MessageLoop::reArmsIdle(c.message), c.reArms);
        pumpMessages();
        events.clear();
        posted = c.message;
        CountingIdle first("first"), second("second");
        second.then = [](int pass) {
            if (pass != 1) return;
            PostThreadMessageA(GetCurrentThreadId(), posted, 0, 0);
            quitTimer = SetTimer(nullptr, 0, 1, nullptr);
        };
        MessageLoop loop;
        ASSERT_TRUE(loop.addMessageFilter(&quitOnTimer));
        ASSERT_TRUE(loop.addIdleHandler(&first));
        ASSERT_TRUE(loop.addIdleHandler(&second));
        EXPECT_EQ(loop.run(), 3);
        int passes = c.reArms ? 2 : 1;
        EXPECT_EQ(first.passes, passes);
        EXPECT_EQ(second.passes, passes);
        // Each pass asks the handlers in the order they were added.
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[0], "first idle");
        EXPECT_EQ(events[1], "second idle");
    }
}

namespace {
// A second thread that pushes two entries, waits until it is told, then takes three.
struct OtherThread {
    AppModule* module;
    int first = 0, second = 0;
    void* taken[3] = {};
    HANDLE pushed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~OtherThread() {
        CloseHandle(pushed);
        CloseHandle(go);
    }
    static DWORD WINAPI main(void* self) {
        auto* t = static_cast<OtherThread*>(self);
        t->module->pushCreationEntry(&t->first);
        t->module->pushCreationEntry(&t->second);
        SetEvent(t->pushed);
        WaitForSingleObject(t->go, INFINITE);
        for (void*& entry : t->taken) entry = t->module->takeCreationEntry();
        return 0;
    }
};
}  // namespace

TEST(AppModuleCreationList, KeyedByThreadNewestFirst) {
    AppModule module;
    module.init(GetModuleHandleA(nullptr));
    OtherThread other{&module};
    HANDLE thread = CreateThread(nullptr, 0, &OtherThread::main, &other, 0, nullptr);
    ASSERT_TRUE(thread);
    WaitForSingleObject(other.pushed, INFINITE);

    // The other thread's entries, the newest of all, are not this thread's to take.
    EXPECT_EQ(module.takeCreationEntry(), nullptr);
    int a = 0, b = 0;
    EXPECT_TRUE(module.pushCreationEntry(&a));
    EXPECT_TRUE(module.pushCreationEntry(&b));
    EXPECT_EQ(module.takeCreationEntry(), &b);
    EXPECT_EQ(module.takeCreationEntry(), &a);
    EXPECT_EQ(module.takeCreationEntry(), nullptr);

    SetEvent(other.go);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(other.taken[0], &other.second);
    EXPECT_EQ(other.taken[1], &other.first);
    EXPECT_EQ(other.taken[2], nullptr);
    module.term();
}

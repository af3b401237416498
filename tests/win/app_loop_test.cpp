#include <gtest/gtest.h>
#include <windows.h>
#include <cctype>
#include <string>
#include <vector>
#include "win/AppModule.h"
#include "win/MessageLoop.h"
#include "app_harness.h"

namespace {

// What the filters, idle handlers and timer procedures of a test saw, in order.
std::vector<std::string> events;
UINT_PTR quitTimer = 0;

// Records every message and consumes the key consumedKey. At the quitAtTimer-th tick of
// quitTimer it ends the loop with quitCode.
class RecordingFilter : public MessageFilter {
public:
    RecordingFilter(const char* name, WPARAM consumedKey, int quitAtTimer, int quitCode)
        : name(name), consumedKey(consumedKey), quitAtTimer(quitAtTimer), quitCode(quitCode) {}
    bool preTranslateMessage(MSG& message) override {
        messages.push_back(message);
        events.push_back(name + " " + std::to_string(message.message));
        if (message.message == WM_TIMER && message.wParam == quitTimer && ++ticks == quitAtTimer) {
            KillTimer(nullptr, quitTimer);
            PostQuitMessage(quitCode);
        }
        return message.message == WM_KEYDOWN && message.wParam == consumedKey;
    }
    std::string name;
    WPARAM consumedKey;
    int quitAtTimer, quitCode, ticks = 0;
    std::vector<MSG> messages;
};

class CountingIdle : public IdleHandler {
public:
    explicit CountingIdle(const char* name) : name(name) {}
    bool onIdle() override {
        events.push_back(name + " idle");
        if (++passes == 1 && then) then();
        return true;  // asks for more, which the loop must not grant
    }
    std::string name;
    int passes = 0;
    void (*then)() = nullptr;
};

void CALLBACK quitFromTimer(HWND, UINT, UINT_PTR, DWORD) {
    KillTimer(nullptr, quitTimer);
    events.push_back("timer dispatched");
    PostQuitMessage(3);
}

// Nothing left in this thread's queue from earlier tests.
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

TEST_F(MessageLoopTest, LastFilterFirstThenTranslatedAndDispatched) {
    // The last filter consumes the key B: the first never sees it and it makes no character.
    // The key A, posted to the thread, becomes a character; a thread timer's tick reaches its
    // procedure through DispatchMessageA, which ends the loop with 3 (should dispatching
    // fail, the first filter ends it at the second tick with 99).
    RecordingFilter first("first", 0, 2, 99), last("last", 'B', 0, 0);
    MessageLoop loop;
    ASSERT_TRUE(loop.addMessageFilter(&first));
    ASSERT_TRUE(loop.addMessageFilter(&last));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, 'B', 0x00300001));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, 'A', 0x001E0001));
    quitTimer = SetTimer(nullptr, 0, 1, quitFromTimer);
    ASSERT_NE(quitTimer, 0u);
    EXPECT_EQ(loop.run(), 3);

    auto seen = [](const char* name, UINT message) { return name + (" " + std::to_string(message)); };
    const std::vector<std::string> expected = {
        seen("last", WM_KEYDOWN), seen("last", WM_KEYDOWN), seen("first", WM_KEYDOWN), seen("last", WM_CHAR),
        seen("first", WM_CHAR),   seen("last", WM_TIMER),   seen("first", WM_TIMER),   "timer dispatched"};
    EXPECT_EQ(events, expected);
    ASSERT_EQ(first.messages.size(), 3u);
    EXPECT_EQ(std::tolower(static_cast<int>(first.messages[1].wParam)), 'a');
}

TEST_F(MessageLoopTest, OneIdlePassPerIdlePeriod) {
    // The first pass posts one message and starts a timer whose tick ends the loop: a
    // message that re-arms idle time gives a second pass before the tick; the four that
    // arrive continuously do not.
    struct Case { UINT message; bool reArms; } cases[] = {
        {WM_MOUSEMOVE, false}, {WM_NCMOUSEMOVE, false}, {WM_PAINT, false},      {0x118 /* system timer */, false},
        {WM_APP, true},        {WM_KEYUP, true},        {WM_LBUTTONDOWN, true},
    };
    static UINT posted = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(MessageLoop::reArmsIdle(c.message), c.reArms);
        pumpMessages();
        events.clear();
        posted = c.message;
        RecordingFilter quitOnTimer("filter", 0, 1, 3);
        CountingIdle first("first"), second("second");
        second.then = [] {
            PostThreadMessageA(GetCurrentThreadId(), posted, 0, 0);
            quitTimer = SetTimer(nullptr, 0, 1, nullptr);
        };
        MessageLoop loop;
        ASSERT_TRUE(loop.addMessageFilter(&quitOnTimer));
        ASSERT_TRUE(loop.addIdleHandler(&first));
        ASSERT_TRUE(loop.addIdleHandler(&second));
        EXPECT_EQ(loop.run(), 3);
        EXPECT_EQ(first.passes, c.reArms ? 2 : 1);
        EXPECT_EQ(second.passes, c.reArms ? 2 : 1);
        // Each pass asks the handlers in the order they were added.
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[0], "first idle");
        EXPECT_EQ(events[1], "second idle");
    }
}

namespace {
// Another thread that pushes two entries of its own and takes one back.
struct OtherThread {
    AppModule* module;
    int first = 0, second = 0;
    void* taken = nullptr;
    static DWORD WINAPI main(void* self) {
        auto* t = static_cast<OtherThread*>(self);
        t->module->pushCreationEntry(&t->first);
        t->module->pushCreationEntry(&t->second);
        t->taken = t->module->takeCreationEntry();
        return 0;
    }
};
}  // namespace

TEST(AppModuleCreationList, KeyedByThreadNewestFirst) {
    AppModule module;
    module.init(GetModuleHandleA(nullptr));
    int mine = 0;
    ASSERT_TRUE(module.pushCreationEntry(&mine));
    OtherThread other{&module};
    HANDLE thread = CreateThread(nullptr, 0, &OtherThread::main, &other, 0, nullptr);
    ASSERT_TRUE(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    // Each thread takes its own newest entry, behind or before the other's.
    EXPECT_EQ(other.taken, &other.second);
    EXPECT_EQ(module.takeCreationEntry(), &mine);
    EXPECT_EQ(module.takeCreationEntry(), nullptr);
    module.term();
}

// The window layer: reflection and the message loop.
#include <cctype>
#include "harness.h"
#include "win/Routing.h"

// Records that name one control by handle and another by identifier: the wrong field picks the wrong child.
TEST_F(Session, ReflectionTargetOfEachMessage) {
    Program program(noUsers);
    const HWND send = program.item(IDC_SEND), list = program.item(IDC_FILE_LIST);
    NMHDR header{list, IDC_SEND, UINT(NM_CLICK)};
    DRAWITEMSTRUCT draw{0, 0, 0, 0, 0, list, nullptr, {}, 0};
    DELETEITEMSTRUCT item{0, IDC_FILE_LIST, 0, send, 0};  // the identifier sits alike in all three kinds
    const struct { UINT message; WPARAM wParam; LPARAM lParam; HWND expected; } cases[] = {
        {WM_COMMAND, MAKEWPARAM(IDC_FILE_LIST, BN_CLICKED), LPARAM(send), send},
        {WM_NOTIFY, IDC_SEND, LPARAM(&header), list},
        {WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, IDC_SEND), LPARAM(list), list},
        {WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, IDC_SEND), LPARAM(list), list},
        {WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, IDC_FILE_LIST), MAKELPARAM(5, 5), list},
        {WM_DRAWITEM, IDC_SEND, LPARAM(&draw), list},    {WM_DRAWITEM, 0, LPARAM(&draw), nullptr},
        {WM_MEASUREITEM, 1, LPARAM(&item), list},        {WM_MEASUREITEM, 0, LPARAM(&item), nullptr},
        {WM_DELETEITEM, 1, LPARAM(&item), list},         {WM_COMPAREITEM, 1, LPARAM(&item), list},
        {WM_VKEYTOITEM, VK_DOWN, LPARAM(list), list},    {WM_CHARTOITEM, 'a', LPARAM(list), list},
        {WM_HSCROLL, SB_LINEDOWN, LPARAM(send), send},   {WM_VSCROLL, SB_LINEUP, LPARAM(send), send},
        {WM_CTLCOLORMSGBOX, 0, LPARAM(send), send},      {WM_CTLCOLORSTATIC, 0, LPARAM(send), send},
        {WM_CTLCOLORMSGBOX - 1, 0, LPARAM(send), nullptr}, {WM_CTLCOLORSTATIC + 1, 0, LPARAM(send), nullptr},
        {WM_KEYDOWN, IDC_SEND, LPARAM(send), nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reflectionTarget(program.window, c.message, c.wParam, c.lParam), c.expected) << &c - cases;
    LRESULT result;
    for (int id : {IDOK, IDCANCEL})  // without a control: left to the dialog manager
        EXPECT_FALSE(program.dialog.processMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0, result)) << id;
}

namespace {
Names events;
UINT_PTR quitTimer = 0;

// Records the messages it sees, consumes the key B when it is "last", and quits on quitTimer.
struct Recorder : MessageFilter {
    explicit Recorder(const char* name) : name(name) {}
    bool preTranslateMessage(MSG& message) override {
        events.push_back(name + " " + std::to_string(message.message));
        if (message.message == WM_CHAR) events.back() += " " + std::to_string(std::tolower(int(message.wParam)));
        if (message.message == WM_TIMER && message.wParam == quitTimer) PostQuitMessage(3);
        return name == "last" && message.message == WM_KEYDOWN && message.wParam == 'B';
    }
    std::string name;
};
void CALLBACK quitWithFour(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(4); }
}  // namespace

// Filters last-added first, then the message is translated and dispatched; a consumed key makes no character.
TEST(MessageLoop, FiltersLastFirstThenTranslatesAndDispatches) {
    pumpMessages();
    events.clear();
    Recorder first("first"), last("last");
    MessageLoop loop;
    ASSERT_TRUE(loop.addMessageFilter(&first) && loop.addMessageFilter(&last));
    PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, 'B', 0x00300001);
    PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, 'A', 0x001E0001);
    quitTimer = SetTimer(nullptr, 0, 2000, nullptr);  // should dispatching fail
    UINT_PTR dispatched = SetTimer(nullptr, 0, 1, quitWithFour);
    EXPECT_EQ(loop.run(), 4);
    KillTimer(nullptr, quitTimer);
    KillTimer(nullptr, dispatched);
    auto seen = [](const char* name, UINT message) { return name + (" " + std::to_string(message)); };
    EXPECT_EQ(events, (Names{seen("last", WM_KEYDOWN), seen("last", WM_KEYDOWN), seen("first", WM_KEYDOWN),
                             seen("last", WM_CHAR) + " 97", seen("first", WM_CHAR) + " 97", seen("last", WM_TIMER),
                             seen("first", WM_TIMER)}));
}

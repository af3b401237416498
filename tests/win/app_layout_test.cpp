#include <gtest/gtest.h>
#include <map>
#include "app/DialogLayout.h"
#include "app/resources/resource.h"
#include "app_harness.h"

namespace {

// Which edges of a control follow the client size change: left, top, right, bottom
// move by dx, dy, dx, dy where the entry is 1.
struct Anchor {
    int32_t id;
    uint32_t flags;
    int left, top, right, bottom;
};

// The main dialog's rows in their order, with what each flag set does to the edges.
const Anchor mainRows[] = {
    {IDC_SIZE_GRIP, 0x401C, 1, 1, 1, 1},   {IDC_FOLDER_TREE, 0x2, 0, 0, 0, 1},
    {IDC_FILE_LIST, 0x1, 0, 0, 1, 0},      {IDC_PICTURE, 0x3, 0, 0, 1, 1},
    {IDC_DEVICE_LABEL, 0x8, 0, 1, 0, 1},   {IDC_DEVICE_COMBO, 0x8, 0, 1, 0, 1},
    {IDC_STORAGE_LABEL, 0x8, 0, 1, 0, 1},  {IDC_STORAGE_COMBO, 0x8, 0, 1, 0, 1},
    {IDC_WIDTH_LABEL, 0x8, 0, 1, 0, 1},    {IDC_WIDTH_EDIT, 0x8, 0, 1, 0, 1},
    {IDC_HEIGHT_LABEL, 0x8, 0, 1, 0, 1},   {IDC_HEIGHT_EDIT, 0x8, 0, 1, 0, 1},
    {IDC_SET, 0x8, 0, 1, 0, 1},            {IDC_FILLS_SCREEN, 0x8, 0, 1, 0, 1},
    {IDC_SEND, 0x8, 0, 1, 0, 1},           {IDC_STATUS, 0x9, 0, 1, 1, 1},
};

RECT shifted(const RECT& r, const Anchor& a, int32_t dx, int32_t dy) {
    return RECT{r.left + a.left * dx, r.top + a.top * dy, r.right + a.right * dx, r.bottom + a.bottom * dy};
}

SIZE clientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

SIZE windowSize(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace

TEST(LayoutArithmetic, EachFlagMovesOnlyItsEdges) {
    // Recorded (10, 20, 110, 70); the control has since wandered to (13, 24, 105, 66),
    // which edges not named by the flags keep. The client is 30 wider and 7 lower.
    const RECT recorded{10, 20, 110, 70}, current{13, 24, 105, 66};
    struct Case {
        uint32_t flags;
        RECT expected;
        bool move, repaint;
    } cases[] = {
        {0, {13, 24, 105, 66}, false, false},
        {LAYOUT_SIZE_X, {13, 24, 140, 66}, true, false},
        {LAYOUT_SIZE_Y, {13, 24, 105, 77}, true, false},
        {LAYOUT_MOVE_X, {40, 24, 140, 66}, true, false},
        {LAYOUT_MOVE_Y, {13, 27, 105, 77}, true, false},
        {LAYOUT_SIZE_X | LAYOUT_SIZE_Y, {13, 24, 140, 77}, true, false},
        {LAYOUT_SIZE_X | LAYOUT_MOVE_Y, {13, 27, 140, 77}, true, false},
        {LAYOUT_MOVE_X | LAYOUT_SIZE_Y, {40, 24, 140, 77}, true, false},
        {LAYOUT_MOVE_X | LAYOUT_MOVE_Y, {40, 27, 140, 77}, true, false},
        {LAYOUT_SIZE_X | LAYOUT_MOVE_X, {40, 24, 140, 66}, true, false},
        {LAYOUT_REPAINT, {13, 24, 105, 66}, true, true},
        {LAYOUT_MOVE_X | LAYOUT_MOVE_Y | LAYOUT_REPAINT | LAYOUT_GRIP, {40, 27, 140, 77}, true, true},
        // The grip mark alone neither moves nor repaints.
        {LAYOUT_GRIP, {13, 24, 105, 66}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
        LayoutPlacement p = placeControl(LayoutRow{1, c.flags, recorded}, current, 30, 7);
        EXPECT_EQ(describe(p.rect), describe(c.expected));
        EXPECT_EQ(p.move, c.move);
        EXPECT_EQ(p.repaint, c.repaint);
    }
    // Offsets come from the recorded rectangle, so a shrink below it is exact too.
    LayoutPlacement back = placeControl(LayoutRow{1, LAYOUT_MOVE_X | LAYOUT_MOVE_Y, recorded}, current, -5, -9);
    EXPECT_EQ(describe(back.rect), describe(RECT{5, 11, 105, 61}));
}

class MainDialogLayout : public testing::TestWithParam<int> {
protected:
    AppSession session;
};

// One dialog per case: under Wine without a window manager, destroying a shown window
// waits two seconds for the unmapping to be confirmed. No messages are pumped while it
// is maximised, since the X11 driver would then take the unmanaged window back to its
// normal size.
TEST_P(MainDialogLayout, ControlsFollowTheClientSize) {
    MainDialogWindow main(GetParam());
    ASSERT_TRUE(main.window);
    // With one user the device is chosen after the layout was recorded.
    EXPECT_EQ(IsWindowEnabled(main.item(IDC_SEND)) != FALSE, GetParam() == 1);

    const DialogLayout& layout = main.dialog->layout;
    ASSERT_EQ(layout.rowCount(), 16);
    std::map<int32_t, RECT> initial;
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(layout.row(i).controlId, mainRows[i].id);
        EXPECT_EQ(layout.row(i).flags, mainRows[i].flags);
        initial[mainRows[i].id] = childRect(main.item(mainRows[i].id));
        EXPECT_EQ(describe(layout.row(i).recorded), describe(initial[mainRows[i].id]));
    }
    const SIZE initialClient = clientSize(main.window), initialWindow = windowSize(main.window);
    // The grip sits in the bottom-right corner.
    EXPECT_EQ(initial[IDC_SIZE_GRIP].right, initialClient.cx);
    EXPECT_EQ(initial[IDC_SIZE_GRIP].bottom, initialClient.cy);

    HWND grip = main.item(IDC_SIZE_GRIP);
    auto gripShown = [&] { return (GetWindowLongPtrA(grip, GWL_STYLE) & WS_VISIBLE) != 0; };
    // Every control where the change of client size from the initial one puts it.
    auto expectLayout = [&](const char* when, bool withGrip = true) {
        SCOPED_TRACE(when);
        SIZE client = clientSize(main.window);
        for (const Anchor& a : mainRows) {
            if (a.id == IDC_SIZE_GRIP && !withGrip) continue;
            SCOPED_TRACE(a.id);
            EXPECT_EQ(describe(childRect(main.item(a.id))),
                      describe(shifted(initial[a.id], a, client.cx - initialClient.cx, client.cy - initialClient.cy)));
        }
    };
    auto expectInitial = [&](const char* when) {
        SCOPED_TRACE(when);
        for (const Anchor& a : mainRows)
            EXPECT_EQ(describe(childRect(main.item(a.id))), describe(initial[a.id])) << a.id;
    };
    auto resizeWindow = [&](int32_t width, int32_t height) {
        SetWindowPos(main.window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };

    ShowWindow(main.window, SW_SHOWNORMAL);
    expectInitial("shown");
    EXPECT_TRUE(gripShown());

    resizeWindow(initialWindow.cx + 100, initialWindow.cy + 50);
    SIZE grown = clientSize(main.window);
    ASSERT_EQ(grown.cx, initialClient.cx + 100);
    ASSERT_EQ(grown.cy, initialClient.cy + 50);
    expectLayout("100 wider, 50 taller");

    resizeWindow(initialWindow.cx, initialWindow.cy);
    expectInitial("shrunk back");

    // The system refuses a size below the minimum track size, which is the initial one.
    resizeWindow(initialWindow.cx - 60, initialWindow.cy - 40);
    EXPECT_EQ(windowSize(main.window).cx, initialWindow.cx);
    EXPECT_EQ(windowSize(main.window).cy, initialWindow.cy);
    expectInitial("refused shrink");

    ShowWindow(main.window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(main.window));
    EXPECT_FALSE(gripShown());
    EXPECT_GT(clientSize(main.window).cx, initialClient.cx);
    expectLayout("maximised", false);  // where the hidden grip went does not matter

    ShowWindow(main.window, SW_RESTORE);
    EXPECT_TRUE(gripShown());
    expectInitial("restored");

    ShowWindow(main.window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(main.window));
    EXPECT_TRUE(gripShown());
    expectInitial("minimised");
}

TEST_P(MainDialogLayout, MinimumTrackSizeIsTheInitialWindowSize) {
    MainDialogWindow main(GetParam());
    ASSERT_TRUE(main.window);
    const SIZE initialWindow = windowSize(main.window);
    MINMAXINFO limits{};
    limits.ptMaxSize = {1111, 2222};
    limits.ptMaxPosition = {3, 4};
    limits.ptMinTrackSize = {5, 6};
    limits.ptMaxTrackSize = {3333, 4444};
    SendMessageA(main.window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, initialWindow.cx);
    EXPECT_EQ(limits.ptMinTrackSize.y, initialWindow.cy);
    // The rest keeps what the system filled in.
    EXPECT_EQ(limits.ptMaxSize.x, 1111);
    EXPECT_EQ(limits.ptMaxSize.y, 2222);
    EXPECT_EQ(limits.ptMaxPosition.x, 3);
    EXPECT_EQ(limits.ptMaxTrackSize.y, 4444);
}

INSTANTIATE_TEST_SUITE_P(Users, MainDialogLayout, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == 0 ? std::string("NoUser") : std::string("OneUser");
                         });

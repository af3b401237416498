#include <gtest/gtest.h>
#include <map>
#include <string>
#include "app/DialogLayout.h"
#include "app/resources/resource.h"
#include "app_harness.h"

namespace {

// "(left, top, right, bottom)", so that rectangles compare and print as text.
std::string describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

// The main dialog's rows in their order; the edges marked 1 (left, top, right, bottom)
// move by the change of client width or height.
struct Anchor { int32_t id; uint32_t flags; int left, top, right, bottom; };
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

RECT childRect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE clientSize(HWND w) { RECT r{}; GetClientRect(w, &r); return SIZE{r.right, r.bottom}; }
SIZE windowSize(HWND w) { RECT r{}; GetWindowRect(w, &r); return SIZE{r.right - r.left, r.bottom - r.top}; }

}  // namespace

TEST(LayoutArithmetic, EachFlagMovesOnlyItsEdges) {
    // Recorded (10, 20, 110, 70), since wandered to (13, 24, 105, 66), which edges the
    // flags do not name keep. The client is 30 wider and 7 taller.
    const RECT recorded{10, 20, 110, 70}, current{13, 24, 105, 66};
    struct Case { uint32_t flags; RECT expected; bool move, repaint; } cases[] = {
        {0, {13, 24, 105, 66}, false, false},
        {LAYOUT_SIZE_X, {13, 24, 140, 66}, true, false},
        {LAYOUT_SIZE_Y, {13, 24, 105, 77}, true, false},
        {LAYOUT_MOVE_X, {40, 24, 140, 66}, true, false},
        {LAYOUT_MOVE_Y, {13, 27, 105, 77}, true, false},
        {LAYOUT_SIZE_X | LAYOUT_SIZE_Y, {13, 24, 140, 77}, true, false},
        {LAYOUT_SIZE_X | LAYOUT_MOVE_Y, {13, 27, 140, 77}, true, false},
        {LAYOUT_MOVE_X | LAYOUT_SIZE_Y, {40, 24, 140, 77}, true, false},
        {LAYOUT_SIZE_X | LAYOUT_MOVE_X, {40, 24, 140, 66}, true, false},
        {LAYOUT_REPAINT, {13, 24, 105, 66}, true, true},
        {LAYOUT_MOVE_X | LAYOUT_MOVE_Y | LAYOUT_REPAINT | LAYOUT_GRIP, {40, 27, 140, 77}, true, true},
        {LAYOUT_GRIP, {13, 24, 105, 66}, false, false},  // the grip mark alone neither moves nor repaints
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

// Under Wine without a window manager, destroying a shown window waits two seconds, so
// one dialog serves every step. No messages are pumped while it is maximised: the X11
// driver would take the unmanaged window back to its normal size.
TEST(MainDialogLayout, ControlsFollowTheClientSizeAboveTheMinimumTrackSize) {
    MainDialogWindow main(1);
    ASSERT_TRUE(main.window);
    // With one user the device is chosen, after the layout was recorded.
    EXPECT_TRUE(IsWindowEnabled(main.item(IDC_SEND)));

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
    EXPECT_EQ(initial[IDC_SIZE_GRIP].right, initialClient.cx);  // the grip sits in the corner
    EXPECT_EQ(initial[IDC_SIZE_GRIP].bottom, initialClient.cy);

    // The minimum track size is the initial window size; the rest keeps what the system filled in.
    MINMAXINFO limits{{0, 0}, {1111, 2222}, {3, 4}, {5, 6}, {3333, 4444}};
    SendMessageA(main.window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, initialWindow.cx);
    EXPECT_EQ(limits.ptMinTrackSize.y, initialWindow.cy);
    EXPECT_EQ(limits.ptMaxSize.x, 1111);
    EXPECT_EQ(limits.ptMaxSize.y, 2222);
    EXPECT_EQ(limits.ptMaxPosition.x, 3);
    EXPECT_EQ(limits.ptMaxTrackSize.y, 4444);

    HWND grip = main.item(IDC_SIZE_GRIP);
    auto gripShown = [&] { return (GetWindowLongPtrA(grip, GWL_STYLE) & WS_VISIBLE) != 0; };
    // Every control where a change of client size by (dx, dy) from the initial one puts it.
    auto expectLayout = [&](const char* when, int32_t dx, int32_t dy, bool withGrip = true) {
        SCOPED_TRACE(when);
        for (const Anchor& a : mainRows) {
            if (a.id == IDC_SIZE_GRIP && !withGrip) continue;
            const RECT& r = initial[a.id];
            RECT expected{r.left + a.left * dx, r.top + a.top * dy, r.right + a.right * dx, r.bottom + a.bottom * dy};
            EXPECT_EQ(describe(childRect(main.item(a.id))), describe(expected)) << a.id;
        }
    };
    auto resizeWindow = [&](int32_t width, int32_t height) {
        SetWindowPos(main.window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };

    ShowWindow(main.window, SW_SHOWNORMAL);
    EXPECT_TRUE(gripShown());
    expectLayout("shown", 0, 0);
    resizeWindow(initialWindow.cx + 100, initialWindow.cy + 50);
    ASSERT_EQ(clientSize(main.window).cx, initialClient.cx + 100);
    ASSERT_EQ(clientSize(main.window).cy, initialClient.cy + 50);
    expectLayout("100 wider, 50 taller", 100, 50);

    resizeWindow(initialWindow.cx, initialWindow.cy);
    expectLayout("shrunk back", 0, 0);

    resizeWindow(initialWindow.cx - 60, initialWindow.cy - 40);  // refused: below the minimum track size
    EXPECT_EQ(windowSize(main.window).cx, initialWindow.cx);
    EXPECT_EQ(windowSize(main.window).cy, initialWindow.cy);
    expectLayout("refused shrink", 0, 0);

    ShowWindow(main.window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(main.window));
    EXPECT_FALSE(gripShown());
    const SIZE maximised = clientSize(main.window);
    EXPECT_GT(maximised.cx, initialClient.cx);
    // Where the hidden grip went does not matter.
    expectLayout("maximised", maximised.cx - initialClient.cx, maximised.cy - initialClient.cy, false);

    ShowWindow(main.window, SW_RESTORE);
    EXPECT_TRUE(gripShown());
    expectLayout("restored", 0, 0);

    ShowWindow(main.window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(main.window));
    EXPECT_TRUE(gripShown());
    expectLayout("minimised", 0, 0);
}

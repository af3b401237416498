#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <vector>
#include "app/PictureControl.h"
#include "app/ViewHostWin.h"
#include "app_harness.h"
#include "photo/PhotoView.h"
#include "unit/photo_fixture.h"

namespace {

// The picture control's own procedure as the view finds it: records every message
// handed on to it, then lets the static control have it.
WNDPROC staticProc = nullptr;
std::vector<UINT> handedOn;
LRESULT CALLBACK ownProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    handedOn.push_back(message);
    return CallWindowProcA(staticProc, window, message, wParam, lParam);
}

bool handedOnAll(std::initializer_list<UINT> messages) {
    return std::all_of(messages.begin(), messages.end(), [](UINT m) {
        return std::find(handedOn.begin(), handedOn.end(), m) != handedOn.end();
    });
}

WNDPROC procedureOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)); }

HWND createStatic(HWND parent, DWORD style, int32_t y, int32_t width, int32_t height) {
    return CreateWindowExA(0, "STATIC", "", style, 0, y, width, height, parent, nullptr, nullptr, nullptr);
}

// A picture control (500 x 400 client) and a status line, as in the main dialog.
struct PictureWindow {
    HWND parent = createStatic(nullptr, WS_POPUP, 0, 700, 500);
    HWND picture = createStatic(parent, WS_CHILD | WS_VISIBLE | SS_GRAYRECT | SS_NOTIFY, 0, 500, 400);
    HWND status = createStatic(parent, WS_CHILD | WS_VISIBLE, 450, 500, 20);
    PictureWindow() {
        staticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(picture, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ownProcedure)));
    }
    ~PictureWindow() {
        detachPictureControl(picture);
        DestroyWindow(parent);
    }
};

}  // namespace

TEST(PictureControl, UnsignedCoordinatesReachTheViewAndDetachGivesTheProcedureBack) {
    PictureWindow w;
    const HWND picture = w.picture;
    ViewHostWin host;  // outlives the view, whose destructor asks for a repaint
    PhotoView view;
    ASSERT_TRUE(attachPictureControl(view, host, picture, w.status));
    EXPECT_EQ(procedureOf(picture), &viewWindowProc);
    EXPECT_EQ(previousViewProc, &ownProcedure);
    EXPECT_EQ(view.viewWidth, 500);
    EXPECT_EQ(view.viewHeight, 400);
    EXPECT_FALSE(attachPictureControl(view, host, w.status, nullptr));  // one control at a time

    // Width in the low word, height in the high word, both unsigned.
    for (auto [width, height] : {std::pair<WORD, WORD>{321, 123}, {40000, 7}, {500, 400}}) {
        handedOn.clear();
        SendMessageA(picture, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        EXPECT_EQ(view.viewWidth, width);
        EXPECT_EQ(view.viewHeight, height);
        EXPECT_TRUE(handedOnAll({WM_SIZE}));
    }

    // Mouse positions too: 40000 is a position, 65533 (left of or above the control
    // while captured) counts as 0. A drag of the top-left corner shows which was taken.
    loadSynthetic(view, 400, 300);
    view.keepProportions = false;
    SendMessageA(picture, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 400));
    struct Drag { WORD x, y; Selection expected; } drags[] = {
        {65533, 80, {0, 80, 200, 120}},
        {80, 65533, {80, 0, 120, 200}},
        {40000, 80, {185, 80, 15, 120}},
        {80, 40000, {80, 185, 120, 15}},
    };
    for (const Drag& d : drags) {
        SCOPED_TRACE(testing::Message() << "to " << d.x << ", " << d.y);
        select(view, {100, 100, 100, 100});
        handedOn.clear();
        PostMessageA(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(105, 95));
        PostMessageA(picture, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(d.x, d.y));
        PostMessageA(picture, WM_LBUTTONUP, 0, MAKELPARAM(d.x, d.y));
        pumpMessages();
        EXPECT_EQ(selectionOf(view), d.expected);
        EXPECT_EQ(view.dragMode, PhotoView::DragNone);
        EXPECT_TRUE(handedOnAll({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
    }

    detachPictureControl(picture);
    EXPECT_EQ(procedureOf(picture), &ownProcedure);
    EXPECT_EQ(previousViewProc, nullptr);

    // Destroying an attached control detaches it on its last message, so that the next attaches.
    // A control of its own, so that a fault above cannot stack the view's procedure on itself.
    HWND doomed = createStatic(w.parent, WS_CHILD, 0, 50, 40);
    SetWindowLongPtrA(doomed, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ownProcedure));
    ASSERT_TRUE(attachPictureControl(view, host, doomed, nullptr));
    handedOn.clear();
    DestroyWindow(doomed);
    EXPECT_TRUE(handedOnAll({WM_NCDESTROY}));
    EXPECT_EQ(previousViewProc, nullptr);
    EXPECT_TRUE(attachPictureControl(view, host, w.status, nullptr));
    detachPictureControl(w.status);
}

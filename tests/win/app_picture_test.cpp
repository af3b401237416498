#include <gtest/gtest.h>
#include <windows.h>
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

bool handedOnAny(UINT message) {
    for (UINT m : handedOn)
        if (m == message) return true;
    return false;
}

WNDPROC procedureOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)); }

// A parent with a picture control (500 x 400 client) and a status line, as in the
// main dialog.
class PictureWindow {
public:
    PictureWindow() {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 700, 500, nullptr, nullptr, nullptr, nullptr);
        picture = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_GRAYRECT | SS_NOTIFY, 0, 0, 500, 400,
                                  parent, nullptr, nullptr, nullptr);
        status = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 450, 500, 20, parent, nullptr, nullptr,
                                 nullptr);
        staticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(picture, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ownProcedure)));
        handedOn.clear();
    }
    ~PictureWindow() {
        detachPictureControl(picture);
        DestroyWindow(parent);
    }
    PictureWindow(const PictureWindow&) = delete;
    PictureWindow& operator=(const PictureWindow&) = delete;

    HWND parent, picture, status;
};

}  // namespace

TEST(PictureControl, AttachRoutesSizeAndMouseAndDetachGivesTheProcedureBack) {
    PictureWindow w;
    ViewHostWin host;  // outlives the view, whose destructor asks for a repaint
    PhotoView view;
    ASSERT_TRUE(attachPictureControl(view, host, w.picture, w.status));
    EXPECT_EQ(procedureOf(w.picture), &viewWindowProc);
    EXPECT_EQ(previousViewProc, &ownProcedure);
    EXPECT_EQ(view.viewWidth, 500);
    EXPECT_EQ(view.viewHeight, 400);
    // One control at a time.
    EXPECT_FALSE(attachPictureControl(view, host, w.status, nullptr));

    // Width in the low word, height in the high word, both unsigned.
    struct Size {
        WORD width, height;
    } sizes[] = {{321, 123}, {40000, 7}, {500, 400}};
    for (const Size& s : sizes) {
        handedOn.clear();
        SendMessageA(w.picture, WM_SIZE, SIZE_RESTORED, MAKELPARAM(s.width, s.height));
        EXPECT_EQ(view.viewWidth, s.width);
        EXPECT_EQ(view.viewHeight, s.height);
        EXPECT_TRUE(handedOnAny(WM_SIZE));
    }

    // Mouse positions are unsigned 16-bit: 40000 is a position, 65533 (left of the
    // control while captured) counts as 0. A top-left drag shows which was taken.
    loadSynthetic(view, 400, 300);
    view.keepProportions = false;
    SendMessageA(w.picture, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 400));
    struct Drag {
        const char* name;
        WORD x, y;
        Selection expected;
    } drags[] = {
        {"x left of the control", 65533, 80, {0, 80, 200, 120}},
        {"y above the control", 80, 65533, {80, 0, 120, 200}},
        {"x far right", 40000, 80, {185, 80, 15, 120}},
        {"y far below", 80, 40000, {80, 185, 120, 15}},
    };
    for (const Drag& d : drags) {
        SCOPED_TRACE(d.name);
        select(view, {100, 100, 100, 100});
        handedOn.clear();
        PostMessageA(w.picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(105, 95));
        PostMessageA(w.picture, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(d.x, d.y));
        PostMessageA(w.picture, WM_LBUTTONUP, 0, MAKELPARAM(d.x, d.y));
        pumpMessages();
        EXPECT_EQ(selectionOf(view), d.expected);
        EXPECT_EQ(view.dragMode, PhotoView::DragNone);
        EXPECT_TRUE(handedOnAny(WM_LBUTTONDOWN) && handedOnAny(WM_MOUSEMOVE) && handedOnAny(WM_LBUTTONUP));
    }

    detachPictureControl(w.picture);
    EXPECT_EQ(procedureOf(w.picture), &ownProcedure);
    EXPECT_EQ(previousViewProc, nullptr);
}

TEST(PictureControl, DestroyingTheControlDetachesIt) {
    PictureWindow w;
    ViewHostWin host;
    PhotoView view;
    ASSERT_TRUE(attachPictureControl(view, host, w.picture, w.status));
    DestroyWindow(w.picture);
    EXPECT_TRUE(handedOnAny(WM_NCDESTROY));
    EXPECT_EQ(previousViewProc, nullptr);
    // So the next control can be attached.
    HWND another = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 50, 40, w.parent, nullptr, nullptr, nullptr);
    EXPECT_TRUE(attachPictureControl(view, host, another, nullptr));
    detachPictureControl(another);
}

#include "app/PictureControl.h"
#include "app/GdiCanvas.h"
#include "app/ViewHostWin.h"
#include "photo/PhotoView.h"

WNDPROC previousViewProc = nullptr;

namespace {
LRESULT handOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!previousViewProc) return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previousViewProc, window, message, wParam, lParam);
}

void paintView(HWND window, PhotoView& view) {
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window, &paint);
    if (context) {
        RECT client{};
        GetClientRect(window, &client);
        GdiCanvas canvas(context, client.right, client.bottom);
        view.paint(canvas);
    }
    EndPaint(window, &paint);
}
}  // namespace

LRESULT CALLBACK viewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PhotoView* view = currentPhotoView;
    if (!view) return handOn(window, message, wParam, lParam);
    // Positions are unsigned 16-bit: while captured, a point left of or above the
    // control arrives above 65000, which the view takes as 0.
    const uint32_t x = LOWORD(lParam), y = HIWORD(lParam);
    switch (message) {
    case WM_SIZE:
        view->rebuildDisplay(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_PAINT:
        if (!view->photoLoaded) break;  // the control paints its own background
        paintView(window, *view);
        return 0;
    case WM_MOUSEMOVE:
        view->onMouseMove(static_cast<uint32_t>(wParam), x, y);
        break;
    case WM_LBUTTONDOWN:
        view->onMouseButton(static_cast<uint32_t>(wParam), x, y, true);
        break;
    case WM_LBUTTONUP:
        view->onMouseButton(static_cast<uint32_t>(wParam), x, y, false);
        break;
    case WM_NCDESTROY: {
        // The control's last message: give it its own procedure back on the way out.
        LRESULT result = handOn(window, message, wParam, lParam);
        detachPictureControl(window);
        return result;
    }
    default:
        break;
    }
    return handOn(window, message, wParam, lParam);
}

bool attachPictureControl(PhotoView& view, ViewHostWin& host, HWND picture, HWND status) {
    if (!picture || previousViewProc) return false;
    SetLastError(0);
    LONG_PTR old = SetWindowLongPtrA(picture, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&viewWindowProc));
    if (old == 0 && GetLastError() != 0) return false;
    previousViewProc = reinterpret_cast<WNDPROC>(old);
    host.attach(picture, status);
    RECT client{};
    GetClientRect(picture, &client);
    view.attach(&host, client.right - client.left, client.bottom - client.top);
    return true;
}

void detachPictureControl(HWND picture) {
    if (!previousViewProc) return;
    if (picture && IsWindow(picture) &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(picture, GWLP_WNDPROC)) == &viewWindowProc)
        SetWindowLongPtrA(picture, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousViewProc));
    previousViewProc = nullptr;
}

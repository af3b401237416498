#include "win/Window.h"

namespace {
// The window property that names a subclassed control's object.
const char objectProperty[] = "VistrelWindowObject";
}

WindowObject::~WindowObject() {
    if (window && IsWindow(window)) {
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == windowProcedure())
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
        RemovePropA(window, objectProperty);
    }
}

WNDPROC WindowObject::windowProcedure() const { return &WindowObject::subclassProc; }

bool WindowObject::subclass(HWND control) {
    if (!control || window) return false;
    if (!SetPropA(control, objectProperty, this)) return false;
    SetLastError(0);
    LONG_PTR old = SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProcedure()));
    if (old == 0 && GetLastError() != 0) {
        RemovePropA(control, objectProperty);
        return false;
    }
    previousProc = reinterpret_cast<WNDPROC>(old);
    window = control;
    return true;
}

LRESULT WindowObject::callPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(previousProc, window, message, wParam, lParam);
}

LRESULT CALLBACK WindowObject::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = static_cast<WindowObject*>(GetPropA(window, objectProperty));
    if (!object) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    if (object->processMessage(message, wParam, lParam, result)) return result;
    if (message != WM_NCDESTROY) return object->callPrevious(message, wParam, lParam);

    // The last message: hand it on, then give the control its own procedure back.
    result = object->callPrevious(message, wParam, lParam);
    if (object->previousProc != DefWindowProcA &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == object->windowProcedure())
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(object->previousProc));
    RemovePropA(window, objectProperty);
    object->window = nullptr;
    object->onFinalMessage();
    return result;
}

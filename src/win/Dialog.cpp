#include "win/Dialog.h"
#include "win/AppModule.h"

DialogObject::~DialogObject() {
    // A window that outlives its object must not reach it any more.
    if (window && IsWindow(window)) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        DestroyWindow(window);
    }
}

HWND DialogObject::createDialog(HINSTANCE instance, int templateId, HWND owner, LPARAM parameter) {
    if (window || !appModule.pushCreationEntry(this)) return nullptr;
    entryTaken = false;
    HWND created = CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner,
                                      &DialogObject::startDialogProc, parameter);
    // A dialog that failed before its first message leaves our entry, the newest of
    // this thread, behind.
    if (!entryTaken) appModule.takeCreationEntry();
    return created && window == created ? created : nullptr;
}

bool DialogObject::returnsResultDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK DialogObject::startDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = static_cast<DialogObject*>(appModule.takeCreationEntry());
    if (!object) return FALSE;
    object->entryTaken = true;
    object->window = window;
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(object));
    SetWindowLongPtrA(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&DialogObject::dialogProc));
    return object->dispatch(message, wParam, lParam);
}

INT_PTR CALLBACK DialogObject::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = reinterpret_cast<DialogObject*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!object) return FALSE;
    return object->dispatch(message, wParam, lParam);
}

INT_PTR DialogObject::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    HWND self = window;
    if (processMessage(message, wParam, lParam, result)) {
        if (returnsResultDirectly(message)) return static_cast<INT_PTR>(result);
        if (self) SetWindowLongPtrA(self, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(self, DWLP_USER, 0);
        window = nullptr;
        onFinalMessage();
    }
    return FALSE;
}

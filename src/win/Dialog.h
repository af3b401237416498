#pragma once
#include <windows.h>

// A modeless dialog bound to an object: the object goes on the window-creation
// list just before CreateDialogParamA, the first message takes it off and binds
// the window, and from then on every message reaches processMessage.
class DialogObject {
public:
    DialogObject() = default;
    virtual ~DialogObject();
    DialogObject(const DialogObject&) = delete;
    DialogObject& operator=(const DialogObject&) = delete;

    // True when the message was handled; result is then its answer.
    virtual bool processMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // Called once the window has had its last message and the object is detached.
    virtual void onFinalMessage() {}

    // Creates the dialog from the template; null when it cannot be created.
    HWND createDialog(HINSTANCE instance, int templateId, HWND owner, LPARAM parameter);

    // Messages whose handled result is the dialog procedure's own return value;
    // every other handled result goes to DWLP_MSGRESULT.
    static bool returnsResultDirectly(UINT message);

    HWND window = nullptr;

private:
    static INT_PTR CALLBACK startDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    bool entryTaken = false;
};

#pragma once
#include <windows.h>

// A control subclassed for an object: from the moment of binding every message of
// the control reaches processMessage; what it leaves unhandled goes to the
// control's previous window procedure.
class WindowObject {
public:
    WindowObject() = default;
    virtual ~WindowObject();
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    // True when the message was handled; result is then the answer.
    virtual bool processMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // The window procedure that subclassing installs.
    virtual WNDPROC windowProcedure() const;
    // Called after the window's last message.
    virtual void onFinalMessage() {}

    // Replaces the control's window procedure; false, changing nothing, on failure.
    bool subclass(HWND control);
    LRESULT callPrevious(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window = nullptr;
    WNDPROC previousProc = DefWindowProcA;

private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

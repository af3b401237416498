#include "app/PhotoLoader.h"
#include "photo/PhotoView.h"
#include "shell/WaitCursor.h"
#include "win/AppModule.h"

PhotoLoader::~PhotoLoader() { detach(); }

void PhotoLoader::attach(PhotoView* photoView, HWND dialogWindow) {
    view = photoView;
    dialog = dialogWindow;
    loop = appModule.messageLoop();
    // Without the loop (none, or full) a load still runs; the window only waits for it.
    if (loop && !(loop->addMessageFilter(this) && loop->addIdleHandler(this))) leaveLoop();
}

void PhotoLoader::detach() {
    leaveLoop();
    view = nullptr;
}

void PhotoLoader::leaveLoop() {
    if (loop) {
        loop->removeMessageFilter(this);
        loop->removeIdleHandler(this);
    }
    loop = nullptr;
}

void PhotoLoader::chosen() {
    if (!view || !view->choicePending()) return;
    repeatingKey = repeatingNow;
    // A load running was asked to stop; once it has, the choice is woken.
    if (!view->loading()) wake();
}

void PhotoLoader::wake() {
    if (!wakePosted) wakePosted = PostMessageA(dialog, WakeMessage, 0, 0) != FALSE;
}

void PhotoLoader::loadWhenSettled() {
    wakePosted = false;
    if (!view || quitting || view->loading() || !view->choicePending()) return;
    // Each of these returns re-arms the idle pass: the key's release, the input that came.
    if (repeatingKey && (GetAsyncKeyState(static_cast<int>(repeatingKey)) & 0x8000)) return;
    if (MsgWaitForMultipleObjectsEx(0, nullptr, SettleTime, QS_KEY | QS_MOUSEBUTTON, MWMO_INPUTAVAILABLE) !=
        WAIT_TIMEOUT)
        return;
    repeatingKey = 0;
    {
        WaitCursor wait;
        view->loadChosen();
    }
    // A choice made while it loaded stopped it, and is next.
    if (view && view->choicePending()) wake();
}

bool PhotoLoader::onIdle() {
    loadWhenSettled();
    return false;
}

bool PhotoLoader::preTranslateMessage(MSG& message) {
    const bool keyDown = message.message == WM_KEYDOWN;
    repeatingNow = keyDown && (message.lParam & KF_REPEAT << 16) ? message.wParam : 0;
    if (keyDown && message.wParam == VK_ESCAPE && view) view->stopLoading();
    return false;
}

bool PhotoLoader::service() {
    if (!loop) return true;
    MSG message;
    // Bounded, so that a stream of messages never stalls the load.
    for (int handled = 0; handled < 200 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++handled) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            quitting = true;
            return false;
        }
        loop->handle(message);
        if (!view || view->loadStopRequested()) break;
    }
    return true;
}

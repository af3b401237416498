#pragma once
#include <windows.h>
#include "win/MessageLoop.h"

class PhotoView;

// When the photograph chosen in the file list is loaded, and how the window keeps answering
// while it loads. Only the row the list rests on is loaded: not while keys or buttons are
// still coming in, nor while the key whose auto-repeat chose it is held. The load runs on
// this thread, the window's own: every few milliseconds the decoder hands the window what
// waits (service), so that it paints and answers, and a newer choice or Esc stops the load
// (Esc also stops a choice still waiting, whatever has the focus).
// (A worker thread would write the view's photograph while the window reads it: every reader
// would need a lock or a hand-over, where this hook keeps it all on one thread.)
class PhotoLoader : public MessageFilter, public IdleHandler {
public:
    enum : UINT { WakeMessage = WM_APP + 1 };
    // Without a key or button for this long after a choice, the load starts: keys pressed as
    // fast as a key repeats come closer together, a person's single press or click does not.
    enum : DWORD { SettleTime = 25 };  // milliseconds

    ~PhotoLoader() override;
    // Binds to the view and its dialog, and to this thread's loop for its messages and idle passes.
    void attach(PhotoView* photoView, HWND dialogWindow);
    void detach();
    // After the list offered a row to the view: a choice waiting wakes the dialog.
    void chosen();
    // The dialog got WakeMessage, or the queue went empty: loads the choice when settled.
    void loadWhenSettled();
    bool onIdle() override;
    // Sees each message before it is handled. Esc stops what opens, and goes on to its window
    // all the same.
    bool preTranslateMessage(MSG& message) override;
    // The window's turn during a load: what waits is handled as the loop would, until the
    // view is asked to stop. False when the quit message came (it is posted again).
    bool service();

private:
    void wake();
    void leaveLoop();

    PhotoView* view = nullptr;
    HWND dialog = nullptr;
    MessageLoop* loop = nullptr;
    bool wakePosted = false;
    bool quitting = false;
    WPARAM repeatingNow = 0;  // the key whose auto-repeat is the message being handled
    WPARAM repeatingKey = 0;  // the key whose auto-repeat made the choice waiting
};

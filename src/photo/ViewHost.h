#pragma once
#include <cstdint>

// The four system cursors the view shows.
enum class ViewCursor { Arrow, Move, SizeNesw, SizeNwse };

// Message box icons, with the platform's values.
enum : unsigned { IconError = 0x10, IconAsterisk = 0x40 };

// What the photo view needs of the picture control, its status line and the
// message boxes it owns. The program's host talks to real windows; tests record.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    virtual void setStatusText(const char* text) = 0;
    // Asks for a repaint of the whole picture control.
    virtual void invalidate(bool erase) = 0;
    virtual void setCursor(ViewCursor cursor) = 0;
    virtual void captureMouse() = 0;
    virtual void releaseMouse() = 0;
    // A message box with an OK button, owned by the picture control.
    virtual void showMessage(const char* text, const char* caption, unsigned icon) = 0;
    // Milliseconds from any fixed start: a load times itself with it.
    virtual uint32_t clock() { return 0; }
    // Called every few milliseconds while a photograph loads: the window handles what waits
    // (painting, input, other programs' questions). False when the load must stop (the
    // program is closing).
    virtual bool serviceWhileLoading() { return true; }
};

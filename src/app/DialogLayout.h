#pragma once
#include <windows.h>
#include <cstdint>

// How a row's control follows the dialog's client size.
enum : uint32_t {
    LAYOUT_SIZE_X = 0x1,    // the right edge follows the width
    LAYOUT_SIZE_Y = 0x2,    // the bottom edge follows the height
    LAYOUT_MOVE_X = 0x4,    // left and right edges follow the width
    LAYOUT_MOVE_Y = 0x8,    // top and bottom edges follow the height
    LAYOUT_REPAINT = 0x10,  // invalidated, erasing, before it moves
    LAYOUT_GRIP = 0x4000,   // the size grip the layout created
};

// One control of the layout, with its rectangle in the dialog's client coordinates
// when the layout was recorded. Rectangles are endpoint-exclusive, like RECT.
struct LayoutRow {
    int32_t controlId;
    uint32_t flags;
    RECT recorded;
};

struct LayoutEntry {
    int32_t controlId;
    uint32_t flags;
};
// The main dialog's rows after the grip, ended by (-1, 0).
extern const LayoutEntry mainDialogLayout[];

struct LayoutPlacement {
    RECT rect;
    bool move;     // SetWindowPos is needed
    bool repaint;  // invalidate, erasing, first
};
// Where a control goes when the client size differs by (dx, dy) from the recorded
// one: edges the flags name follow the recorded rectangle, the others stay where
// the control is now.
LayoutPlacement placeControl(const LayoutRow& row, const RECT& current, int32_t dx, int32_t dy);

// Where a window of size w x h goes to be centred on reference while staying inside area.
POINT centredPosition(const RECT& area, const RECT& reference, int32_t w, int32_t h);

// Keeps the dialog's controls anchored while it is resized, and keeps the dialog
// from being made smaller than it was at initialisation.
class DialogLayout {
public:
    DialogLayout() = default;
    ~DialogLayout();
    DialogLayout(const DialogLayout&) = delete;
    DialogLayout& operator=(const DialogLayout&) = delete;

    void centreWindow(HWND dialog);
    void initLayout(HWND dialog, HINSTANCE instance, bool withGrip, bool withMinTrackSize,
                    DWORD forcedStyle);
    LRESULT onSize(WPARAM sizeType, LPARAM size);
    LRESULT onGetMinMaxInfo(LPARAM info);
    void updateLayout(int32_t clientWidth, int32_t clientHeight);
    void positionControl(const LayoutRow& row, int32_t clientWidth, int32_t clientHeight);

    int rowCount() const { return count; }
    const LayoutRow& row(int index) const { return rows[index]; }

    int32_t initialClientWidth = 0;
    int32_t initialClientHeight = 0;
    int32_t minTrackWidth = -1;
    int32_t minTrackHeight = -1;
    bool gripPresent = false;

private:
    // False, recording nothing, when the list cannot grow.
    bool addRow(int32_t controlId, uint32_t flags, const RECT& recorded);
    void clearRows();
    bool controlRect(int32_t controlId, RECT& rect) const;

    HWND dialog = nullptr;
    LayoutRow* rows = nullptr;
    int count = 0;
    int capacity = 0;
};

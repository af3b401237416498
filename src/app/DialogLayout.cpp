#include "app/DialogLayout.h"
#include <new>
#include "app/resources/resource.h"

namespace {
const DWORD gripStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP |
                        SBS_SIZEBOXBOTTOMRIGHTALIGN;
static_assert(gripStyle == 0x5400001C, "size grip style");
const uint32_t movingFlags = LAYOUT_SIZE_X | LAYOUT_SIZE_Y | LAYOUT_MOVE_X | LAYOUT_MOVE_Y | LAYOUT_REPAINT;
}

const LayoutEntry mainDialogLayout[] = {
    {IDC_FOLDER_TREE, LAYOUT_SIZE_Y},
    {IDC_FILE_LIST, LAYOUT_SIZE_X},
    {IDC_PICTURE, LAYOUT_SIZE_X | LAYOUT_SIZE_Y},
    {IDC_DEVICE_LABEL, LAYOUT_MOVE_Y},
    {IDC_DEVICE_COMBO, LAYOUT_MOVE_Y},
    {IDC_STORAGE_LABEL, LAYOUT_MOVE_Y},
    {IDC_STORAGE_COMBO, LAYOUT_MOVE_Y},
    {IDC_WIDTH_LABEL, LAYOUT_MOVE_Y},
    {IDC_WIDTH_EDIT, LAYOUT_MOVE_Y},
    {IDC_HEIGHT_LABEL, LAYOUT_MOVE_Y},
    {IDC_HEIGHT_EDIT, LAYOUT_MOVE_Y},
    {IDC_SET, LAYOUT_MOVE_Y},
    {IDC_FILLS_SCREEN, LAYOUT_MOVE_Y},
    {IDC_SEND, LAYOUT_MOVE_Y},
    {IDC_STATUS, LAYOUT_SIZE_X | LAYOUT_MOVE_Y},
    {-1, 0},
};

LayoutPlacement placeControl(const LayoutRow& row, const RECT& current, int32_t dx, int32_t dy) {
    // Offsets are from the recorded size, never accumulated, so shrinking back
    // restores the recorded rectangle exactly.
    LayoutPlacement placement{current, (row.flags & movingFlags) != 0, (row.flags & LAYOUT_REPAINT) != 0};
    RECT& r = placement.rect;
    if (row.flags & (LAYOUT_SIZE_X | LAYOUT_MOVE_X)) {
        r.right = row.recorded.right + dx;
        if (row.flags & LAYOUT_MOVE_X) r.left = row.recorded.left + dx;
    }
    if (row.flags & (LAYOUT_SIZE_Y | LAYOUT_MOVE_Y)) {
        r.bottom = row.recorded.bottom + dy;
        if (row.flags & LAYOUT_MOVE_Y) r.top = row.recorded.top + dy;
    }
    return placement;
}

POINT centredPosition(const RECT& area, const RECT& reference, int32_t w, int32_t h) {
    int32_t x = (reference.left + reference.right) / 2 - w / 2;
    int32_t y = (reference.top + reference.bottom) / 2 - h / 2;
    // A window larger than the area lands on the area's top-left corner.
    if (x < area.left)
        x = area.left;
    else if (x + w > area.right)
        x = area.right - w;
    if (y < area.top)
        y = area.top;
    else if (y + h > area.bottom)
        y = area.bottom - h;
    return POINT{x, y};
}

DialogLayout::~DialogLayout() { clearRows(); }

void DialogLayout::clearRows() {
    delete[] rows;
    rows = nullptr;
    count = capacity = 0;
}

bool DialogLayout::addRow(int32_t controlId, uint32_t flags, const RECT& recorded) {
    if (count == capacity) {
        int grown = capacity ? capacity * 2 : 16;
        auto* bigger = new (std::nothrow) LayoutRow[grown];
        if (!bigger) return false;
        for (int i = 0; i < count; ++i) bigger[i] = rows[i];
        delete[] rows;
        rows = bigger;
        capacity = grown;
    }
    rows[count++] = LayoutRow{controlId, flags, recorded};
    return true;
}

bool DialogLayout::controlRect(int32_t controlId, RECT& rect) const {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control || !GetWindowRect(control, &rect)) return false;
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return true;
}

void DialogLayout::centreWindow(HWND window) {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT frame{};
    if (!GetWindowRect(window, &frame)) return;
    POINT at = centredPosition(area, area, frame.right - frame.left, frame.bottom - frame.top);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogLayout::initLayout(HWND window, HINSTANCE instance, bool withGrip, bool withMinTrackSize,
                              DWORD forcedStyle) {
    dialog = window;
    LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
    if ((style & forcedStyle) != forcedStyle)
        SetWindowLongPtrA(dialog, GWL_STYLE, style | static_cast<LONG_PTR>(forcedStyle));

    clearRows();
    RECT client{};
    GetClientRect(dialog, &client);
    initialClientWidth = client.right;
    initialClientHeight = client.bottom;
    minTrackWidth = minTrackHeight = -1;
    gripPresent = false;

    if (withGrip && !GetDlgItem(dialog, IDC_SIZE_GRIP)) {
        // The bottom-right alignment style gives the grip its standard size in the corner.
        CreateWindowExA(0, "SCROLLBAR", nullptr, gripStyle, client.left, client.top,
                        client.right - client.left, client.bottom - client.top, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SIZE_GRIP)), instance, nullptr);
        RECT grip{};
        if (controlRect(IDC_SIZE_GRIP, grip)) {
            gripPresent = true;
            addRow(IDC_SIZE_GRIP, LAYOUT_MOVE_X | LAYOUT_MOVE_Y | LAYOUT_REPAINT | LAYOUT_GRIP, grip);
        }
    }

    if (withMinTrackSize) {
        // A top-level dialog: the frame and caption count.
        RECT frame{};
        if (GetWindowRect(dialog, &frame)) {
            minTrackWidth = frame.right - frame.left;
            minTrackHeight = frame.bottom - frame.top;
        }
    }

    for (const LayoutEntry* entry = mainDialogLayout; entry->controlId != -1; ++entry) {
        RECT recorded{};
        if (controlRect(entry->controlId, recorded)) addRow(entry->controlId, entry->flags, recorded);
    }
}

LRESULT DialogLayout::onSize(WPARAM sizeType, LPARAM size) {
    if (gripPresent) {
        HWND grip = GetDlgItem(dialog, IDC_SIZE_GRIP);
        if (sizeType == SIZE_MAXIMIZED)
            ShowWindow(grip, SW_HIDE);
        else if (sizeType == SIZE_RESTORED)
            ShowWindow(grip, SW_SHOW);
    }
    // A minimised dialog keeps its controls where they were.
    if (sizeType != SIZE_MINIMIZED)
        updateLayout(static_cast<int16_t>(LOWORD(size)), static_cast<int16_t>(HIWORD(size)));
    return 0;
}

LRESULT DialogLayout::onGetMinMaxInfo(LPARAM info) {
    auto* limits = reinterpret_cast<MINMAXINFO*>(info);
    if (limits && minTrackWidth != -1 && minTrackHeight != -1) {
        limits->ptMinTrackSize.x = minTrackWidth;
        limits->ptMinTrackSize.y = minTrackHeight;
    }
    return 0;
}

void DialogLayout::updateLayout(int32_t clientWidth, int32_t clientHeight) {
    if (!dialog) return;
    // One repaint per resize step: no drawing while the controls move.
    bool redrawOff = IsWindowVisible(dialog) != FALSE;
    if (redrawOff) SendMessageA(dialog, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; ++i) positionControl(rows[i], clientWidth, clientHeight);
    if (redrawOff) SendMessageA(dialog, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(dialog, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void DialogLayout::positionControl(const LayoutRow& layoutRow, int32_t clientWidth, int32_t clientHeight) {
    RECT current{};
    if (!controlRect(layoutRow.controlId, current)) return;
    LayoutPlacement placement = placeControl(layoutRow, current, clientWidth - initialClientWidth,
                                             clientHeight - initialClientHeight);
    HWND control = GetDlgItem(dialog, layoutRow.controlId);
    if (placement.repaint) InvalidateRect(control, nullptr, TRUE);
    if (placement.move) {
        const RECT& r = placement.rect;
        SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

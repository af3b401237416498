#include "photo/MulDiv.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

namespace {

constexpr int32_t MinimumSide = 15;

// Positions left of or above the control, reported while the mouse is captured, arrive
// as 16-bit values wrapped around past 65000.
int32_t fromMouse(uint32_t v) { return v > 65000 ? 0 : static_cast<int32_t>(v); }

// Within 9 pixels of (px, py) along each axis.
bool inZone(int32_t x, int32_t y, int32_t px, int32_t py) {
    int32_t dx = x - px, dy = y - py;
    return dx > -10 && dx < 10 && dy > -10 && dy < 10;
}

enum class Zone { None, TopLeft, BottomRight, Centre };

// The first zone that holds the point, in this order: the corners win over the centre.
Zone hitZone(const PhotoView& v, int32_t x, int32_t y) {
    const int32_t l = v.selectionLeft, t = v.selectionTop, w = v.selectionWidth, h = v.selectionHeight;
    if (inZone(x, y, l, t)) return Zone::TopLeft;
    if (inZone(x, y, l + w, t + h)) return Zone::BottomRight;  // one beyond the last column and row
    if (inZone(x, y, l + w / 2, t + h / 2)) return Zone::Centre;
    return Zone::None;
}

}  // namespace

void PhotoView::onMouseButton(uint32_t, uint32_t rawX, uint32_t rawY, bool down) {
    if (!down) {
        // Released whatever the state: a photograph reset in the middle of a drag must
        // not leave the control holding the mouse.
        if (host) host->releaseMouse();
        dragMode = DragNone;
        return;
    }
    if (!displayMapped()) return;
    const int32_t x = fromMouse(rawX), y = fromMouse(rawY);
    if (host) host->captureMouse();
    switch (hitZone(*this, x, y)) {
    case Zone::TopLeft: dragMode = DragTopLeft; break;
    case Zone::BottomRight: dragMode = DragBottomRight; break;
    case Zone::Centre: dragMode = DragMove; break;
    case Zone::None: break;  // a drag under way goes on
    }
}

void PhotoView::onMouseMove(uint32_t, uint32_t rawX, uint32_t rawY) {
    if (!displayMapped()) return;
    const int32_t x = fromMouse(rawX), y = fromMouse(rawY);
    const int32_t l = selectionLeft, t = selectionTop, w = selectionWidth, h = selectionHeight;
    const int64_t screenW = screenWidth(), screenH = screenHeight();

    switch (dragMode) {
    case DragBottomRight: {
        if (host) host->setCursor(ViewCursor::SizeNwse);
        int32_t dx = x - l - w, dy = y - t - h;
        // Display edge first, then the minimum size, then the proportion lock.
        if (l + w + dx > displayWidth) dx = displayWidth - w - l;
        if (t + h + dy > displayHeight) dy = displayHeight - h - t;
        if (w + dx < MinimumSide) dx = MinimumSide - w;
        if (h + dy < MinimumSide) dy = MinimumSide - h;
        if (keepProportions) {
            // The lock only shortens the side too long for the other.
            int64_t maxW = mulDiv(screenW, h + dy, screenH);
            if (w + dx > maxW) dx = static_cast<int32_t>(maxW - w);
            int64_t maxH = mulDiv(w + dx, screenH, screenW);
            if (h + dy > maxH) dy = static_cast<int32_t>(maxH - h);
        }
        selectionWidth = w + dx;
        selectionHeight = h + dy;
        break;
    }
    case DragTopLeft: {
        if (host) host->setCursor(ViewCursor::SizeNwse);
        int32_t dx = x - l, dy = y - t;
        if (w - dx < MinimumSide) dx = w - MinimumSide;
        if (h - dy < MinimumSide) dy = h - MinimumSide;
        if (keepProportions) {
            int64_t maxW = mulDiv(screenW, h - dy, screenH);
            if (w - dx > maxW) dx = static_cast<int32_t>(w - maxW);
            int64_t maxH = mulDiv(w - dx, screenH, screenW);
            if (h - dy > maxH) dy = static_cast<int32_t>(h - maxH);
        }
        // The corner never passes the fixed bottom-right corner.
        if (w - dx < 0 || h - dy < 0) dx = dy = 0;
        selectionLeft = l + dx;
        selectionTop = t + dy;
        selectionWidth = w - dx;
        selectionHeight = h - dy;
        break;
    }
    case DragMove: {
        if (host) host->setCursor(ViewCursor::Move);
        int32_t dx = x - w / 2 - l, dy = y - h / 2 - t;
        if (w + l + dx > displayWidth) dx = displayWidth - w - l;
        if (h + t + dy > displayHeight) dy = displayHeight - h - t;
        selectionLeft = l + dx < 0 ? 0 : l + dx;
        selectionTop = t + dy < 0 ? 0 : t + dy;
        break;
    }
    default: {
        // Hovering only chooses the cursor.
        Zone zone = hitZone(*this, x, y);
        ViewCursor cursor = zone == Zone::TopLeft || zone == Zone::BottomRight ? ViewCursor::SizeNwse
                            : zone == Zone::Centre                             ? ViewCursor::Move
                                                                               : ViewCursor::Arrow;
        if (host) host->setCursor(cursor);
        return;
    }
    }
    updateQuality();
    if (host) host->invalidate(false);  // painting is double-buffered: no erase, no flicker
}

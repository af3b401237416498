#include "app/GdiCanvas.h"
#include <cstddef>

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "BITMAPINFOHEADER size");
static_assert(offsetof(BitmapInfoHeader, biWidth) == offsetof(BITMAPINFOHEADER, biWidth), "biWidth");
static_assert(offsetof(BitmapInfoHeader, biHeight) == offsetof(BITMAPINFOHEADER, biHeight), "biHeight");
static_assert(offsetof(BitmapInfoHeader, biPlanes) == offsetof(BITMAPINFOHEADER, biPlanes), "biPlanes");
static_assert(offsetof(BitmapInfoHeader, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount), "biBitCount");
static_assert(offsetof(BitmapInfoHeader, biCompression) == offsetof(BITMAPINFOHEADER, biCompression),
              "biCompression");
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == offsetof(BITMAPINFOHEADER, biClrImportant),
              "biClrImportant");
static_assert(sizeof(BitmapInfo) == sizeof(BITMAPINFO), "BITMAPINFO size");
static_assert(offsetof(BitmapInfo, bmiColors) == offsetof(BITMAPINFO, bmiColors), "bmiColors");

GdiCanvas::GdiCanvas(HDC targetContext, int32_t width, int32_t height)
    : target(targetContext), canvasWidth(width > 0 ? width : 0), canvasHeight(height > 0 ? height : 0) {
    if (!target || canvasWidth == 0 || canvasHeight == 0) return;
    memory = CreateCompatibleDC(target);
    if (!memory) return;
    bitmap = CreateCompatibleBitmap(target, canvasWidth, canvasHeight);
    if (!bitmap) {
        DeleteDC(memory);
        memory = nullptr;
        return;
    }
    previousBitmap = SelectObject(memory, bitmap);
}

GdiCanvas::~GdiCanvas() {
    restorePen();
    if (!memory) return;
    SelectObject(memory, previousBitmap);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

void GdiCanvas::fill(const Rect& rect, uint32_t colour) {
    if (!memory) return;
    HBRUSH brush = CreateSolidBrush(colour);
    if (!brush) return;
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(memory, &area, brush);
    DeleteObject(brush);
}

void GdiCanvas::clip(const Rect& rect) {
    if (!memory) return;
    HRGN region = CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
    if (!region) return;
    // The context keeps a copy of the region.
    SelectClipRgn(memory, region);
    DeleteObject(region);
}

void GdiCanvas::drawPicture(int32_t x, int32_t y, int32_t width, int32_t height, const BitmapInfo& header,
                            const uint8_t* pixels) {
    if (!memory || !pixels || width <= 0 || height <= 0) return;
    SetDIBitsToDevice(memory, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                      static_cast<UINT>(height), pixels, reinterpret_cast<const BITMAPINFO*>(&header),
                      DIB_RGB_COLORS);
}

void GdiCanvas::selectDottedPen(uint32_t colour) {
    if (!memory) return;
    restorePen();
    pen = CreatePen(PS_DOT, 1, colour);
    if (pen) previousPen = SelectObject(memory, pen);
}

void GdiCanvas::restorePen() {
    if (!pen) return;
    SelectObject(memory, previousPen);
    DeleteObject(pen);
    pen = nullptr;
    previousPen = nullptr;
}

void GdiCanvas::moveTo(int32_t x, int32_t y) {
    if (memory) MoveToEx(memory, x, y, nullptr);
}

void GdiCanvas::lineTo(int32_t x, int32_t y) {
    if (memory) LineTo(memory, x, y);
}

void GdiCanvas::copyOut() {
    if (memory) BitBlt(target, 0, 0, canvasWidth, canvasHeight, memory, 0, 0, SRCCOPY);
}

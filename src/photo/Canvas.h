#pragma once
#include <cstdint>
#include "photo/Bitmap.h"

// Rectangles are endpoint-exclusive, like RECT: (left, top, right, bottom) covers
// columns left .. right - 1 and rows top .. bottom - 1.
struct Rect {
    int32_t left, top, right, bottom;
};

// The drawing surface that painting is defined on. The program's canvas is an
// off-screen GDI bitmap; tests use a raster canvas in memory.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual int32_t width() const = 0;   // the control's client width
    virtual int32_t height() const = 0;  // the control's client height
    virtual void fill(const Rect& rect, uint32_t colour) = 0;  // colour 0x00BBGGRR
    virtual void clip(const Rect& rect) = 0;
    // A 32-bit bottom-up picture copied unscaled, its top row at y.
    virtual void drawPicture(int32_t x, int32_t y, int32_t width, int32_t height,
                             const BitmapInfo& header, const uint8_t* pixels) = 0;
    // Selects a 1-pixel dotted pen in the colour; restorePen puts the previous one back.
    virtual void selectDottedPen(uint32_t colour) = 0;
    virtual void restorePen() = 0;
    virtual void moveTo(int32_t x, int32_t y) = 0;
    // Draws with the current pen from the current point to (x, y), the end point
    // excluded, and makes (x, y) the current point.
    virtual void lineTo(int32_t x, int32_t y) = 0;
    virtual void copyOut() = 0;
};

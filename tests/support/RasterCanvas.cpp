#include "support/RasterCanvas.h"
#include <cstdlib>

RasterCanvas::RasterCanvas(int32_t width, int32_t height, uint32_t initial)
    : canvasWidth(width), canvasHeight(height),
      pixels(static_cast<size_t>(width) * static_cast<size_t>(height), initial),
      clipRect{0, 0, width, height} {}

void RasterCanvas::plot(int32_t x, int32_t y, uint32_t colour) {
    if (x < clipRect.left || x >= clipRect.right || y < clipRect.top || y >= clipRect.bottom) return;
    pixels[static_cast<size_t>(y) * canvasWidth + x] = colour;
}

uint32_t RasterCanvas::pixel(int32_t x, int32_t y) const {
    return pixels[static_cast<size_t>(y) * canvasWidth + x];
}

void RasterCanvas::fill(const Rect& rect, uint32_t colour) {
    for (int32_t y = rect.top; y < rect.bottom; ++y)
        for (int32_t x = rect.left; x < rect.right; ++x) plot(x, y, colour);
}

void RasterCanvas::clip(const Rect& rect) {
    clipRect.left = rect.left < 0 ? 0 : rect.left;
    clipRect.top = rect.top < 0 ? 0 : rect.top;
    clipRect.right = rect.right > canvasWidth ? canvasWidth : rect.right;
    clipRect.bottom = rect.bottom > canvasHeight ? canvasHeight : rect.bottom;
}

void RasterCanvas::drawPicture(int32_t x, int32_t y, int32_t width, int32_t height, const BitmapInfo& header,
                               const uint8_t* picture) {
    const int32_t stride = header.bmiHeader.biWidth * 4;
    const int32_t rows = std::abs(header.bmiHeader.biHeight);
    const bool bottomUp = header.bmiHeader.biHeight > 0;
    for (int32_t r = 0; r < height && r < rows; ++r) {
        const uint8_t* row = picture + static_cast<size_t>(bottomUp ? rows - 1 - r : r) * stride;
        for (int32_t c = 0; c < width && c < header.bmiHeader.biWidth; ++c) {
            const uint8_t* p = row + c * 4;  // blue, green, red, 0
            plot(x + c, y + r, static_cast<uint32_t>(p[2]) | p[1] << 8 | p[0] << 16);
        }
    }
}

void RasterCanvas::selectDottedPen(uint32_t colour) {
    penColour = colour;
    dotted = true;
    ++penDepth;
}

void RasterCanvas::restorePen() {
    if (penDepth > 0) --penDepth;
    dotted = penDepth > 0;
    if (!dotted) penColour = 0;
}

void RasterCanvas::moveTo(int32_t x, int32_t y) {
    currentX = x;
    currentY = y;
}

void RasterCanvas::lineTo(int32_t x, int32_t y) {
    // Bresenham from the current point, the end point left out.
    int32_t px = currentX, py = currentY;
    const int32_t dx = std::abs(x - px), dy = -std::abs(y - py);
    const int32_t sx = px < x ? 1 : -1, sy = py < y ? 1 : -1;
    int32_t error = dx + dy;
    bool dot = true;
    while (px != x || py != y) {
        plot(px, py, !dotted || dot ? penColour : White);
        dot = !dot;
        int32_t e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            px += sx;
        }
        if (e2 <= dx) {
            error += dx;
            py += sy;
        }
    }
    currentX = x;
    currentY = y;
}

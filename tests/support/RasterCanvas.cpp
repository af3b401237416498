#include "support/RasterCanvas.h"
#include <algorithm>
#include <cstdlib>

void RasterCanvas::plot(int32_t x, int32_t y, uint32_t colour) {
    if (x >= clipRect.left && x < clipRect.right && y >= clipRect.top && y < clipRect.bottom)
        pixels[size_t(y) * canvasWidth + x] = colour;
}

void RasterCanvas::fill(const Rect& rect, uint32_t colour) {
    for (int32_t y = rect.top; y < rect.bottom; ++y)
        for (int32_t x = rect.left; x < rect.right; ++x) plot(x, y, colour);
}

void RasterCanvas::clip(const Rect& rect) {
    clipRect = {std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, canvasWidth),
                std::min(rect.bottom, canvasHeight)};
}

void RasterCanvas::drawPicture(int32_t x, int32_t y, int32_t width, int32_t height, const BitmapInfo& header,
                               const uint8_t* picture) {
    const int32_t columns = header.bmiHeader.biWidth, rows = std::abs(header.bmiHeader.biHeight);
    for (int32_t r = 0; r < height && r < rows; ++r) {
        const uint8_t* row = picture + size_t(header.bmiHeader.biHeight > 0 ? rows - 1 - r : r) * columns * 4;
        for (int32_t c = 0; c < width && c < columns; ++c)  // blue, green, red, 0
            plot(x + c, y + r, uint32_t(row[c * 4 + 2]) | row[c * 4 + 1] << 8 | row[c * 4] << 16);
    }
}

void RasterCanvas::lineTo(int32_t x, int32_t y) {
    // Bresenham from the current point, the end point left out.
    const int32_t dx = std::abs(x - currentX), dy = -std::abs(y - currentY);
    const int32_t sx = currentX < x ? 1 : -1, sy = currentY < y ? 1 : -1;
    int32_t error = dx + dy;
    for (bool dot = true; currentX != x || currentY != y; dot = !dot) {
        plot(currentX, currentY, penDepth == 0 ? 0 : dot ? penColour : White);
        const int32_t e2 = 2 * error;
        if (e2 >= dy) error += dy, currentX += sx;
        if (e2 <= dx) error += dx, currentY += sy;
    }
}

#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>
#include "photo/Canvas.h"

// A canvas in memory, top-down, 0x00BBGGRR per pixel, clipped. Dotted lines alternate dot and white gap and
// leave out the end point, as GDI's LineTo does; only the set of pixels touched is meant to agree with GDI.
class RasterCanvas : public Canvas {
public:
    static constexpr uint32_t White = 0x00FFFFFF;
    // initial: the colour every pixel starts with, so that tests can see what was painted.
    RasterCanvas(int32_t width, int32_t height, uint32_t initial = 0x00FF00FF)
        : canvasWidth(width), canvasHeight(height), pixels(size_t(width) * size_t(height), initial),
          clipRect{0, 0, width, height} {}
    int32_t width() const override { return canvasWidth; }
    int32_t height() const override { return canvasHeight; }
    void fill(const Rect& rect, uint32_t colour) override;
    void clip(const Rect& rect) override;
    void drawPicture(int32_t x, int32_t y, int32_t width, int32_t height, const BitmapInfo& header,
                     const uint8_t* pixels) override;
    void selectDottedPen(uint32_t colour) override { penColour = colour, ++penDepth; }
    void restorePen() override { penDepth -= penDepth > 0; }
    void moveTo(int32_t x, int32_t y) override { currentX = x, currentY = y; }
    void lineTo(int32_t x, int32_t y) override;
    void copyOut() override { ++copies; }

    uint32_t pixel(int32_t x, int32_t y) const { return pixels[size_t(y) * canvasWidth + x]; }
    int copyOuts() const { return copies; }
    bool penSelected() const { return penDepth > 0; }

private:
    void plot(int32_t x, int32_t y, uint32_t colour);

    int32_t canvasWidth, canvasHeight;
    std::vector<uint32_t> pixels;
    Rect clipRect;
    uint32_t penColour = 0;  // a solid black pen until a dotted one is selected
    int penDepth = 0, copies = 0;
    int32_t currentX = 0, currentY = 0;
};

#pragma once
#include <cstdint>
#include <vector>
#include "photo/Canvas.h"

// A canvas in memory, top-down, one 0x00BBGGRR colour value per pixel. Every operation
// honours the clip, which starts as the whole canvas.
//
// Dotted pen: along each line, starting at its first pixel, pixels alternate between a
// dot (the pen's colour) and a gap (white, 0x00FFFFFF), the pattern starting afresh with
// every line; the end point is excluded, as with GDI's LineTo. Only the set of pixels a
// line touches (dots and gaps together) is meant to agree with GDI, not the pattern.
class RasterCanvas : public Canvas {
public:
    static constexpr uint32_t White = 0x00FFFFFF;

    // initial: the colour every pixel starts with, so that tests can see what was painted.
    RasterCanvas(int32_t width, int32_t height, uint32_t initial = 0x00FF00FF);

    int32_t width() const override { return canvasWidth; }
    int32_t height() const override { return canvasHeight; }
    void fill(const Rect& rect, uint32_t colour) override;
    void clip(const Rect& rect) override;
    void drawPicture(int32_t x, int32_t y, int32_t width, int32_t height, const BitmapInfo& header,
                     const uint8_t* pixels) override;
    void selectDottedPen(uint32_t colour) override;
    void restorePen() override;
    void moveTo(int32_t x, int32_t y) override;
    void lineTo(int32_t x, int32_t y) override;
    void copyOut() override { ++copies; }

    uint32_t pixel(int32_t x, int32_t y) const;
    int copyOuts() const { return copies; }
    bool penSelected() const { return penDepth > 0; }

private:
    void plot(int32_t x, int32_t y, uint32_t colour);

    int32_t canvasWidth, canvasHeight;
    std::vector<uint32_t> pixels;
    Rect clipRect;
    uint32_t penColour = 0;  // a solid black pen until a dotted one is selected
    bool dotted = false;
    int penDepth = 0;
    int32_t currentX = 0, currentY = 0;
    int copies = 0;
};

#pragma once
#include <windows.h>
#include "photo/Canvas.h"

// The program's canvas: an off-screen bitmap compatible with the target context,
// copied to it in one transfer by copyOut. Every GDI object it makes is gone when
// it is destroyed; when the off-screen bitmap cannot be made, drawing does nothing.
class GdiCanvas : public Canvas {
public:
    GdiCanvas(HDC target, int32_t width, int32_t height);
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    bool ready() const { return memory != nullptr; }

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
    void copyOut() override;

private:
    HDC target;
    int32_t canvasWidth, canvasHeight;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    HPEN pen = nullptr;
    HGDIOBJ previousPen = nullptr;
};

#pragma once
#include <cstdint>

// The platform's BITMAPINFOHEADER and BITMAPINFO, field for field, so that a pixel
// buffer and its header go to SetDIBitsToDevice unchanged (checked in the Win32 build).
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;  // positive: rows stored bottom-up
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    uint32_t bmiColors[1];
};

static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER layout");
static_assert(sizeof(BitmapInfo) == 44, "BITMAPINFO layout");

// A 32-bit bottom-up BI_RGB header of the given size, everything else zero.
BitmapInfo makeBitmapInfo(int32_t width, int32_t height);

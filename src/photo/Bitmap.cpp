#include "photo/Bitmap.h"

BitmapInfo makeBitmapInfo(int32_t width, int32_t height) {
    BitmapInfo info{};
    info.bmiHeader.biSize = sizeof(BitmapInfoHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = 0;  // BI_RGB
    return info;
}

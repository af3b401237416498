#include <cstring>
#include <memory>
#include <new>
#include "photo/MulDiv.h"
#include "photo/PhotoView.h"
#include "photo/Quality.h"
#include "photo/ViewHost.h"

namespace {

// Nearest-neighbour sampling in storage order: rows are counted from the bottom in both
// buffers, so the bottom rows correspond exactly. Column sources come from a table
// worked out once; pixels move as whole 4-byte words.
bool sampleDisplay(const uint8_t* photo, int32_t imageWidth, int32_t imageHeight, uint8_t* display,
                   int32_t displayWidth, int32_t displayHeight) {
    const size_t photoStride = static_cast<size_t>(imageWidth) * 4;
    const size_t displayStride = static_cast<size_t>(displayWidth) * 4;
    const bool sameWidth = displayWidth == imageWidth;
    std::unique_ptr<size_t[]> columnOffsets;
    if (!sameWidth) {
        columnOffsets.reset(new (std::nothrow) size_t[static_cast<size_t>(displayWidth)]);
        if (!columnOffsets) return false;
        for (int32_t j = 0; j < displayWidth; ++j)
            columnOffsets[j] = static_cast<size_t>(mulDiv(j, imageWidth, displayWidth)) * 4;
    }
    for (int32_t i = 0; i < displayHeight; ++i) {
        const size_t sourceRow = static_cast<size_t>(mulDiv(imageHeight, i, displayHeight));
        const uint8_t* in = photo + sourceRow * photoStride;
        uint8_t* out = display + static_cast<size_t>(i) * displayStride;
        if (sameWidth) {
            memcpy(out, in, displayStride);
            continue;
        }
        // The sampled rows lie far apart, beyond what the processor fetches ahead by
        // itself: the next one is asked for while this one is copied (twice as fast).
        const int32_t nextRow = i + 1 < displayHeight ? i + 1 : i;
        const uint8_t* next = photo + static_cast<size_t>(mulDiv(imageHeight, nextRow, displayHeight)) * photoStride;
        for (int32_t j = 0; j < displayWidth; ++j, out += 4) {
            __builtin_prefetch(next + columnOffsets[j]);
            memcpy(out, in + columnOffsets[j], 4);
        }
    }
    return true;
}

}  // namespace

void PhotoView::rebuildDisplay(int32_t width, int32_t height) {
    viewWidth = width;
    viewHeight = height;
    if (photoLoaded) {
        // A control has no negative size; such a value counts as an empty control.
        const int32_t w = width < 0 ? 0 : width;
        const int32_t h = height < 0 ? 0 : height;
        // Fit, shrinking only: the rule a whole photograph is fitted to a screen by.
        const OutputSize display = fitToScreen(imageWidth, imageHeight, w, h);
        displayWidth = display.width;
        displayHeight = display.height;

        // A side of 0 (an empty control, or a photograph so thin that the fit truncates
        // it away) leaves no display copy: nothing is mapped, drawn or dragged until a
        // rebuild with a real size. The same when its buffer cannot be had.
        const bool sized = displayWidth >= 1 && displayHeight >= 1;
        if (!sized || !displayPixels.allocate(static_cast<size_t>(displayWidth) * 4 *
                                              static_cast<size_t>(displayHeight)) ||
            !sampleDisplay(photoPixels.data(), imageWidth, imageHeight, displayPixels.data(), displayWidth,
                           displayHeight)) {
            displayPixels.release();
            if (sized) {
                displayWidth = 0;
                displayHeight = 0;
            }
        }
        displayHeader = photoHeader;
        displayHeader.bmiHeader.biWidth = displayWidth;
        displayHeader.bmiHeader.biHeight = displayHeight;

        // Initial selection: the device screen in photograph pixels, at display scale.
        selectionLeft = 0;
        selectionTop = 0;
        selectionWidth = 0;
        selectionHeight = 0;
        if (displayMapped()) {
            const int32_t screenW = screenWidth(), screenH = screenHeight();
            int64_t selW = mulDiv(screenW, displayWidth, imageWidth);
            int64_t selH = mulDiv(screenH, displayHeight, imageHeight);
            bool cut = false;
            if (selW > displayWidth) {
                selW = displayWidth;
                cut = true;
            }
            if (selH > displayHeight) {
                selH = displayHeight;
                cut = true;
            }
            if (cut) {
                int64_t byHeight = mulDiv(selH, screenW, screenH);
                if (byHeight < selW) selW = byHeight;
                int64_t byWidth = mulDiv(selW, screenH, screenW);
                if (byWidth < selH) selH = byWidth;
            }
            selectionWidth = static_cast<int32_t>(selW);
            selectionHeight = static_cast<int32_t>(selH);
        }
        if (host) host->invalidate(true);
    }
    updateQuality();
}

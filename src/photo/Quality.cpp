#include "photo/Quality.h"
#include <cstdio>
#include "photo/MulDiv.h"
#include "photo/PhotoDecode.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

namespace {

constexpr uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }

// Indexed by Verdict.
const VerdictStyle verdictStyles[] = {
    {"- selection matches device screen (best quality)", rgb(64, 255, 64)},
    {"- selection is smaller than device screen (worst quality)", rgb(255, 64, 64)},
    {"- selection is greater than device screen (good quality)", rgb(64, 255, 255)},
    {"- selection is greater than device screen but does not fill it (normal quality)", rgb(64, 64, 255)},
    {"- selection matches device screen but does not fill it (good quality)", rgb(255, 255, 64)},
    {"- selection does not match device screen and does not fill it (poor quality)", rgb(255, 128, 64)},
};

}  // namespace

Verdict judgeSelection(int32_t g, int32_t e, int32_t outputWidth, int32_t outputHeight, int32_t w, int32_t h) {
    if (g == w && e == h) return Verdict::Matches;
    if (g < w && e < h) return Verdict::Smaller;
    if (g > w && e > h) return outputWidth == w && outputHeight == h ? Verdict::GreaterFills : Verdict::GreaterNotFilling;
    if ((g == w && e < h) || (g < w && e == h)) return Verdict::MatchesNotFilling;
    return Verdict::Mismatched;
}

const VerdictStyle& verdictStyle(Verdict verdict) { return verdictStyles[static_cast<int>(verdict)]; }

OutputSize fitToScreen(int64_t width, int64_t height, int32_t screenWidth, int32_t screenHeight) {
    const int64_t w = screenWidth, h = screenHeight;
    if (width > w) {
        height = height * w / width;
        width = w;
    }
    if (height > h) {
        width = h * width / height;
        height = h;
    }
    return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

OutputSize outputSizeFor(int32_t sourceWidth, int32_t sourceHeight, int32_t screenWidth, int32_t screenHeight) {
    // 64 bits: the 256-fold enlargement times a device side can pass 2^31.
    int64_t outW = sourceWidth, outH = sourceHeight;
    if (sourceWidth < screenWidth && sourceHeight < screenHeight) {
        // Smaller both ways: enlarged, so that the fit below fills the screen.
        outW *= 256;
        outH *= 256;
    }
    // The height, not the width, is compared with the device width.
    if (outH == screenWidth || outH == screenHeight) return {static_cast<int32_t>(outW), static_cast<int32_t>(outH)};
    return fitToScreen(outW, outH, screenWidth, screenHeight);
}

Verdict judgeSource(PhotoView& view) {
    const int32_t w = view.screenWidth(), h = view.screenHeight();
    const Verdict verdict =
        judgeSelection(view.sourceWidth, view.sourceHeight, view.outputWidth, view.outputHeight, w, h);
    view.frameColour = verdictStyle(verdict).colour;
    return verdict;
}

void PhotoView::updateQuality() {
    if (!photoLoaded) {
        // While one opens, the status line names it.
        if (host && !opening()) host->setStatusText("Choose a jpeg file...");
        return;
    }
    if (!displayMapped()) {
        // No display copy to map from: nothing is selected, and the status line says why
        // rather than keep the figures of what was shown before.
        sourceLeft = sourceTop = sourceWidth = sourceHeight = 0;
        outputWidth = outputHeight = 0;
        char reason[128] = "not enough memory for its display copy";
        const int areaWidth = viewWidth < 0 ? 0 : viewWidth, areaHeight = viewHeight < 0 ? 0 : viewHeight;
        if (displayWidth < 1 || displayHeight < 1)
            snprintf(reason, sizeof reason, "%d x %d pixels shrink to nothing in the %d x %d picture area",
                     static_cast<int>(imageWidth), static_cast<int>(imageHeight), areaWidth, areaHeight);
        showRefusal(host, photoPath, reason);
        return;
    }

    // Position and size are each truncated on their own.
    sourceLeft = static_cast<int32_t>(mulDiv(selectionLeft, imageWidth, displayWidth));
    sourceTop = static_cast<int32_t>(mulDiv(selectionTop, imageHeight, displayHeight));
    sourceWidth = static_cast<int32_t>(mulDiv(selectionWidth, imageWidth, displayWidth));
    sourceHeight = static_cast<int32_t>(mulDiv(selectionHeight, imageHeight, displayHeight));
    const OutputSize output = outputSizeFor(sourceWidth, sourceHeight, screenWidth(), screenHeight());
    outputWidth = output.width;
    outputHeight = output.height;

    const VerdictStyle& style = verdictStyle(judgeSource(*this));
    char text[256];
    snprintf(text, sizeof text, "Selection : ( %d , %d ) [ %d x %d ] ==> [ %d x %d ] %s", static_cast<int>(sourceLeft),
             static_cast<int>(sourceTop), static_cast<int>(sourceWidth), static_cast<int>(sourceHeight),
             static_cast<int>(outputWidth), static_cast<int>(outputHeight), style.text);
    if (host) host->setStatusText(text);
}

#pragma once
#include <cstdint>

class PhotoView;

// How well a selection, in photograph pixels, will fill the device screen.
enum class Verdict {
    Matches,             // exactly the screen
    Smaller,             // smaller both ways: enlarged from few pixels
    GreaterFills,        // larger both ways, shrunk to exactly the screen
    GreaterNotFilling,   // larger both ways, but the output is not the whole screen
    MatchesNotFilling,   // one side exact, the other short
    Mismatched,          // one side too long, the other not
};

struct VerdictStyle {
    const char* text;  // the end of the status line
    uint32_t colour;   // of the selection frame, 0x00BBGGRR
};

// The first matching row decides; the order is part of the meaning.
Verdict judgeSelection(int32_t sourceWidth, int32_t sourceHeight, int32_t outputWidth,
                       int32_t outputHeight, int32_t screenWidth, int32_t screenHeight);
const VerdictStyle& verdictStyle(Verdict verdict);

struct OutputSize {
    int32_t width, height;
};

// width x height brought inside the screen with its proportions kept, shrinking only:
// first to the screen's width, then to its height.
OutputSize fitToScreen(int64_t width, int64_t height, int32_t screenWidth, int32_t screenHeight);

// The size of the picture made from a source of sourceWidth x sourceHeight photograph
// pixels: a source smaller than the screen both ways is first enlarged 256-fold, then the
// result is fitted to the screen, unless its height already equals one of the screen's
// sides (then it is kept as it is).
OutputSize outputSizeFor(int32_t sourceWidth, int32_t sourceHeight, int32_t screenWidth, int32_t screenHeight);

// The verdict on the view's source and output sizes; it also sets the frame's colour.
Verdict judgeSource(PhotoView& view);

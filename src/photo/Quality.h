#pragma once
#include <cstdint>

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

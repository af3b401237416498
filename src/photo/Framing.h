#pragma once
#include "photo/Quality.h"

class PhotoView;

// How a photograph sent without a window is framed.
enum class Framing {
    Fill,   // the largest centred part with the screen's proportions, made exactly the screen's size
    Whole,  // all of it, shrunk to fit the screen with its proportions kept
};

// Frames the whole upright photograph of a loaded view for its device screen: sets the
// source rectangle (in photograph pixels, as a selection maps to), the output size and the
// frame colour, and gives the verdict. A Fill of a photograph at least the screen's size
// comes out exactly the screen's size, "best" or "good"; a smaller one is enlarged as a
// small selection is.
Verdict framePhoto(PhotoView& view, Framing framing);

#include "photo/Framing.h"
#include "photo/PhotoView.h"

namespace {

int64_t ceilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

// The largest g x e inside the photograph with the screen's proportions, and, when it is
// wider than the screen, one whose output the selection rule makes exactly w x h: the height
// e = ceil(g x h / w) for the width g, so that the fit to the screen's width gives
// floor(e x w / g) = h. A height that does not fit, or that equals the screen's width (which
// the rule leaves unfitted), gives way to the next width down; the screen's own width
// gives its height, which matches.
void fillSource(int64_t imageWidth, int64_t imageHeight, int64_t w, int64_t h, int64_t& g, int64_t& e) {
    g = imageWidth;
    e = imageWidth * h / w;
    if (e > imageHeight) {
        e = imageHeight;
        g = imageHeight * w / h;
    }
    if (g > w) {
        e = ceilDiv(g * h, w);
        while ((e > imageHeight || e == w) && g > w) e = ceilDiv(--g * h, w);
    }
    if (g < 1) g = 1;
    if (e < 1) e = 1;
}

}  // namespace

Verdict framePhoto(PhotoView& view, Framing framing) {
    const int32_t w = view.screenWidth(), h = view.screenHeight();
    if (framing == Framing::Fill) {
        int64_t g = 0, e = 0;
        fillSource(view.imageWidth, view.imageHeight, w, h, g, e);
        view.sourceWidth = static_cast<int32_t>(g);
        view.sourceHeight = static_cast<int32_t>(e);
        view.sourceLeft = (view.imageWidth - view.sourceWidth) / 2;
        view.sourceTop = (view.imageHeight - view.sourceHeight) / 2;
        const OutputSize output = outputSizeFor(view.sourceWidth, view.sourceHeight, w, h);
        view.outputWidth = output.width;
        view.outputHeight = output.height;
    } else {
        view.sourceLeft = view.sourceTop = 0;
        view.sourceWidth = view.imageWidth;
        view.sourceHeight = view.imageHeight;
        // Never enlarged; a side shrunk to nothing keeps one pixel.
        const OutputSize output = fitToScreen(view.imageWidth, view.imageHeight, w, h);
        view.outputWidth = output.width < 1 ? 1 : output.width;
        view.outputHeight = output.height < 1 ? 1 : output.height;
    }
    return judgeSource(view);
}

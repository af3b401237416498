#include "photo/Canvas.h"
#include "photo/PhotoView.h"

void PhotoView::paint(Canvas& canvas) const {
    canvas.fill({0, 0, canvas.width(), canvas.height()}, 0);
    const size_t needed = static_cast<size_t>(displayWidth > 0 ? displayWidth : 0) * 4 *
                          static_cast<size_t>(displayHeight > 0 ? displayHeight : 0);
    if (!displayMapped() || displayPixels.size() < needed) {
        canvas.copyOut();  // no display copy: the control stays black
        return;
    }

    // Nothing of the frame or its handles may fall outside the display copy.
    canvas.clip({0, 0, displayWidth, displayHeight});
    canvas.drawPicture(0, 0, displayWidth, displayHeight, displayHeader, displayPixels.data());

    const int32_t l = selectionLeft, t = selectionTop;
    const int32_t r = l + selectionWidth - 1, b = t + selectionHeight - 1;  // last column and row
    const int32_t cx = l + selectionWidth / 2, cy = t + selectionHeight / 2;
    // Each closed path covers its four corners: every line includes its start point.
    auto square = [&canvas](int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                            int32_t x3, int32_t y3) {
        canvas.moveTo(x0, y0);
        canvas.lineTo(x1, y1);
        canvas.lineTo(x2, y2);
        canvas.lineTo(x3, y3);
        canvas.lineTo(x0, y0);
    };
    canvas.selectDottedPen(frameColour);
    square(l, t, l, b, r, b, r, t);                                          // outline
    square(l, t, l, t + 10, l + 10, t + 10, l + 10, t);                      // top-left handle
    square(r, b, r, b - 10, r - 10, b - 10, r - 10, b);                      // bottom-right handle
    square(cx + 5, cy + 5, cx + 5, cy - 5, cx - 5, cy - 5, cx - 5, cy + 5);  // centre handle
    canvas.restorePen();
    canvas.copyOut();
}

#pragma once
#include <cstdint>
#include <cstring>
#include <ostream>
#include "photo/PhotoView.h"
#include "support/RecordingHost.h"

// A decoded photograph put in place without a file: every pixel tells where it came from (column
// in bits 0-11, stored row in bits 12-23, byte 3 zero), so that sampling is checked pixel by pixel.
inline uint32_t syntheticPixel(int32_t column, int32_t storedRow) {
    return static_cast<uint32_t>(column & 0xFFF) | static_cast<uint32_t>(storedRow & 0xFFF) << 12;
}
inline uint32_t pixelAt(const uint8_t* pixels, int32_t width, int32_t column, int32_t storedRow) {
    const uint8_t* p = pixels + (static_cast<size_t>(storedRow) * width + column) * 4;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void loadSynthetic(PhotoView& view, int32_t width, int32_t height) {
    view.photoPixels.allocate(static_cast<size_t>(width) * height * 4);
    uint8_t* p = view.photoPixels.data();
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c, p += 4) {
            const uint32_t v = syntheticPixel(c, r);
            memcpy(p, &v, 4);  // little-endian: blue, green, red, 0
        }
    view.imageWidth = width;
    view.imageHeight = height;
    view.photoHeader = makeBitmapInfo(width, height);
    view.photoLoaded = true;
}

// A view attached to a recording host, which outlives it (the view's destructor repaints).
struct HostedView {
    RecordingHost host;
    PhotoView view;
    explicit HostedView(int32_t width = 400, int32_t height = 300) { view.attach(&host, width, height); }
};

struct Selection {
    int32_t left, top, width, height;
    bool operator==(const Selection& o) const { return memcmp(this, &o, sizeof o) == 0; }
};
inline Selection selectionOf(const PhotoView& view) {
    return {view.selectionLeft, view.selectionTop, view.selectionWidth, view.selectionHeight};
}
inline void select(PhotoView& view, Selection s) {
    view.selectionLeft = s.left, view.selectionTop = s.top;
    view.selectionWidth = s.width, view.selectionHeight = s.height;
}
inline std::ostream& operator<<(std::ostream& out, const Selection& s) {
    return out << "(" << s.left << ", " << s.top << ", " << s.width << ", " << s.height << ")";
}

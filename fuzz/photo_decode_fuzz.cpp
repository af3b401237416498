// The photograph decoding road from bytes in memory: header, size limit, EXIF
// orientation, decoding into memory kept from the input before, and the display copy.
#include <cstddef>
#include <cstdint>
#include "photo/PhotoView.h"

namespace {

// Small enough that a header declaring a huge picture costs milliseconds, not seconds.
constexpr uint64_t FuzzPixelLimit = 4000000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One view for the whole run, as in the program: each input reuses the memory the
    // previous one left.
    static PhotoView* view = [] {
        auto* v = new PhotoView;
        v->attach(nullptr, 320, 240);
        return v;
    }();
    view->reset();
    view->photoLoaded = view->decodePhotoData(data, size, FuzzPixelLimit);
    if (view->photoLoaded) view->rebuildDisplay(size % 2 ? 320 : 7, size % 3 ? 240 : 1);
    return 0;
}

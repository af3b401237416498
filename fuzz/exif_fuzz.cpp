// The EXIF orientation reader on any APP1 contents.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include "photo/ExifOrientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int orientation = exifOrientation(data, size);
    if (orientation < 1 || orientation > 8) abort();
    return 0;
}

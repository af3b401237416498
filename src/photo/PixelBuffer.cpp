#include "photo/PixelBuffer.h"
#include <new>

bool PixelBuffer::allocate(size_t size) {
    if (bytes && size <= held) {
        length = size;
        return true;
    }
    // The old memory goes first, so that both are never held at once.
    release();
    // Not value-initialised: the decoder and the sampler write every byte.
    bytes.reset(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
    if (!bytes) return false;
    length = size;
    held = size;
    return true;
}

void PixelBuffer::release() {
    bytes.reset();
    length = 0;
    held = 0;
}

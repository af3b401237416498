#include "photo/PixelBuffer.h"
#include <new>

bool PixelBuffer::allocate(size_t size) {
    // Same size: keep the buffer. Its bytes are rewritten anyway, and reusing it spares
    // the system zeroing fresh pages on every decode of a same-sized photograph.
    if (bytes && size == length) return true;
    release();
    // Not value-initialised: the decoder and the sampler write every byte.
    bytes.reset(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
    if (!bytes) return false;
    length = size;
    return true;
}

void PixelBuffer::release() {
    bytes.reset();
    length = 0;
}

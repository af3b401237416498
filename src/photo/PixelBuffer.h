#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// An owned byte buffer for pixels. Its bytes are not initialised: every pixel is
// written before it is read. The memory outlives what it holds: a later picture that
// fits is put into it, which spares the system zeroing fresh pages for every photograph.
class PixelBuffer {
public:
    // Makes the buffer size bytes long, in the memory already held when it is large
    // enough, else in new memory that replaces it; false (and nothing held) when it
    // cannot be had.
    bool allocate(size_t size);
    // Gives the memory back.
    void release();
    uint8_t* data() { return bytes.get(); }
    const uint8_t* data() const { return bytes.get(); }
    size_t size() const { return length; }
    size_t capacity() const { return held; }
    explicit operator bool() const { return bytes != nullptr; }

private:
    std::unique_ptr<uint8_t[]> bytes;
    size_t length = 0;
    size_t held = 0;
};

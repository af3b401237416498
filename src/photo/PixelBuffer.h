#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// An owned byte buffer for pixels. Its bytes are not initialised: every pixel is
// written before it is read.
class PixelBuffer {
public:
    // Replaces the buffer by one of size bytes (a buffer of that size already held is
    // kept as it is); false (and empty) when it cannot be had.
    bool allocate(size_t size);
    void release();
    uint8_t* data() { return bytes.get(); }
    const uint8_t* data() const { return bytes.get(); }
    size_t size() const { return length; }
    explicit operator bool() const { return bytes != nullptr; }

private:
    std::unique_ptr<uint8_t[]> bytes;
    size_t length = 0;
};

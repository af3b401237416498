#pragma once
#include <cstddef>
#include <cstdint>

struct jpeg_common_struct;

// The largest photograph accepted. A JPEG header can declare up to 65500 x 65500 pixels
// in a file of a few hundred bytes; without a limit such a file would make us reserve
// gigabytes before a single pixel is read. The limits are what the 32-bit program holds
// (large-address-aware, measured under Wine): its largest single block took 480
// megapixels at 4 bytes a pixel, but not 500; a progressive photograph also keeps its
// coefficients (up to 8 bytes a pixel more) until decoded, and 250 megapixels of that
// opened where 300 did not. Each side is also held to libjpeg's own maximum.
constexpr uint32_t MaxPhotoSide = 65500;
constexpr uint64_t MaxPhotoPixels = 400000000;
constexpr uint64_t MaxProgressivePixels = 200000000;

// True when a photograph of this size may be decoded (see the limits above).
bool photoSizeAccepted(uint32_t width, uint32_t height, uint64_t pixelLimit = MaxPhotoPixels);

// Bytes of a 4-byte-per-pixel buffer of this size; false when the count does not fit
// in size_t (which is 32 bits wide in the Win32 build).
bool pixelBufferSize(uint32_t width, uint32_t height, size_t* size);

// True when the name ends in ".jpg" or ".jpeg", in any case: the only photographs taken.
bool isJpegName(const char* path);

// A decode for a send without a window, which many run at once. It hears the refusal
// instead of the standard error stream and the status line, and it may hold the decode
// back until memory is free.
class DecodeJob {
public:
    virtual ~DecodeJob() = default;
    // Called once the header is read, before any pixel memory is taken, with what the
    // decode will hold: the photograph's pixels (in the view's buffer, kept when it is large
    // enough) and what it needs besides until it ends. True once that may be held, false
    // (with the reason) to refuse.
    virtual bool reserve(uint64_t pixels, uint64_t besides, char* reason, size_t size) = 0;
    virtual void refused(const char* reason) = 0;
};

// The name of the file without its folder, as the user picked it in the list.
const char* fileNameOf(const char* path);

class ViewHost;
// The status line's word that the photograph at path cannot be shown, and why.
void showRefusal(ViewHost* host, const char* path, const char* reason);

// Samples in the one scanline the decoder reads: components x width, made even.
uint32_t scanlineSamples(int components, uint32_t width);

// libjpeg's error exit while decoding: keeps and prints the library's message, then
// jumps back to the decoder's return point. Never returns to the library.
void jpegErrorExit(jpeg_common_struct* cinfo);

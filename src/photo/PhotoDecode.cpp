#include "photo/PhotoDecode.h"
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

// The 32-bit target is built against the release 6b interface: version 62, and a
// decompressor of 432 bytes.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(JPEG_LIB_VERSION == 62 && sizeof(jpeg_decompress_struct) == 432,
              "libjpeg 6b interface");
#endif

namespace {

// The standard error manager followed by the return point its error exit jumps to.
struct DecodeErrorManager {
    jpeg_error_mgr pub;
    jmp_buf setjmpBuffer;
};

bool acceptsSuffix(const char* path, size_t n) {
    auto is = [path](size_t i, char lower) { return (path[i] | 0x20) == lower; };
    if (path[n - 4] == '.' && is(n - 3, 'j') && is(n - 2, 'p') && is(n - 1, 'g')) return true;
    return path[n - 5] == '.' && is(n - 4, 'j') && is(n - 3, 'p') && is(n - 2, 'e') && is(n - 1, 'g');
}

uint8_t scale255(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// The library fills the pad byte of its BGRX output with 255; ours is 0.
void clearPadBytes(uint8_t* row, uint32_t width) {
    for (uint32_t i = 0; i < width; ++i) row[4 * i + 3] = 0;
}

// One decoded scanline into one bottom-up BGR0 row. Four-component output is CMYK
// (YCCK files are turned into CMYK by the library); Adobe's writers store it inverted.
void convertRow(const JSAMPLE* in, uint8_t* out, uint32_t width, int components, bool invertedCmyk) {
    switch (components) {
    case 1:
        for (uint32_t i = 0; i < width; ++i, out += 4) {
            uint8_t grey = in[i];
            out[0] = grey;
            out[1] = grey;
            out[2] = grey;
            out[3] = 0;
        }
        break;
    case 3:
        for (uint32_t i = 0; i < width; ++i, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 0;
        }
        break;
    default:  // 4
        for (uint32_t i = 0; i < width; ++i, in += 4, out += 4) {
            unsigned c = in[0], m = in[1], y = in[2], k = in[3];
            if (!invertedCmyk) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            // Now each value is the share of light let through: 255 = no ink.
            out[0] = scale255(y, k);
            out[1] = scale255(m, k);
            out[2] = scale255(c, k);
            out[3] = 0;
        }
        break;
    }
}

// The part of decoding that libjpeg may leave by its error exit. It holds no object with
// a destructor, and no local it changes after setjmp is read after the jump (such a
// local would be indeterminate). False on any failure; the caller destroys cinfo.
bool decodeGuarded(PhotoView& view, jpeg_decompress_struct* cinfo, DecodeErrorManager* jerr, FILE* file) {
    cinfo->err = jpeg_std_error(&jerr->pub);
    jerr->pub.error_exit = jpegErrorExit;
    if (setjmp(jerr->setjmpBuffer)) return false;

    jpeg_CreateDecompress(cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
    jpeg_stdio_src(cinfo, file);
    jpeg_read_header(cinfo, TRUE);
    // Refused before anything is allocated: the header alone may claim any size.
    if (!photoSizeAccepted(cinfo->image_width, cinfo->image_height)) {
        fprintf(stderr, "%s: %u x %u pixels is larger than the %u megapixels accepted\n", view.photoPath,
                static_cast<unsigned>(cinfo->image_width), static_cast<unsigned>(cinfo->image_height),
                static_cast<unsigned>(MaxPhotoPixels / 1000000));
        return false;
    }
    // Colour comes out of the library already in our blue, green, red, pad order, straight
    // into the photograph's rows: the same pixels as RGB rearranged, with no scanline copy
    // and no conversion of our own. Greyscale and CMYK keep the library's own output.
    const bool direct = cinfo->out_color_space == JCS_RGB;
    if (direct) cinfo->out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(cinfo);

    const int components = direct ? 3 : cinfo->output_components;
    if (components != 1 && components != 3 && components != 4) {
        fprintf(stderr, "%s: %d colour components are not supported\n", view.photoPath, components);
        return false;
    }
    const uint32_t width = cinfo->output_width;
    const uint32_t height = cinfo->output_height;
    JSAMPARRAY line = direct ? nullptr
                             : (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                           scanlineSamples(components, width), 1);

    view.imageWidth = static_cast<int32_t>(width);
    view.imageHeight = static_cast<int32_t>(height);
    view.photoHeader = makeBitmapInfo(view.imageWidth, view.imageHeight);
    size_t bytes = 0;
    if (!pixelBufferSize(width, height, &bytes) || !view.photoPixels.allocate(bytes)) {
        fprintf(stderr, "%s: not enough memory for %u x %u pixels\n", view.photoPath,
                static_cast<unsigned>(width), static_cast<unsigned>(height));
        view.photoPixels.release();
        return false;
    }

    const bool invertedCmyk = cinfo->saw_Adobe_marker;
    const size_t stride = static_cast<size_t>(width) * 4;
    // The first scanline is the top of the picture: it goes to the last row in memory.
    while (cinfo->output_scanline < height) {
        uint8_t* row = view.photoPixels.data() + (height - 1 - cinfo->output_scanline) * stride;
        JSAMPROW target = row;
        // Only a suspending source reads no line.
        if (jpeg_read_scanlines(cinfo, direct ? &target : line, 1) != 1) return false;
        if (direct)
            clearPadBytes(row, width);
        else
            convertRow(line[0], row, width, components, invertedCmyk);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

bool photoSizeAccepted(uint32_t width, uint32_t height) {
    return width <= MaxPhotoSide && height <= MaxPhotoSide &&
           static_cast<uint64_t>(width) * height <= MaxPhotoPixels;
}

bool pixelBufferSize(uint32_t width, uint32_t height, size_t* size) {
    const uint64_t pixels = static_cast<uint64_t>(width) * height;  // two 32-bit factors: fits
    if (pixels > SIZE_MAX / 4) return false;
    *size = static_cast<size_t>(pixels * 4);
    return true;
}

uint32_t scanlineSamples(int components, uint32_t width) {
    uint32_t samples = static_cast<uint32_t>(components) * width;
    return samples + (samples & 1);
}

void jpegErrorExit(jpeg_common_struct* cinfo) {
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<DecodeErrorManager*>(cinfo->err)->setjmpBuffer, 1);
}

void PhotoView::loadPhoto(const char* path) {
    const size_t n = strlen(path);
    if (n < 5) return;
    if (!acceptsSuffix(path, n)) {
        if (host) host->setStatusText("Choose a jpeg file...");
        return;
    }
    // A cut path would name another file: refuse it rather than open what is left.
    if (n >= sizeof photoPath) {
        fprintf(stderr, "path too long (%u characters, at most %u): %s\n", static_cast<unsigned>(n),
                static_cast<unsigned>(sizeof photoPath - 1), path);
        return;
    }
    memcpy(photoPath, path, n + 1);
    photoLoaded = decodePhoto();
    if (photoLoaded) rebuildDisplay(viewWidth, viewHeight);
    if (host) host->invalidate(true);
}

bool PhotoView::decodePhoto() {
    FILE* file = fopen(photoPath, "rb");
    if (!file) {
        fprintf(stderr, "can't open %s\n", photoPath);
        return false;
    }
    // Zeroed so that destroying it is safe even if its creation failed.
    jpeg_decompress_struct cinfo{};
    DecodeErrorManager jerr;
    bool ok = decodeGuarded(*this, &cinfo, &jerr, file);
    jpeg_destroy_decompress(&cinfo);
    fclose(file);
    return ok;
}

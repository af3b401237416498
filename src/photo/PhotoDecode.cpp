#include "photo/PhotoDecode.h"
#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>
#include "photo/ExifOrientation.h"
#include "photo/PhotoFile.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

// The 32-bit target is built against the release 6b interface: version 62, and a
// decompressor of 432 bytes.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(JPEG_LIB_VERSION == 62 && sizeof(jpeg_decompress_struct) == 432,
              "libjpeg 6b interface");
#endif

namespace {

// The standard error manager, the library's last fatal message, and the return point
// its error exit and the progress monitor jump to.
struct DecodeErrorManager {
    jpeg_error_mgr pub;
    char message[JMSG_LENGTH_MAX];
    bool printed;  // the message went to the standard error stream already
    bool stopped;  // the view asked the load to stop: nothing failed
    jmp_buf setjmpBuffer;
};

// libjpeg calls the monitor throughout a decode: for each band of rows of each scan while
// jpeg_start_decompress reads a multi-scan file whole, then for each scanline.
struct DecodeProgress {
    jpeg_progress_mgr pub;
    PhotoView* view;
    FILE* file;      // or null for data in memory
    uint64_t size;   // of the file or the data; 0 when unknown
    bool multiScan;
    bool started;    // jpeg_start_decompress has returned
};

// The share of a multi-scan decode that reading the scans takes, in per cent.
constexpr int ScanShare = 60;

// How far the decode has got, in per cent: a multi-scan file by the bytes read while its scans
// are read, then, like any other, by the scanlines put out.
int decodePercent(const jpeg_decompress_struct* cinfo, const DecodeProgress& p) {
    const int first = p.multiScan ? ScanShare : 0;
    if (p.started)
        return first + static_cast<int>(uint64_t(100 - first) * cinfo->output_scanline / cinfo->output_height);
    const long at = p.file ? ftell(p.file) : static_cast<long>(p.size);
    const uint64_t unread = cinfo->src->bytes_in_buffer;
    if (at < 0 || p.size == 0 || static_cast<uint64_t>(at) < unread) return 0;
    const uint64_t read = static_cast<uint64_t>(at) - unread;
    return static_cast<int>(uint64_t(first) * (read < p.size ? read : p.size) / p.size);
}

void monitorProgress(j_common_ptr cinfo) {
    auto* progress = reinterpret_cast<DecodeProgress*>(cinfo->progress);
    PhotoView& view = *progress->view;
    if (!view.loadServiceDue() ||
        view.keepLoading(decodePercent(reinterpret_cast<jpeg_decompress_struct*>(cinfo), *progress)))
        return;
    // Out through the frame the error exit uses: the caller destroys the decompressor.
    auto* jerr = reinterpret_cast<DecodeErrorManager*>(cinfo->err);
    jerr->stopped = true;
    longjmp(jerr->setjmpBuffer, 1);
}

// A decode for a job keeps libjpeg's messages to itself: the job words the refusal.
void keepMessage(j_common_ptr) {}

// What a multi-scan photograph's coefficients take until it is decoded: 64 of them for each
// 8 x 8 block of each component, its rows and columns of blocks rounded up to its sampling.
uint64_t coefficientBytes(const jpeg_decompress_struct* cinfo) {
    uint64_t total = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& comp = cinfo->comp_info[c];
        const uint64_t h = comp.h_samp_factor > 0 ? comp.h_samp_factor : 1, v = comp.v_samp_factor > 0 ? comp.v_samp_factor : 1;
        total += (comp.width_in_blocks + h - 1) / h * h * ((comp.height_in_blocks + v - 1) / v * v) * sizeof(JBLOCK);
    }
    return total;
}

uint8_t scale255(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// The library fills the pad byte of its BGRX output with 255; ours is 0. Whole pixels
// are masked (the pad is the high byte of a little-endian word), which the compiler
// turns into vector operations: a byte store per pixel cost a fifth of the decode.
void clearPadBytes(uint8_t* row, uint32_t width) {
    const size_t bytes = static_cast<size_t>(width) * 4;
    for (size_t i = 0; i < bytes; i += 4) {
        uint32_t pixel;
        memcpy(&pixel, row + i, 4);
        pixel &= 0x00FFFFFFu;
        memcpy(row + i, &pixel, 4);
    }
}

// One decoded scanline into one row of BGR0 pixels. Four-component output is CMYK (YCCK
// files are turned into CMYK by the library), stored inverted: Adobe's writers do so and
// mark the file, and the tools that leave the mark out store it the same way.
void convertRow(const JSAMPLE* in, uint8_t* out, uint32_t width, int components) {
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
            // Each value is the share of light let through: 255 = no ink.
            const unsigned c = in[0], m = in[1], y = in[2], k = in[3];
            out[0] = scale255(y, k);
            out[1] = scale255(m, k);
            out[2] = scale255(c, k);
            out[3] = 0;
        }
        break;
    }
}

// Reads the next scanline into row as BGR0 pixels: a colour one straight from the library
// (line null), any other converted from line. False when no line came (only a
// suspending source gives none).
bool readRow(jpeg_decompress_struct* cinfo, JSAMPARRAY line, uint8_t* row, uint32_t width, int components) {
    JSAMPROW target = row;
    if (jpeg_read_scanlines(cinfo, line ? line : &target, 1) != 1) return false;
    if (line)
        convertRow(line[0], row, width, components);
    else
        clearPadBytes(row, width);
    return true;
}

// The reason given when the pixels of a width x height picture cannot be had.
void sayNoMemory(char (&message)[JMSG_LENGTH_MAX], JDIMENSION width, JDIMENSION height) {
    snprintf(message, sizeof message, "not enough memory for %u x %u pixels", static_cast<unsigned>(width),
             static_cast<unsigned>(height));
}

// Where stored scanline y of a width x height picture lands in the upright picture's
// bottom-up pixels, for an orientation of 1 to 8: the index of its first pixel and the
// step from one pixel to the next, both counted in pixels.
struct RowPlacement {
    ptrdiff_t start, step;
};

RowPlacement placeRow(int orientation, uint32_t width, uint32_t height, uint32_t y) {
    const ptrdiff_t w = width, h = height, row = y;
    const ptrdiff_t up = orientationSwapsSides(orientation) ? h : w;  // the upright width
    switch (orientation) {
    case 2: return {(h - 1 - row) * up + w - 1, -1};   // mirrored left to right
    case 3: return {row * up + w - 1, -1};             // turned half round
    case 4: return {row * up, 1};                      // mirrored top to bottom
    case 5: return {(w - 1) * up + row, -up};          // mirrored along the diagonal
    case 6: return {(w - 1) * up + h - 1 - row, -up};  // turned a quarter clockwise
    case 7: return {h - 1 - row, up};                  // mirrored along the other diagonal
    case 8: return {row, up};                          // turned a quarter anticlockwise
    default: return {(h - 1 - row) * up, 1};           // as stored
    }
}

// Rows decoded at a time before they are turned: a quarter turn then writes runs of
// this many pixels (a cache line) instead of one pixel per row of the photograph.
constexpr int TurnBlock = 16;

// The part of decoding that libjpeg may leave by its error exit or its progress monitor.
// It holds no object with a destructor, and no local it changes after setjmp is read after
// the jump (such a local would be indeterminate). False on any failure, with the reason in
// jerr->message, or on a stop; the caller destroys cinfo.
bool decodeGuarded(PhotoView& view, jpeg_decompress_struct* cinfo, DecodeErrorManager* jerr,
                   DecodeProgress* progress, const uint8_t* data, size_t size, uint64_t pixelLimit, DecodeJob* job) {
    cinfo->err = jpeg_std_error(&jerr->pub);
    jerr->pub.error_exit = jpegErrorExit;
    if (job) jerr->pub.output_message = keepMessage;
    jerr->message[0] = '\0';
    jerr->printed = false;
    jerr->stopped = false;
    if (setjmp(jerr->setjmpBuffer)) return false;

    jpeg_CreateDecompress(cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
    cinfo->progress = &progress->pub;
    FILE* const file = progress->file;
    // A progressive photograph's coefficients are held whole besides the pixels; in
    // blocks of moderate size they find room in an address space the pixels have split.
    cinfo->mem->max_alloc_chunk = 32L << 20;
    if (file)
        jpeg_stdio_src(cinfo, file);
    else
        jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    // Refused before anything is allocated: the header alone may claim any size.
    const bool multiScan = jpeg_has_multiple_scans(cinfo);
    const uint64_t limit = multiScan && pixelLimit > MaxProgressivePixels ? MaxProgressivePixels : pixelLimit;
    if (!photoSizeAccepted(cinfo->image_width, cinfo->image_height, limit)) {
        snprintf(jerr->message, sizeof jerr->message, "%u x %u pixels is more than the %u megapixels accepted%s",
                 static_cast<unsigned>(cinfo->image_width), static_cast<unsigned>(cinfo->image_height),
                 static_cast<unsigned>(limit / 1000000), multiScan ? " for a progressive photograph" : "");
        return false;
    }
    int orientation = 1;
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m && orientation == 1; m = m->next)
        if (m->marker == JPEG_APP0 + 1) orientation = exifOrientation(m->data, m->data_length);

    // Colour comes out of the library already in our blue, green, red, pad order, straight
    // into the rows: the same pixels as RGB rearranged, with no conversion of our own.
    // Greyscale and CMYK keep the library's own output.
    const bool direct = cinfo->out_color_space == JCS_RGB;
    if (direct) cinfo->out_color_space = JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(cinfo);
    const int components = direct ? 3 : cinfo->output_components;
    if (components != 1 && components != 3 && components != 4) {
        snprintf(jerr->message, sizeof jerr->message, "%d colour components are not supported", components);
        return false;
    }
    const uint32_t width = cinfo->output_width;
    const uint32_t height = cinfo->output_height;
    const bool swap = orientationSwapsSides(orientation);
    view.imageWidth = static_cast<int32_t>(swap ? height : width);
    view.imageHeight = static_cast<int32_t>(swap ? width : height);
    view.photoHeader = makeBitmapInfo(view.imageWidth, view.imageHeight);
    // The whole photograph is obtained before the entropy decoding, which a progressive
    // file does entirely in jpeg_start_decompress: one that cannot be held is refused at once.
    size_t bytes = 0;
    const bool sized = pixelBufferSize(width, height, &bytes);
    if (sized && job && !job->reserve(bytes, multiScan ? coefficientBytes(cinfo) : 0, jerr->message, sizeof jerr->message))
        return false;
    // The coefficients need room too: memory held beyond this photograph's is given back
    // (a job's memory is counted as a whole, kept buffer and coefficients).
    if (multiScan && !job && view.photoPixels.capacity() > bytes) view.photoPixels.release();
    if (!sized || !view.photoPixels.allocate(bytes)) {
        sayNoMemory(jerr->message, width, height);
        return false;
    }
    progress->multiScan = multiScan;
    jpeg_start_decompress(cinfo);
    progress->started = true;

    j_common_ptr common = reinterpret_cast<j_common_ptr>(cinfo);
    JSAMPARRAY line = direct ? nullptr : (*cinfo->mem->alloc_sarray)(common, JPOOL_IMAGE,
                                                                      scanlineSamples(components, width), 1);
    uint8_t* const pixels = view.photoPixels.data();
    const size_t stride = static_cast<size_t>(width) * 4;
    if (orientation == 1) {
        // The first scanline is the top of the picture: it goes to the last row in memory.
        while (cinfo->output_scanline < height)
            if (!readRow(cinfo, line, pixels + (height - 1 - cinfo->output_scanline) * stride, width, components))
                return false;
    } else {
        JSAMPARRAY block =
            (*cinfo->mem->alloc_sarray)(common, JPOOL_IMAGE, static_cast<JDIMENSION>(stride), TurnBlock);
        while (cinfo->output_scanline < height) {
            const uint32_t first = cinfo->output_scanline;
            int rows = 0;
            for (; rows < TurnBlock && cinfo->output_scanline < height; ++rows)
                if (!readRow(cinfo, line, block[rows], width, components)) return false;
            RowPlacement place[TurnBlock];
            for (int r = 0; r < rows; ++r) place[r] = placeRow(orientation, width, height, first + r);
            for (uint32_t x = 0; x < width; ++x)
                for (int r = 0; r < rows; ++r) {
                    const ptrdiff_t at = place[r].start + place[r].step * static_cast<ptrdiff_t>(x);
                    memcpy(pixels + 4 * static_cast<size_t>(at), block[r] + 4 * x, 4);
                }
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// A photograph that cannot be shown: its memory is given back, and the reason goes to the
// job when there is one, else to the standard error stream and, with the file's name, to
// the status line.
void refusePhoto(PhotoView& view, const char* path, const char* reason, bool printed, DecodeJob* job) {
    view.photoPixels.release();
    view.displayPixels.release();
    if (job) {
        job->refused(reason);
        return;
    }
    if (!printed) fprintf(stderr, "%s: %s\n", path, reason);
    showRefusal(view.host, path, reason);
}

// A cut path would name another file: one that does not fit a path field is refused, with
// this reason, rather than what is left of it opened. False when it fits.
bool pathTooLong(size_t length, char* reason, size_t size) {
    if (length < PhotoView::PhotoPathSize) return false;
    snprintf(reason, size, "its path is too long (%u characters, at most %u)", static_cast<unsigned>(length),
             static_cast<unsigned>(PhotoView::PhotoPathSize - 1));
    return true;
}

}  // namespace

bool photoSizeAccepted(uint32_t width, uint32_t height, uint64_t pixelLimit) {
    return width <= MaxPhotoSide && height <= MaxPhotoSide && static_cast<uint64_t>(width) * height <= pixelLimit;
}

bool pixelBufferSize(uint32_t width, uint32_t height, size_t* size) {
    const uint64_t pixels = static_cast<uint64_t>(width) * height;  // two 32-bit factors: fits
    if (pixels > SIZE_MAX / 4) return false;
    *size = static_cast<size_t>(pixels * 4);
    return true;
}

void showRefusal(ViewHost* host, const char* path, const char* reason) {
    if (!host) return;
    char text[PhotoView::PhotoPathSize + JMSG_LENGTH_MAX + 32];
    snprintf(text, sizeof text, "Can't show %s: %s", fileNameOf(path), reason);
    host->setStatusText(text);
}

bool isJpegName(const char* path) {
    const size_t n = strlen(path);
    auto is = [path](size_t i, char lower) { return (path[i] | 0x20) == lower; };
    if (n >= 5 && path[n - 4] == '.' && is(n - 3, 'j') && is(n - 2, 'p') && is(n - 1, 'g')) return true;
    return n >= 5 && path[n - 5] == '.' && is(n - 4, 'j') && is(n - 3, 'p') && is(n - 2, 'e') && is(n - 1, 'g');
}

const char* fileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (isLeadByte(*p) && p[1])
            ++p;  // its second byte is never a separator
        else if (*p == '/' || *p == '\\')
            name = p + 1;
    return name;
}

uint32_t scanlineSamples(int components, uint32_t width) {
    uint32_t samples = static_cast<uint32_t>(components) * width;
    return samples + (samples & 1);
}

void jpegErrorExit(jpeg_common_struct* cinfo) {
    auto* jerr = reinterpret_cast<DecodeErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, jerr->message);
    if (cinfo->err->msg_code == JERR_OUT_OF_MEMORY && cinfo->is_decompressor) {
        const auto* d = reinterpret_cast<jpeg_decompress_struct*>(cinfo);
        sayNoMemory(jerr->message, d->image_width, d->image_height);
    }
    (*cinfo->err->output_message)(cinfo);
    jerr->printed = true;
    longjmp(jerr->setjmpBuffer, 1);
}

bool PhotoView::setPhotoPath(const char* path, char* reason, size_t size) {
    const size_t n = strlen(path);
    if (pathTooLong(n, reason, size)) return false;
    memcpy(photoPath, path, n + 1);
    photoExactPath[0] = u'\0';
    return true;
}

void PhotoView::loadPhoto(const char* path, const char16_t* exactPath) {
    const size_t n = strlen(path);
    if (n < 5) return;
    if (!isJpegName(path)) {
        if (host) host->setStatusText("Choose a jpeg file...");
        return;
    }
    size_t exactLength = 0;
    while (exactPath && exactPath[exactLength]) ++exactLength;
    char reason[96];
    if (pathTooLong(n > exactLength ? n : exactLength, reason, sizeof reason)) {
        supersede();
        photoLoaded = false;
        fprintf(stderr, "%s: %s\n", path, reason);
        showRefusal(host, path, reason);
        if (host) host->invalidate(true);
        return;
    }
    // Never two at once: the one running stops, and this one waits its turn.
    if (loadRunning) return choosePhoto(path, exactPath);
    setPhotoPath(path, reason, sizeof reason);  // it fits: see above
    if (exactPath) copyExactPath(exactPath, photoExactPath);
    // Nothing of the photograph before is drawn, dragged or sent while this one is read.
    photoLoaded = false;
    loadRunning = true;
    loadStopped = false;
    shownPercent = -1;
    loadStartedAt = host ? host->clock() : 0;
    lastServiceAt = loadStartedAt - ServiceInterval;  // the window is served at the first chance
    const bool decoded = decodePhoto();
    loadRunning = false;
    // A stop asked for after the decoder's last look is honoured all the same.
    photoLoaded = decoded && !loadStopped;
    loadStopped = false;
    if (photoLoaded) rebuildDisplay(viewWidth, viewHeight);
    if (host) host->invalidate(true);
}

bool PhotoView::decodePhoto(DecodeJob* job) {
    FILE* file = openPhotoFile(photoPath, photoExactPath);
    if (!file) {
        const int error = errno;
        if (!job) fprintf(stderr, "can't open %s\n", photoPath);
        char reason[160];
        snprintf(reason, sizeof reason, "the file can't be opened (%s)", strerror(error));
        refusePhoto(*this, photoPath, reason, true, job);
        return false;
    }
    const bool ok = decodeFrom(file, nullptr, 0, MaxPhotoPixels, job);
    fclose(file);
    return ok;
}

bool PhotoView::decodePhotoData(const uint8_t* data, size_t size, uint64_t pixelLimit) {
    return decodeFrom(nullptr, data, size, pixelLimit, nullptr);
}

bool PhotoView::decodeFrom(FILE* file, const uint8_t* data, size_t size, uint64_t pixelLimit, DecodeJob* job) {
    // Zeroed so that destroying it is safe even if its creation failed.
    jpeg_decompress_struct cinfo{};
    DecodeErrorManager jerr;
    DecodeProgress progress{};
    progress.pub.progress_monitor = monitorProgress;
    progress.view = this;
    progress.file = file;
    progress.size = size;
    if (file && fseek(file, 0, SEEK_END) == 0) {
        const long end = ftell(file);
        progress.size = end > 0 ? static_cast<uint64_t>(end) : 0;
        rewind(file);
    }
    const bool ok = decodeGuarded(*this, &cinfo, &jerr, &progress, data, size, pixelLimit, job);
    jpeg_destroy_decompress(&cinfo);
    if (!ok && !jerr.stopped)
        refusePhoto(*this, photoPath, jerr.message[0] ? jerr.message : "the file ends too early", jerr.printed, job);
    return ok;
}

// The EXIF orientation reader on any APP1 contents, alone and as the decoder uses it: a small
// photograph carrying those contents comes out turned exactly when the reader says so.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <jpeglib.h>
#include "photo/ExifOrientation.h"
#include "photo/PhotoDecode.h"
#include "photo/PhotoView.h"

namespace {

constexpr int Width = 16, Height = 8;

// A plain Width x Height grey JPEG, made once.
std::vector<uint8_t> plainJpeg() {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = Width;
    cinfo.image_height = Height;
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPLE row[Width] = {};
    for (JSAMPROW line = row; cinfo.next_scanline < Height;) jpeg_write_scanlines(&cinfo, &line, 1);
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> jpeg(out, out + size);
    jpeg_destroy_compress(&cinfo);
    free(out);
    return jpeg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int orientation = exifOrientation(data, size);
    if (orientation < 1 || orientation > 8) abort();
    if (size > 0xFFFF - 2) return 0;  // no longer fits one segment
    static const std::vector<uint8_t> plain = plainJpeg();
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, uint8_t((size + 2) >> 8), uint8_t(size + 2)};
    jpeg.insert(jpeg.end(), data, data + size);
    jpeg.insert(jpeg.end(), plain.begin() + 2, plain.end());
    PhotoView view;
    const bool turned = orientationSwapsSides(orientation);
    if (!view.decodePhotoData(jpeg.data(), jpeg.size(), MaxPhotoPixels) || view.imageWidth != (turned ? Height : Width))
        abort();
    return 0;
}

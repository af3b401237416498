#include "support/TestJpeg.h"
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf back;
};

void errorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->back, 1); }

// No object with a destructor lives between setjmp and the library calls.
bool compress(jpeg_compress_struct* cinfo, ErrorManager* err, int width, int height, int components,
              const uint8_t* samples, const JpegOptions* options, unsigned char** out, unsigned long* outSize) {
    cinfo->err = jpeg_std_error(&err->base);
    err->base.error_exit = errorExit;
    if (setjmp(err->back)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, out, outSize);
    cinfo->image_width = static_cast<JDIMENSION>(width);
    cinfo->image_height = static_cast<JDIMENSION>(height);
    cinfo->input_components = components;
    cinfo->in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, options->quality, TRUE);
    for (int c = 0; components == 3 && c < 3; ++c)
        cinfo->comp_info[c].h_samp_factor = cinfo->comp_info[c].v_samp_factor = c == 0 && options->subsample ? 2 : 1;
    if (options->progressive) jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + static_cast<size_t>(cinfo->next_scanline) * width * components);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

bool decompress(jpeg_decompress_struct* cinfo, ErrorManager* err, const uint8_t* data, size_t size,
                DecodedJpeg* result) {
    cinfo->err = jpeg_std_error(&err->base);
    err->base.error_exit = errorExit;
    err->base.output_message = [](j_common_ptr) {};
    if (setjmp(err->back)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    jpeg_start_decompress(cinfo);
    result->width = static_cast<int>(cinfo->output_width);
    result->height = static_cast<int>(cinfo->output_height);
    result->components = cinfo->output_components;
    const size_t stride = static_cast<size_t>(result->width) * result->components;
    result->samples.resize(stride * result->height);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = result->samples.data() + stride * cinfo->output_scanline;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

}  // namespace

std::vector<uint8_t> encodeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples,
                                const JpegOptions& options) {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const bool ok = compress(&cinfo, &err, width, height, components, samples.data(), &options, &out, &outSize);
    std::vector<uint8_t> bytes(ok ? out : nullptr, ok ? out + outSize : nullptr);
    free(out);
    return bytes;
}

DecodedJpeg decodeJpeg(const uint8_t* data, size_t size) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    DecodedJpeg result;
    result.ok = decompress(&cinfo, &err, data, size, &result);
    if (!result.ok) result.samples.clear();
    return result;
}

std::vector<uint8_t> photographicRgb(int width, int height) {
    std::vector<uint8_t> rgb;
    uint32_t noise = 12345;
    auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) & 31) - 16;
            rgb.insert(rgb.end(), {clamp(x * 255 / (width > 1 ? width - 1 : 1) + grain),
                                   clamp(y * 255 / (height > 1 ? height - 1 : 1) + grain),
                                   clamp((((x / 7) ^ (y / 5)) & 63) * 3 + 40 + grain)});
        }
    return rgb;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    // An empty vector may give a null data(), which fwrite must not receive.
    const bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    uint8_t chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(file);
    return bytes;
}

#include "export/JpegExport.h"
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include "export/DatabaseHeader.h"
#include "export/OutputFile.h"
#include "export/SendMessages.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

namespace {

enum { Quality = 80 };

// The error manager is followed by the place error_exit jumps back to.
struct CompressErrors {
    jpeg_error_mgr base;
    jmp_buf back;
};

// A failed write or a refused image ends the compression, never the process.
void compressErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<CompressErrors*>(cinfo->err)->back, 1);
}

// The byte offset in a photograph row of each output column's source pixel, worked out
// once per export instead of a division per pixel. Nearest neighbour, 32-bit products,
// truncating.
void sourceColumns(const PhotoView& view, size_t* offsets) {
    for (int32_t j = 0; j < view.outputWidth; ++j)
        offsets[j] = static_cast<size_t>(view.sourceLeft + j * view.sourceWidth / view.outputWidth) * 4;
}

// Output row d (0 = the top of the generated picture) from the bottom-up BGR0
// photograph, as RGB triples.
void sampleRow(const PhotoView& view, const size_t* columns, int32_t d, uint8_t* row) {
    int32_t r = view.sourceTop + d * view.sourceHeight / view.outputHeight;
    const uint8_t* source = view.photoPixels.data() +
                            static_cast<size_t>(view.imageHeight - 1 - r) * view.imageWidth * 4;
    for (int32_t j = 0; j < view.outputWidth; ++j, row += 3) {
        const uint8_t* pixel = source + columns[j];
        row[0] = pixel[2];
        row[1] = pixel[1];
        row[2] = pixel[0];
    }
}

// The setjmp lives here, in a frame that holds no object with a destructor; after
// the jump only the unchanged arguments are used, never a local set after setjmp.
bool compress(jpeg_compress_struct* cinfo, CompressErrors* errors, const PhotoView* view,
              FILE* stream, const size_t* columns, uint8_t* row) {
    cinfo->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = compressErrorExit;
    if (setjmp(errors->back)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, stream);
    cinfo->image_width = static_cast<JDIMENSION>(view->outputWidth);
    cinfo->image_height = static_cast<JDIMENSION>(view->outputHeight);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, Quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        sampleRow(*view, columns, static_cast<int32_t>(cinfo->next_scanline), row);
        JSAMPROW rows[1] = {row};
        if (jpeg_write_scanlines(cinfo, rows, 1) != 1) {
            jpeg_destroy_compress(cinfo);
            return false;
        }
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

bool fitsIn32(int32_t a, int32_t b) { return static_cast<int64_t>(a) * b <= INT32_MAX; }

}  // namespace

bool canExport(const PhotoView& view) {
    if (!view.photoLoaded || !view.photoPixels) return false;
    if (view.imageWidth < 1 || view.imageHeight < 1) return false;
    if (view.photoPixels.size() / 4 / static_cast<size_t>(view.imageWidth) <
        static_cast<size_t>(view.imageHeight))
        return false;
    if (view.outputWidth < 1 || view.outputHeight < 1) return false;
    if (view.sourceWidth < 1 || view.sourceHeight < 1) return false;
    if (view.sourceLeft < 0 || view.sourceTop < 0) return false;
    if (static_cast<int64_t>(view.sourceLeft) + view.sourceWidth > view.imageWidth) return false;
    if (static_cast<int64_t>(view.sourceTop) + view.sourceHeight > view.imageHeight) return false;
    return fitsIn32(view.outputWidth, view.sourceWidth) &&
           fitsIn32(view.outputHeight, view.sourceHeight);
}

bool writeExport(const PhotoView& view, FILE* stream, const char* name, bool writeHeader) {
    if (!canExport(view)) return false;
    // One output row, made even: (outputWidth AND 1) + 3 x outputWidth bytes.
    size_t rowSize = static_cast<size_t>(view.outputWidth & 1) + 3 * static_cast<size_t>(view.outputWidth);
    uint8_t* row = static_cast<uint8_t*>(malloc(rowSize));
    size_t* columns = static_cast<size_t*>(malloc(static_cast<size_t>(view.outputWidth) * sizeof(size_t)));
    bool ok = row && columns && (!writeHeader || writeDatabaseHeader(name, stream));
    if (ok) {
        sourceColumns(view, columns);
        jpeg_compress_struct cinfo{};
        CompressErrors errors{};
        ok = compress(&cinfo, &errors, &view, stream, columns, row);
    }
    free(columns);
    free(row);
    return ok;
}

ExportStatus exportToNewFile(const PhotoView& view, const char* path, const char* name,
                             bool writeHeader) {
    if (!canExport(view)) return ExportStatus::Failed;
    FILE* stream = nullptr;
    switch (openNewFile(path, &stream)) {
    case NewFileResult::Exists: return ExportStatus::NameTaken;
    case NewFileResult::Failed: return ExportStatus::CannotCreate;
    case NewFileResult::Created: break;
    }
    return writeNewFile(view, stream, path, name, writeHeader) ? ExportStatus::Written : ExportStatus::Failed;
}

bool writeNewFile(const PhotoView& view, FILE* stream, const char* path, const char* name, bool writeHeader) {
    bool ok = writeExport(view, stream, name, writeHeader);
    // The last buffered bytes go out at close: a failed close is a failed write.
    if (fclose(stream) != 0) ok = false;
    if (!ok) removeFile(path);
    return ok;
}

void showCannotCreate(const PhotoView& view, const char* path) {
    char text[64 + PhotoView::OutputFolderSize];
    cannotCreateText(path, text, sizeof text);
    showSendMessage(view, text, IconError);
}

bool PhotoView::exportJpeg(const char* path, const char* name, bool writeHeader) {
    ExportStatus status = exportToNewFile(*this, path, name, writeHeader);
    if (status == ExportStatus::NameTaken || status == ExportStatus::CannotCreate)
        showCannotCreate(*this, path);
    return status == ExportStatus::Written;
}

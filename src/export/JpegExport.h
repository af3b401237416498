#pragma once
#include <cstdio>

class PhotoView;

enum class ExportStatus {
    Written,
    NameTaken,     // something is already at the path; it is left as it was
    CannotCreate,  // the file could not be created
    Failed,        // nothing to export, or writing failed; no file is left
};

// True when the view holds a photograph and a non-empty selection inside it, and
// the resampling products fit in 32 bits.
bool canExport(const PhotoView& view);

// Writes the selection, resampled to the output size, as a baseline JPEG of
// quality 80 into a new file at path, behind the database header for name when
// writeHeader is set. Shows nothing.
ExportStatus exportToNewFile(const PhotoView& view, const char* path, const char* name,
                             bool writeHeader);

// The same into a stream that is already open; false when the header or the JPEG
// stream cannot be written. The stream is left open.
bool writeExport(const PhotoView& view, FILE* stream, const char* name, bool writeHeader);

// The same into the file just created at path and open as stream, which is closed; false,
// and the file removed, when it cannot be written whole.
bool writeNewFile(const PhotoView& view, FILE* stream, const char* path, const char* name, bool writeHeader);

// "Can not create file : <path>", owned by the picture control.
void showCannotCreate(const PhotoView& view, const char* path);

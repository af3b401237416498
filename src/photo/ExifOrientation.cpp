#include "photo/ExifOrientation.h"
#include <cstring>

namespace {

struct TiffReader {
    const uint8_t* tiff;
    size_t size;
    bool bigEndian;
    uint32_t u16(size_t at) const {
        return bigEndian ? (tiff[at] << 8 | tiff[at + 1]) : (tiff[at] | tiff[at + 1] << 8);
    }
    uint32_t u32(size_t at) const {
        return bigEndian ? (u16(at) << 16 | u16(at + 2)) : (u16(at) | u16(at + 2) << 16);
    }
};

}  // namespace

int exifOrientation(const uint8_t* data, size_t size) {
    static const uint8_t exifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    enum { Stored = 1, OrientationTag = 0x0112, EntrySize = 12 };
    // Writers differ in the integer type they give the tag (BYTE, SHORT, LONG and their signed
    // kinds): by its TIFF number, the bytes of one value, 0 for the other types. Signed or
    // not, a value of 1 to 8 reads the same.
    static const uint8_t valueWidths[] = {0, 1, 0, 2, 4, 0, 1, 0, 2, 4};
    if (!data || size < sizeof exifHeader + 8 || memcmp(data, exifHeader, sizeof exifHeader) != 0) return Stored;
    TiffReader r{data + sizeof exifHeader, size - sizeof exifHeader, false};
    if (r.tiff[0] == 'M' && r.tiff[1] == 'M')
        r.bigEndian = true;
    else if (r.tiff[0] != 'I' || r.tiff[1] != 'I')
        return Stored;
    if (r.u16(2) != 42) return Stored;
    const uint32_t directory = r.u32(4);
    if (directory > r.size || r.size - directory < 2) return Stored;
    const uint32_t entries = r.u16(directory);
    // Only the entries wholly inside the segment are read.
    const size_t room = (r.size - directory - 2) / EntrySize;
    for (size_t i = 0; i < entries && i < room; ++i) {
        const size_t entry = directory + 2 + i * EntrySize;
        if (r.u16(entry) != OrientationTag) continue;
        const uint32_t type = r.u16(entry + 2);
        const int width = type < sizeof valueWidths ? valueWidths[type] : 0;
        if (width == 0 || r.u32(entry + 4) < 1) return Stored;
        // A value of up to four bytes is held in the entry itself, from its first byte on.
        const uint32_t value = width == 1 ? r.tiff[entry + 8] : width == 2 ? r.u16(entry + 8) : r.u32(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : Stored;
    }
    return Stored;
}

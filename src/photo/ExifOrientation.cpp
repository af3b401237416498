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
    enum { Stored = 1, OrientationTag = 0x0112, TypeShort = 3, EntrySize = 12 };
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
        if (r.u16(entry + 2) != TypeShort || r.u32(entry + 4) < 1) return Stored;
        const uint32_t value = r.u16(entry + 8);  // a short is held in the entry itself
        return value >= 1 && value <= 8 ? static_cast<int>(value) : Stored;
    }
    return Stored;
}

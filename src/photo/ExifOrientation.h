#pragma once
#include <cstddef>
#include <cstdint>

// The Orientation tag (0x0112) of an APP1 segment's contents ("Exif\0\0", a TIFF header,
// the first image directory): 1 to 8, or 1 (shown as stored) when the segment is not
// EXIF, is damaged, has no such tag, gives it a type that is no integer or holds a value
// outside 1 to 8 (any integer type is read, as writers differ). Every length and
// offset in the segment is checked against size before it is followed.
int exifOrientation(const uint8_t* data, size_t size);

// True when the orientation turns the picture a quarter, so that its sides swap.
inline bool orientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

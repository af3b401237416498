#include "photo/PhotoFile.h"
#include <cerrno>
#include <cstdint>
#include "photo/PhotoView.h"
#ifdef _WIN32
#include <windows.h>

bool isLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }
#else
bool isLeadByte(char) { return false; }
#endif

FILE* openPhotoFile(const char* path, const char16_t* exactPath) {
    if (!exactPath || !exactPath[0]) return fopen(path, "rb");
#ifdef _WIN32
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");
    wchar_t wide[PhotoView::PhotoPathSize];
    size_t n = 0;
    for (; exactPath[n] && n + 1 < PhotoView::PhotoPathSize; ++n) wide[n] = static_cast<wchar_t>(exactPath[n]);
    wide[n] = L'\0';
    if (exactPath[n]) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    return _wfopen(wide, L"rb");
#else
    // Elsewhere a file name is bytes, UTF-8 by convention.
    char name[PhotoView::PhotoPathSize * 3];
    if (!utf16ToUtf8(exactPath, name, sizeof name)) {
        errno = EINVAL;
        return nullptr;
    }
    return fopen(name, "rb");
#endif
}

bool utf16ToUtf8(const char16_t* text, char* out, size_t size) {
    size_t n = 0;
    for (; *text; ++text) {
        uint32_t c = *text;
        if (c >= 0xD800 && c < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (*++text - 0xDC00u);
        else if (c >= 0xD800 && c < 0xE000)
            return false;
        const int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        if (n + tail + 2 > size) return false;
        // The lead byte: as many high bits as bytes in all, then the code's top bits.
        out[n++] = static_cast<char>(tail ? ((0xFF00 >> (tail + 1)) & 0xFF) | (c >> 6 * tail) : c);
        for (int k = tail - 1; k >= 0; --k) out[n++] = static_cast<char>(0x80 | ((c >> 6 * k) & 0x3F));
    }
    out[n] = '\0';
    return true;
}

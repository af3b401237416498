#pragma once
#include <cstddef>
#include <cstdio>

// Opens a photograph for reading. exactPath, when given and not empty, is its real name in
// UTF-16 (the list's path in the system code page cannot spell every name) and is what opens
// it; path otherwise. Null, with errno set, when it cannot be opened.
FILE* openPhotoFile(const char* path, const char16_t* exactPath);

// True when c opens a two-byte character of the system's code page (Japanese, Chinese and
// Korean Windows), whose second byte may be a backslash. Never natively, where names are
// UTF-8: there every byte of a character beyond ASCII is 0x80 or above.
bool isLeadByte(char c);

// text as UTF-8 into out (size bytes with the terminator); false when it does not fit or holds
// half of a surrogate pair, which no UTF-8 name can spell.
bool utf16ToUtf8(const char16_t* text, char* out, size_t size);

// Copies a UTF-16 path into a field; false, the field empty, when it does not fit.
template <size_t N>
bool copyExactPath(const char16_t* from, char16_t (&to)[N]) {
    size_t n = 0;
    for (; from[n]; ++n)
        if (n + 1 == N) return (to[0] = u'\0', false);
        else to[n] = from[n];
    to[n] = u'\0';
    return true;
}

#include "export/PhotoName.h"
#include <cstdio>
#include <cstring>
#include "export/OutputFile.h"
#include "photo/PhotoFile.h"

namespace {

const char* const DefaultName = "Photo";

bool isTaken(unsigned char c) { return c >= 0x21 && c <= 0x7A; }

}  // namespace

void photoBaseName(const char* photoPath, char (&base)[BaseNameSize]) {
    int taken = 0;
    for (const char* p = photoPath; *p; ++p) {
        // A two-byte character is not taken, and its second byte is no separator.
        if (isLeadByte(*p) && p[1])
            ++p;
        // A forward slash separates too: it must never reach the output path.
        else if (isPathSeparator(*p))
            taken = 0;
        else if (isTaken(static_cast<unsigned char>(*p)) && taken < BaseNameSize - 1)
            base[taken++] = *p;  // past 64 the rest of the name is left out, never taken over its start
    }
    base[taken] = '\0';
    if (char* dot = strrchr(base, '.')) *dot = '\0';
    // An empty name would give an unnamed database that the handheld refuses.
    if (base[0] == '\0') snprintf(base, sizeof base, "%s", DefaultName);
}

void numberedName(const char* base, int number, char (&name)[NumberedNameSize]) {
    char suffix[16] = "";
    if (number > 1) snprintf(suffix, sizeof suffix, "(%i)", number);
    size_t suffixLength = strlen(suffix);
    size_t keep = strnlen(base, NumberedNameSize - 1 - suffixLength);
    memcpy(name, base, keep);
    memcpy(name + keep, suffix, suffixLength + 1);
}

#include "export/DatabaseHeader.h"
#include <cstring>

void fillDatabaseHeader(const char* name, uint8_t (&header)[DatabaseHeaderSize]) {
    memset(header, 0, sizeof header);
    size_t length = strnlen(name, DatabaseNameSize - 1);
    memcpy(header, name, length);
    header[35] = 1;                // version 1
    memcpy(header + 60, "jpeg", 4);  // type
    memcpy(header + 64, "Vrel", 4);  // creator
    header[77] = 1;                // one record
    header[81] = DatabaseHeaderSize;  // record 0's data starts right after the header
}

bool writeDatabaseHeader(const char* name, FILE* stream) {
    uint8_t header[DatabaseHeaderSize];
    fillDatabaseHeader(name, header);
    return fwrite(header, sizeof header, 1, stream) == 1;
}

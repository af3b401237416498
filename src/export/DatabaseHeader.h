#pragma once
#include <cstdint>
#include <cstdio>

// The header of a one-record handheld database (PDB layout, numbers big-endian)
// whose record is the JPEG stream that follows it in the file.
enum : int { DatabaseHeaderSize = 88, DatabaseNameSize = 32 };

// The header for a database called name (at most 31 characters are kept, so the
// name field always ends in a zero byte).
void fillDatabaseHeader(const char* name, uint8_t (&header)[DatabaseHeaderSize]);

// Writes the header at the stream's current position; false when the write fails.
bool writeDatabaseHeader(const char* name, FILE* stream);

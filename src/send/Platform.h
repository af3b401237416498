#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// What vistrel-send needs of the system beyond the core.

// True when the stream goes to a terminal (a console, on Windows).
bool isTerminal(FILE* stream);
// Writes text as a terminal shows it: a Windows console has a code page of its own.
void writeText(FILE* stream, const char* text);

// The separator that joins a folder and a name.
char folderSeparator();
// The names of the files (not the folders) in the folder at path; false when path is not a folder.
bool listFolder(const std::string& path, std::vector<std::string>& names);

// Memory the photographs held at once may take unless told: half of the machine's, and no
// more than this process can still address.
uint64_t defaultPhotoMemory();
// Milliseconds since some moment, never going back: for rates, never for dates.
uint32_t monotonicMilliseconds();

// From install until remove, Ctrl-C (and, off Windows, a request to terminate) calls
// stop(context) on a thread of its own, instead of ending the process.
bool installStopHandler(void (*stop)(void*), void* context);
void removeStopHandler();

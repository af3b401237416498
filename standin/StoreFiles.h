#pragma once
#include <cstdio>
#include <string>

// The file services of the store: whole-file reads, and updates that never leave a
// half-written file behind.

enum class ReadOutcome { Read, Missing, Failed, TooLarge };

// Reads the whole file at path (a store path, see hostPath) into bytes, at most limit bytes.
ReadOutcome readWholeFile(const std::string& path, std::string& bytes, size_t limit);

// Writes bytes to temporaryPathFor(path), flushes and closes it, checking each step,
// then renames it over path. On any failure the temporary file is removed and path
// keeps its old content.
bool replaceFileContents(const std::string& path, const std::string& bytes);

// The temporary file beside path that an update of this process writes: the process
// ID in its name keeps the library in the program and the tool from writing into one
// temporary file at the same time.
std::string temporaryPathFor(const std::string& path);

// Writes all bytes to an open stream and flushes it; false on any short write.
bool writeAll(FILE* stream, const std::string& bytes);

// Per platform: renames from over to, replacing an existing file; this process's ID.
bool replaceFile(const std::string& from, const std::string& to);
unsigned long processId();

// The path as the host's file calls want it: off Windows, '\' becomes '/' and a
// leading "Z:" or "z:" (Wine's drive for the Linux root) is dropped.
std::string hostPath(const std::string& path);

// folder + separator + name, with the host's separator.
std::string joinPath(const std::string& folder, const std::string& name);

// Creates one folder level; true when it exists afterwards.
bool makeFolder(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool makeFolders(const std::string& path);
bool folderExists(const std::string& path);
// Removes a file or an empty folder; nothing happens when it cannot.
void removeQuietly(const std::string& path);
bool fileExists(const std::string& path);

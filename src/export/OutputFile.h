#pragma once
#include <cstdio>

// The file services the export needs, on paths in the HotSync libraries' own
// (Windows) form: the root folder, a backslash, the user's folder and so on.
// Natively the separators are mapped before the system is asked.

// Both separators count: a forward slash names a folder as well as a backslash.
inline bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

enum class NewFileResult { Created, Exists, Failed };

// Creates path only if nothing is there yet, and opens it for binary writing.
// An existing file is never truncated: it gives Exists and a null stream.
NewFileResult openNewFile(const char* path, FILE** stream);
bool fileExists(const char* path);
// Creates the last level of path only; a trailing separator is allowed.
bool createFolder(const char* path);
bool removeFile(const char* path);

// A temporary file's path: a folder's path and a short name of its own.
enum : int { TemporaryPathSize = 320 };

// Creates a new file with a name of its own in folder (which ends in a separator), such as
// "~vistrel-4242-7.tmp", and opens it for binary writing; path receives its path.
NewFileResult createTemporaryFile(const char* folder, FILE** stream, char (&path)[TemporaryPathSize]);
// Opens an existing file for reading and writing in binary mode; null when it cannot.
FILE* openForUpdate(const char* path);
// Writes what the stream holds through to the disk; false when that fails.
bool syncFileToDisk(FILE* stream);
// Gives the file at from the name to, only if nothing is there yet: Created, Exists (from
// is left as it was) or Failed. In one step, so that a file is never seen half-named.
NewFileResult moveToNewName(const char* from, const char* to);

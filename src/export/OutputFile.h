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

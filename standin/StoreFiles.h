#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// The file services of the store: whole-file reads, updates that never leave a
// half-written file behind, and the lock that serialises updates between processes.
// Paths are bytes in the system's code page on Windows (the A functions take them as
// they are) and the host's bytes elsewhere; they are scanned by character, never by
// byte, since a double-byte character's second byte may be a backslash.

// Missing and NotAFile (a folder, a FIFO, a device) stay so; Held (another program has
// the file open without sharing it, or locked) and Failed (a share out of reach, no
// permission, a read error) may pass.
enum class ReadOutcome { Read, Missing, NotAFile, TooLarge, Held, Failed };

// What tells one version of a file from another without reading it: identity (inode
// or file index), size and times. Two equal stamps are taken as the same content.
struct FileStamp {
    uint64_t identity = 0, size = 0, written = 0, changed = 0;
    bool operator==(const FileStamp& o) const {
        return identity == o.identity && size == o.size && written == o.written && changed == o.changed;
    }
};

// Reads the whole file at path (a store path, see hostPath) into bytes, at most limit
// bytes. Anything but a regular file is NotAFile, never waited on. stamp, when given,
// receives the stamp of the file that was read.
ReadOutcome readWholeFile(const std::string& path, std::string& bytes, size_t limit,
                          FileStamp* stamp = nullptr);
// The stamp of the file at path; false when it cannot be had (missing, say).
bool stampOf(const std::string& path, FileStamp& stamp);
// False while the file was written too recently for its stamp to be trusted: file
// times tick in steps of milliseconds, so a change within the same step can keep them.
bool isSettled(const FileStamp& stamp);

// Writes bytes to temporaryPathFor(path), flushes it to the disk, renames it over path
// and flushes the folder. On any failure the temporary file is removed and path keeps
// its old content. Callers hold the store's lock, so one temporary name per file is enough.
bool replaceFileContents(const std::string& path, const std::string& bytes);

// The temporary file beside path that an update writes.
std::string temporaryPathFor(const std::string& path);

// Writes all bytes to an open stream and flushes it; false on any short write.
bool writeAll(FILE* stream, const std::string& bytes);

// Writes bytes into a new file at path (replacing one there), flushed to the disk.
bool writeDurably(const std::string& path, const std::string& bytes);

enum class PlaceOutcome { Placed, Exists, Failed };
// Moves the file from over to only when to does not exist yet: never replaces.
PlaceOutcome placeNewFile(const std::string& from, const std::string& to);

// Per platform: renames from over to, replacing an existing file (on Windows, while
// another program holds either file it tries again for about 2 s); pushes a written
// stream (or a folder's entries, POSIX only) to the disk.
bool replaceFile(const std::string& from, const std::string& to);
bool flushToDisk(FILE* stream);
void flushFolder(const std::string& folder);

// A lock on one byte of a lock file, held until release() or destruction. The
// platform's own lock (fcntl on POSIX, LockFileEx on Windows), so Wine maps the Windows
// one onto the POSIX one and the two kinds of process exclude each other.
class FileLock {
public:
    enum Outcome { Locked, Busy, Failed };
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // Creates the lock file if needed and waits at most waitMs for the lock.
    Outcome acquire(const std::string& path, bool exclusive, unsigned offset, unsigned waitMs);
    void release();
    bool held() const { return handle != Closed; }

private:
    enum : intptr_t { Closed = -1 };
    intptr_t handle = Closed;
};

// The path as the host's file calls want it: off Windows, '\' becomes '/' and a
// leading "Z:" or "z:" (Wine's drive for the Linux root) is dropped.
std::string hostPath(const std::string& path);

// folder + separator + name, with the host's separator.
std::string joinPath(const std::string& folder, const std::string& name);

// Where the character that begins at index at ends: one byte, or a double-byte
// character of the system's code page on Windows, a UTF-8 sequence elsewhere.
size_t nextCharacter(const std::string& text, size_t at);
// The index of the last slash or backslash that is a character of its own, or npos.
size_t lastSeparator(const std::string& path);

// Unresolved: the file exists but where it lies cannot be told now (a share out of reach).
enum class Containment { Inside, Outside, Missing, Unresolved };
// Whether the existing file at path lies inside folder, after links, "..", short names
// and (on Windows) case are resolved.
Containment containmentOf(const std::string& folder, const std::string& path);

enum class PathKind { Missing, File, Folder, Other, Unknown };
// What is at path: Other is a FIFO, a device or the like; Unknown, that it cannot be told now.
PathKind pathKind(const std::string& path);
// Creates one folder level; true when it exists afterwards.
bool makeFolder(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool makeFolders(const std::string& path);
bool folderExists(const std::string& path);
// Removes a file or an empty folder; nothing happens when it cannot.
void removeQuietly(const std::string& path);
// Removes a file, never a folder; nothing happens when it cannot.
void removeFileQuietly(const std::string& path);
// Whether anything (a file, a folder) has that name, or may have it.
bool fileExists(const std::string& path);

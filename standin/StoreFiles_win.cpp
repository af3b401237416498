#include "standin/StoreFiles.h"
#include <windows.h>
#include <io.h>
#include <algorithm>

namespace {

uint64_t joined(DWORD high, DWORD low) { return static_cast<uint64_t>(high) << 32 | low; }

// The file index is not among what the attributes give (see stampOf): every update writes
// a new file, so its creation time stands in for it.
FileStamp stampFrom(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written, const FILETIME& created) {
    FileStamp stamp;
    stamp.size = joined(sizeHigh, sizeLow);
    stamp.written = joined(written.dwHighDateTime, written.dwLowDateTime);
    stamp.changed = joined(created.dwHighDateTime, created.dwLowDateTime);
    return stamp;
}

// After a failed call: the path names nothing (rather than something out of reach now).
bool isGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_PATHNAME;
}

// Another program has the file open without sharing what we asked for, or has locked it.
bool isHeld(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

ReadOutcome failedRead(DWORD error) {
    if (isGone(error)) return ReadOutcome::Missing;
    return isHeld(error) ? ReadOutcome::Held : ReadOutcome::Failed;
}

// A virus scanner, the search indexer or a sync client opens a new file for a moment
// without sharing its deletion; a rename over it (or of it) is then refused with one of
// these. Access is also denied for good over a read-only file or a folder.
bool isHeldFromRename(DWORD error, const std::string& target) {
    if (error != ERROR_ACCESS_DENIED) return isHeld(error);
    const DWORD attributes = GetFileAttributesA(target.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ||
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

// Renames from to to, trying again for about 2 s while another program holds either:
// ERROR_SUCCESS, or the last error.
DWORD moveFile(const std::string& from, const std::string& to, DWORD flags) {
    for (unsigned waited = 0, pause = 1;; waited += pause, pause = pause < 64 ? pause * 2 : 64) {
        if (MoveFileExA(from.c_str(), to.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (waited >= 2000 || !isHeldFromRename(error, to)) return error;
        Sleep(pause);
    }
}

// The full, long form of an existing path, in upper case (Windows names ignore case)
// and in UTF-16 by the code page's own conversion, where no character hides a backslash:
// ERROR_SUCCESS, or why not.
DWORD fullPath(const std::string& path, std::wstring& resolved) {
    char full[MAX_PATH], longForm[MAX_PATH];
    wchar_t wide[MAX_PATH], upper[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return n ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
    n = GetLongPathNameA(full, longForm, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return n ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
    const int count = MultiByteToWideChar(CP_ACP, 0, longForm, static_cast<int>(n), wide, MAX_PATH);
    if (count <= 0 || LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide, count, upper, MAX_PATH) != count)
        return ERROR_NO_UNICODE_TRANSLATION;
    resolved.assign(upper, static_cast<size_t>(count));
    std::replace(resolved.begin(), resolved.end(), L'/', L'\\');
    return ERROR_SUCCESS;
}

}  // namespace

ReadOutcome readWholeFile(const std::string& path, std::string& bytes, size_t limit, FileStamp* stamp) {
    bytes.clear();
    // Most users have no slots.txt or settings.ini: asking for the attributes is much
    // cheaper than a failed open under Wine.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return failedRead(GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ReadOutcome::NotAFile;
    // Sharing delete too, so that a reader never makes another process's rename fail.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return failedRead(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    ReadOutcome outcome = ReadOutcome::Read;
    // A pipe, a console or a folder is not a store file.
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        outcome = ReadOutcome::NotAFile;
    } else if (joined(info.nFileSizeHigh, info.nFileSizeLow) > limit) {
        outcome = ReadOutcome::TooLarge;
    } else {
        // As stampOf gives it, which cannot see the file index.
        if (stamp) *stamp = stampFrom(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime, info.ftCreationTime);
        char block[65536];
        for (;;) {
            DWORD n = 0;
            if (!ReadFile(file, block, sizeof block, &n, nullptr)) {
                outcome = failedRead(GetLastError());  // a range another program locked: Held
                break;
            }
            if (n == 0) break;
            if (n > limit - bytes.size()) {
                outcome = ReadOutcome::TooLarge;
                break;
            }
            bytes.append(block, n);
        }
    }
    CloseHandle(file);
    if (outcome != ReadOutcome::Read) bytes.clear();
    return outcome;
}

// Without opening the file: the attributes alone are one cheap call.
bool stampOf(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    stamp = stampFrom(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime, data.ftCreationTime);
    return true;
}

bool isSettled(const FileStamp& stamp) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return joined(now.dwHighDateTime, now.dwLowDateTime) > stamp.written + 1000000u;  // 100 ms
}

// rename() refuses an existing target on Windows; MoveFileEx replaces it.
bool replaceFile(const std::string& from, const std::string& to) {
    return moveFile(from, to, MOVEFILE_REPLACE_EXISTING) == ERROR_SUCCESS;
}

bool flushToDisk(FILE* stream) {
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
}

// MOVEFILE_WRITE_THROUGH already waits for the rename to reach the disk.
void flushFolder(const std::string&) {}

PlaceOutcome placeNewFile(const std::string& from, const std::string& to) {
    const DWORD error = moveFile(from, to, 0);
    if (error == ERROR_SUCCESS) return PlaceOutcome::Placed;
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? PlaceOutcome::Exists : PlaceOutcome::Failed;
}

FileLock::Outcome FileLock::acquire(const std::string& path, bool exclusive, unsigned offset, unsigned waitMs) {
    release();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed;
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    unsigned waited = 0, pause = 1;
    for (;;) {
        OVERLAPPED at = {};
        at.Offset = offset;
        if (LockFileEx(file, flags, 0, 1, 0, &at)) {
            handle = reinterpret_cast<intptr_t>(file);
            return Locked;
        }
        DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_SHARING_VIOLATION && error != ERROR_IO_PENDING)
            break;
        if (waited >= waitMs) {
            CloseHandle(file);
            return Busy;
        }
        Sleep(pause);
        waited += pause;
        pause = pause < 16 ? pause * 2 : 16;
    }
    CloseHandle(file);
    return Failed;
}

void FileLock::release() {
    if (handle == Closed) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle));  // closing the handle drops its lock
    handle = Closed;
}

Containment containmentOf(const std::string& folder, const std::string& path) {
    std::wstring file, base;
    DWORD error = fullPath(path, file);
    if (error != ERROR_SUCCESS) return isGone(error) ? Containment::Missing : Containment::Unresolved;
    if ((error = fullPath(folder, base)) != ERROR_SUCCESS)
        return isGone(error) ? Containment::Outside : Containment::Unresolved;
    if (base.back() != L'\\') base += L'\\';
    return file.compare(0, base.size(), base) == 0 ? Containment::Inside : Containment::Outside;
}

// The second byte of a double-byte character may be any from 0x40 up, a backslash among them.
size_t nextCharacter(const std::string& text, size_t at) {
    return at + (IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < text.size() ? 2 : 1);
}

PathKind pathKind(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return isGone(GetLastError()) ? PathKind::Missing : PathKind::Unknown;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
    return attributes & FILE_ATTRIBUTE_DEVICE ? PathKind::Other : PathKind::File;
}

bool makeFolder(const std::string& path) {
    CreateDirectoryA(path.c_str(), nullptr);
    return folderExists(path);
}

void removeQuietly(const std::string& path) {
    if (!RemoveDirectoryA(path.c_str())) DeleteFileA(path.c_str());
}

void removeFileQuietly(const std::string& path) { DeleteFileA(path.c_str()); }

#include "standin/StoreFiles.h"
#include <windows.h>
#include <io.h>
#include <algorithm>
#include <cctype>

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

// The full, long form of an existing path, in lower case: Windows names ignore case.
bool fullPath(const std::string& path, std::string& resolved) {
    char full[MAX_PATH], longForm[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    n = GetLongPathNameA(full, longForm, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    resolved.assign(longForm, n);
    for (char& c : resolved) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::replace(resolved.begin(), resolved.end(), '/', '\\');
    return true;
}

}  // namespace

ReadOutcome readWholeFile(const std::string& path, std::string& bytes, size_t limit, FileStamp* stamp) {
    bytes.clear();
    // Most users have no slots.txt or settings.ini: asking for the attributes is much
    // cheaper than a failed open under Wine.
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
        return ReadOutcome::Missing;
    // Sharing delete too, so that a reader never makes another process's rename fail.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadOutcome::Missing
                                                                               : ReadOutcome::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info;
    ReadOutcome outcome = ReadOutcome::Read;
    // A pipe, a console or a folder is not a store file.
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        outcome = ReadOutcome::Failed;
    } else if (joined(info.nFileSizeHigh, info.nFileSizeLow) > limit) {
        outcome = ReadOutcome::TooLarge;
    } else {
        // As stampOf gives it, which cannot see the file index.
        if (stamp) *stamp = stampFrom(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime, info.ftCreationTime);
        char block[65536];
        for (;;) {
            DWORD n = 0;
            if (!ReadFile(file, block, sizeof block, &n, nullptr)) {
                outcome = ReadOutcome::Failed;
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
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool flushToDisk(FILE* stream) {
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
}

// MOVEFILE_WRITE_THROUGH already waits for the rename to reach the disk.
void flushFolder(const std::string&) {}

PlaceOutcome placeNewFile(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return PlaceOutcome::Placed;
    DWORD error = GetLastError();
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
    DWORD attributes = GetFileAttributesA(path.c_str());
    std::string file, base;
    if (attributes == INVALID_FILE_ATTRIBUTES || !fullPath(path, file)) return Containment::Missing;
    if (!fullPath(folder, base)) return Containment::Outside;
    if (base.back() != '\\') base += '\\';
    return file.compare(0, base.size(), base) == 0 ? Containment::Inside : Containment::Outside;
}

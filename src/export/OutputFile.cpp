#include "export/OutputFile.h"
#include <atomic>
#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Room for any path the send flow forms (256 bytes) and a little more.
enum { LocalPathSize = 512 };

// The path as the system wants it, or false when it does not fit. Under Windows
// the HotSync form is already the system's own.
bool localPath(const char* path, char (&local)[LocalPathSize]) {
    size_t length = strlen(path);
    if (length >= LocalPathSize) return false;
    for (size_t i = 0; i <= length; ++i) {
#ifdef _WIN32
        local[i] = path[i];
#else
        local[i] = path[i] == '\\' ? '/' : path[i];
#endif
    }
    return true;
}

}  // namespace

NewFileResult openNewFile(const char* path, FILE** stream) {
    *stream = nullptr;
    char local[LocalPathSize];
    if (!localPath(path, local)) return NewFileResult::Failed;
#ifdef _WIN32
    int fd = _open(local, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    int fd = open(local, O_WRONLY | O_CREAT | O_EXCL, 0666);
#endif
    if (fd < 0) return errno == EEXIST ? NewFileResult::Exists : NewFileResult::Failed;
#ifdef _WIN32
    FILE* file = _fdopen(fd, "wb");
#else
    FILE* file = fdopen(fd, "wb");
#endif
    if (!file) {
#ifdef _WIN32
        _close(fd);
#else
        close(fd);
#endif
        remove(local);
        return NewFileResult::Failed;
    }
    *stream = file;
    return NewFileResult::Created;
}

bool fileExists(const char* path) {
    char local[LocalPathSize];
    if (!localPath(path, local)) return false;
#ifdef _WIN32
    return _access(local, 0) == 0;
#else
    return access(local, F_OK) == 0;
#endif
}

bool createFolder(const char* path) {
    char local[LocalPathSize];
    if (!localPath(path, local)) return false;
    // mkdir does not take every trailing separator; the folder is the same without it.
    size_t length = strlen(local);
    while (length > 1 && isPathSeparator(local[length - 1])) local[--length] = '\0';
#ifdef _WIN32
    return _mkdir(local) == 0;
#else
    return mkdir(local, 0777) == 0;
#endif
}

bool removeFile(const char* path) {
    char local[LocalPathSize];
    if (!localPath(path, local)) return false;
    return remove(local) == 0;
}

NewFileResult createTemporaryFile(const char* folder, FILE** stream, char (&path)[TemporaryPathSize]) {
    // Unique among this process's files by the counter, among processes by the process ID.
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const unsigned process = static_cast<unsigned>(_getpid());
#else
    const unsigned process = static_cast<unsigned>(getpid());
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int length = snprintf(path, sizeof path, "%s~vistrel-%u-%u.tmp", folder, process, counter++);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof path) break;
        const NewFileResult result = openNewFile(path, stream);
        if (result != NewFileResult::Exists) return result;
    }
    path[0] = '\0';
    return NewFileResult::Failed;
}

FILE* openForUpdate(const char* path) {
    char local[LocalPathSize];
    return localPath(path, local) ? fopen(local, "r+b") : nullptr;
}

bool syncFileToDisk(FILE* stream) {
    if (fflush(stream) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(stream)) == 0;
#else
    return fsync(fileno(stream)) == 0;
#endif
}

NewFileResult moveToNewName(const char* from, const char* to) {
    char localFrom[LocalPathSize], localTo[LocalPathSize];
    if (!localPath(from, localFrom) || !localPath(to, localTo)) return NewFileResult::Failed;
#ifdef _WIN32
    // The runtime's rename never replaces a file (MoveFile).
    if (rename(localFrom, localTo) == 0) return NewFileResult::Created;
#else
    if (renameat2(AT_FDCWD, localFrom, AT_FDCWD, localTo, RENAME_NOREPLACE) == 0) return NewFileResult::Created;
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        // A file system without that kind of rename: a second link never replaces either.
        if (link(localFrom, localTo) == 0) {
            unlink(localFrom);
            return NewFileResult::Created;
        }
    }
#endif
    return fileExists(to) ? NewFileResult::Exists : NewFileResult::Failed;
}

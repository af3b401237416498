#include "standin/StoreFiles.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

uint64_t nanoseconds(const timespec& time) {
    return static_cast<uint64_t>(time.tv_sec) * 1000000000u + static_cast<uint64_t>(time.tv_nsec);
}

FileStamp stampFrom(const struct stat& info) {
    FileStamp stamp;
    stamp.identity = static_cast<uint64_t>(info.st_ino) ^ (static_cast<uint64_t>(info.st_dev) << 40);
    stamp.size = static_cast<uint64_t>(info.st_size);
    stamp.written = nanoseconds(info.st_mtim);
    stamp.changed = nanoseconds(info.st_ctim);
    return stamp;
}

void sleepMs(unsigned ms) {
    timespec pause = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

// After a failed call: the path names nothing (rather than something out of reach now).
bool isGone() { return errno == ENOENT || errno == ENOTDIR || errno == ELOOP || errno == ENAMETOOLONG; }

bool realPath(const std::string& path, std::string& resolved) {
    char* full = realpath(hostPath(path).c_str(), nullptr);
    if (!full) return false;
    resolved = full;
    std::free(full);
    return true;
}

}  // namespace

ReadOutcome readWholeFile(const std::string& path, std::string& bytes, size_t limit, FileStamp* stamp) {
    bytes.clear();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    int fd = open(hostPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return isGone() ? ReadOutcome::Missing : ReadOutcome::Failed;
    struct stat info;
    ReadOutcome outcome = ReadOutcome::Read;
    if (fstat(fd, &info) != 0) {
        outcome = ReadOutcome::Failed;
    } else if (!S_ISREG(info.st_mode)) {
        outcome = ReadOutcome::NotAFile;
    } else if (static_cast<uint64_t>(info.st_size) > limit) {
        outcome = ReadOutcome::TooLarge;
    } else {
        if (stamp) *stamp = stampFrom(info);
        char block[65536];
        for (;;) {
            ssize_t n = read(fd, block, sizeof block);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) outcome = ReadOutcome::Failed;
            if (n <= 0) break;
            if (static_cast<size_t>(n) > limit - bytes.size()) {
                outcome = ReadOutcome::TooLarge;
                break;
            }
            bytes.append(block, static_cast<size_t>(n));
        }
    }
    close(fd);
    if (outcome != ReadOutcome::Read) bytes.clear();
    return outcome;
}

bool stampOf(const std::string& path, FileStamp& stamp) {
    struct stat info;
    if (stat(hostPath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    stamp = stampFrom(info);
    return true;
}

bool isSettled(const FileStamp& stamp) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const uint64_t nowNs = nanoseconds(now);
    return nowNs > stamp.written + 100000000u && nowNs > stamp.changed + 100000000u;
}

// rename() replaces the target in one step on POSIX file systems.
bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool flushToDisk(FILE* stream) { return fsync(fileno(stream)) == 0; }

void flushFolder(const std::string& folder) {
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// A hard link fails when the target exists, where rename() would replace it.
PlaceOutcome placeNewFile(const std::string& from, const std::string& to) {
    std::string source = hostPath(from), target = hostPath(to);
    if (link(source.c_str(), target.c_str()) == 0) {
        unlink(source.c_str());
        flushFolder(target.substr(0, target.find_last_of('/')));
        return PlaceOutcome::Placed;
    }
    if (errno == EEXIST) return PlaceOutcome::Exists;
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return PlaceOutcome::Failed;
    // A file system without hard links: check, then rename (only one sync runs at a time).
    if (access(target.c_str(), F_OK) == 0) return PlaceOutcome::Exists;
    return std::rename(source.c_str(), target.c_str()) == 0 ? PlaceOutcome::Placed : PlaceOutcome::Failed;
}

FileLock::Outcome FileLock::acquire(const std::string& path, bool exclusive, unsigned offset, unsigned waitMs) {
    release();
    int fd = open(hostPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return Failed;
    struct flock range = {};
    range.l_type = static_cast<short>(exclusive ? F_WRLCK : F_RDLCK);
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = 1;
    // Open-file-description locks belong to this descriptor, not to the process, so
    // that two holders in one process exclude each other too; they and Wine's classic
    // fcntl locks exclude each other.
    int command = F_OFD_SETLK;
    unsigned waited = 0, pause = 1;
    for (;;) {
        if (fcntl(fd, command, &range) == 0) {
            handle = fd;
            return Locked;
        }
        if (errno == EINVAL && command == F_OFD_SETLK) {
            command = F_SETLK;
            continue;
        }
        if ((errno != EAGAIN && errno != EACCES && errno != EINTR) || waited >= waitMs) break;
        sleepMs(pause);
        waited += pause;
        pause = pause < 16 ? pause * 2 : 16;
    }
    int error = errno;
    close(fd);
    return error == EAGAIN || error == EACCES || error == EINTR ? Busy : Failed;
}

void FileLock::release() {
    if (handle == Closed) return;
    close(static_cast<int>(handle));  // closing the descriptor drops its lock
    handle = Closed;
}

Containment containmentOf(const std::string& folder, const std::string& path) {
    std::string file, base;
    if (!realPath(path, file)) return isGone() ? Containment::Missing : Containment::Unresolved;
    if (!realPath(folder, base)) return isGone() ? Containment::Outside : Containment::Unresolved;
    if (base.back() != '/') base += '/';
    return file.compare(0, base.size(), base) == 0 ? Containment::Inside : Containment::Outside;
}

// UTF-8: a character's later bytes are 10xxxxxx, never an ASCII byte.
size_t nextCharacter(const std::string& text, size_t at) {
    do ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80);
    return at;
}

PathKind pathKind(const std::string& path) {
    struct stat info;
    if (stat(hostPath(path).c_str(), &info) != 0)
        return isGone() ? PathKind::Missing : PathKind::Unknown;
    return S_ISREG(info.st_mode) ? PathKind::File : S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool makeFolder(const std::string& path) {
    mkdir(hostPath(path).c_str(), 0777);
    return folderExists(path);
}

void removeQuietly(const std::string& path) { std::remove(hostPath(path).c_str()); }

void removeFileQuietly(const std::string& path) { unlink(hostPath(path).c_str()); }

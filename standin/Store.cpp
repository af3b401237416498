// The store itself: its root, its lock, the paths of a user's files, its results.
#include "standin/Store.h"
#include "standin/StoreFormat.h"

namespace {

const char* const LockFile = "store.lock";
// The store's lock file: byte 0 guards the store's files, byte 1 lets one sync run.
const unsigned DataLockByte = 0, SyncLockByte = 1;

std::string normalisedRoot(std::string root) {
    while (root.size() > 1 && lastSeparator(root) == root.size() - 1) {
        // "C:\" keeps its separator: "C:" alone means the drive's current folder.
        if (root.size() == 3 && root[1] == ':') break;
        root.pop_back();
    }
    return root;
}

}  // namespace

bool isStoreText(const char* text, size_t limit) {
    if (!text || !*text) return false;
    size_t n = 0;
    for (; text[n]; ++n)
        if (n >= limit || isControl(static_cast<unsigned char>(text[n]))) return false;
    return true;
}

bool isStoreText(const std::string& text, size_t limit) {
    return text.find('\0') == std::string::npos && isStoreText(text.c_str(), limit);
}

Store::Store(std::string root) : rootFolder(normalisedRoot(std::move(root))) {}

// The store's lock for the life of one operation. Nested holds (an update that reads
// first) share the outer acquisition; a read that finds no lock file it may create
// (a read-only store) goes on without the lock, since it changes nothing.
Store::Hold::Hold(const Store& store, bool exclusive) : owner(store) {
    if (owner.lockDepth > 0) {
        result = exclusive && !owner.lockExclusive ? StoreInternal : StoreOk;
        counted = result == StoreOk;
        if (counted) ++owner.lockDepth;
        return;
    }
    result = owner.checkRoot();
    if (result != StoreOk) return;
    switch (owner.dataLock.acquire(joinPath(hostPath(owner.rootFolder), LockFile), exclusive, DataLockByte,
                                   owner.lockWaitMs)) {
    case FileLock::Locked:
        owner.lockDepth = 1;
        owner.lockExclusive = exclusive;
        counted = true;
        break;
    case FileLock::Busy:
        result = StoreBusy;
        break;
    case FileLock::Failed:
        result = exclusive ? StoreWriteFailed : StoreOk;
        break;
    }
}

Store::Hold::~Hold() {
    if (counted && --owner.lockDepth == 0) owner.dataLock.release();
}

int32_t Store::checkRoot() const {
    return !rootFolder.empty() && folderExists(rootFolder) ? StoreOk : StoreNoRoot;
}

std::string Store::userFolderPath(const StoreUser& user) const {
    return joinPath(hostPath(rootFolder), user.folder);
}

std::string Store::memoryFolderPath(const StoreUser& user) const {
    return joinPath(joinPath(userFolderPath(user), "Handheld"), "Memory");
}

std::string Store::cardFolderPath(const StoreUser& user, uint32_t slotId) const {
    return joinPath(joinPath(userFolderPath(user), "Handheld"), "Card " + std::to_string(slotId));
}

std::string Store::file(const StoreUser& user, const char* name) const {
    return joinPath(userFolderPath(user), name);
}

int32_t Store::lockForSync(FileLock& lock) const {
    int32_t result = checkRoot();
    if (result != StoreOk) return result;
    switch (lock.acquire(joinPath(hostPath(rootFolder), LockFile), true, SyncLockByte, lockWaitMs)) {
    case FileLock::Locked: return StoreOk;
    case FileLock::Busy: return StoreBusy;
    case FileLock::Failed: break;
    }
    return StoreWriteFailed;
}

const char* storeResultText(int32_t result) {
    switch (result) {
    case StoreOk: return "done";
    case StoreNoRoot: return "no HotSync root folder (configure one, or it does not exist)";
    case StoreUnknownUser: return "no such user";
    case StoreUnknownSlot: return "no such card slot for this user";
    case StoreTooSmall: return "the text does not fit the buffer";
    case StoreBadArgument: return "invalid argument (empty, too long or control characters)";
    case StoreDamaged: return "a store file is damaged (a line does not parse)";
    case StoreWriteFailed: return "the store could not be written (old content kept)";
    case StoreNameTaken: return "a user of that name exists already";
    case StoreFileMissing: return "the file to install cannot be opened";
    case StoreFull: return "no room for more entries";
    case StoreReadFailed: return "a store file cannot be read";
    case StoreInternal: return "internal failure (out of memory?)";
    case StoreBusy: return "the store is busy: another program held its lock too long (try again)";
    case StoreNotInUserFolder: return "the file is not inside the user's folder of the store";
    case StoreFileUnavailable: return "the file to install cannot be reached just now (try again)";
    default: return "unknown error";
    }
}

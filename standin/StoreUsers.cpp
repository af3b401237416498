// The users: users.txt, each user's folder, and the user list kept between calls.
#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include "standin/Store.h"
#include "standin/StoreFormat.h"
#include "threads/Mutex.h"

namespace {

bool isFolderName(const std::string& folder) {
    if (!isStoreText(folder, MaxFolderName)) return false;
    if (folder == "." || folder == "..") return false;
    return !holdsAnyOf(folder, NotInFileNames);
}

bool isReservedDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    static const char* const reserved[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (const char* r : reserved)
        if (sameIgnoringCase(stem, r)) return true;
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9')
        return sameIgnoringCase(stem.substr(0, 3), "com") || sameIgnoringCase(stem.substr(0, 3), "lpt");
    return false;
}

// The longest start of text, cut between characters, of at most limit bytes.
std::string startOf(const std::string& text, size_t limit) {
    size_t end = 0;
    for (size_t next; end < text.size() && (next = nextCharacter(text, end)) <= limit;) end = next;
    return text.substr(0, end);
}

// A folder name for a new user: the name (letters of the code page beyond ASCII
// included) with what Windows forbids in file names replaced, and a "_N" suffix when
// another user or another entry under the root has it already.
std::string folderFor(const std::string& name, const std::unordered_set<std::string>& usedFolders,
                      const std::string& root) {
    std::string base;
    for (size_t at = 0, next; at < name.size(); at = next) {
        next = nextCharacter(name, at);
        const unsigned char c = static_cast<unsigned char>(name[at]);
        const bool forbidden = next == at + 1 && (isControl(c) || std::strchr(NotInFileNames, c));
        base += forbidden ? std::string(1, '_') : name.substr(at, next - at);
    }
    while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
    while (!base.empty() && base[0] == ' ') base.erase(0, 1);
    if (base.empty()) base = "User";
    if (isReservedDeviceName(base)) base = "_" + base;
    for (int n = 1; n < 100000; ++n) {
        std::string suffix = n == 1 ? std::string() : "_" + std::to_string(n);
        std::string stem = startOf(base, MaxFolderName - suffix.size());
        while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();
        if (stem.empty()) stem = "User";
        std::string candidate = stem + suffix;
        if (!usedFolders.count(lowered(candidate)) && !fileExists(joinPath(root, candidate))) return candidate;
    }
    return std::string();
}

}  // namespace

int32_t parseUsers(const std::string& content, std::vector<StoreUser>& users) {
    users.clear();
    // Sets, not a scan of the users before: thousands of users must stay fast.
    std::unordered_set<uint32_t> ids;
    std::unordered_set<std::string> names, folders;
    for (const std::string& line : splitLines(content)) {
        if (isComment(line, '#')) continue;
        std::vector<std::string> fields = splitTabs(line);
        if (fields.size() != 3) return StoreDamaged;
        StoreUser user;
        if (!parseId(fields[0], user.id)) return StoreDamaged;
        user.folder = fields[1];
        user.name = fields[2];
        if (!isFolderName(user.folder) || !isStoreText(user.name, MaxUserName))
            return StoreDamaged;
        // One folder for two users would be one on Windows, which ignores case.
        if (!ids.insert(user.id).second || !names.insert(user.name).second ||
            !folders.insert(lowered(user.folder)).second)
            return StoreDamaged;
        if (users.size() >= MaxUsers) return StoreDamaged;
        users.push_back(user);
    }
    return StoreOk;
}

std::string formatUsers(const std::vector<StoreUser>& users) {
    std::string text = "# HotSync users: ID, folder under the root, name (separated by tabs)\n";
    for (const StoreUser& user : users)
        text += std::to_string(user.id) + "\t" + user.folder + "\t" + user.name + "\n";
    return text;
}

// users.txt parsed, with its lookups, as of one stamp of the file.
struct Store::UserIndex {
    std::string path;
    FileStamp stamp;
    std::vector<StoreUser> users;
    std::unordered_map<uint32_t, size_t> byId;
    std::unordered_map<std::string, size_t> byName;
};

namespace {

// One per process: the libraries make a Store for each call, and the program's device
// list makes 1 + 2n calls, each of which would otherwise read the whole list again.
Mutex userIndexGuard;
std::shared_ptr<const void> cachedUserIndex;

}  // namespace

int32_t Store::userIndex(std::shared_ptr<const UserIndex>& index) const {
    const std::string path = joinPath(hostPath(rootFolder), UsersFile);
    FileStamp now;
    if (!rootFolder.empty() && stampOf(path, now)) {
        std::lock_guard<Mutex> guard(userIndexGuard);
        auto cached = std::static_pointer_cast<const UserIndex>(cachedUserIndex);
        if (cached && cached->path == path && cached->stamp == now) {
            index = cached;
            return StoreOk;
        }
    }
    Hold hold(*this, false);
    if (hold.result != StoreOk) return hold.result;
    auto fresh = std::make_shared<UserIndex>();
    fresh->path = path;
    std::string content;
    const ReadOutcome read = readWholeFile(path, content, MaxListFile, &fresh->stamp);
    int32_t result = storeResultOf(read);
    if (result == StoreOk) result = parseUsers(content, fresh->users);
    if (result != StoreOk) return result;
    for (size_t i = 0; i < fresh->users.size(); ++i) {
        fresh->byId[fresh->users[i].id] = i;
        fresh->byName[fresh->users[i].name] = i;
    }
    if (read == ReadOutcome::Read && isSettled(fresh->stamp)) {
        std::lock_guard<Mutex> guard(userIndexGuard);
        cachedUserIndex = fresh;
    }
    index = fresh;
    return StoreOk;
}

int32_t Store::loadUsers(std::vector<StoreUser>& users) const {
    users.clear();
    std::shared_ptr<const UserIndex> index;
    int32_t result = userIndex(index);
    if (result == StoreOk) users = index->users;
    return result;
}

int32_t Store::countUsers(size_t& count) const {
    count = 0;
    std::shared_ptr<const UserIndex> index;
    int32_t result = userIndex(index);
    if (result == StoreOk) count = index->users.size();
    return result;
}

int32_t Store::userAt(size_t index, StoreUser& user) const {
    std::shared_ptr<const UserIndex> users;
    int32_t result = userIndex(users);
    if (result != StoreOk) return result;
    if (index >= users->users.size()) return StoreUnknownUser;
    user = users->users[index];
    return StoreOk;
}

int32_t Store::findUser(uint32_t id, StoreUser& user) const {
    std::shared_ptr<const UserIndex> index;
    int32_t result = userIndex(index);
    if (result != StoreOk) return result;
    auto found = index->byId.find(id);
    if (found == index->byId.end()) return StoreUnknownUser;
    user = index->users[found->second];
    return StoreOk;
}

int32_t Store::findUser(const char* name, StoreUser& user) const {
    if (!name) return StoreBadArgument;
    std::shared_ptr<const UserIndex> index;
    int32_t result = userIndex(index);
    if (result != StoreOk) return result;
    auto found = index->byName.find(name);
    if (found == index->byName.end()) return StoreUnknownUser;
    user = index->users[found->second];
    return StoreOk;
}

int32_t Store::addUser(const std::string& name, const std::vector<std::string>& cards,
                       StoreUser* added) {
    if (!isStoreText(name, MaxUserName)) return StoreBadArgument;
    for (const std::string& card : cards)
        if (!isStoreText(card, MaxSlotName)) return StoreBadArgument;
    if (cards.size() > MaxSlotsPerUser) return StoreFull;
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    std::shared_ptr<const UserIndex> index;
    int32_t result = userIndex(index);
    if (result != StoreOk) return result;
    if (index->byName.count(name)) return StoreNameTaken;
    uint32_t highest = FirstUserId - 1;
    std::unordered_set<std::string> folders;
    for (const StoreUser& user : index->users) {
        highest = std::max(highest, user.id);
        folders.insert(lowered(user.folder));
    }
    if (index->users.size() >= MaxUsers || highest == std::numeric_limits<uint32_t>::max()) return StoreFull;

    StoreUser user;
    user.id = highest + 1;
    user.name = name;
    user.folder = folderFor(name, folders, hostPath(rootFolder));
    if (user.folder.empty()) return StoreFull;
    // Recorded first, then its folder: a kill in between leaves a user whose folder is
    // made when it is next asked for, never a folder that no user owns.
    std::vector<StoreUser> users = index->users;
    users.push_back(user);
    const std::string usersPath = joinPath(hostPath(rootFolder), UsersFile);
    result = writeStoreFile(usersPath, formatUsers(users));
    if (result != StoreOk) return result;
    std::vector<StoreSlot> slots;
    for (const std::string& card : cards) {
        StoreSlot slot;
        slot.id = FirstSlotId + static_cast<uint32_t>(slots.size());
        slot.name = card;
        slots.push_back(slot);
    }
    result = makeFolder(userFolderPath(user)) ? StoreOk : StoreWriteFailed;
    if (result == StoreOk && !slots.empty()) result = writeStoreFile(file(user, SlotsFile), formatSlots(slots));
    if (result != StoreOk) {
        // Take back what was made, so that a retry gets the same folder name.
        users.pop_back();
        writeStoreFile(usersPath, formatUsers(users));
        removeFileQuietly(file(user, SlotsFile));
        removeQuietly(userFolderPath(user));
        return result;
    }
    if (added) *added = user;
    return StoreOk;
}

int32_t addUser(const std::string& root, const std::string& name,
                const std::vector<std::string>& cards) {
    Store store(root);
    return store.addUser(name, cards);
}

#include "standin/Store.h"
#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include "standin/StoreFiles.h"
#include "threads/Mutex.h"

namespace {

// Bounds on what the store reads, so that a damaged or hostile file cannot make it
// take unbounded memory.
const size_t MaxListFile = 1u << 20;
const size_t MaxQueueFile = 4u << 20;
const size_t MaxQueueEntries = 10000;

const char* const UsersFile = "users.txt";
const char* const SettingsFile = "settings.ini";
const char* const SlotsFile = "slots.txt";
const char* const QueueFile = "install.txt";
const char* const LockFile = "store.lock";
// The store's lock file: byte 0 guards the store's files, byte 1 lets one sync run.
const unsigned DataLockByte = 0, SyncLockByte = 1;

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// ASCII letters in lower case; the bytes of a double-byte character stay as they are.
std::string lowered(std::string text) {
    for (size_t at = 0; at < text.size(); at = nextCharacter(text, at)) text[at] = lowerAscii(text[at]);
    return text;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && lowered(a) == lowered(b);
}

// Whether text holds one of the ASCII characters in set as a character of its own.
bool holdsAnyOf(const std::string& text, const char* set) {
    for (size_t at = 0; at < text.size(); at = nextCharacter(text, at))
        if (std::strchr(set, text[at])) return true;
    return false;
}

// What Windows forbids in a file name, besides control characters.
const char* const NotInFileNames = "<>:\"/\\|?*";

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        if (tab == std::string::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

bool isComment(const std::string& line, char mark) {
    size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == mark;
}

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Strict decimal: digits only, no sign, no overflow.
bool parseId(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v == 0 || v > std::numeric_limits<uint32_t>::max()) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

// A stored 32-bit value: unsigned decimal, or negative decimal for a signed value
// that a person wrote by hand.
bool parseValue(const std::string& text, uint32_t& value) {
    bool negative = !text.empty() && text[0] == '-';
    std::string digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10) return false;
    uint64_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (negative) {
        if (v > 0x80000000u) return false;
        value = static_cast<uint32_t>(0u - static_cast<uint32_t>(v));
    } else {
        if (v > std::numeric_limits<uint32_t>::max()) return false;
        value = static_cast<uint32_t>(v);
    }
    return true;
}

bool isFolderName(const std::string& folder) {
    if (!isStoreText(folder, MaxFolderName)) return false;
    if (folder == "." || folder == "..") return false;
    return !holdsAnyOf(folder, NotInFileNames);
}

// A section or key: trimmed text that cannot be mistaken for other .ini lines. Taken
// as a whole string, so that a zero byte read from a file is refused, not a cut.
bool isSettingName(const std::string& name);
bool isSettingName(const char* text) { return text && isSettingName(std::string(text)); }

bool isSettingName(const std::string& name) {
    if (!isStoreText(name, MaxSettingName)) return false;
    if (trimmed(name) != name) return false;
    if (name[0] == '[' || name[0] == ';' || name[0] == '#') return false;
    return name.find_first_of("[]=") == std::string::npos;
}

bool isPathText(const std::string& path) { return isStoreText(path, MaxStorePath); }

// What a read means to the store: a missing file is an empty one, one too large to be
// ours is damaged.
int32_t storeResultOf(ReadOutcome read) {
    switch (read) {
    case ReadOutcome::Read:
    case ReadOutcome::Missing:
        return StoreOk;
    case ReadOutcome::TooLarge:
        return StoreDamaged;
    case ReadOutcome::NotAFile:
    case ReadOutcome::Held:
    case ReadOutcome::Failed:
        break;
    }
    return StoreReadFailed;
}

int32_t readStoreFile(const std::string& path, std::string& content, size_t limit) {
    return storeResultOf(readWholeFile(path, content, limit));
}

const char* const StoreFiles[] = {UsersFile, SettingsFile, SlotsFile, QueueFile};

// Removes what killed updates left in the folder of path, then replaces path.
int32_t writeStoreFile(const std::string& path, const std::string& content) {
    std::string folder = path.substr(0, lastSeparator(path) + 1);
    for (const char* name : StoreFiles)
        if (folder + name != path) removeFileQuietly(temporaryPathFor(folder + name));
    return replaceFileContents(path, content) ? StoreOk : StoreWriteFailed;
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

int32_t parseSlots(const std::string& content, std::vector<StoreSlot>& slots) {
    slots.clear();
    for (const std::string& line : splitLines(content)) {
        if (isComment(line, '#')) continue;
        std::vector<std::string> fields = splitTabs(line);
        if (fields.size() != 2) return StoreDamaged;
        StoreSlot slot;
        if (!parseId(fields[0], slot.id)) return StoreDamaged;
        slot.name = fields[1];
        if (!isStoreText(slot.name, MaxSlotName)) return StoreDamaged;
        for (const StoreSlot& other : slots)
            if (other.id == slot.id) return StoreDamaged;
        if (slots.size() >= MaxSlotsPerUser) return StoreDamaged;
        slots.push_back(slot);
    }
    return StoreOk;
}

std::string formatSlots(const std::vector<StoreSlot>& slots) {
    std::string text = "# Card slots: slot ID, display name (separated by a tab)\n";
    for (const StoreSlot& slot : slots) text += std::to_string(slot.id) + "\t" + slot.name + "\n";
    return text;
}

int32_t parseSettings(const std::string& content, std::vector<StoreSetting>& settings) {
    settings.clear();
    std::string section;
    bool inSection = false;
    std::unordered_set<std::string> names;  // section and key, lower case
    for (const std::string& raw : splitLines(content)) {
        if (isComment(raw, ';') || isComment(raw, '#')) continue;
        std::string line = trimmed(raw);
        if (line[0] == '[') {
            if (line.back() != ']') return StoreDamaged;
            section = trimmed(line.substr(1, line.size() - 2));
            if (!isSettingName(section)) return StoreDamaged;
            inSection = true;
            continue;
        }
        size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos) return StoreDamaged;
        StoreSetting setting;
        setting.section = section;
        setting.key = trimmed(line.substr(0, equals));
        if (!isSettingName(setting.key)) return StoreDamaged;
        if (!parseValue(trimmed(line.substr(equals + 1)), setting.value)) return StoreDamaged;
        if (!names.insert(lowered(section) + "\n" + lowered(setting.key)).second) return StoreDamaged;
        settings.push_back(setting);
    }
    return StoreOk;
}

std::string formatSettings(const std::vector<StoreSetting>& settings) {
    // Sections in order of first appearance, each with its keys in order.
    std::vector<std::string> sections;
    std::unordered_map<std::string, size_t> sectionAt;
    std::vector<std::string> bodies;
    for (const StoreSetting& setting : settings) {
        auto found = sectionAt.emplace(lowered(setting.section), sections.size());
        if (found.second) {
            sections.push_back(setting.section);
            bodies.emplace_back();
        }
        bodies[found.first->second] += setting.key + "=" + std::to_string(setting.value) + "\n";
    }
    std::string text;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (!text.empty()) text += "\n";
        text += "[" + sections[i] + "]\n" + bodies[i];
    }
    return text;
}

int32_t parseQueue(const std::string& content, std::vector<InstallRequest>& queue) {
    queue.clear();
    for (const std::string& line : splitLines(content)) {
        if (isComment(line, '#')) continue;
        std::vector<std::string> fields = splitTabs(line);
        InstallRequest request;
        if (fields.size() == 2 && fields[0] == "memory") {
            request.path = fields[1];
        } else if (fields.size() == 3 && fields[0] == "card") {
            request.toCard = true;
            if (!parseId(fields[1], request.slotId)) return StoreDamaged;
            request.path = fields[2];
        } else {
            return StoreDamaged;
        }
        if (!isPathText(request.path)) return StoreDamaged;
        if (queue.size() >= MaxQueueEntries) return StoreDamaged;
        queue.push_back(request);
    }
    return StoreOk;
}

std::string formatQueue(const std::vector<InstallRequest>& queue) {
    std::string text = "# Install requests: memory, path / card, slot ID, path (separated by tabs)\n";
    for (const InstallRequest& request : queue) {
        if (request.toCard)
            text += "card\t" + std::to_string(request.slotId) + "\t" + request.path + "\n";
        else
            text += "memory\t" + request.path + "\n";
    }
    return text;
}

namespace {

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

int32_t Store::addSlot(uint32_t userId, const std::string& name, uint32_t* slotId) {
    if (!isStoreText(name, MaxSlotName)) return StoreBadArgument;
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    StoreUser user;
    int32_t result = findUser(userId, user);
    if (result != StoreOk) return result;
    std::vector<StoreSlot> slots;
    result = loadSlots(user, slots);
    if (result != StoreOk) return result;
    if (slots.size() >= MaxSlotsPerUser) return StoreFull;
    uint32_t highest = FirstSlotId - 1;
    for (const StoreSlot& slot : slots) highest = std::max(highest, slot.id);
    if (highest == std::numeric_limits<uint32_t>::max()) return StoreFull;
    StoreSlot slot;
    slot.id = highest + 1;
    slot.name = name;
    slots.push_back(slot);
    if (!makeFolder(userFolderPath(user))) return StoreWriteFailed;
    result = writeStoreFile(file(user, SlotsFile), formatSlots(slots));
    if (result == StoreOk && slotId) *slotId = slot.id;
    return result;
}

int32_t Store::loadSlots(const StoreUser& user, std::vector<StoreSlot>& slots) const {
    slots.clear();
    Hold hold(*this, false);
    if (hold.result != StoreOk) return hold.result;
    std::string content;
    int32_t result = readStoreFile(file(user, SlotsFile), content, MaxListFile);
    if (result == StoreOk) result = parseSlots(content, slots);
    if (result != StoreOk) slots.clear();
    return result;
}

int32_t Store::loadSettings(const StoreUser& user, std::vector<StoreSetting>& settings) const {
    settings.clear();
    Hold hold(*this, false);
    if (hold.result != StoreOk) return hold.result;
    std::string content;
    int32_t result = readStoreFile(file(user, SettingsFile), content, MaxListFile);
    if (result == StoreOk) result = parseSettings(content, settings);
    if (result != StoreOk) settings.clear();
    return result;
}

int32_t Store::readSetting(const StoreUser& user, const char* section, const char* key,
                           uint32_t* value, bool* found) const {
    if (!isSettingName(section) || !isSettingName(key) || !value || !found) return StoreBadArgument;
    *found = false;
    std::vector<StoreSetting> settings;
    int32_t result = loadSettings(user, settings);
    if (result != StoreOk) return result;
    for (const StoreSetting& setting : settings)
        if (sameIgnoringCase(setting.section, section) && sameIgnoringCase(setting.key, key)) {
            *value = setting.value;
            *found = true;
        }
    return StoreOk;
}

int32_t Store::writeSetting(const StoreUser& user, const char* section, const char* key,
                            uint32_t value) {
    if (!isSettingName(section) || !isSettingName(key)) return StoreBadArgument;
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    std::vector<StoreSetting> settings;
    int32_t result = loadSettings(user, settings);
    if (result != StoreOk) return result;
    bool replaced = false;
    for (StoreSetting& setting : settings)
        if (sameIgnoringCase(setting.section, section) && sameIgnoringCase(setting.key, key)) {
            setting.value = value;
            replaced = true;
        }
    if (!replaced) {
        StoreSetting setting;
        setting.section = section;
        setting.key = key;
        setting.value = value;
        settings.push_back(setting);
    }
    if (!makeFolder(userFolderPath(user))) return StoreWriteFailed;
    return writeStoreFile(file(user, SettingsFile), formatSettings(settings));
}

int32_t Store::loadQueue(const StoreUser& user, std::vector<InstallRequest>& queue) const {
    queue.clear();
    Hold hold(*this, false);
    if (hold.result != StoreOk) return hold.result;
    std::string content;
    int32_t result = readStoreFile(file(user, QueueFile), content, MaxQueueFile);
    if (result == StoreOk) result = parseQueue(content, queue);
    if (result != StoreOk) queue.clear();
    return result;
}

int32_t Store::checkInstallPath(const StoreUser& user, const std::string& path) const {
    if (!isPathText(path)) return StoreBadArgument;
    const PathKind kind = pathKind(path);
    if (kind != PathKind::File) return kind == PathKind::Unknown ? StoreFileUnavailable : StoreFileMissing;
    switch (containmentOf(userFolderPath(user), path)) {
    case Containment::Missing: return StoreFileMissing;
    case Containment::Outside: return StoreNotInUserFolder;
    case Containment::Unresolved: return StoreFileUnavailable;
    case Containment::Inside: break;
    }
    // What a sync delivered is not sent again from where it landed.
    if (containmentOf(joinPath(userFolderPath(user), "Handheld"), path) == Containment::Inside)
        return StoreNotInUserFolder;
    return StoreOk;
}

int32_t Store::enqueue(const StoreUser& user, const InstallRequest& request) {
    int32_t result = checkInstallPath(user, request.path);
    if (result != StoreOk) return result;
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    if (request.toCard) {
        std::vector<StoreSlot> slots;
        result = loadSlots(user, slots);
        if (result != StoreOk) return result;
        bool known = false;
        for (const StoreSlot& slot : slots) known = known || slot.id == request.slotId;
        if (!known) return StoreUnknownSlot;
    }
    std::vector<InstallRequest> queue;
    result = loadQueue(user, queue);
    if (result != StoreOk) return result;
    if (queue.size() >= MaxQueueEntries) return StoreFull;
    queue.push_back(request);
    return saveQueue(user, queue);
}

int32_t Store::saveQueue(const StoreUser& user, const std::vector<InstallRequest>& queue) {
    for (const InstallRequest& request : queue)
        if (!isPathText(request.path)) return StoreBadArgument;
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    return writeStoreFile(file(user, QueueFile), formatQueue(queue));
}

int32_t Store::removeFromQueue(const StoreUser& user, const std::vector<InstallRequest>& done) {
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    std::vector<InstallRequest> queue;
    int32_t result = loadQueue(user, queue);
    if (result != StoreOk) return result;
    // Each entry's line is its identity: count the lines to take out, one pass over the queue.
    std::unordered_map<std::string, size_t> toRemove;
    for (const InstallRequest& request : done) ++toRemove[formatQueue({request})];
    std::vector<InstallRequest> kept;
    for (const InstallRequest& request : queue) {
        auto found = toRemove.find(formatQueue({request}));
        if (found != toRemove.end() && found->second > 0)
            --found->second;
        else
            kept.push_back(request);
    }
    if (kept.size() == queue.size()) return StoreOk;
    return writeStoreFile(file(user, QueueFile), formatQueue(kept));
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

int32_t addUser(const std::string& root, const std::string& name,
                const std::vector<std::string>& cards) {
    Store store(root);
    return store.addUser(name, cards);
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

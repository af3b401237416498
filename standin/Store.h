#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "standin/StoreFiles.h"

// The HotSync store: one root folder holds everything, in text files a person can
// read and mend:
//
//   <root>/users.txt                 ID <tab> folder <tab> name, one user a line
//   <root>/<folder>/                 the user's folder (the program writes below it)
//   <root>/<folder>/settings.ini     [section] then key=value, values 32-bit decimal
//   <root>/<folder>/slots.txt        slot ID <tab> display name, one card a line
//   <root>/<folder>/install.txt      memory <tab> path, or card <tab> slot ID <tab> path
//   <root>/<folder>/Handheld/Memory/       what sync delivered to internal memory
//   <root>/<folder>/Handheld/Card <ID>/    what sync delivered to that card
//
// Blank lines and lines starting with '#' (';' in settings.ini) are comments; an
// update rewrites the file with only its own header comment. A line that does not parse
// makes the whole file "damaged": the operation fails with StoreDamaged instead of guessing.
//
// <root>/store.lock serialises the processes that share the store (the libraries in
// the program, the tool): every read-modify-write holds its lock exclusively, every read
// shares it, and a process that cannot have it within a bounded time fails with
// StoreBusy. An update writes a whole new file beside the old one (name + ".new"),
// flushes it to the disk, renames it over and flushes the folder, so a crash, a kill or
// a full disk leaves the old file as it was; a temporary file that a killed update left
// behind is removed by the next update of that folder. A new user is recorded in
// users.txt before its folder is made, so a kill never leaves a folder nobody owns.
//
// Paths handed to the store (the root, install paths) may use '\' as the separator on
// every host; off Windows a leading "Z:" (Wine's drive for the Linux root) is dropped.

// Results of every store operation and of the two libraries' ordinals. All failures
// are negative, so that the ordinals whose success is "> 0" (104, 105) and the user
// count (101, signed 16-bit) report them the same way.
enum StoreResult : int32_t {
    StoreOk = 0,
    StoreNoRoot = -1,        // no root configured, or the root folder does not exist
    StoreUnknownUser = -2,   // no such user ID, name or index
    StoreUnknownSlot = -3,   // the user has no card slot with that ID
    StoreTooSmall = -4,      // the caller's buffer cannot hold the text and its zero
    StoreBadArgument = -5,   // null pointer, empty, over-long or control characters
    StoreDamaged = -6,       // a store file does not parse; it is left as it is
    StoreWriteFailed = -7,   // an update could not be written; the old file is intact
    StoreNameTaken = -8,     // a user of that name exists already
    StoreFileMissing = -9,   // a file to install cannot be opened
    StoreFull = -10,         // no room for another user or card slot
    StoreReadFailed = -11,   // a store file exists but cannot be read
    StoreInternal = -12,     // out of memory, or another failure inside the library
    StoreBusy = -13,         // another process held the store's lock for too long
    StoreNotInUserFolder = -14,  // a file to install lies outside the user's folder
    StoreFileUnavailable = -15,  // a file to install exists, but where it lies cannot be told now
};

// Limits of the texts the store keeps; the program holds them in fixed fields.
enum : size_t {
    MaxUserName = 63,    // the program's device name field is 64 bytes
    MaxFolderName = 63,  // the program reads the folder into 64 bytes
    MaxSlotName = 127,   // the program's storage names are 128 bytes
    MaxSettingName = 63, // sections and keys
    MaxStorePath = 259,  // install paths (MAX_PATH with its zero)
    MaxSlotsPerUser = 64,
    MaxUsers = 32767,    // the user count is signed 16-bit
};

enum : uint32_t { FirstUserId = 1001, FirstSlotId = 501 };

struct StoreUser {
    uint32_t id = 0;
    std::string folder;  // one level under the root
    std::string name;
};

struct StoreSlot {
    uint32_t id = 0;
    std::string name;
};

struct StoreSetting {
    std::string section;
    std::string key;
    uint32_t value = 0;
};

struct InstallRequest {
    bool toCard = false;
    uint32_t slotId = 0;  // when toCard
    std::string path;
};

// A name the store accepts: 1 .. limit bytes, no control characters.
bool isStoreText(const char* text, size_t limit);
// The same for a whole string: a zero byte inside it is refused, not a cut.
bool isStoreText(const std::string& text, size_t limit);

class Store {
public:
    explicit Store(std::string root);

    // The root as given, without trailing separators (except a lone "/" or "\").
    const std::string& root() const { return rootFolder; }

    // Holds the store's lock for the life of one operation or of several (nested holds
    // share the outermost one): result is StoreOk, or why the lock could not be had.
    class Hold;

    // How long a process waits for the store's lock before StoreBusy (10 s unless set).
    void setLockWait(unsigned milliseconds) { lockWaitMs = milliseconds; }

    int32_t loadUsers(std::vector<StoreUser>& users) const;
    // The number of users, and the user at an index in file order, without copying the
    // list: the user list is read once and kept until users.txt changes.
    int32_t countUsers(size_t& count) const;
    int32_t userAt(size_t index, StoreUser& user) const;
    int32_t findUser(uint32_t id, StoreUser& user) const;
    int32_t findUser(const char* name, StoreUser& user) const;
    // Adds a user with a folder named after it (made unique) and its card slots,
    // in that order. A name that the program's fields cannot hold is refused.
    int32_t addUser(const std::string& name, const std::vector<std::string>& cards,
                    StoreUser* added = nullptr);
    int32_t addSlot(uint32_t userId, const std::string& name, uint32_t* slotId = nullptr);

    int32_t loadSlots(const StoreUser& user, std::vector<StoreSlot>& slots) const;

    int32_t loadSettings(const StoreUser& user, std::vector<StoreSetting>& settings) const;
    // found is false (and value untouched) when the key is not stored. Sections and
    // keys compare without regard to ASCII case, as in other .ini files.
    int32_t readSetting(const StoreUser& user, const char* section, const char* key,
                        uint32_t* value, bool* found) const;
    int32_t writeSetting(const StoreUser& user, const char* section, const char* key,
                         uint32_t value);

    int32_t loadQueue(const StoreUser& user, std::vector<InstallRequest>& queue) const;
    // Appends one request; the file must be inside the user's folder (not in its
    // Handheld) and a card must be one of the user's.
    int32_t enqueue(const StoreUser& user, const InstallRequest& request);
    int32_t saveQueue(const StoreUser& user, const std::vector<InstallRequest>& queue);
    // Takes out of the queue one entry equal to each of done, re-reading the queue under
    // the lock, so that what was queued meanwhile stays.
    int32_t removeFromQueue(const StoreUser& user, const std::vector<InstallRequest>& done);
    // StoreOk when path may be queued for the user: an existing file inside the user's
    // folder and outside its Handheld. StoreFileUnavailable when that cannot be told now.
    int32_t checkInstallPath(const StoreUser& user, const std::string& path) const;
    // The lock that lets one sync at a time deliver into the store's handhelds.
    int32_t lockForSync(FileLock& lock) const;

    // Host paths of a user's folders.
    std::string userFolderPath(const StoreUser& user) const;
    std::string memoryFolderPath(const StoreUser& user) const;
    std::string cardFolderPath(const StoreUser& user, uint32_t slotId) const;

private:
    struct UserIndex;
    std::string file(const StoreUser& user, const char* name) const;
    int32_t checkRoot() const;
    int32_t userIndex(std::shared_ptr<const UserIndex>& index) const;

    std::string rootFolder;
    unsigned lockWaitMs = 10000;
    // The store's lock as this object holds it: nested holds share one acquisition.
    mutable FileLock dataLock;
    mutable int lockDepth = 0;
    mutable bool lockExclusive = false;
};

class Store::Hold {
public:
    Hold(const Store& store, bool exclusive);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    int32_t result = StoreOk;

private:
    const Store& owner;
    bool counted = false;
};

// The store's text formats, for the store and for tests that feed them any bytes.
int32_t parseUsers(const std::string& content, std::vector<StoreUser>& users);
std::string formatUsers(const std::vector<StoreUser>& users);
int32_t parseSlots(const std::string& content, std::vector<StoreSlot>& slots);
std::string formatSlots(const std::vector<StoreSlot>& slots);
int32_t parseSettings(const std::string& content, std::vector<StoreSetting>& settings);
std::string formatSettings(const std::vector<StoreSetting>& settings);
int32_t parseQueue(const std::string& content, std::vector<InstallRequest>& queue);
std::string formatQueue(const std::vector<InstallRequest>& queue);

// Opens the store at root and adds a user with the given cards: for tests and the tool.
int32_t addUser(const std::string& root, const std::string& name,
                const std::vector<std::string>& cards = {});

// A short English text for a result, for the tool's messages.
const char* storeResultText(int32_t result);

#include "standin/StoreLibrary.h"
#include <cstring>
#include "standin/StoreFiles.h"

namespace {

// Copies text and its zero when capacity allows; never writes past capacity.
bool copyText(const std::string& text, char* buffer, uint16_t capacity) {
    if (!buffer || text.size() + 1 > capacity) {
        if (buffer && capacity > 0) buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// 103 and 154: the length without the zero on success, 0 on failure.
int32_t handOutName(int32_t found, const std::string& text, char* buffer, uint16_t* size) {
    uint16_t capacity = *size;
    *size = 0;
    if (found != StoreOk) {
        if (buffer && capacity > 0) buffer[0] = '\0';
        return found;
    }
    if (!copyText(text, buffer, capacity)) return StoreTooSmall;
    *size = static_cast<uint16_t>(text.size());
    return StoreOk;
}

// 104 and 105: the count with the zero, as the result and in *size.
int32_t handOutFolder(int32_t found, const std::string& text, char* buffer, uint16_t* size) {
    uint16_t capacity = *size;
    if (found != StoreOk) {
        if (buffer && capacity > 0) buffer[0] = '\0';
        *size = 0;
        return found;
    }
    if (text.size() + 1 > 0xFFFF) {
        *size = 0;
        copyText(std::string(), buffer, capacity);
        return StoreTooSmall;
    }
    uint16_t count = static_cast<uint16_t>(text.size() + 1);
    *size = count;
    if (!copyText(text, buffer, capacity)) return StoreTooSmall;
    return count;
}

}  // namespace

int16_t StoreLibrary::userCount() {
    size_t count = 0;
    int32_t result = data.countUsers(count);
    if (result != StoreOk) return static_cast<int16_t>(result);
    return static_cast<int16_t>(count);  // the store caps the count at MaxUsers
}

int32_t StoreLibrary::userIdAt(int16_t index, uint32_t* userId) {
    if (!userId) return StoreBadArgument;
    if (index < 0) return StoreUnknownUser;
    StoreUser user;
    int32_t result = data.userAt(static_cast<size_t>(index), user);
    if (result == StoreOk) *userId = user.id;
    return result;
}

int32_t StoreLibrary::userName(uint32_t userId, char* name, uint16_t* size) {
    if (!size) return StoreBadArgument;
    StoreUser user;
    return handOutName(data.findUser(userId, user), user.name, name, size);
}

int32_t StoreLibrary::userFolder(uint32_t userId, char* folder, uint16_t* size) {
    if (!size) return StoreBadArgument;
    StoreUser user;
    int32_t result = data.findUser(userId, user);
    // The program makes its own folder inside this one and needs it to exist; an add
    // that was killed after recording the user never made it.
    if (result == StoreOk) makeFolder(data.userFolderPath(user));
    return handOutFolder(result, user.folder, folder, size);
}

int32_t StoreLibrary::rootFolder(char* folder, uint16_t* size) {
    if (!size) return StoreBadArgument;
    size_t count = 0;
    int32_t found = data.countUsers(count);
    // A damaged user list does not hide where the root is.
    if (found == StoreDamaged || found == StoreReadFailed) found = StoreOk;
    return handOutFolder(found, data.root(), folder, size);
}

int32_t StoreLibrary::readSetting(uint32_t userId, const char* section, const char* key,
                                  uint32_t* value, uint32_t defaultValue) {
    if (!value) return StoreBadArgument;
    *value = defaultValue;
    StoreUser user;
    int32_t result = data.findUser(userId, user);
    if (result != StoreOk) return result;
    uint32_t stored = 0;
    bool found = false;
    result = data.readSetting(user, section, key, &stored, &found);
    if (result == StoreOk && found) *value = stored;
    return result;
}

int32_t StoreLibrary::writeSetting(uint32_t userId, const char* section, const char* key,
                                   uint32_t value) {
    StoreUser user;
    int32_t result = data.findUser(userId, user);
    if (result != StoreOk) return result;
    return data.writeSetting(user, section, key, value);
}

int32_t StoreLibrary::userIdFromName(const char* name, uint32_t* userId) {
    if (!name || !userId) return StoreBadArgument;
    StoreUser user;
    int32_t result = data.findUser(name, user);
    if (result == StoreOk) *userId = user.id;
    return result;
}

int32_t StoreLibrary::cardSupport(uint32_t userId, uint32_t* value) {
    if (!value) return StoreBadArgument;
    *value = 0;
    StoreUser user;
    int32_t result = data.findUser(userId, user);
    if (result != StoreOk) return result;
    std::vector<StoreSlot> slots;
    result = data.loadSlots(user, slots);
    if (result == StoreOk) *value = slots.empty() ? 0 : 1;
    return result;
}

int32_t StoreLibrary::slotCount(uint32_t userId, uint16_t* count) {
    if (!count) return StoreBadArgument;
    *count = 0;
    StoreUser user;
    int32_t result = data.findUser(userId, user);
    if (result != StoreOk) return result;
    std::vector<StoreSlot> slots;
    result = data.loadSlots(user, slots);
    if (result == StoreOk) *count = static_cast<uint16_t>(slots.size());  // at most MaxSlotsPerUser
    return result;
}

int32_t StoreLibrary::slotIds(uint32_t userId, uint32_t* ids, uint16_t* count) {
    if (!count) return StoreBadArgument;
    uint16_t capacity = *count;
    *count = 0;
    if (capacity > 0 && !ids) return StoreBadArgument;
    // The caller reads the whole table whatever the result: leave nothing uninitialised.
    for (uint16_t i = 0; i < capacity; ++i) ids[i] = 0;
    StoreUser user;
    int32_t result = data.findUser(userId, user);
    if (result != StoreOk) return result;
    std::vector<StoreSlot> slots;
    result = data.loadSlots(user, slots);
    if (result != StoreOk) return result;
    size_t n = slots.size() < capacity ? slots.size() : capacity;
    for (size_t i = 0; i < n; ++i) ids[i] = slots[i].id;
    *count = static_cast<uint16_t>(n);
    return slots.size() > capacity ? StoreTooSmall : StoreOk;
}

int32_t StoreLibrary::slotName(uint32_t userId, uint32_t slotId, char* name, uint16_t* size) {
    if (!size) return StoreBadArgument;
    StoreUser user;
    int32_t result = data.findUser(userId, user);
    std::vector<StoreSlot> slots;
    if (result == StoreOk) result = data.loadSlots(user, slots);
    std::string text;
    if (result == StoreOk) {
        result = StoreUnknownSlot;
        for (const StoreSlot& slot : slots)
            if (slot.id == slotId) {
                text = slot.name;
                result = StoreOk;
            }
    }
    return handOutName(result, text, name, size);
}

int32_t StoreLibrary::installToMemory(const char* userName, const char* path) {
    if (!userName || !path) return StoreBadArgument;
    StoreUser user;
    int32_t result = data.findUser(userName, user);
    if (result != StoreOk) return result;
    InstallRequest request;
    request.path = path;
    return data.enqueue(user, request);
}

int32_t StoreLibrary::installToCard(uint32_t userId, uint32_t slotId, const char* path) {
    if (!path) return StoreBadArgument;
    StoreUser user;
    int32_t result = data.findUser(userId, user);
    if (result != StoreOk) return result;
    InstallRequest request;
    request.toCard = true;
    request.slotId = slotId;
    request.path = path;
    return data.enqueue(user, request);
}

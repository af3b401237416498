// Each user's settings (settings.ini) and card slots (slots.txt).
#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include "standin/Store.h"
#include "standin/StoreFormat.h"

namespace {

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

}  // namespace

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
    return loadStoreList(*this, file(user, SlotsFile), MaxListFile, parseSlots, slots);
}

int32_t Store::loadSettings(const StoreUser& user, std::vector<StoreSetting>& settings) const {
    return loadStoreList(*this, file(user, SettingsFile), MaxListFile, parseSettings, settings);
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

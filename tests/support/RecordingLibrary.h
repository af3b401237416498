#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include "hotsync/HotSyncLibrary.h"

// A HotSyncLibrary over a few users held in memory. Every call is recorded in order
// as "UserData <ordinal>" or "INSTAIDE <ordinal>" (142 and 143 add their key, 143
// also "=value"); a call named in fail returns that code and does nothing else.
class RecordingLibrary : public HotSyncLibrary {
public:
    struct Slot {
        uint32_t id;
        std::string name;
        bool nameFails = false;  // 154 refuses this slot
    };
    struct User {
        uint32_t id;
        std::string name, folder;
        std::vector<Slot> slots;
        uint32_t cardSupport = 1;
        std::map<std::string, uint32_t> settings;  // keys of section "Brennick"
    };
    struct Install {
        bool toCard;
        std::string userName;  // internal memory
        uint32_t userId, slotId;  // a card
        std::string path;
    };

    std::string root = "C:\\HotSync";
    std::vector<User> users;
    std::map<std::string, int32_t> fail;
    std::vector<std::string> calls;
    std::vector<Install> installs;

    User& addUser(const std::string& name, const std::string& folder,
                  const std::vector<std::string>& cards = {}) {
        User user{1001 + static_cast<uint32_t>(users.size()), name, folder, {}, 1, {}};
        for (const std::string& card : cards)
            user.slots.push_back({501 + static_cast<uint32_t>(user.slots.size()), card, false});
        users.push_back(user);
        return users.back();
    }

    int16_t userCount() override {
        int32_t forced;
        if (failed("UserData 101", &forced)) return static_cast<int16_t>(forced);
        return static_cast<int16_t>(users.size());
    }
    int32_t userIdAt(int16_t index, uint32_t* userId) override {
        int32_t forced;
        if (failed("UserData 102", &forced)) return forced;
        if (index < 0 || static_cast<size_t>(index) >= users.size()) return -2;
        *userId = users[index].id;
        return 0;
    }
    int32_t userName(uint32_t userId, char* name, uint16_t* size) override {
        int32_t forced;
        User* user = find(userId);
        if (failed("UserData 103", &forced) || !user || user->name.size() >= *size) {
            *size = 0;
            return -1;
        }
        memcpy(name, user->name.c_str(), user->name.size() + 1);
        *size = static_cast<uint16_t>(user->name.size());
        return 0;
    }
    int32_t userFolder(uint32_t userId, char* folder, uint16_t* size) override {
        int32_t forced;
        if (failed("UserData 104", &forced)) return forced;
        User* user = find(userId);
        return user ? text(user->folder, folder, size) : -2;
    }
    int32_t rootFolder(char* folder, uint16_t* size) override {
        int32_t forced;
        if (failed("UserData 105", &forced)) return forced;
        return text(root, folder, size);
    }
    int32_t readSetting(uint32_t userId, const char* section, const char* key, uint32_t* value,
                        uint32_t defaultValue) override {
        int32_t forced;
        *value = defaultValue;
        if (failed(std::string("UserData 142 ") + key, &forced)) return forced;
        User* user = find(userId);
        if (!user || strcmp(section, "Brennick") != 0) return -2;
        auto stored = user->settings.find(key);
        if (stored != user->settings.end()) *value = stored->second;
        return 0;
    }
    int32_t writeSetting(uint32_t userId, const char* section, const char* key,
                         uint32_t value) override {
        int32_t forced;
        std::string call = std::string("UserData 143 ") + key;
        if (failed(call + "=" + std::to_string(value), &forced, call)) return forced;
        User* user = find(userId);
        if (!user || strcmp(section, "Brennick") != 0) return -2;
        user->settings[key] = value;
        return 0;
    }
    int32_t userIdFromName(const char* name, uint32_t* userId) override {
        int32_t forced;
        if (failed("UserData 145", &forced)) return forced;
        for (User& user : users)
            if (user.name == name) {
                *userId = user.id;
                return 0;
            }
        return -2;
    }
    int32_t cardSupport(uint32_t userId, uint32_t* value) override {
        int32_t forced;
        if (failed("UserData 148", &forced)) return forced;
        User* user = find(userId);
        if (!user) return -2;
        *value = user->cardSupport;
        return 0;
    }
    int32_t slotCount(uint32_t userId, uint16_t* count) override {
        int32_t forced;
        if (failed("UserData 150", &forced)) return forced;
        User* user = find(userId);
        if (!user) return -2;
        *count = static_cast<uint16_t>(user->slots.size());
        return 0;
    }
    int32_t slotIds(uint32_t userId, uint32_t* ids, uint16_t* count) override {
        int32_t forced;
        if (failed("UserData 151", &forced)) return forced;
        User* user = find(userId);
        if (!user) return -2;
        uint16_t filled = 0;
        for (; filled < *count && filled < user->slots.size(); ++filled) ids[filled] = user->slots[filled].id;
        *count = filled;
        return 0;
    }
    int32_t slotName(uint32_t userId, uint32_t slotId, char* name, uint16_t* size) override {
        int32_t forced;
        if (failed("UserData 154", &forced)) return forced;
        if (User* user = find(userId))
            for (Slot& slot : user->slots)
                if (slot.id == slotId) return !slot.nameFails && text(slot.name, name, size) > 0 ? 0 : -4;
        return -3;
    }
    int32_t installToMemory(const char* userName, const char* path) override {
        int32_t forced;
        if (failed("INSTAIDE 103", &forced)) return forced;
        installs.push_back({false, userName, 0, 0, path});
        return 0;
    }
    int32_t installToCard(uint32_t userId, uint32_t slotId, const char* path) override {
        int32_t forced;
        if (failed("INSTAIDE 118", &forced)) return forced;
        installs.push_back({true, "", userId, slotId, path});
        return 0;
    }

private:
    User* find(uint32_t id) {
        for (User& user : users)
            if (user.id == id) return &user;
        return nullptr;
    }
    // Records call; true (with its code) when key (the call itself by default) is to fail.
    bool failed(const std::string& call, int32_t* code, const std::string& key = "") {
        calls.push_back(call);
        auto entry = fail.find(key.empty() ? call : key);
        if (entry == fail.end()) return false;
        *code = entry->second;
        return true;
    }
    // Our own libraries' convention: the count includes the zero.
    static int32_t text(const std::string& value, char* buffer, uint16_t* size) {
        if (value.size() >= *size) return -4;
        memcpy(buffer, value.c_str(), value.size() + 1);
        *size = static_cast<uint16_t>(value.size() + 1);
        return *size;
    }
};

#pragma once
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include "hotsync/HotSyncLibrary.h"

// A HotSyncLibrary over a few users held in memory. Every call is recorded in order as
// "UserData <ordinal>" or "INSTAIDE <ordinal>", 142 and 143 with their key (143 also "=value"),
// the installs with the user and the path; a call whose record starts with a key of fail (up to
// a blank or "=") returns that code and does nothing else.
class RecordingLibrary : public HotSyncLibrary {
public:
    struct User {
        uint32_t id;
        std::string name, folder;
        std::vector<std::pair<uint32_t, std::string>> slots;  // ID and name
        std::map<std::string, uint32_t> settings;             // keys of section "Brennick"
    };
    std::string root = "C:\\HotSync";
    std::vector<User> users;
    std::map<std::string, int32_t> fail;
    std::vector<std::string> calls;

    User& addUser(const std::string& name, const std::string& folder, const std::vector<std::string>& cards = {}) {
        users.push_back({1001 + static_cast<uint32_t>(users.size()), name, folder, {}, {}});
        for (const std::string& card : cards) users.back().slots.emplace_back(501 + users.back().slots.size(), card);
        return users.back();
    }
    int16_t userCount() override { return called("UserData 101") ? int16_t(code) : int16_t(users.size()); }
    int32_t userIdAt(int16_t index, uint32_t* userId) override {
        const bool known = index >= 0 && size_t(index) < users.size();
        return called("UserData 102") ? code : !known ? -2 : (*userId = users[index].id, 0);
    }
    int32_t userName(uint32_t userId, char* name, uint16_t* size) override {
        User* user = find(userId);
        if (called("UserData 103") || !user || text(user->name, name, size) < 0) return *size = 0, -1;
        return *size = uint16_t(user->name.size()), 0;
    }
    int32_t userFolder(uint32_t userId, char* folder, uint16_t* size) override {
        User* user = find(userId);
        return called("UserData 104") ? code : user ? text(user->folder, folder, size) : -2;
    }
    int32_t rootFolder(char* folder, uint16_t* size) override {
        return called("UserData 105") ? code : text(root, folder, size);
    }
    int32_t readSetting(uint32_t userId, const char* section, const char* key, uint32_t* value,
                        uint32_t defaultValue) override {
        *value = defaultValue;
        if (called(std::string("UserData 142 ") + key)) return code;
        User* user = find(userId);
        if (!user || strcmp(section, "Brennick") != 0) return -2;
        if (user->settings.count(key)) *value = user->settings[key];
        return 0;
    }
    int32_t writeSetting(uint32_t userId, const char* section, const char* key, uint32_t value) override {
        if (called(std::string("UserData 143 ") + key + "=" + std::to_string(value))) return code;
        User* user = find(userId);
        if (!user || strcmp(section, "Brennick") != 0) return -2;
        return user->settings[key] = value, 0;
    }
    int32_t userIdFromName(const char* name, uint32_t* userId) override {
        if (called("UserData 145")) return code;
        for (User& user : users)
            if (user.name == name) return *userId = user.id, 0;
        return -2;
    }
    int32_t cardSupport(uint32_t userId, uint32_t* value) override {
        User* user = find(userId);
        return called("UserData 148") ? code : !user ? -2 : (*value = 1, 0);
    }
    int32_t slotCount(uint32_t userId, uint16_t* count) override {
        User* user = find(userId);
        return called("UserData 150") ? code : !user ? -2 : (*count = uint16_t(user->slots.size()), 0);
    }
    int32_t slotIds(uint32_t userId, uint32_t* ids, uint16_t* count) override {
        User* user = find(userId);
        if (called("UserData 151")) return code;
        if (!user) return -2;
        uint16_t filled = 0;
        for (; filled < *count && filled < user->slots.size(); ++filled) ids[filled] = user->slots[filled].first;
        return *count = filled, 0;
    }
    int32_t slotName(uint32_t userId, uint32_t slotId, char* name, uint16_t* size) override {
        if (called("UserData 154")) return code;
        if (User* user = find(userId))
            for (auto& [id, slot] : user->slots)
                if (id == slotId) return text(slot, name, size) > 0 ? 0 : -4;
        return -3;
    }
    int32_t installToMemory(const char* userName, const char* path) override {
        return called(std::string("INSTAIDE 103 ") + userName + " " + path) ? code : 0;
    }
    int32_t installToCard(uint32_t userId, uint32_t slotId, const char* path) override {
        return called("INSTAIDE 118 " + std::to_string(userId) + " " + std::to_string(slotId) + " " + path) ? code : 0;
    }

private:
    int32_t code = 0;
    User* find(uint32_t id) {
        for (User& user : users)
            if (user.id == id) return &user;
        return nullptr;
    }
    // Records call; true (the code set) when it is to fail.
    bool called(const std::string& call) {
        calls.push_back(call);
        for (const auto& [key, result] : fail)
            if (call.compare(0, key.size(), key) == 0 && (call.size() == key.size() || strchr(" =", call[key.size()])))
                return code = result, true;
        return false;
    }
    // Our own libraries' convention: the count includes the zero.
    static int32_t text(const std::string& value, char* buffer, uint16_t* size) {
        if (value.size() >= *size) return -4;
        memcpy(buffer, value.c_str(), value.size() + 1);
        return *size = uint16_t(value.size() + 1);
    }
};

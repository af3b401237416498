#pragma once
#include <cstdint>

// The two HotSync desktop libraries, one operation per ordinal, arguments in the
// ordinals' order. Results are the libraries' status codes.
class HotSyncLibrary {
public:
    virtual ~HotSyncLibrary() = default;

    // UserData 101: number of users; negative means failure.
    virtual int16_t userCount() = 0;
    // UserData 102: 0 = success.
    virtual int32_t userIdAt(int16_t index, uint32_t* userId) = 0;
    // UserData 103: size on return = the name's length.
    virtual int32_t userName(uint32_t userId, char* name, uint16_t* size) = 0;
    // UserData 104: > 0 = success; the user's folder name, zero-terminated.
    virtual int32_t userFolder(uint32_t userId, char* folder, uint16_t* size) = 0;
    // UserData 105: > 0 = success; the root folder, size its count.
    virtual int32_t rootFolder(char* folder, uint16_t* size) = 0;
    // UserData 142: 0 = success; the value is the stored one or the default.
    virtual int32_t readSetting(uint32_t userId, const char* section, const char* key,
                                uint32_t* value, uint32_t defaultValue) = 0;
    // UserData 143: 0 = success.
    virtual int32_t writeSetting(uint32_t userId, const char* section, const char* key,
                                 uint32_t value) = 0;
    // UserData 145: 0 = success.
    virtual int32_t userIdFromName(const char* name, uint32_t* userId) = 0;
    // UserData 148: 0 = success; cards are listed only when the value is non-zero.
    virtual int32_t cardSupport(uint32_t userId, uint32_t* value) = 0;
    // UserData 150: 0 = success.
    virtual int32_t slotCount(uint32_t userId, uint16_t* count) = 0;
    // UserData 151: fills count slot IDs.
    virtual int32_t slotIds(uint32_t userId, uint32_t* ids, uint16_t* count) = 0;
    // UserData 154: 0 = success; the slot's display name.
    virtual int32_t slotName(uint32_t userId, uint32_t slotId, char* name, uint16_t* size) = 0;
    // INSTAIDE 103: 0 = queued for internal memory.
    virtual int32_t installToMemory(const char* userName, const char* path) = 0;
    // INSTAIDE 118: 0 = queued for that card.
    virtual int32_t installToCard(uint32_t userId, uint32_t slotId, const char* path) = 0;
};

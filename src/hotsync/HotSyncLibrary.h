#pragma once
#include <cstdint>

// The two HotSync desktop libraries, one operation per ordinal, arguments in the
// ordinals' order. Results are the libraries' status codes; ours (standin/Store.h)
// are negative for every failure. In/out sizes are the buffer's capacity on entry,
// and no call writes past it: a text that does not fit is a failure, never cut.

// The result of an operation whose library or ordinal is missing; problem() says which.
enum : int32_t { HotSyncMissing = -1000 };

class HotSyncLibrary {
public:
    virtual ~HotSyncLibrary() = default;

    // Why some operations below give HotSyncMissing, in words a person can act on;
    // null when none does.
    virtual const char* problem() const { return nullptr; }

    // UserData 101: number of users; negative means failure.
    virtual int16_t userCount() = 0;
    // UserData 102: 0 = success.
    virtual int32_t userIdAt(int16_t index, uint32_t* userId) = 0;
    // UserData 103: size on return = the name's length without its zero; 0 on failure.
    virtual int32_t userName(uint32_t userId, char* name, uint16_t* size) = 0;
    // UserData 104: > 0 = success; the user's folder name, zero-terminated. Ours
    // return the count including the zero.
    virtual int32_t userFolder(uint32_t userId, char* folder, uint16_t* size) = 0;
    // UserData 105: > 0 = success; the root folder, size its count INCLUDING the
    // zero, so the caller's "backslash at index size - 1 unless one is there" appends
    // exactly one. The root comes without a trailing separator.
    virtual int32_t rootFolder(char* folder, uint16_t* size) = 0;
    // UserData 142: 0 = success; the value is the stored one or the default.
    virtual int32_t readSetting(uint32_t userId, const char* section, const char* key,
                                uint32_t* value, uint32_t defaultValue) = 0;
    // UserData 143: 0 = success.
    virtual int32_t writeSetting(uint32_t userId, const char* section, const char* key,
                                 uint32_t value) = 0;
    // UserData 145: 0 = success.
    virtual int32_t userIdFromName(const char* name, uint32_t* userId) = 0;
    // UserData 148: 0 = success; cards are listed only when the value is non-zero
    // (ours: 1 when the user has at least one card slot).
    virtual int32_t cardSupport(uint32_t userId, uint32_t* value) = 0;
    // UserData 150: 0 = success.
    virtual int32_t slotCount(uint32_t userId, uint16_t* count) = 0;
    // UserData 151: fills at most count slot IDs; count on return = those filled.
    virtual int32_t slotIds(uint32_t userId, uint32_t* ids, uint16_t* count) = 0;
    // UserData 154: 0 = success; the slot's display name.
    virtual int32_t slotName(uint32_t userId, uint32_t slotId, char* name, uint16_t* size) = 0;
    // INSTAIDE 103: 0 = queued for internal memory.
    virtual int32_t installToMemory(const char* userName, const char* path) = 0;
    // INSTAIDE 118: 0 = queued for that card.
    virtual int32_t installToCard(uint32_t userId, uint32_t slotId, const char* path) = 0;
};

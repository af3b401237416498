#pragma once
#include <cstdint>

// The two HotSync desktop libraries, one operation per ordinal, arguments in the
// ordinals' order. Results are the libraries' status codes; ours (standin/Store.h)
// are negative for every failure. In/out sizes are the buffer's capacity on entry,
// and no call writes past it: a text that does not fit is a failure, never cut.

// The result of an operation whose library or ordinal is missing; problem() says which.
enum : int32_t { HotSyncMissing = -1000 };

// Every operation once, in ordinal order, for the interface and each class that implements
// it (the DLLs' binding, our store, tests): X(library, ordinal, result, name, parameters,
// arguments). A class declares them all with HOTSYNC_OPERATIONS(HOTSYNC_DECLARE_OVERRIDE).
#define HOTSYNC_OPERATIONS(X)                                                                                  \
    X(UserData, 101, int16_t, userCount, (), ())                                                              \
    X(UserData, 102, int32_t, userIdAt, (int16_t index, uint32_t* userId), (index, userId))                   \
    X(UserData, 103, int32_t, userName, (uint32_t userId, char* name, uint16_t* size), (userId, name, size))  \
    X(UserData, 104, int32_t, userFolder, (uint32_t userId, char* folder, uint16_t* size),                    \
      (userId, folder, size))                                                                                 \
    X(UserData, 105, int32_t, rootFolder, (char* folder, uint16_t* size), (folder, size))                     \
    X(UserData, 142, int32_t, readSetting,                                                                    \
      (uint32_t userId, const char* section, const char* key, uint32_t* value, uint32_t defaultValue),        \
      (userId, section, key, value, defaultValue))                                                            \
    X(UserData, 143, int32_t, writeSetting, (uint32_t userId, const char* section, const char* key,           \
      uint32_t value), (userId, section, key, value))                                                         \
    X(UserData, 145, int32_t, userIdFromName, (const char* name, uint32_t* userId), (name, userId))           \
    X(UserData, 148, int32_t, cardSupport, (uint32_t userId, uint32_t* value), (userId, value))               \
    X(UserData, 150, int32_t, slotCount, (uint32_t userId, uint16_t* count), (userId, count))                 \
    X(UserData, 151, int32_t, slotIds, (uint32_t userId, uint32_t* ids, uint16_t* count), (userId, ids, count)) \
    X(UserData, 154, int32_t, slotName, (uint32_t userId, uint32_t slotId, char* name, uint16_t* size),       \
      (userId, slotId, name, size))                                                                           \
    X(InstallAide, 103, int32_t, installToMemory, (const char* userName, const char* path), (userName, path)) \
    X(InstallAide, 118, int32_t, installToCard, (uint32_t userId, uint32_t slotId, const char* path),         \
      (userId, slotId, path))

#define HOTSYNC_DECLARE_PURE(library, ordinal, result, name, parameters, arguments) \
    virtual result name parameters = 0;
#define HOTSYNC_DECLARE_OVERRIDE(library, ordinal, result, name, parameters, arguments) \
    result name parameters override;

class HotSyncLibrary {
public:
    virtual ~HotSyncLibrary() = default;

    // Why some operations below give HotSyncMissing, in words a person can act on;
    // null when none does.
    virtual const char* problem() const { return nullptr; }

    // The operations of HOTSYNC_OPERATIONS:
    // - UserData 101 userCount: number of users; negative means failure.
    // - UserData 102 userIdAt: 0 = success.
    // - UserData 103 userName: size on return = the name's length without its zero; 0 on
    //   failure.
    // - UserData 104 userFolder: > 0 = success; the user's folder name, zero-terminated.
    //   Ours return the count including the zero.
    // - UserData 105 rootFolder: > 0 = success; the root folder, size its count INCLUDING
    //   the zero, so the caller's "backslash at index size - 1 unless one is there" appends
    //   exactly one. The root comes without a trailing separator.
    // - UserData 142 readSetting: 0 = success; the value is the stored one or the default.
    // - UserData 143 writeSetting: 0 = success.
    // - UserData 145 userIdFromName: 0 = success.
    // - UserData 148 cardSupport: 0 = success; cards are listed only when the value is
    //   non-zero (ours: 1 when the user has at least one card slot).
    // - UserData 150 slotCount: 0 = success.
    // - UserData 151 slotIds: fills at most count slot IDs; count on return = those filled.
    // - UserData 154 slotName: 0 = success; the slot's display name.
    // - INSTAIDE 103 installToMemory: 0 = queued for internal memory.
    // - INSTAIDE 118 installToCard: 0 = queued for that card.
    HOTSYNC_OPERATIONS(HOTSYNC_DECLARE_PURE)
};

#pragma once
#include <string>
#include "hotsync/HotSyncLibrary.h"
#include "standin/Store.h"

// The HotSync libraries' ordinals over a store in a folder: what our UserData.dll and
// INSTAIDE.dll do on each call, and what portable tests use in their place.
//
// Results are StoreResult codes (all failures negative). Texts handed out:
// - 103 userName and 154 slotName: *size on entry is the buffer's capacity; on success
//   the buffer holds the text and its zero and *size is the text's length WITHOUT the
//   zero; on any failure (also a buffer too small for text and zero) *size is 0 and the
//   buffer, when it has room, is "".
// - 104 userFolder and 105 rootFolder: on success the result and *size are the text's
//   count INCLUDING its zero (so always > 0). The program's rule for the root, "a
//   backslash at index n - 1 unless one is there", then lands on the zero and appends
//   one backslash. A buffer too small gives StoreTooSmall, *size = the count needed.
//   The root is handed out without trailing separators.
// - 142 readSetting: *value is the default unless a value is stored; an unknown user
//   or a damaged settings file is an error (and *value still the default).
// - 148 cardSupport: 1 when the user has at least one card slot, else 0.
// - 151 slotIds: fills at most *count IDs, sets *count to the number filled and zeroes
//   the rest of the table; StoreTooSmall when the user has more slots than fit.
// - 104 userFolder also makes the user's folder when it is missing (an add killed
//   after recording the user), since the program creates its own folder inside it.
// - INSTAIDE 103/118: the file must exist inside the user's folder (not its Handheld);
//   a card must be one of the user's slots.
// The user list is read once per process and again only when users.txt changes, so
// the program's 1 + 2n calls for its device list stay fast with thousands of users.
class StoreLibrary : public HotSyncLibrary {
public:
    explicit StoreLibrary(std::string root) : data(std::move(root)) {}

    HOTSYNC_OPERATIONS(HOTSYNC_DECLARE_OVERRIDE)

    // The store underneath, for what the ordinals do not cover (adding users, the queue).
    Store& store() { return data; }

private:
    Store data;
};

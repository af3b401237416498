#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "standin/Store.h"

// What `hotsync sync` does: each queued file is checked and copied into the user's
// simulated handheld. Internal memory takes a one-record database of type "jpeg"
// whose record is a complete JPEG; a card takes a plain complete JPEG.
//
// Refused files (gone, outside the user's folder, not what their storage takes) leave
// the queue: syncing again would refuse them again, and the file on the PC is
// untouched, so it can be sent anew. What may pass keeps a file queued for the next
// sync: another program holding it, a share out of reach, a read that failed, a
// handheld that could not be written.

enum class Delivery { Installed, Refused, Kept };

struct DeliveryReport {
    InstallRequest request;
    Delivery outcome = Delivery::Refused;
    std::string reason;       // why it was refused or kept
    std::string destination;  // where it went, when installed
    std::string databaseName; // internal memory only
};

// "" when data is a complete JPEG (SOI first, EOI last, decodes without error or
// warning), else why not.
std::string checkJpeg(const uint8_t* data, size_t size);

// "" when data is a one-record "jpeg" database around a complete JPEG, else why not.
// name receives the database name when the header is sound.
std::string checkDatabase(const uint8_t* data, size_t size, std::string* name = nullptr);

// Delivers the user's queue; reports one entry per request in queue order. What was
// installed or refused leaves the queue; what was queued while the sync ran stays. A
// file never replaces one of the same name in the handheld: it takes a free name
// ("Photo(2).pdb"). The result is the store's, for loading the queue or slots and for
// updating the queue; StoreBusy when another sync of the store is running.
int32_t syncUser(Store& store, const StoreUser& user, std::vector<DeliveryReport>& reports);

// The last component of a path, with either separator.
std::string fileNameOf(const std::string& path);

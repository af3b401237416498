#pragma once
#include <cstdint>
#include "export/JpegExport.h"
#include "export/OutputFile.h"
#include "export/PhotoName.h"
#include "photo/PhotoView.h"

class HotSyncLibrary;

// Where a send puts photographs: a device's output folder and storage.
struct SendTarget {
    const char* folder = "";       // ends in a separator
    const char* deviceName = "";
    const char* storageName = "";  // as the messages name it
    bool toMemory = true;          // a one-record database (.pdb); a card takes a plain .jpg
    uint32_t slotId = 0;           // the card's
    bool queue = true;             // false: only written, for tools that keep the handheld in step
};

// The view's device, output folder and chosen storage, which must be one of its list.
SendTarget sendTargetOf(const PhotoView& view);
const char* extensionOf(const SendTarget& target);

// A photograph exported into a file of its own in the target folder, not yet named: the
// export runs apart from the naming, and nothing is ever half-written under a final name.
class PreparedPhoto {
public:
    PreparedPhoto() = default;
    ~PreparedPhoto();  // a file that never got its name is removed
    PreparedPhoto(const PreparedPhoto&) = delete;
    PreparedPhoto& operator=(const PreparedPhoto&) = delete;

    char file[TemporaryPathSize] = "";  // empty once named, or when there is none
};

// Writes the framed view for the target (the database header's name left for later):
// Written, CannotCreate when no file can be made in the folder, Failed otherwise (and
// then no file is left).
ExportStatus preparePhoto(const PhotoView& view, const SendTarget& target, PreparedPhoto& prepared);

enum class SendResult { Sent, Written, NoFreeName, CannotCreate, ExportFailed, InstallRefused };

struct SendOutcome {
    SendResult result = SendResult::ExportFailed;
    char name[NumberedNameSize] = "";                  // the numbered name, without extension
    char path[PhotoView::OutputFolderSize] = "";       // where the file is, or was to be
    int32_t installResult = 0;                         // the library's code when refused
};

// The first name of base not taken in the target folder: base, then base(2) up to
// base(5000), with the extension. False when none is free or none fits the path field.
bool firstFreeName(const SendTarget& target, const char* base, SendOutcome& outcome);

// Gives the prepared file the first free name of base (memory: the database header then
// carries it), flushed to the disk before it is named; then queues it with the library
// unless the target says not to.
SendOutcome finishSend(PreparedPhoto& prepared, const char* base, const SendTarget& target, HotSyncLibrary& library);

#include <cstdio>
#include <cstring>
#include "export/DeviceSettings.h"
#include "export/JpegExport.h"
#include "export/OutputFile.h"
#include "export/PhotoName.h"
#include "export/SendMessages.h"
#include "hotsync/HotSyncLibrary.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

namespace {

// Why a send cannot start, or null when it can.
const char* sendRefusal(const PhotoView& view) {
    if (view.opening()) return "The photo is still opening: send it once it is shown.";
    if (!view.photoLoaded || !memchr(view.photoPath, '\0', sizeof view.photoPath))
        return "No photo to send: choose a jpeg file first.";
    if (view.outputFolder[0] == '\0')
        return "No output folder for this device: choose a device whose HotSync folder can be read.";
    if (view.storageIndex > view.storageCount || view.storageIndex > PhotoView::StorageSlots)
        return "Choose a storage before sending.";
    if (!canExport(view)) return "Nothing to send: frame a part of the photo first.";
    return nullptr;
}

// outputFolder + name + extension, or false when it does not fit the path field.
bool formPath(const PhotoView& view, const char* name, const char* extension,
              char (&path)[PhotoView::OutputFolderSize]) {
    int length = snprintf(path, sizeof path, "%s%s%s", view.outputFolder, name, extension);
    return length > 0 && static_cast<size_t>(length) < sizeof path;
}

}  // namespace

int32_t queueInstall(HotSyncLibrary& library, const char* userName, const char* path,
                     bool toCard, uint32_t slotId) {
    if (!toCard) return library.installToMemory(userName, path);
    uint32_t userId = 0;
    int32_t result = library.userIdFromName(userName, &userId);
    if (result != 0) return result;
    return library.installToCard(userId, slotId, path);
}

void PhotoView::sendPhoto(HotSyncLibrary& library) {
    if (const char* refusal = sendRefusal(*this)) {
        showSendMessage(*this, refusal, IconError);
        return;
    }
    const bool toMemory = storageIndex == 0;
    const char* extension = toMemory ? ".pdb" : ".jpg";
    char base[BaseNameSize];
    photoBaseName(photoPath, base);

    // The first free name wins, so a gap left by a deleted file is filled first.
    // A name taken between the test and the creation counts as taken.
    char name[NumberedNameSize];
    char path[OutputFolderSize];
    ExportStatus status = ExportStatus::NameTaken;
    for (int number = 1; status == ExportStatus::NameTaken; ++number) {
        numberedName(base, number, name);
        if (number > LastNameNumber || !formPath(*this, name, extension, path)) {
            showSendMessage(*this, "Unable to create output file !", IconError);
            return;
        }
        if (!fileExists(path)) status = exportToNewFile(*this, path, name, toMemory);
    }
    if (status != ExportStatus::Written) {
        if (status == ExportStatus::CannotCreate) showCannotCreate(*this, path);
        showSendMessage(*this, "Error during JPEG generation !", IconError);
        return;
    }

    uint32_t slotId = toMemory ? 0 : storageIds[storageIndex - 1];
    int32_t result = queueInstall(library, deviceName, path, !toMemory, slotId);
    char text[512];
    if (result != 0) {
        formatQueueFailure(text, sizeof text, library, result, path, deviceName);
        showSendMessage(*this, text, IconError);
    } else {
        snprintf(text, sizeof text, "Photo ''%s%s'' will be installed on ''%s'' %s at next HotSync(r)",
                 name, extension, deviceName, storageNames[storageIndex]);
        showSendMessage(*this, text, IconAsterisk);
    }
}

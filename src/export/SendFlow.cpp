#include <cstring>
#include "export/DeviceSettings.h"
#include "export/PhotoSend.h"
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
    const SendTarget target = sendTargetOf(*this);
    char base[BaseNameSize];
    photoBaseName(photoPath, base);
    SendOutcome outcome;
    // A folder without a free name is told before anything is written.
    if (!firstFreeName(target, base, outcome)) {
        outcome.result = SendResult::NoFreeName;
    } else {
        PreparedPhoto prepared;
        const ExportStatus status = preparePhoto(*this, target, prepared);
        if (status == ExportStatus::Written)
            outcome = finishSend(prepared, base, target, library);
        else
            outcome.result = status == ExportStatus::CannotCreate ? SendResult::CannotCreate : SendResult::ExportFailed;
    }
    SendText texts[2];
    for (int i = 0, count = sendOutcomeTexts(outcome, target, library, texts); i < count; ++i)
        showSendMessage(*this, texts[i].text, texts[i].icon);
}

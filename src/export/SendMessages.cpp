#include "export/SendMessages.h"
#include <cstdio>
#include "export/PhotoSend.h"
#include "hotsync/HotSyncLibrary.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

const char* const SendCaption = "Vistrel error";

namespace {
// The codes the libraries answer with (ours: standin/Store.h).
enum : int32_t { NoRoot = -1, UnknownUser = -2, Damaged = -6, WriteFailed = -7, ReadFailed = -11, Busy = -13,
                 NotInUserFolder = -14, Unreachable = -15 };
}  // namespace

void showSendMessage(const PhotoView& view, const char* text, unsigned icon) {
    if (view.host) view.host->showMessage(text, SendCaption, icon);
}

const char* hotSyncReason(const HotSyncLibrary& library, int32_t code) {
    switch (code) {
    case HotSyncMissing: return library.problem() ? library.problem() : "a HotSync library is missing";
    case NoRoot: return "the HotSync folder was not found";
    case UnknownUser: return "HotSync does not know this user";
    case Damaged: return "a HotSync store file is damaged";
    case WriteFailed: return "the HotSync store could not be written (disk full? file read-only?)";
    case ReadFailed: return "a HotSync store file could not be read";
    case Busy: return "the HotSync store is busy (is a HotSync running?)";
    case Unreachable: return "the file cannot be reached just now: send it again";
    default: return "HotSync refused";
    }
}

void formatQueueFailure(char* text, size_t size, const HotSyncLibrary& library, int32_t code, const char* path,
                        const char* user) {
    if (code == Busy)
        snprintf(text, size,
                 "HotSync is busy (error %d): %s is saved but not queued for ''%s''. Another program, such as a "
                 "HotSync, is using the HotSync store: send the photo again once it has ended.",
                 static_cast<int>(code), path, user);
    else if (code == NotInUserFolder)
        snprintf(text, size,
                 "HotSync refused %s for ''%s'' (error %d): it takes only files inside the user's HotSync folder, "
                 "which may have moved since the device was chosen. Choose the device again, then send.",
                 path, user, static_cast<int>(code));
    else if (code == HotSyncMissing || code == Unreachable)
        snprintf(text, size, "%s is saved but not queued for ''%s'': %s.", path, user, hotSyncReason(library, code));
    else
        snprintf(text, size, "Error 0x%X when installing %s on ''%s'' device !", static_cast<unsigned>(code), path,
                 user);
}

void cannotCreateText(const char* path, char* text, size_t size) { snprintf(text, size, "Can not create file : %s", path); }

int sendOutcomeTexts(const SendOutcome& outcome, const SendTarget& target, const HotSyncLibrary& library,
                     SendText (&texts)[2]) {
    char* text = texts[0].text;
    const size_t size = sizeof texts[0].text;
    texts[0].icon = texts[1].icon = IconError;
    const char* const exportFailed = "Error during JPEG generation !";
    switch (outcome.result) {
    case SendResult::Sent:
        snprintf(text, size, "Photo ''%s%s'' will be installed on ''%s'' %s at next HotSync(r)", outcome.name,
                 extensionOf(target), target.deviceName, target.storageName);
        texts[0].icon = IconAsterisk;
        return 1;
    case SendResult::Written:
        snprintf(text, size, "Photo ''%s%s'' written to %s for ''%s'' %s", outcome.name, extensionOf(target),
                 target.folder, target.deviceName, target.storageName);
        texts[0].icon = IconAsterisk;
        return 1;
    case SendResult::NoFreeName: snprintf(text, size, "Unable to create output file !"); return 1;
    case SendResult::CannotCreate:
        cannotCreateText(outcome.path, text, size);
        snprintf(texts[1].text, sizeof texts[1].text, "%s", exportFailed);
        return 2;
    case SendResult::ExportFailed: snprintf(text, size, "%s", exportFailed); return 1;
    case SendResult::InstallRefused:
        formatQueueFailure(text, size, library, outcome.installResult, outcome.path, target.deviceName);
        return 1;
    }
    return 0;
}

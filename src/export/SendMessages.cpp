#include "export/SendMessages.h"
#include <cstdio>
#include "export/PhotoSend.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

const char* const SendCaption = "Vistrel error";

void showSendMessage(const PhotoView& view, const char* text, unsigned icon) {
    if (view.host) view.host->showMessage(text, SendCaption, icon);
}

void cannotCreateText(const char* path, char* text, size_t size) { snprintf(text, size, "Can not create file : %s", path); }

int sendOutcomeTexts(const SendOutcome& outcome, const SendTarget& target, SendText (&texts)[2]) {
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
        snprintf(text, size, "Error 0x%X when installing %s on ''%s'' device !",
                 static_cast<unsigned>(outcome.installResult), outcome.path, target.deviceName);
        return 1;
    }
    return 0;
}

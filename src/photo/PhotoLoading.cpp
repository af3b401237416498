#include <cstdio>
#include <cstring>
#include "photo/PhotoDecode.h"
#include "photo/PhotoFile.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

namespace {

bool samePath(const char* path, const char16_t* exactPath, const char* other, const char16_t* otherExact) {
    if (strcmp(path, other) != 0) return false;
    size_t i = 0;
    for (const char16_t* exact = exactPath ? exactPath : u""; exact[i] == otherExact[i]; ++i)
        if (!exact[i]) return true;
    return false;
}

}  // namespace

void PhotoView::choosePhoto(const char* path, const char16_t* exactPath) {
    const size_t n = strlen(path);
    if (n < 5) return;
    // The list may report one change twice: what is waiting or loading already stays so.
    if ((choicePending() && samePath(path, exactPath, chosenPath, chosenExactPath)) ||
        (loadRunning && !loadStopped && samePath(path, exactPath, photoPath, photoExactPath)))
        return;
    supersede();
    // What cannot wait (another file, a path too long) is answered at once, and costs nothing.
    if (!isJpegName(path) || n >= sizeof chosenPath || (exactPath && !copyExactPath(exactPath, chosenExactPath)))
        return loadPhoto(path, exactPath);
    memcpy(chosenPath, path, n + 1);
    if (!host) return;
    char text[PhotoPathSize + 32];
    snprintf(text, sizeof text, "Opening %s ...", fileNameOf(path));
    host->setStatusText(text);
}

void PhotoView::chooseUnavailable(const char* name, const char* reason) {
    supersede();
    photoLoaded = false;
    showRefusal(host, name, reason);
    if (host) host->invalidate(true);
}

bool PhotoView::loadChosen() {
    if (!choicePending() || loadRunning) return false;
    // Copied out: a newer choice made while this one loads takes the fields.
    char path[PhotoPathSize];
    char16_t exactPath[PhotoPathSize];
    memcpy(path, chosenPath, sizeof path);
    memcpy(exactPath, chosenExactPath, sizeof exactPath);
    chosenPath[0] = '\0';
    loadPhoto(path, exactPath[0] ? exactPath : nullptr);
    return true;
}

void PhotoView::stopLoading() {
    if (!opening()) return;
    char text[PhotoPathSize + 64];
    snprintf(text, sizeof text, "Stopped opening %s: click it in the list to open it again.",
             fileNameOf(choicePending() ? chosenPath : photoPath));
    supersede();
    if (host) host->setStatusText(text);
}

bool PhotoView::loadServiceDue() const {
    return loadRunning && host && (loadStopped || host->clock() - lastServiceAt >= uint32_t(ServiceInterval));
}

bool PhotoView::keepLoading(int percent) {
    if (!loadStopped && host) {
        lastServiceAt = host->clock();
        if (lastServiceAt - loadStartedAt >= uint32_t(ProgressDelay) && percent != shownPercent) {
            shownPercent = percent;
            char text[PhotoPathSize + 32];
            snprintf(text, sizeof text, "Opening %s ... %d %%", fileNameOf(photoPath), percent);
            host->setStatusText(text);
        }
        if (!host->serviceWhileLoading()) stopLoading();
    }
    return !loadStopped;
}

#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

PhotoView* currentPhotoView = nullptr;

PhotoView::PhotoView()
    : deviceName{},
      storageCount(0),
      storageIds{},
      storageNames(nullptr),
      storageIndex(0),
      deviceWidth(320),
      deviceHeight(320),
      selectionLeft(0), selectionTop(0), selectionWidth(0), selectionHeight(0),
      imageWidth(0), imageHeight(0),
      sourceLeft(0), sourceTop(0), sourceWidth(0), sourceHeight(0),
      outputWidth(0), outputHeight(0),
      displayWidth(0), displayHeight(0),
      viewWidth(0), viewHeight(0),
      keepProportions(true),
      frameColour(0),
      photoPath{},
      photoExactPath{},
      outputFolder{},
      photoHeader{},
      displayHeader{},
      photoLoaded(false),
      dragMode(DragNone),
      host(nullptr),
      chosenPath{},
      chosenExactPath{} {
    storageNames = new char*[StorageSlots + 1];
    for (int i = 0; i <= StorageSlots; ++i) storageNames[i] = new char[StorageNameSize]();
    currentPhotoView = this;
}

PhotoView::~PhotoView() {
    reset();
    photoPixels.release();
    displayPixels.release();
    for (int i = 0; i <= StorageSlots; ++i) delete[] storageNames[i];
    delete[] storageNames;
    if (currentPhotoView == this) currentPhotoView = nullptr;
}

void PhotoView::attach(ViewHost* viewHost, int32_t width, int32_t height) {
    host = viewHost;
    viewWidth = width;
    viewHeight = height;
}

// The pixel memory is kept for the next photograph (the list deselects the old row just
// before it selects the new one); nothing reads it while no photograph is loaded.
void PhotoView::reset() {
    const bool wasOpening = opening();
    supersede();
    photoLoaded = false;
    dragMode = DragNone;
    if (!host) return;
    // "Opening ..." would name what is no longer coming.
    if (wasOpening) host->setStatusText("Choose a jpeg file...");
    host->invalidate(true);
}

void PhotoView::supersede() {
    chosenPath[0] = '\0';
    chosenExactPath[0] = u'\0';
    if (loadRunning) loadStopped = true;
}

bool PhotoView::displayMapped() const {
    return photoLoaded && displayWidth > 0 && displayHeight > 0 && displayPixels;
}

int32_t PhotoView::screenWidth() const { return deviceWidth < 1 ? 1 : deviceWidth; }

int32_t PhotoView::screenHeight() const { return deviceHeight < 1 ? 1 : deviceHeight; }

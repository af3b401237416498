#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include "photo/Bitmap.h"
#include "photo/PixelBuffer.h"

class Canvas;
class DecodeJob;
class ViewHost;
class HotSyncLibrary;

// The state behind the picture control: the photograph, its display copy, the
// selection and its verdict, and the device values the export uses. One per process.
class PhotoView {
public:
    enum : int16_t { DragNone = -1, DragTopLeft = 0, DragBottomRight = 3, DragMove = 8 };
    enum : int { StorageSlots = 9, StorageNameSize = 128, DeviceNameSize = 64,
                 PhotoPathSize = 260, OutputFolderSize = 256 };

    PhotoView();
    virtual ~PhotoView();
    PhotoView(const PhotoView&) = delete;
    PhotoView& operator=(const PhotoView&) = delete;

    char deviceName[DeviceNameSize];
    uint16_t storageCount;
    uint32_t storageIds[StorageSlots];
    char** storageNames;  // 10 buffers of StorageNameSize: internal memory, then the cards
    uint16_t storageIndex;
    int32_t deviceWidth;
    int32_t deviceHeight;
    int32_t selectionLeft, selectionTop, selectionWidth, selectionHeight;
    int32_t imageWidth, imageHeight;
    int32_t sourceLeft, sourceTop, sourceWidth, sourceHeight;
    int32_t outputWidth, outputHeight;
    int32_t displayWidth, displayHeight;
    int32_t viewWidth, viewHeight;
    bool keepProportions;
    uint32_t frameColour;  // 0x00BBGGRR
    // Sized for every path the shell gives (MAX_PATH); a longer path is refused. It is in the
    // system code page, "_" standing for what the code page cannot spell; photoExactPath, when
    // set, is the file's real name (UTF-16), which opens it.
    char photoPath[PhotoPathSize];
    char16_t photoExactPath[PhotoPathSize];
    char outputFolder[OutputFolderSize];
    BitmapInfo photoHeader;
    PixelBuffer photoPixels;
    BitmapInfo displayHeader;
    PixelBuffer displayPixels;
    bool photoLoaded;
    int16_t dragMode;
    ViewHost* host;  // the picture control and its status line; null until attached

    // Binds the view to its control; the view size is the control's client size.
    void attach(ViewHost* viewHost, int32_t width, int32_t height);
    // Discards the photograph; a load running or waiting stops, for nothing is chosen any more.
    void reset();
    // Loads the photograph at once. exactPath, when given, opens it (see photoExactPath).
    void loadPhoto(const char* path, const char16_t* exactPath = nullptr);

    // Browsing: the row chosen in the list is named on the status line and waits for
    // loadChosen, which the window runs once no more input waits, so that the rows passed on
    // the way are never loaded. A choice stops the load running.
    void choosePhoto(const char* path, const char16_t* exactPath = nullptr);
    // A chosen row that cannot be shown: its name and why, and nothing waits.
    void chooseUnavailable(const char* name, const char* reason);
    // Loads what was chosen, if anything; false when nothing was.
    bool loadChosen();
    bool choicePending() const { return chosenPath[0] != '\0'; }
    bool loading() const { return loadRunning; }
    bool opening() const { return loadRunning || choicePending(); }
    // Esc: the load running stops, and so does a choice waiting; the status line says so.
    void stopLoading();
    // The decoder's question every few milliseconds of work (see loadServiceDue), with how
    // far it has got: the status line shows it once the load is long, the window handles what
    // waits. False when the load must stop.
    bool keepLoading(int percent);
    // True while a load runs and the window has not been served for ServiceInterval.
    bool loadServiceDue() const;
    bool loadStopRequested() const { return loadStopped; }

    enum : uint32_t { ServiceInterval = 20, ProgressDelay = 300 };  // milliseconds
    // Takes path as photoPath; false, with the reason, when the field cannot hold it.
    bool setPhotoPath(const char* path, char* reason, size_t size);
    // Decodes photoPath; on failure the memory is given back and the status line (or the
    // job, when there is one) says why.
    bool decodePhoto(DecodeJob* job = nullptr);
    // The same decoding from bytes in memory, with a smaller size limit if wished.
    bool decodePhotoData(const uint8_t* data, size_t size, uint64_t pixelLimit);
    void rebuildDisplay(int32_t width, int32_t height);
    void updateQuality();

    // True while a photograph is loaded and its display copy has two real sides: only
    // then is the selection mapped, painted and dragged.
    bool displayMapped() const;
    // The device screen's sides as all of the view's arithmetic uses them: a side below 1
    // (the size edits are not validated) counts as 1, so that nothing divides by zero.
    int32_t screenWidth() const;
    int32_t screenHeight() const;

    void onMouseMove(uint32_t flags, uint32_t x, uint32_t y);
    void onMouseButton(uint32_t flags, uint32_t x, uint32_t y, bool down);
    void paint(Canvas& canvas) const;

    bool exportJpeg(const char* path, const char* name, bool writeHeader);
    void sendPhoto(HotSyncLibrary& library);

private:
    bool decodeFrom(FILE* file, const uint8_t* data, size_t size, uint64_t pixelLimit, DecodeJob* job);
    // Ends the load running or waiting (for a newer choice or none), the status line unchanged.
    void supersede();

    char chosenPath[PhotoPathSize];
    char16_t chosenExactPath[PhotoPathSize];
    bool loadRunning = false;
    bool loadStopped = false;  // the load running is asked to stop
    uint32_t loadStartedAt = 0, lastServiceAt = 0;
    int shownPercent = -1;
};

// The one PhotoView, set by its constructor; the picture control's procedure acts on it.
extern PhotoView* currentPhotoView;

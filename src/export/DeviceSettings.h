#pragma once
#include <cstdint>
#include <string>
#include <vector>

class HotSyncLibrary;
class PhotoView;
class SettingsControls;

// A device screen side in pixels. The upper bound keeps every product with a
// photograph's side (at most 65535) inside 32 bits.
enum : int32_t { DefaultScreenSide = 320, MaxScreenSide = 32767 };
inline bool isScreenSide(int32_t side) { return side >= 1 && side <= MaxScreenSide; }

// The HotSync users as devices: the device list, each user's screen size, storage
// and output folder, and the handlers of the controls that change them.
class DeviceSettings {
public:
    DeviceSettings(HotSyncLibrary& library, SettingsControls& controls, PhotoView& view)
        : library(library), controls(controls), view(view) {}

    // The number of users the library reports; negative, the library's code, when it
    // cannot be read.
    int16_t fillDeviceList();
    // With no device listed (users: what fillDeviceList gave), the status line says why
    // and what to do, instead of asking for a device.
    void explainDeviceList(int16_t users);
    void onDeviceSelected();
    void onFillsScreenClicked();
    void onSetClicked();

private:
    HotSyncLibrary& library;
    SettingsControls& controls;
    PhotoView& view;
};

// Appends the names of the HotSync users, in the library's order, leaving out those it
// cannot read and those too long for a device name. Gives the number of users the
// library reports, or -1 when that cannot be read.
int16_t listDevices(HotSyncLibrary& library, std::vector<std::string>& names);

// Reads a user's width, height, output folder and storage list into the view. It
// starts from the defaults (320 x 320, internal memory alone, no output folder),
// so a failed read leaves them for what was not read; a stored side that is not a
// screen side reads as 320.
bool readUserSettings(HotSyncLibrary& library, const char* userName, PhotoView& view);
// 0 when all three values are stored, otherwise the library's code of the first failure.
int32_t writeUserSettings(HotSyncLibrary& library, const char* userName, int32_t width,
                          int32_t height, uint16_t storage);
// 0 when the install is queued, otherwise the library's error code.
int32_t queueInstall(HotSyncLibrary& library, const char* userName, const char* path,
                     bool toCard, uint32_t slotId);

#include "export/DeviceSettings.h"
#include <cctype>
#include <cstdio>
#include <cstring>
#include "export/OutputFile.h"
#include "export/SendMessages.h"
#include "export/SettingsControls.h"
#include "hotsync/HotSyncLibrary.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

namespace {

enum { UserNameSize = 256, EditTextSize = 32 };

// Leading blanks, an optional sign, then digits up to the first other character;
// no digits gives 0. Saturates instead of overflowing.
int32_t parseDecimal(const char* text) {
    while (isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT32_MAX) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

void showSide(void (SettingsControls::*setText)(const char*), SettingsControls& controls,
              int32_t side) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(side));
    (controls.*setText)(text);
}

}  // namespace

int16_t listDevices(HotSyncLibrary& library, std::vector<std::string>& names) {
    int16_t count = library.userCount();
    if (count < 0) return count;
    for (int16_t i = 0; i < count; ++i) {
        uint32_t userId = 0;
        if (library.userIdAt(i, &userId) != 0) continue;
        char name[UserNameSize] = "";
        uint16_t size = sizeof name;
        library.userName(userId, name, &size);
        if (size == 0 || size >= sizeof name) continue;
        name[size] = '\0';
        // A name that deviceName cannot hold could never be looked up again.
        size_t length = strlen(name);
        if (length == 0 || length >= PhotoView::DeviceNameSize) continue;
        names.emplace_back(name);
    }
    return count;
}

int16_t DeviceSettings::fillDeviceList() {
    std::vector<std::string> names;
    const int16_t count = listDevices(library, names);
    for (const std::string& name : names) controls.addDevice(name.c_str());
    return count;
}

void DeviceSettings::explainDeviceList(int16_t users) {
    char text[384];
    if (const char* problem = library.problem())
        snprintf(text, sizeof text, "%s", problem);
    else if (users < 0)
        snprintf(text, sizeof text, "HotSync could not list its users: %s (error %d; see Troubleshooting, F1)",
                 hotSyncReason(library, users), users);
    else if (users == 0)
        snprintf(text, sizeof text, "HotSync has no users on this PC: add one with the HotSync software, then start "
                                    "Vistrel Desktop again");
    else
        return;
    if (view.host) view.host->setStatusText(text);
    // "(Select a device)" would point at an empty list.
    if (users <= 0) controls.setSendButton("(No device to send to)", false);
}

void DeviceSettings::onDeviceSelected() {
    int index = controls.selectedDevice();
    if (index < 0 || !controls.deviceText(index, view.deviceName, sizeof view.deviceName)) return;
    readUserSettings(library, view.deviceName, view);
    // Only the last level: the user's own folder belongs to HotSync. An existing
    // folder is fine.
    if (view.outputFolder[0] != '\0') createFolder(view.outputFolder);
    controls.clearStorages();
    for (int k = 0; k <= view.storageCount; ++k) controls.addStorage(view.storageNames[k]);
    controls.selectStorage(view.storageIndex);
    showSide(&SettingsControls::setWidthText, controls, view.deviceWidth);
    showSide(&SettingsControls::setHeightText, controls, view.deviceHeight);
    controls.setSendButton("Send to Vistrel", true);
    view.rebuildDisplay(view.viewWidth, view.viewHeight);
}

void DeviceSettings::onFillsScreenClicked() {
    if (controls.fillsScreenChecked()) {
        view.keepProportions = true;
        view.rebuildDisplay(view.viewWidth, view.viewHeight);
    } else {
        view.keepProportions = false;
    }
}

void DeviceSettings::onSetClicked() {
    char user[UserNameSize] = "";
    int device = controls.selectedDevice();
    bool haveUser = device >= 0 && controls.deviceText(device, user, sizeof user);

    char text[EditTextSize] = "";
    controls.widthText(text, sizeof text);
    int32_t width = parseDecimal(text);
    controls.heightText(text, sizeof text);
    int32_t height = parseDecimal(text);
    // The view and the export need a real screen: a refused side shows the value
    // in effect again, and nothing is stored or applied.
    if (!isScreenSide(width) || !isScreenSide(height)) {
        if (!isScreenSide(width)) showSide(&SettingsControls::setWidthText, controls, view.deviceWidth);
        if (!isScreenSide(height)) showSide(&SettingsControls::setHeightText, controls, view.deviceHeight);
        return;
    }
    view.deviceWidth = width;
    view.deviceHeight = height;
    view.storageIndex = static_cast<uint16_t>(controls.selectedStorage());
    // Without a chosen device there is no user to store for; the view still takes
    // the values.
    int32_t result = haveUser ? writeUserSettings(library, user, width, height, view.storageIndex) : 0;
    view.rebuildDisplay(view.viewWidth, view.viewHeight);
    // After the rebuild, which rewrites the status line: the values apply but are not kept.
    char status[448];
    if (!haveUser)
        snprintf(status, sizeof status, "No device chosen: the size applies to this view only and is not saved");
    else if (result != 0)
        snprintf(status, sizeof status, "The settings were not saved (error %d): %s. Press Set to try again",
                 static_cast<int>(result), hotSyncReason(library, result));
    else
        return;
    if (view.host) view.host->setStatusText(status);
}

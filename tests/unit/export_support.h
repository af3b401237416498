#pragma once
// Shared by the export tests: a photograph of flat colour blocks, the dialog's device
// controls recorded, and a view wired to a HotSync library the way the dialog wires it.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>
#include "export/DeviceSettings.h"
#include "export/SettingsControls.h"
#include "photo/PhotoView.h"
#include "photo_fixture.h"
#include "support/RecordingHost.h"
#include "support/RecordingLibrary.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

using Strings = std::vector<std::string>;

// The device and storage controls, every write recorded in order; the combos behave as
// real ones do (a selection outside the list leaves none selected).
class RecordingControls : public SettingsControls {
public:
    Strings devices, storages, widthWrites, heightWrites, sendTitles;
    int deviceSelection = -1, storageSelection = -1;
    std::string widthEdit, heightEdit;
    bool fillsScreen = true;

    void addDevice(const char* name) override { devices.emplace_back(name); }
    void selectDevice(int index) override { deviceSelection = inList(index, devices); }
    int selectedDevice() override { return deviceSelection; }
    bool deviceText(int index, char* text, size_t capacity) override {
        if (inList(index, devices) < 0 || devices[index].size() >= capacity) return false;
        memcpy(text, devices[index].c_str(), devices[index].size() + 1);
        return true;
    }
    void clearStorages() override {
        storages.clear();
        storageSelection = -1;
    }
    void addStorage(const char* name) override { storages.emplace_back(name); }
    void selectStorage(int index) override { storageSelection = inList(index, storages); }
    int selectedStorage() override { return storageSelection; }
    void setWidthText(const char* text) override { widthWrites.emplace_back(widthEdit = text); }
    void setHeightText(const char* text) override { heightWrites.emplace_back(heightEdit = text); }
    void widthText(char* text, size_t capacity) override { snprintf(text, capacity, "%s", widthEdit.c_str()); }
    void heightText(char* text, size_t capacity) override { snprintf(text, capacity, "%s", heightEdit.c_str()); }
    bool fillsScreenChecked() override { return fillsScreen; }
    void enableSend(const char* title) override { sendTitles.emplace_back(title); }
    void forgetWrites() {
        widthWrites.clear();
        heightWrites.clear();
        sendTitles.clear();
    }

private:
    static int inList(int index, const Strings& list) {
        return index >= 0 && static_cast<size_t>(index) < list.size() ? index : -1;
    }
};

// A photograph of flat blocks, neighbours 25 or more apart in some channel. Selections on
// multiples of 16 align them with libjpeg's colour blocks: their insides come back within a few levels.
enum : int { BlockSide = 32, BlockPhotoWidth = 6 * BlockSide, BlockPhotoHeight = 4 * BlockSide };

inline std::vector<uint8_t> blockPhotoJpeg() {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < BlockPhotoHeight; ++y)
        for (int x = 0; x < BlockPhotoWidth; ++x) {
            int bx = x / BlockSide, by = y / BlockSide;
            rgb.insert(rgb.end(), {static_cast<uint8_t>(30 + 40 * bx), static_cast<uint8_t>(220 - 55 * by),
                                   static_cast<uint8_t>(110 + 25 * ((bx + 2 * by) % 5))});
        }
    return encodeJpeg(BlockPhotoWidth, BlockPhotoHeight, 3, rgb, JpegOptions{100, false, false});
}

// A path in the HotSync (backslash) form as this host opens it.
inline std::string hostFile(std::string path) {
#ifndef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    return path;
}

// Messages as "caption|icon|text", one string each, for whole-list comparisons.
inline Strings messageLines(const RecordingHost& host) {
    Strings lines;
    for (const RecordingHost::Message& m : host.messages)
        lines.push_back(m.caption + "|" + std::to_string(m.icon) + "|" + m.text);
    return lines;
}

// The names in a folder, sorted; empty when it does not exist.
inline Strings folderEntries(const std::string& folder) {
    Strings names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(hostFile(folder), ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string installedText(const std::string& file, const std::string& storage) {
    return "Photo ''" + file + "'' will be installed on ''Ann'' " + storage + " at next HotSync(r)";
}

// A loaded photograph in a 1000 x 1000 picture control (so the display copy is the
// photograph itself and selections are in photograph pixels) and the dialog's controls.
struct SendRig {
    TempDir dir;
    RecordingHost host;  // outlives the view, whose destructor repaints
    PhotoView view;
    RecordingControls controls;

    explicit SendRig(bool load = true, const std::string& photoName = "Blocks.jpg") {
        view.attach(&host, 1000, 1000);
        std::string photoPath = dir.file(photoName);
        EXPECT_TRUE(writeFile(photoPath, blockPhotoJpeg()));
        if (load) view.loadPhoto(photoPath.c_str());
        EXPECT_EQ(view.photoLoaded, load);
    }
    // Lists the library's users and chooses the one at index, as the dialog does.
    void chooseDevice(HotSyncLibrary& library, int index) {
        DeviceSettings settings(library, controls, view);
        controls.devices.clear();
        settings.fillDeviceList();
        controls.selectDevice(index);
        settings.onDeviceSelected();
    }
    // Frames s (photograph pixels) and maps it to the output as the view does.
    void frame(Selection s) {
        select(view, s);
        view.updateQuality();
    }
    void send(HotSyncLibrary& library, uint16_t storage) {
        view.storageIndex = storage;
        view.sendPhoto(library);
    }
    std::string outputFile(const std::string& name) const { return std::string(view.outputFolder) + name; }
};

// Ann (a 64 x 48 screen, storage 2 stored, cards "SD Card" and "CF" as slots 501 and 502) and
// Bob (nothing stored, no card) in a recording library rooted in the rig's folder. Ann is
// chosen and the photograph, when loaded, framed at 64 x 48; the calls so far are forgotten.
struct RecordingRig : SendRig {
    RecordingLibrary library;
    DeviceSettings settings{library, controls, view};

    explicit RecordingRig(bool load = true, const std::string& photoName = "Blocks.jpg")
        : SendRig(load, photoName) {
        library.root = dir.path();
        library.addUser("Ann", "Ann", {"SD Card", "CF"}).settings = {
            {"VistrelWidth", 64}, {"VistrelHeight", 48}, {"VistrelStorage", 2}};
        library.addUser("Bob", "Bob");
        for (const char* folder : {"Ann", "Bob"}) std::filesystem::create_directory(dir.file(folder));
        choose(0);
        if (load) frame({0, 0, 64, 48});
        library.calls.clear();
    }
    void choose(int index) { chooseDevice(library, index); }
    void send(uint16_t storage) { SendRig::send(library, storage); }
};

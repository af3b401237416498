#pragma once
// Shared by the export tests: a photograph of flat colour blocks, the dialog's device
// controls recorded, and a view wired to a HotSync library the way the dialog wires it.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include "export/DeviceSettings.h"
#include "export/SettingsControls.h"
#include "photo/PhotoView.h"
#include "photo_fixture.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

// The device and storage controls; the combos behave as real ones do (a selection
// outside the list leaves none selected).
class RecordingControls : public SettingsControls {
public:
    std::vector<std::string> devices, storages;
    int deviceSelection = -1, storageSelection = -1;
    std::vector<int> storageRequests;  // every selectStorage, in order
    int storageClears = 0;
    std::string widthEdit, heightEdit;
    std::vector<std::string> widthWrites, heightWrites;
    bool fillsScreen = true;
    std::vector<std::string> sendTitles;  // every enableSend, in order

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
        ++storageClears;
    }
    void addStorage(const char* name) override { storages.emplace_back(name); }
    void selectStorage(int index) override {
        storageRequests.push_back(index);
        storageSelection = inList(index, storages);
    }
    int selectedStorage() override { return storageSelection; }
    void setWidthText(const char* text) override { widthWrites.emplace_back(widthEdit = text); }
    void setHeightText(const char* text) override { heightWrites.emplace_back(heightEdit = text); }
    void widthText(char* text, size_t capacity) override { readEdit(widthEdit, text, capacity); }
    void heightText(char* text, size_t capacity) override { readEdit(heightEdit, text, capacity); }
    bool fillsScreenChecked() override { return fillsScreen; }
    void enableSend(const char* title) override { sendTitles.emplace_back(title); }

private:
    static int inList(int index, const std::vector<std::string>& list) {
        return index >= 0 && static_cast<size_t>(index) < list.size() ? index : -1;
    }
    static void readEdit(const std::string& edit, char* text, size_t capacity) {
        size_t n = edit.size() < capacity - 1 ? edit.size() : capacity - 1;
        memcpy(text, edit.data(), n);
        text[n] = '\0';
    }
};

// A photograph of BlockSide x BlockSide blocks, each flat in a colour of its own that
// differs from its neighbours by 25 or more in some channel. Selections on multiples
// of 16 keep the blocks of an export aligned to libjpeg's 16 x 16 colour blocks, so a
// block's inside comes back within a few levels.
enum : int { BlockSide = 32, BlockPhotoWidth = 6 * BlockSide, BlockPhotoHeight = 4 * BlockSide };

inline void blockColour(int column, int row, uint8_t rgb[3]) {
    int bx = column / BlockSide, by = row / BlockSide;
    rgb[0] = static_cast<uint8_t>(30 + 40 * bx);
    rgb[1] = static_cast<uint8_t>(220 - 55 * by);
    rgb[2] = static_cast<uint8_t>(110 + 25 * ((bx + 2 * by) % 5));
}

inline std::vector<uint8_t> blockPhotoJpeg() {
    std::vector<uint8_t> rgb(static_cast<size_t>(BlockPhotoWidth) * BlockPhotoHeight * 3);
    for (int y = 0; y < BlockPhotoHeight; ++y)
        for (int x = 0; x < BlockPhotoWidth; ++x)
            blockColour(x, y, &rgb[(static_cast<size_t>(y) * BlockPhotoWidth + x) * 3]);
    JpegOptions options;
    options.quality = 100;
    return encodeJpeg(BlockPhotoWidth, BlockPhotoHeight, 3, rgb, options);
}

// A path in the HotSync (backslash) form as this host opens it.
inline std::string hostFile(const std::string& path) {
    std::string local = path;
#ifndef _WIN32
    for (char& c : local)
        if (c == '\\') c = '/';
#endif
    return local;
}

// The names in a folder, sorted; empty when it does not exist.
inline std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(hostFile(folder), ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A loaded photograph in a 1000 x 1000 picture control (so the display copy is the
// photograph itself and selections are in photograph pixels) and the dialog's controls.
struct SendRig {
    TempDir dir;
    RecordingHost host;  // outlives the view, whose destructor repaints
    PhotoView view;
    RecordingControls controls;
    std::string photoPath;

    explicit SendRig(const std::string& photoName = "Blocks.jpg", bool load = true) {
        view.attach(&host, 1000, 1000);
        photoPath = dir.file(photoName);
        EXPECT_TRUE(writeFile(photoPath, blockPhotoJpeg()));
        if (load) {
            view.loadPhoto(photoPath.c_str());
            EXPECT_TRUE(view.photoLoaded);
        }
    }
    // Lists the library's users and chooses the one at index, as the dialog does.
    void chooseDevice(HotSyncLibrary& library, int index = 0) {
        DeviceSettings settings(library, controls, view);
        settings.fillDeviceList();
        controls.selectDevice(index);
        settings.onDeviceSelected();
    }
    // Frames s (photograph pixels) and maps it to the output as the view does.
    void frame(Selection s) {
        select(view, s);
        view.updateQuality();
    }
    std::string outputFile(const std::string& name) const { return std::string(view.outputFolder) + name; }
    std::vector<std::string> outputEntries() const { return folderEntries(view.outputFolder); }
};

// Messages as "caption|icon|text", one string each, for whole-list comparisons.
inline std::vector<std::string> messageLines(const RecordingHost& host) {
    std::vector<std::string> lines;
    for (const RecordingHost::Message& m : host.messages)
        lines.push_back(m.caption + "|" + std::to_string(m.icon) + "|" + m.text);
    return lines;
}

#pragma once
#include <windows.h>
#include "export/SettingsControls.h"

// The device and storage handlers' controls on the main dialog's real windows.
class DialogSettingsControls : public SettingsControls {
public:
    void attach(HWND dialogWindow) { dialog = dialogWindow; }

    void addDevice(const char* name) override;
    void selectDevice(int index) override;
    int selectedDevice() override;
    bool deviceText(int index, char* text, size_t capacity) override;

    void clearStorages() override;
    void addStorage(const char* name) override;
    void selectStorage(int index) override;
    int selectedStorage() override;

    void setWidthText(const char* text) override;
    void setHeightText(const char* text) override;
    void widthText(char* text, size_t capacity) override;
    void heightText(char* text, size_t capacity) override;

    bool fillsScreenChecked() override;
    void setSendButton(const char* title, bool enabled) override;

private:
    LRESULT send(int controlId, UINT message, WPARAM wParam, LPARAM lParam) const;
    void readText(int controlId, char* text, size_t capacity) const;
    // The combo box's selected index; -1 when none (CB_ERR).
    int selection(int comboId) const;

    HWND dialog = nullptr;
};

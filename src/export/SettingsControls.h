#pragma once
#include <cstddef>

// The dialog controls that the device and storage handlers work through: the
// program wires them to the real combo boxes, edits and buttons; tests record.
class SettingsControls {
public:
    virtual ~SettingsControls() = default;

    // IDC_DEVICE_COMBO
    virtual void addDevice(const char* name) = 0;
    virtual void selectDevice(int index) = 0;
    virtual int selectedDevice() = 0;  // -1 when none is selected
    // The text of entry index, at most capacity - 1 characters; false when the
    // entry does not exist or its text does not fit.
    virtual bool deviceText(int index, char* text, size_t capacity) = 0;

    // IDC_STORAGE_COMBO
    virtual void clearStorages() = 0;
    virtual void addStorage(const char* name) = 0;
    virtual void selectStorage(int index) = 0;
    virtual int selectedStorage() = 0;  // -1 when none is selected

    // IDC_WIDTH_EDIT and IDC_HEIGHT_EDIT: at most capacity - 1 characters are read.
    virtual void setWidthText(const char* text) = 0;
    virtual void setHeightText(const char* text) = 0;
    virtual void widthText(char* text, size_t capacity) = 0;
    virtual void heightText(char* text, size_t capacity) = 0;

    // IDC_FILLS_SCREEN
    virtual bool fillsScreenChecked() = 0;

    // IDC_SEND: its title, and whether it can be pressed.
    virtual void setSendButton(const char* title, bool enabled) = 0;
};

#include "app/DialogSettingsControls.h"
#include <climits>
#include "app/resources/resource.h"

LRESULT DialogSettingsControls::send(int controlId, UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendDlgItemMessageA(dialog, controlId, message, wParam, lParam);
}

void DialogSettingsControls::addDevice(const char* name) {
    send(IDC_DEVICE_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

void DialogSettingsControls::selectDevice(int index) {
    send(IDC_DEVICE_COMBO, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int DialogSettingsControls::selection(int comboId) const {
    LRESULT index = send(comboId, CB_GETCURSEL, 0, 0);
    return index < 0 ? -1 : static_cast<int>(index);
}

int DialogSettingsControls::selectedDevice() { return selection(IDC_DEVICE_COMBO); }

bool DialogSettingsControls::deviceText(int index, char* text, size_t capacity) {
    if (!text || capacity == 0) return false;
    text[0] = '\0';
    if (index < 0) return false;
    // CB_GETLBTEXT copies without a bound: measure first.
    LRESULT length = send(IDC_DEVICE_COMBO, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0 || static_cast<size_t>(length) >= capacity) return false;
    LRESULT copied = send(IDC_DEVICE_COMBO, CB_GETLBTEXT, static_cast<WPARAM>(index),
                          reinterpret_cast<LPARAM>(text));
    if (copied < 0) {
        text[0] = '\0';
        return false;
    }
    text[copied] = '\0';
    return true;
}

void DialogSettingsControls::clearStorages() { send(IDC_STORAGE_COMBO, CB_RESETCONTENT, 0, 0); }

void DialogSettingsControls::addStorage(const char* name) {
    send(IDC_STORAGE_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

void DialogSettingsControls::selectStorage(int index) {
    send(IDC_STORAGE_COMBO, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int DialogSettingsControls::selectedStorage() { return selection(IDC_STORAGE_COMBO); }

void DialogSettingsControls::setWidthText(const char* text) {
    send(IDC_WIDTH_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void DialogSettingsControls::setHeightText(const char* text) {
    send(IDC_HEIGHT_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void DialogSettingsControls::readText(int controlId, char* text, size_t capacity) const {
    if (!text || capacity == 0) return;
    text[0] = '\0';
    // WM_GETTEXT copies at most capacity - 1 characters and the terminator.
    WPARAM limit = capacity > INT_MAX ? INT_MAX : static_cast<WPARAM>(capacity);
    LRESULT copied = send(controlId, WM_GETTEXT, limit, reinterpret_cast<LPARAM>(text));
    if (copied < 0 || static_cast<size_t>(copied) >= capacity) copied = 0;
    text[copied] = '\0';
}

void DialogSettingsControls::widthText(char* text, size_t capacity) { readText(IDC_WIDTH_EDIT, text, capacity); }

void DialogSettingsControls::heightText(char* text, size_t capacity) { readText(IDC_HEIGHT_EDIT, text, capacity); }

bool DialogSettingsControls::fillsScreenChecked() {
    return send(IDC_FILLS_SCREEN, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogSettingsControls::setSendButton(const char* title, bool enabled) {
    HWND button = GetDlgItem(dialog, IDC_SEND);
    if (!button) return;
    EnableWindow(button, enabled);
    SetWindowTextA(button, title);
}

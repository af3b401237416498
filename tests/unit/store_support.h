#pragma once
// Shared by the store tests (unit and Win32): files made in code.
#include <algorithm>
#include <cstring>
#include "support/TestJpeg.h"

inline std::vector<uint8_t> smallJpeg(int width = 24, int height = 16) {
    return encodeJpeg(width, height, 3, photographicRgb(width, height));
}
// A one-record "jpeg" database around jpeg, laid out as the program writes it.
inline std::vector<uint8_t> photoDatabase(const char* name, const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> bytes(88 + jpeg.size(), 0);
    std::memcpy(bytes.data(), name, std::min<size_t>(std::strlen(name), 31));
    bytes[35] = bytes[77] = 1;  // version 1, one record
    std::memcpy(&bytes[60], "jpegVrel", 8);
    bytes[81] = 88;  // where the record starts
    if (!jpeg.empty()) std::memcpy(&bytes[88], jpeg.data(), jpeg.size());
    return bytes;
}
inline bool writeText(const std::string& path, const std::string& text) {
    return writeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}
inline std::string readText(const std::string& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

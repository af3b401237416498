#pragma once
#include <cstdint>
#include <string>
#include <vector>

// JPEG files made and read in code, so that tests know every pixel.
struct JpegOptions {
    int quality = 95;
    bool progressive = false;
    bool subsample = false;  // 4:2:0 instead of 4:4:4
};
// samples: top-down rows of width x components bytes; 1 grey, 3 RGB, 4 CMYK (written as a CMYK file).
std::vector<uint8_t> encodeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples,
                                const JpegOptions& options = {});
struct DecodedJpeg {
    bool ok = false;
    int width = 0, height = 0, components = 0;
    std::vector<uint8_t> samples;  // top-down, as libjpeg gives them
};
DecodedJpeg decodeJpeg(const uint8_t* data, size_t size);
// A picture with photographic detail: smooth gradients with texture, as RGB.
std::vector<uint8_t> photographicRgb(int width, int height);
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);

// Writes the demonstration photograph: a 1024 x 768 JPEG with photographic detail,
// made by our own code so that nothing outside the project is needed.
//   demo_photo PATH
#include <cstdio>
#include "support/TestJpeg.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: demo_photo PATH\n", stderr);
        return 1;
    }
    const int width = 1024, height = 768;
    std::vector<uint8_t> jpeg = encodeJpeg(width, height, 3, photographicRgb(width, height), JpegOptions{90});
    if (jpeg.empty() || !writeFile(argv[1], jpeg)) {
        std::fprintf(stderr, "demo_photo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

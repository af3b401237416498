// Writes a 1024 x 768 JPEG with photographic detail, made by our own code so that nothing
// outside the project is needed:  demo_photo PATH
#include <cstdio>
#include "support/TestJpeg.h"

int main(int argc, char** argv) {
    std::vector<uint8_t> jpeg = encodeJpeg(1024, 768, 3, photographicRgb(1024, 768), JpegOptions{90});
    if (argc == 2 && !jpeg.empty() && writeFile(argv[1], jpeg)) return 0;
    std::fprintf(stderr, "usage: demo_photo PATH (a path it can write)\n");
    return 1;
}

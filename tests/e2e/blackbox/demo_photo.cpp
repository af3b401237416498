// Writes a JPEG with photographic detail, made by our own code so that nothing outside the project is
// needed: 1024 x 768 by default, or WIDTH x HEIGHT, progressive when asked.
//   demo_photo PATH [WIDTH HEIGHT [progressive]]
#include <cstdio>
#include <cstdlib>
#include <string>
#include "support/TestJpeg.h"

int main(int argc, char** argv) {
    const int width = argc > 3 ? atoi(argv[2]) : 1024, height = argc > 3 ? atoi(argv[3]) : 768;
    const bool progressive = argc > 4 && std::string(argv[4]) == "progressive";
    std::vector<uint8_t> jpeg = encodeJpeg(width, height, 3, photographicRgb(width, height), {90, progressive, false});
    if ((argc == 2 || argc > 3) && !jpeg.empty() && writeFile(argv[1], jpeg)) return 0;
    std::fprintf(stderr, "usage: demo_photo PATH [WIDTH HEIGHT [progressive]] (a path it can write)\n");
    return 1;
}

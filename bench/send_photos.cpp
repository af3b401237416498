// Writes the photographs of vistrel-send's benchmark (bench/send_bench.sh) into a folder:
// 24 MP baseline and 16 MP progressive in turn, the same scene each one darker.
//   send_bench_photos FOLDER COUNT
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "support/TestJpeg.h"

int main(int argc, char** argv) {
    if (argc != 3 || atoi(argv[2]) < 1) {
        fputs("usage: send_bench_photos FOLDER COUNT\n", stderr);
        return 2;
    }
    const int count = atoi(argv[2]);
    struct Kind {
        int width, height;
        bool progressive;
        std::vector<uint8_t> scene;
    } kinds[] = {{6000, 4000, false, {}}, {4896, 3264, true, {}}};
    for (Kind& kind : kinds) kind.scene = photographicRgb(kind.width, kind.height);
    for (int i = 0; i < count; ++i) {
        const Kind& kind = kinds[i % 2];
        std::vector<uint8_t> rgb(kind.scene.size());
        for (size_t j = 0; j < rgb.size(); ++j) rgb[j] = static_cast<uint8_t>(kind.scene[j] * (64 - i % 32) / 64);
        JpegOptions options;
        options.quality = 90;
        options.subsample = true;
        options.progressive = kind.progressive;
        char name[32];
        snprintf(name, sizeof name, "/photo%02d.jpg", i);
        if (!writeFile(argv[1] + std::string(name), encodeJpeg(kind.width, kind.height, 3, rgb, options))) {
            fprintf(stderr, "send_bench_photos: can't write %s%s\n", argv[1], name);
            return 1;
        }
    }
    return 0;
}

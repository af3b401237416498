// What browse_burst.sh needs on the Windows side, run under Wine beside vistrel.exe:
//   browse_probe photos DIR NAME COUNT WIDTH HEIGHT [progressive]
//       writes COUNT photographs DIR\NAMEnn.jpg (quality 90, 4:2:0) with photographic
//       detail, each a different scene, a row at a time (a 200 MP one needs no whole copy);
//   browse_probe list
//       prints the screen rectangle of the program's file list (left top right bottom);
//   browse_probe answers SECONDS
//       asks the program's status line for its text over and over (each a message the window
//       must answer) until the text begins with "Selection" or "Can't show", or SECONDS pass;
//       prints the longest wait for an answer, the number of answers and the last text.
#include <windows.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <jpeglib.h>
#include "app/resources/resource.h"

namespace {

HWND programWindow() {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(50))
        // Shown once its set-up is done.
        if (HWND window = FindWindowA("#32770", "Vistrel Desktop"); window && IsWindowVisible(window)) return window;
    return nullptr;
}

struct Errors {
    jpeg_error_mgr pub;
    jmp_buf back;
};

void errorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<Errors*>(cinfo->err)->back, 1);
}

uint8_t clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Scene k: gradients turned by k, blocks of texture and a little grain, as a camera gives.
void sceneRow(int k, int width, int height, int y, uint8_t* row, uint32_t& noise) {
    for (int x = 0; x < width; ++x, row += 3) {
        noise = noise * 1103515245u + 12345u;
        const int grain = static_cast<int>((noise >> 16) & 15) - 8;
        const int u = (x * 255 / width + k * 37) & 255, v = (y * 255 / height + k * 59) & 255;
        row[0] = clamp(u + grain);
        row[1] = clamp(v + grain);
        row[2] = clamp(((((x + k * 13) / 9) ^ (y / 7)) & 63) * 3 + 40 + grain);
    }
}

bool writePhoto(const char* path, int k, int width, int height, bool progressive, std::vector<uint8_t>& row) {
    FILE* file = fopen(path, "wb");
    if (!file) return false;
    jpeg_compress_struct cinfo{};
    Errors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = errorExit;
    bool ok = false;
    if (!setjmp(errors.back)) {
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, file);
        cinfo.image_width = static_cast<JDIMENSION>(width);
        cinfo.image_height = static_cast<JDIMENSION>(height);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 90, TRUE);
        if (progressive) jpeg_simple_progression(&cinfo);
        jpeg_start_compress(&cinfo, TRUE);
        uint32_t noise = 12345u + static_cast<uint32_t>(k);
        for (int y = 0; y < height; ++y) {
            sceneRow(k, width, height, y, row.data(), noise);
            JSAMPROW line = row.data();
            jpeg_write_scanlines(&cinfo, &line, 1);
        }
        jpeg_finish_compress(&cinfo);
        ok = true;
    }
    jpeg_destroy_compress(&cinfo);
    return fclose(file) == 0 && ok;
}

int photos(int argc, char** argv) {
    if (argc < 7) return 2;
    const int count = atoi(argv[4]), width = atoi(argv[5]), height = atoi(argv[6]);
    const bool progressive = argc > 7 && std::string(argv[7]) == "progressive";
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int k = 0; k < count; ++k) {
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s\\%s%02d.jpg", argv[2], argv[3], k + 1);
        if (!writePhoto(path, k, width, height, progressive, row)) return fprintf(stderr, "cannot write %s\n", path), 1;
    }
    return 0;
}

int list() {
    HWND window = programWindow();
    RECT r{};
    if (!window || !GetWindowRect(GetDlgItem(window, IDC_FILE_LIST), &r)) return fprintf(stderr, "no file list\n"), 1;
    printf("%ld %ld %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top), static_cast<long>(r.right),
           static_cast<long>(r.bottom));
    return 0;
}

int answers(double seconds) {
    HWND window = programWindow();
    HWND status = window ? GetDlgItem(window, IDC_STATUS) : nullptr;
    if (!status) return fprintf(stderr, "no status line\n"), 1;
    LARGE_INTEGER frequency, start, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    double longest = 0;
    long count = 0;
    char text[512] = "";
    for (;;) {
        QueryPerformanceCounter(&before);
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 30000,
                                 &ignored))
            return fprintf(stderr, "no answer within 30 s\n"), 1;
        QueryPerformanceCounter(&after);
        const double wait = double(after.QuadPart - before.QuadPart) / double(frequency.QuadPart);
        if (wait > longest) longest = wait;
        ++count;
        const std::string shown(text);
        if (shown.rfind("Selection", 0) == 0 || shown.rfind("Can't show", 0) == 0) break;
        if (double(after.QuadPart - start.QuadPart) / double(frequency.QuadPart) > seconds) break;
        Sleep(1);
    }
    printf("longest wait for an answer: %.0f ms\nanswers: %ld\nstatus: %s\n", longest * 1000, count, text);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    int result = 2;
    if (command == "photos") result = photos(argc, argv);
    if (command == "list") result = list();
    if (command == "answers" && argc > 2) result = answers(atof(argv[2]));
    if (result == 2)
        fprintf(stderr, "usage: browse_probe photos DIR NAME COUNT WIDTH HEIGHT [progressive] | list | answers SECONDS\n");
    return result;
}

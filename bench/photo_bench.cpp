// What a user waits for, each against a reference measured in the same run:
// - the first click (a fresh PhotoView loading a photograph) and browsing (one PhotoView
//   going from photograph to photograph as the file list drives it: reset, then
//   loadPhoto) against bare libjpeg decodes of the same files (goal for browsing:
//   1.15 x), on ten different 24 MP baseline and ten 16 MP progressive photographs;
//   browsing also reports its peak resident memory;
// - the display copy against reading the photograph rows it samples;
// - the export against libjpeg compressing an already prepared 320 x 320 RGB image at
//   quality 80 (the export's resampling and set-up on top of that; no goal set).
#include <benchmark/benchmark.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <jpeglib.h>
#include "export/JpegExport.h"
#include "photo/PhotoView.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace {

constexpr int PhotoWidth = 6000, PhotoHeight = 4000;               // 24 MP, baseline 4:2:0
constexpr int ProgressiveWidth = 4896, ProgressiveHeight = 3264;   // 16 MP, progressive
constexpr int PhotoCount = 10;
constexpr int Visits = 2 * PhotoCount;  // each photograph twice
constexpr int ViewWidth = 1000, ViewHeight = 666;  // the 24 MP photograph fits exactly

// Ten different photographs of each kind, written once for the whole run: the same
// scene, each one darker than the one before.
struct Photographs {
    TempDir dir;
    std::vector<std::string> baseline, progressive;
    Photographs() {
        write(baseline, "baseline", PhotoWidth, PhotoHeight, false);
        write(progressive, "progressive", ProgressiveWidth, ProgressiveHeight, true);
    }
    void write(std::vector<std::string>& paths, const char* kind, int width, int height, bool progressiveScan) {
        const std::vector<uint8_t> scene = photographicRgb(width, height);
        std::vector<uint8_t> rgb(scene.size());
        JpegOptions options;
        options.quality = 90;
        options.subsample = true;
        options.progressive = progressiveScan;
        for (int k = 0; k < PhotoCount; ++k) {
            for (size_t i = 0; i < scene.size(); ++i) rgb[i] = static_cast<uint8_t>(scene[i] * (32 - k) / 32);
            paths.push_back(dir.file(std::string(kind) + std::to_string(k) + ".jpg"));
            writeFile(paths.back(), encodeJpeg(width, height, 3, rgb, options));
        }
    }
};

const Photographs& photographs() {
    static Photographs files;
    return files;
}

const std::vector<std::string>& pathsOf(const benchmark::State& state) {
    return state.range(0) ? photographs().progressive : photographs().baseline;
}

struct BareError {
    jpeg_error_mgr pub;
    jmp_buf back;
};

void bareErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<BareError*>(cinfo->err)->back, 1); }

// The reference: libjpeg to RGB, one scanline at a time into one row, nothing kept.
bool bareDecode(jpeg_decompress_struct* cinfo, BareError* err, FILE* file) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = bareErrorExit;
    if (setjmp(err->back)) return false;
    jpeg_create_decompress(cinfo);
    jpeg_stdio_src(cinfo, file);
    jpeg_read_header(cinfo, TRUE);
    jpeg_start_decompress(cinfo);
    JSAMPARRAY line = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                  cinfo->output_width * cinfo->output_components, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        jpeg_read_scanlines(cinfo, line, 1);
        benchmark::DoNotOptimize(line[0][0]);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

void BM_BareLibjpeg(benchmark::State& state) {
    const std::vector<std::string>& paths = pathsOf(state);
    size_t next = 0;
    for (auto _ : state) {
        FILE* file = fopen(paths[next++ % paths.size()].c_str(), "rb");
        jpeg_decompress_struct cinfo{};
        BareError err;
        if (!file || !bareDecode(&cinfo, &err, file)) state.SkipWithError("bare decode failed");
        jpeg_destroy_decompress(&cinfo);
        if (file) fclose(file);
    }
}

// A click on a photograph just after the program started: nothing held yet.
void BM_FirstClick(benchmark::State& state) {
    const std::vector<std::string>& paths = pathsOf(state);
    size_t next = 0;
    for (auto _ : state) {
        auto view = std::make_unique<PhotoView>();
        view->attach(nullptr, ViewWidth, ViewHeight);
        view->loadPhoto(paths[next++ % paths.size()].c_str());
        if (!view->photoLoaded) state.SkipWithError("loadPhoto failed");
        benchmark::DoNotOptimize(view->displayPixels.data());
    }
}

// Peak resident memory in kB since the last reset (Linux; 0 elsewhere).
long peakResidentKb(bool reset) {
    if (reset) {
        FILE* clear = fopen("/proc/self/clear_refs", "w");
        if (clear) {
            fputs("5", clear);
            fclose(clear);
        }
        return 0;
    }
    FILE* status = fopen("/proc/self/status", "r");
    long kb = 0;
    char line[256];
    while (status && fgets(line, sizeof line, status))
        if (sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    if (status) fclose(status);
    return kb;
}

// Clicking from photograph to photograph: the list deselects the old row (reset), then
// selects the new one (loadPhoto).
void BM_Browsing(benchmark::State& state) {
    const std::vector<std::string>& paths = pathsOf(state);
    auto view = std::make_unique<PhotoView>();
    view->attach(nullptr, ViewWidth, ViewHeight);
    size_t next = 0;
    peakResidentKb(true);
    for (auto _ : state) {
        view->reset();
        view->loadPhoto(paths[next++ % paths.size()].c_str());
        if (!view->photoLoaded) state.SkipWithError("loadPhoto failed");
        benchmark::DoNotOptimize(view->displayPixels.data());
    }
    state.counters["photos"] = static_cast<double>(next);
    state.counters["peak_MB"] = static_cast<double>(peakResidentKb(false)) / 1024;
}

void BM_RebuildDisplay(benchmark::State& state) {
    auto view = std::make_unique<PhotoView>();
    snprintf(view->photoPath, sizeof view->photoPath, "%s", photographs().baseline[0].c_str());
    view->photoLoaded = view->decodePhoto();
    if (!view->photoLoaded) state.SkipWithError("decodePhoto failed");
    for (auto _ : state) {
        view->rebuildDisplay(ViewWidth, ViewHeight);
        benchmark::ClobberMemory();
    }
    if (view->displayWidth != ViewWidth || view->displayHeight != ViewHeight) state.SkipWithError("wrong fit");
}

// The memory floor under the display copy: every photograph row it samples read whole.
// At a 6-fold shrink each sampled pixel lies in a cache line of its own, so the sampling
// cannot read less than this (16 MB of the 96 MB photograph).
void BM_ReadSampledRows(benchmark::State& state) {
    auto view = std::make_unique<PhotoView>();
    snprintf(view->photoPath, sizeof view->photoPath, "%s", photographs().baseline[0].c_str());
    if (!view->decodePhoto()) state.SkipWithError("decodePhoto failed");
    const size_t stride = static_cast<size_t>(PhotoWidth) * 4;
    std::unique_ptr<uint8_t[]> row(new uint8_t[stride]);
    for (auto _ : state) {
        for (int i = 0; i < ViewHeight; ++i) {
            const size_t sourceRow = static_cast<size_t>(PhotoHeight) * i / ViewHeight;
            memcpy(row.get(), view->photoPixels.data() + sourceRow * stride, stride);
            benchmark::ClobberMemory();
        }
    }
}

// The export: a 3000 x 3000 selection of the 4000 x 3000 photograph to 320 x 320.
constexpr int OutputSide = 320, SelectionSide = 3000;

void frameExport(PhotoView& view) {
    view.sourceLeft = (PhotoWidth - SelectionSide) / 2;
    view.sourceTop = 0;
    view.sourceWidth = view.sourceHeight = SelectionSide;
    view.outputWidth = view.outputHeight = OutputSide;
}

// Both write through libjpeg's stdio destination into the same kind of sink.
FILE* openSink() { return fopen("/dev/null", "wb"); }

void BM_ExportJpeg(benchmark::State& state) {
    auto view = std::make_unique<PhotoView>();
    snprintf(view->photoPath, sizeof view->photoPath, "%s", photographs().baseline[0].c_str());
    view->photoLoaded = view->decodePhoto();
    frameExport(*view);
    FILE* sink = openSink();
    if (!view->photoLoaded || !sink) state.SkipWithError("no photograph or no sink");
    for (auto _ : state)
        if (!writeExport(*view, sink, "Bench", state.range(0) != 0)) state.SkipWithError("export failed");
    if (sink) fclose(sink);
}

// The reference: the same 320 x 320 pixels, already resampled, compressed at quality 80.
bool bareCompress(jpeg_compress_struct* cinfo, BareError* err, FILE* sink, const uint8_t* rgb) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = bareErrorExit;
    if (setjmp(err->back)) return false;
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, sink);
    cinfo->image_width = cinfo->image_height = OutputSide;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, 80, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(cinfo->next_scanline) * OutputSide * 3);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

void BM_BareCompress(benchmark::State& state) {
    auto view = std::make_unique<PhotoView>();
    snprintf(view->photoPath, sizeof view->photoPath, "%s", photographs().baseline[0].c_str());
    if (!view->decodePhoto()) state.SkipWithError("decodePhoto failed");
    frameExport(*view);
    std::vector<uint8_t> rgb(static_cast<size_t>(OutputSide) * OutputSide * 3);
    if (view->photoPixels) {
        uint8_t* out = rgb.data();
        for (int32_t d = 0; d < OutputSide; ++d) {
            int32_t r = view->sourceTop + d * view->sourceHeight / OutputSide;
            const uint8_t* row = view->photoPixels.data() + static_cast<size_t>(PhotoHeight - 1 - r) * PhotoWidth * 4;
            for (int32_t j = 0; j < OutputSide; ++j, out += 3) {
                const uint8_t* p = row + static_cast<size_t>(view->sourceLeft + j * view->sourceWidth / OutputSide) * 4;
                out[0] = p[2], out[1] = p[1], out[2] = p[0];
            }
        }
    }
    FILE* sink = openSink();
    if (!sink) state.SkipWithError("no sink");
    for (auto _ : state) {
        jpeg_compress_struct cinfo{};
        BareError err;
        if (sink && !bareCompress(&cinfo, &err, sink, rgb.data())) state.SkipWithError("bare compress failed");
        jpeg_destroy_compress(&cinfo);
    }
    if (sink) fclose(sink);
}

BENCHMARK(BM_BareLibjpeg)->ArgName("progressive")->Arg(0)->Arg(1)->Iterations(Visits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstClick)->ArgName("progressive")->Arg(0)->Arg(1)->Iterations(Visits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Browsing)->ArgName("progressive")->Arg(0)->Arg(1)->Iterations(Visits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildDisplay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadSampledRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareCompress)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExportJpeg)->ArgName("header")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The console report, followed by the ratios of each measurement to its reference, in
// CPU time (the system's time zeroing fresh pages included): on a shared machine the
// time spent waiting for a core is not the program's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred) times[run.benchmark_name()] = run.GetAdjustedCPUTime() * unitScale(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        printRatio("first click / bare libjpeg, 24 MP baseline", "BM_FirstClick/progressive:0/iterations:20",
                   "BM_BareLibjpeg/progressive:0/iterations:20", 0);
        printRatio("first click / bare libjpeg, 16 MP progressive", "BM_FirstClick/progressive:1/iterations:20",
                   "BM_BareLibjpeg/progressive:1/iterations:20", 0);
        printRatio("browsing / bare libjpeg, 24 MP baseline", "BM_Browsing/progressive:0/iterations:20",
                   "BM_BareLibjpeg/progressive:0/iterations:20", 1.15);
        printRatio("browsing / bare libjpeg, 16 MP progressive", "BM_Browsing/progressive:1/iterations:20",
                   "BM_BareLibjpeg/progressive:1/iterations:20", 1.15);
        printRatio("rebuildDisplay / reading the sampled rows", "BM_RebuildDisplay", "BM_ReadSampledRows", 0);
        printRatio("export 320 x 320 / bare libjpeg compress", "BM_ExportJpeg/header:0", "BM_BareCompress", 0);
        printRatio("export 320 x 320 with header / bare compress", "BM_ExportJpeg/header:1", "BM_BareCompress", 0);
    }

private:
    static double unitScale(benchmark::TimeUnit unit) {
        switch (unit) {
        case benchmark::kNanosecond: return 1e-9;
        case benchmark::kMicrosecond: return 1e-6;
        case benchmark::kMillisecond: return 1e-3;
        default: return 1.0;
        }
    }
    void printRatio(const char* what, const std::string& measured, const std::string& reference, double goal) const {
        auto m = times.find(measured), r = times.find(reference);
        if (m == times.end() || r == times.end() || r->second <= 0) return;
        double ratio = m->second / r->second;
        printf("%-48s %8.3f ms / %8.3f ms = %.2f", what, m->second * 1e3, r->second * 1e3, ratio);
        if (goal > 0) printf(" (goal <= %.2f)", goal);
        printf("\n");
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    photographs();  // written before anything is timed
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}

#include "send/Platform.h"
#include <dirent.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <chrono>

namespace {

// The thread that takes the stop signals: they are blocked in every other thread, so that
// they never interrupt a write, and sigwait hands them over here.
struct SignalWatch {
    pthread_t thread{};
    sigset_t previous{};
    void (*stop)(void*) = nullptr;
    void* context = nullptr;
    std::atomic<bool> ending{false};
    bool running = false;
} watch;

void stopSignals(sigset_t& set) {
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
}

void* watchSignals(void*) {
    sigset_t set;
    stopSignals(set);
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) continue;
        if (watch.ending) return nullptr;
        watch.stop(watch.context);
    }
}

}  // namespace

bool isTerminal(FILE* stream) { return isatty(fileno(stream)) == 1; }

void writeText(FILE* stream, const char* text) { fputs(text, stream); }

char folderSeparator() { return '/'; }

bool listFolder(const std::string& path, std::vector<std::string>& names) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    DIR* folder = opendir(path.c_str());
    if (!folder) return true;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (stat((path + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) names.push_back(name);
    }
    closedir(folder);
    return true;
}

uint64_t defaultPhotoMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return uint64_t(1) << 30;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 2;
}

uint32_t monotonicMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool installStopHandler(void (*stop)(void*), void* context) {
    if (watch.running) return false;
    sigset_t set;
    stopSignals(set);
    if (pthread_sigmask(SIG_BLOCK, &set, &watch.previous) != 0) return false;
    watch.stop = stop;
    watch.context = context;
    watch.ending = false;
    if (pthread_create(&watch.thread, nullptr, watchSignals, nullptr) != 0) {
        pthread_sigmask(SIG_SETMASK, &watch.previous, nullptr);
        return false;
    }
    watch.running = true;
    return true;
}

void removeStopHandler() {
    if (!watch.running) return;
    watch.ending = true;
    pthread_kill(watch.thread, SIGTERM);  // wakes sigwait, which now ends
    pthread_join(watch.thread, nullptr);
    pthread_sigmask(SIG_SETMASK, &watch.previous, nullptr);
    watch.running = false;
}

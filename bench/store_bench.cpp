// The store at scale: the program's device list through the ordinals (1 + 2n calls:
// the count, then the ID and the name of each user) and `hotsync users list`, against
// reading users.txt once as the reference. Goal: both well under a second at 10,000
// and at 32,767 users.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include "standin/HotSyncTool.h"
#include "standin/StoreFiles.h"
#include "standin/StoreLibrary.h"
#include "support/TempDir.h"

namespace {

// A store of n users, written straight into users.txt once per size.
const std::string& storeOf(int64_t n) {
    static std::map<int64_t, std::unique_ptr<TempDir>> stores;
    std::unique_ptr<TempDir>& dir = stores[n];
    if (!dir) {
        dir.reset(new TempDir);
        std::string text;
        for (int64_t i = 0; i < n; ++i)
            text += std::to_string(1001 + i) + "\tUser " + std::to_string(i) + "\tUser " + std::to_string(i) + "\n";
        FILE* file = std::fopen(dir->file("users.txt").c_str(), "wb");
        if (file) {
            std::fwrite(text.data(), 1, text.size(), file);
            std::fclose(file);
        }
    }
    return dir->path();
}

void BM_ReadUsersFile(benchmark::State& state) {
    const std::string path = joinPath(storeOf(state.range(0)), "users.txt");
    for (auto _ : state) {
        std::string bytes;
        if (readWholeFile(path, bytes, 64u << 20) != ReadOutcome::Read) state.SkipWithError("no users.txt");
        benchmark::DoNotOptimize(bytes.data());
    }
}

// What the program's device list does, each call on a library object of its own as
// our DLLs make one per call.
void BM_DeviceListByOrdinals(benchmark::State& state) {
    const std::string& root = storeOf(state.range(0));
    for (auto _ : state) {
        int16_t count = StoreLibrary(root).userCount();
        if (count != state.range(0)) state.SkipWithError("wrong user count");
        for (int16_t i = 0; i < count; ++i) {
            uint32_t id = 0;
            char name[256];
            uint16_t size = sizeof name;
            if (StoreLibrary(root).userIdAt(i, &id) != StoreOk ||
                StoreLibrary(root).userName(id, name, &size) != StoreOk) {
                state.SkipWithError("a user could not be read");
                break;
            }
        }
    }
}

void BM_ToolUsersList(benchmark::State& state) {
    const std::string& root = storeOf(state.range(0));
    const char* argv[] = {"hotsync", "--root", root.c_str(), "users", "list"};
    FILE* sink = std::fopen("/dev/null", "wb");
    for (auto _ : state)
        if (!sink || runHotSyncTool(5, argv, "", sink, sink) != ToolOk) state.SkipWithError("users list failed");
    if (sink) std::fclose(sink);
}

BENCHMARK(BM_ReadUsersFile)->ArgName("users")->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceListByOrdinals)->ArgName("users")->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToolUsersList)->ArgName("users")->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);

}  // namespace

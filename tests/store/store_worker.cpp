// Updates the store of VISTREL_HOTSYNC_ROOT in a loop (on Windows through our DLLs),
// printing "done NAME" for each update reported done and "installed FILE" for syncs:
//   store_worker users PREFIX N | settings USER PREFIX N | queue USER PREFIX N | sync USER N
// or, on Windows, is another program that holds FILE open with the given sharing for MS:
//   store_worker hold FILE SHARING MS
#include <cstdio>
#include <cstdlib>
#include "standin/Delivery.h"
#include "standin/StoreConfig.h"
#include "standin/StoreLibrary.h"
#include "unit/store_support.h"
#ifdef _WIN32
#include <windows.h>
#include "hotsync/HotSyncBinding.h"
#endif

int main(int argc, char** argv) {
    const std::string mode = argc > 3 ? argv[1] : "", prefix = argv[argc - 2];
#ifdef _WIN32
    if (mode == "hold") {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, std::atoi(argv[3]), nullptr, OPEN_EXISTING, 0, nullptr);
        std::printf(file == INVALID_HANDLE_VALUE ? "failed\n" : "held\n");
        std::fflush(stdout);
        Sleep(std::atoi(argv[4]));
        return file == INVALID_HANDLE_VALUE || !CloseHandle(file);
    }
#endif
    Store store(environmentValue(RootVariable));
#ifdef _WIN32
    HotSyncBinding library;
#else
    StoreLibrary library(store.root());
#endif
    uint32_t id = 0;
    char root[256], folder[64];
    uint16_t size = sizeof root, folderSize = sizeof folder;
    const bool ofUser = mode != "users" && library.userIdFromName(argv[2], &id) == 0 &&
                        library.rootFolder(root, &size) > 0 && library.userFolder(id, folder, &folderSize) > 0;
    const std::string vistrel = joinPath(joinPath(root, folder), "Vistrel");
    if (mode == "" || (mode != "users" && (!ofUser || !makeFolder(vistrel)))) return 2;
    const std::vector<uint8_t> photo = photoDatabase("Photo", smallJpeg(8, 8));
    StoreUser user;  // queue writes PREFIXi.pdb into the user's Vistrel folder
    for (int i = 0; i < std::atoi(argv[argc - 1]); ++i) {
        const std::string name = prefix + std::to_string(i), path = joinPath(vistrel, name + ".pdb");
        int32_t result = -1;
        std::vector<DeliveryReport> reports;
        if (mode == "users") result = store.addUser(name, {});
        if (mode == "settings") result = library.writeSetting(id, "Brennick", name.c_str(), static_cast<uint32_t>(i));
        if (mode == "queue" && writeFile(path, photo)) result = library.installToMemory(argv[2], path.c_str());
        if (mode == "sync" && store.findUser(argv[2], user) == StoreOk && syncUser(store, user, reports) == StoreOk)
            for (const DeliveryReport& report : reports)
                if (report.outcome == Delivery::Installed) std::printf("installed %s\n", fileNameOf(report.request.path).c_str());
        if (mode != "sync") std::printf(result == 0 ? "done %s\n" : "failed %s %d\n", name.c_str(), static_cast<int>(result));
        std::fflush(stdout);
    }
    return 0;
}

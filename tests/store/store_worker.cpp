// Updates one store in a loop for the cross-process tests, printing a line for each
// update that the store reported done (VISTREL_HOTSYNC_ROOT names the store):
//   store_worker users PREFIX N         adds users PREFIX0 .. PREFIX<N-1>
//   store_worker settings USER PREFIX N writes PREFIXi = i for USER
//   store_worker queue USER PREFIX N    writes USER's Vistrel\PREFIXi.pdb and queues it
//   store_worker sync USER N            delivers USER's queue N times
// On Windows the ordinals go through our DLLs, as the program calls them.
#include <cstdio>
#include <cstdlib>
#include <string>
#include "standin/Delivery.h"
#include "standin/StoreConfig.h"
#include "standin/StoreLibrary.h"
#include "unit/store_support.h"
#ifdef _WIN32
#include "hotsync/HotSyncBinding.h"
#endif

int main(int argc, char** argv) {
    const std::string root = environmentValue(RootVariable), mode = argc > 2 ? argv[1] : "";
    const int count = std::atoi(argv[argc - 1]);
    Store store(root);
#ifdef _WIN32
    HotSyncBinding library;
#else
    StoreLibrary library(root);
#endif
    uint32_t id = 0;
    char text[256];
    uint16_t size = sizeof text;
    std::string folder;
    if (mode != "users" && library.userIdFromName(argv[2], &id) == 0 && library.rootFolder(text, &size) > 0) {
        folder = text;
        size = sizeof text;
        if (library.userFolder(id, text, &size) > 0) folder = joinPath(joinPath(folder, text), "Vistrel");
    }
    if (mode != "users" && (folder.empty() || !makeFolder(folder))) return 2;
    const std::vector<uint8_t> photo = photoDatabase("Photo", smallJpeg(8, 8));
    for (int i = 0; i < count; ++i) {
        const std::string name = argv[argc - 2] + std::to_string(i);
        int32_t result = -1;
        if (mode == "users") {
            result = store.addUser(name, {});
        } else if (mode == "settings") {
            result = library.writeSetting(id, "Brennick", name.c_str(), static_cast<uint32_t>(i));
        } else if (mode == "queue") {
            const std::string path = joinPath(folder, name + ".pdb");
            result = writeFile(path, photo) ? library.installToMemory(argv[2], path.c_str()) : -1;
        } else if (mode == "sync") {
            StoreUser user;
            std::vector<DeliveryReport> reports;
            if (store.findUser(argv[2], user) == StoreOk && syncUser(store, user, reports) == StoreOk)
                for (const DeliveryReport& report : reports)
                    std::printf("%s %s\n", report.outcome == Delivery::Installed ? "installed" : "not",
                                fileNameOf(report.request.path).c_str());
            continue;
        }
        std::printf(result == 0 ? "done %s\n" : "failed %s %d\n", name.c_str(), static_cast<int>(result));
        std::fflush(stdout);
    }
    return 0;
}

#include "standin/HotSyncTool.h"
#include <cstring>
#include <string>
#include <vector>
#include "standin/Delivery.h"
#include "standin/Store.h"
#include "standin/StoreConfig.h"
#include "standin/StoreFiles.h"

namespace {

const char* const Usage =
    "usage: hotsync [--root DIR] users add NAME [--card NAME]...\n"
    "       hotsync [--root DIR] users list\n"
    "       hotsync [--root DIR] settings NAME\n"
    "       hotsync [--root DIR] queue [NAME]\n"
    "       hotsync [--root DIR] sync NAME\n"
    "A NAME that begins with \"-\" goes after \"--\": users add -- -Name\n"
    "Without --root the store is the one that VISTREL_HOTSYNC_ROOT or the\n"
    "HotSync.ini beside this program names.\n";

int usageError(FILE* err, const char* problem) {
    std::fprintf(err, "hotsync: %s\n%s", problem, Usage);
    return ToolError;
}

int storeError(FILE* err, const char* doing, int32_t result) {
    std::fprintf(err, "hotsync: %s: %s (error %d)\n", doing, storeResultText(result), static_cast<int>(result));
    return ToolError;
}

int findUser(const Store& store, const std::string& name, StoreUser& user, FILE* err) {
    int32_t result = store.findUser(name.c_str(), user);
    if (result == StoreUnknownUser) {
        std::fprintf(err, "hotsync: no user named \"%s\"\n", name.c_str());
        return ToolError;
    }
    if (result != StoreOk) return storeError(err, "reading the users", result);
    return ToolOk;
}

std::string slotLabel(const std::vector<StoreSlot>& slots, uint32_t id) {
    for (const StoreSlot& slot : slots)
        if (slot.id == id) return "card " + std::to_string(id) + " (" + slot.name + ")";
    return "card " + std::to_string(id) + " (no such slot)";
}

int addUserCommand(Store& store, const std::vector<std::string>& args, FILE* out, FILE* err) {
    if (args.empty()) return usageError(err, "users add needs a NAME");
    std::string name;
    std::vector<std::string> cards;
    bool options = true;  // "--" ends them, so that a name may begin with "-"
    for (size_t i = 0; i < args.size(); ++i) {
        if (options && args[i] == "--") {
            options = false;
        } else if (options && args[i] == "--card") {
            if (i + 1 >= args.size()) return usageError(err, "--card needs a NAME");
            cards.push_back(args[++i]);
        } else if (name.empty() && !args[i].empty() && (!options || args[i][0] != '-')) {
            name = args[i];
        } else {
            return usageError(err, ("unexpected argument \"" + args[i] + "\"").c_str());
        }
    }
    if (name.empty()) return usageError(err, "users add needs a NAME");
    if (!isStoreText(name, MaxUserName)) {
        std::fprintf(err, "hotsync: a user name is 1 to %u characters without control characters\n",
                     static_cast<unsigned>(MaxUserName));
        return ToolError;
    }
    for (const std::string& card : cards)
        if (!isStoreText(card, MaxSlotName)) {
            std::fprintf(err, "hotsync: a card name is 1 to %u characters without control characters\n",
                         static_cast<unsigned>(MaxSlotName));
            return ToolError;
        }
    if (!makeFolders(store.root())) {
        std::fprintf(err, "hotsync: cannot create the root folder %s\n", store.root().c_str());
        return ToolError;
    }
    StoreUser user;
    int32_t result = store.addUser(name, cards, &user);
    if (result != StoreOk) return storeError(err, ("adding \"" + name + "\"").c_str(), result);
    std::fprintf(out, "added user \"%s\": ID %u, folder \"%s\"\n", user.name.c_str(),
                 static_cast<unsigned>(user.id), user.folder.c_str());
    std::vector<StoreSlot> slots;
    if (store.loadSlots(user, slots) == StoreOk)
        for (const StoreSlot& slot : slots)
            std::fprintf(out, "  card slot %u: %s\n", static_cast<unsigned>(slot.id), slot.name.c_str());
    return ToolOk;
}

int listUsersCommand(const Store& store, FILE* out, FILE* err) {
    // One lock for the whole list, not one per user's slots.
    Store::Hold hold(store, false);
    if (hold.result != StoreOk) return storeError(err, "reading the users", hold.result);
    std::vector<StoreUser> users;
    int32_t result = store.loadUsers(users);
    if (result != StoreOk) return storeError(err, "reading the users", result);
    if (users.empty()) std::fprintf(out, "no users\n");
    for (const StoreUser& user : users) {
        std::fprintf(out, "%s (ID %u, folder \"%s\")\n", user.name.c_str(), static_cast<unsigned>(user.id),
                     user.folder.c_str());
        std::vector<StoreSlot> slots;
        result = store.loadSlots(user, slots);
        if (result != StoreOk) return storeError(err, ("reading the card slots of " + user.name).c_str(), result);
        for (const StoreSlot& slot : slots)
            std::fprintf(out, "  card slot %u: %s\n", static_cast<unsigned>(slot.id), slot.name.c_str());
    }
    return ToolOk;
}

int settingsCommand(const Store& store, const std::string& name, FILE* out, FILE* err) {
    StoreUser user;
    if (int status = findUser(store, name, user, err)) return status;
    std::vector<StoreSetting> settings;
    int32_t result = store.loadSettings(user, settings);
    if (result != StoreOk) return storeError(err, ("reading the settings of " + name).c_str(), result);
    if (settings.empty()) std::fprintf(out, "no settings stored for %s\n", name.c_str());
    for (const StoreSetting& setting : settings)
        std::fprintf(out, "[%s] %s = %u\n", setting.section.c_str(), setting.key.c_str(),
                     static_cast<unsigned>(setting.value));
    return ToolOk;
}

int printQueue(const Store& store, const StoreUser& user, FILE* out, FILE* err) {
    std::vector<InstallRequest> queue;
    int32_t result = store.loadQueue(user, queue);
    if (result != StoreOk) return storeError(err, ("reading the queue of " + user.name).c_str(), result);
    std::vector<StoreSlot> slots;
    result = store.loadSlots(user, slots);
    if (result != StoreOk) return storeError(err, ("reading the card slots of " + user.name).c_str(), result);
    if (queue.empty()) {
        std::fprintf(out, "%s: nothing queued\n", user.name.c_str());
        return ToolOk;
    }
    std::fprintf(out, "%s:\n", user.name.c_str());
    for (const InstallRequest& request : queue)
        std::fprintf(out, "  %s: %s\n",
                     request.toCard ? slotLabel(slots, request.slotId).c_str() : "internal memory",
                     request.path.c_str());
    return ToolOk;
}

int queueCommand(const Store& store, const std::vector<std::string>& args, FILE* out, FILE* err) {
    if (args.size() > 1) return usageError(err, "queue takes at most one NAME");
    if (args.size() == 1) {
        StoreUser user;
        if (int status = findUser(store, args[0], user, err)) return status;
        return printQueue(store, user, out, err);
    }
    Store::Hold hold(store, false);
    if (hold.result != StoreOk) return storeError(err, "reading the users", hold.result);
    std::vector<StoreUser> users;
    int32_t result = store.loadUsers(users);
    if (result != StoreOk) return storeError(err, "reading the users", result);
    if (users.empty()) std::fprintf(out, "no users\n");
    for (const StoreUser& user : users)
        if (int status = printQueue(store, user, out, err)) return status;
    return ToolOk;
}

int syncCommand(Store& store, const std::string& name, FILE* out, FILE* err) {
    StoreUser user;
    if (int status = findUser(store, name, user, err)) return status;
    std::vector<StoreSlot> slots;
    store.loadSlots(user, slots);
    std::vector<DeliveryReport> reports;
    int32_t result = syncUser(store, user, reports);
    int installed = 0, refused = 0, kept = 0;
    for (const DeliveryReport& report : reports) {
        const InstallRequest& request = report.request;
        std::string storage = request.toCard ? slotLabel(slots, request.slotId) : "internal memory";
        switch (report.outcome) {
        case Delivery::Installed:
            ++installed;
            if (request.toCard)
                std::fprintf(out, "installed %s on %s: %s\n", fileNameOf(request.path).c_str(), storage.c_str(),
                             report.destination.c_str());
            else
                std::fprintf(out, "installed %s in internal memory (database \"%s\"): %s\n",
                             fileNameOf(request.path).c_str(), report.databaseName.c_str(),
                             report.destination.c_str());
            break;
        case Delivery::Refused:
            ++refused;
            std::fprintf(out, "refused %s for %s: %s\n", request.path.c_str(), storage.c_str(), report.reason.c_str());
            break;
        case Delivery::Kept:
            ++kept;
            std::fprintf(out, "kept %s for %s in the queue: %s\n", request.path.c_str(), storage.c_str(),
                         report.reason.c_str());
            break;
        }
    }
    if (result != StoreOk) return storeError(err, ("syncing " + name).c_str(), result);
    std::fprintf(out, "%s: %d installed, %d refused, %d kept in the queue for the next sync\n", name.c_str(), installed,
                 refused, kept);
    return refused || kept ? ToolRefused : ToolOk;
}

}  // namespace

int runHotSyncTool(int argc, const char* const* argv, const std::string& configuredRoot, FILE* out, FILE* err) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i] ? argv[i] : "");
    std::string root = configuredRoot;
    while (!args.empty() && args[0].rfind("--", 0) == 0) {
        if (args[0] == "--help") {
            std::fputs(Usage, out);
            return ToolOk;
        }
        if (args[0] == "--root") {
            if (args.size() < 2 || args[1].empty()) return usageError(err, "--root needs a folder");
            root = args[1];
            args.erase(args.begin(), args.begin() + 2);
        } else if (args[0].rfind("--root=", 0) == 0 && args[0].size() > 7) {
            root = args[0].substr(7);
            args.erase(args.begin());
        } else {
            return usageError(err, ("unknown option \"" + args[0] + "\"").c_str());
        }
    }
    if (args.empty()) return usageError(err, "no command given");
    if (root.empty()) {
        std::fprintf(err, "hotsync: no HotSync root: give --root DIR, set %s, or put a %s with\n"
                          "[HotSync] Root=DIR beside this program\n", RootVariable, ConfigFileName);
        return ToolError;
    }
    Store store(root);
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "users") {
        if (rest.empty()) return usageError(err, "users needs add or list");
        std::vector<std::string> more(rest.begin() + 1, rest.end());
        if (rest[0] == "add") return addUserCommand(store, more, out, err);
        if (rest[0] == "list") {
            if (!more.empty()) return usageError(err, "users list takes no arguments");
            return listUsersCommand(store, out, err);
        }
        return usageError(err, ("unknown users command \"" + rest[0] + "\"").c_str());
    }
    if (command == "settings" || command == "sync") {
        if (rest.size() != 1) return usageError(err, (command + " needs exactly one NAME").c_str());
        if (command == "settings") return settingsCommand(store, rest[0], out, err);
        return syncCommand(store, rest[0], out, err);
    }
    if (command == "queue") return queueCommand(store, rest, out, err);
    return usageError(err, ("unknown command \"" + command + "\"").c_str());
}

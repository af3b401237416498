// Each user's install queue (install.txt): what waits for the next HotSync.
#include <unordered_map>
#include "standin/Store.h"
#include "standin/StoreFormat.h"

namespace {

// A queue holds up to thousands of paths: a larger bound than the other files'.
const size_t MaxQueueFile = 4u << 20;
const size_t MaxQueueEntries = 10000;

bool isPathText(const std::string& path) { return isStoreText(path, MaxStorePath); }

}  // namespace

int32_t parseQueue(const std::string& content, std::vector<InstallRequest>& queue) {
    queue.clear();
    for (const std::string& line : splitLines(content)) {
        if (isComment(line, '#')) continue;
        std::vector<std::string> fields = splitTabs(line);
        InstallRequest request;
        if (fields.size() == 2 && fields[0] == "memory") {
            request.path = fields[1];
        } else if (fields.size() == 3 && fields[0] == "card") {
            request.toCard = true;
            if (!parseId(fields[1], request.slotId)) return StoreDamaged;
            request.path = fields[2];
        } else {
            return StoreDamaged;
        }
        if (!isPathText(request.path)) return StoreDamaged;
        if (queue.size() >= MaxQueueEntries) return StoreDamaged;
        queue.push_back(request);
    }
    return StoreOk;
}

std::string formatQueue(const std::vector<InstallRequest>& queue) {
    std::string text = "# Install requests: memory, path / card, slot ID, path (separated by tabs)\n";
    for (const InstallRequest& request : queue) {
        if (request.toCard)
            text += "card\t" + std::to_string(request.slotId) + "\t" + request.path + "\n";
        else
            text += "memory\t" + request.path + "\n";
    }
    return text;
}

int32_t Store::loadQueue(const StoreUser& user, std::vector<InstallRequest>& queue) const {
    return loadStoreList(*this, file(user, QueueFile), MaxQueueFile, parseQueue, queue);
}

int32_t Store::checkInstallPath(const StoreUser& user, const std::string& path) const {
    if (!isPathText(path)) return StoreBadArgument;
    const PathKind kind = pathKind(path);
    if (kind != PathKind::File) return kind == PathKind::Unknown ? StoreFileUnavailable : StoreFileMissing;
    switch (containmentOf(userFolderPath(user), path)) {
    case Containment::Missing: return StoreFileMissing;
    case Containment::Outside: return StoreNotInUserFolder;
    case Containment::Unresolved: return StoreFileUnavailable;
    case Containment::Inside: break;
    }
    // What a sync delivered is not sent again from where it landed.
    if (containmentOf(joinPath(userFolderPath(user), "Handheld"), path) == Containment::Inside)
        return StoreNotInUserFolder;
    return StoreOk;
}

int32_t Store::enqueue(const StoreUser& user, const InstallRequest& request) {
    int32_t result = checkInstallPath(user, request.path);
    if (result != StoreOk) return result;
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    if (request.toCard) {
        std::vector<StoreSlot> slots;
        result = loadSlots(user, slots);
        if (result != StoreOk) return result;
        bool known = false;
        for (const StoreSlot& slot : slots) known = known || slot.id == request.slotId;
        if (!known) return StoreUnknownSlot;
    }
    std::vector<InstallRequest> queue;
    result = loadQueue(user, queue);
    if (result != StoreOk) return result;
    if (queue.size() >= MaxQueueEntries) return StoreFull;
    queue.push_back(request);
    return saveQueue(user, queue);
}

int32_t Store::saveQueue(const StoreUser& user, const std::vector<InstallRequest>& queue) {
    for (const InstallRequest& request : queue)
        if (!isPathText(request.path)) return StoreBadArgument;
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    return writeStoreFile(file(user, QueueFile), formatQueue(queue));
}

int32_t Store::removeFromQueue(const StoreUser& user, const std::vector<InstallRequest>& done) {
    Hold hold(*this, true);
    if (hold.result != StoreOk) return hold.result;
    std::vector<InstallRequest> queue;
    int32_t result = loadQueue(user, queue);
    if (result != StoreOk) return result;
    // Each entry's line is its identity: count the lines to take out, one pass over the queue.
    std::unordered_map<std::string, size_t> toRemove;
    for (const InstallRequest& request : done) ++toRemove[formatQueue({request})];
    std::vector<InstallRequest> kept;
    for (const InstallRequest& request : queue) {
        auto found = toRemove.find(formatQueue({request}));
        if (found != toRemove.end() && found->second > 0)
            --found->second;
        else
            kept.push_back(request);
    }
    if (kept.size() == queue.size()) return StoreOk;
    return writeStoreFile(file(user, QueueFile), formatQueue(kept));
}

#include "send/SendBatch.h"
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>
#include "export/DeviceSettings.h"
#include "export/PhotoSend.h"
#include "export/SendMessages.h"
#include "hotsync/HotSyncLibrary.h"
#include "photo/PhotoDecode.h"
#include "send/BatchConsole.h"
#include "send/Platform.h"
#include "threads/Condition.h"
#include "threads/Thread.h"

namespace {

uint64_t megabytes(uint64_t bytes) { return (bytes + (1u << 20) - 1) >> 20; }

// One photograph of the batch, in the order given. A worker owns it from Working until it
// is settled; the main thread reads it once it is.
struct Photo {
    enum Stage { Waiting, Working, Prepared, Refused, Dropped };  // Dropped: not started before a stop
    explicit Photo(std::string path, std::string reason = {})
        : path(std::move(path)), stage(reason.empty() ? Waiting : Refused), reason(std::move(reason)) {}

    std::string path;
    Stage stage;
    std::string reason;  // why it was refused, unless the export failed
    ExportStatus exportStatus = ExportStatus::Written;
    std::unique_ptr<PreparedPhoto> prepared;
};

bool settled(Photo::Stage stage) { return stage == Photo::Prepared || stage == Photo::Refused || stage == Photo::Dropped; }

// Folder entries in a stable order: by name without regard to ASCII case, then byte for byte.
bool byName(const std::string& a, const std::string& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int x = tolower(static_cast<unsigned char>(a[i])), y = tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The folder's own separator joins it to the name, the system's when it has none.
std::string inFolder(const std::string& folder, const std::string& name) {
    // What follows the last separator, read as the photographs' names are.
    const char* last = fileNameOf(folder.c_str());
    if (last == folder.c_str()) return folder + folderSeparator() + name;
    return *last ? folder + last[-1] + name : folder + name;
}

}  // namespace

struct SendBatch::State {
    State(const SendOptions& options, HotSyncLibrary& library, BatchConsole& console)
        : options(options), library(library), console(console) {}

    const SendOptions& options;
    HotSyncLibrary& library;
    BatchConsole& console;
    PhotoView device;  // the chosen user's screen, folder and storages
    std::string outFolder;
    SendTarget target;
    std::vector<Photo> photos;

    Mutex mutex;
    Condition changed;  // a photograph's stage, the memory held, or the stop
    size_t nextToStart = 0;
    size_t current = 0;  // the photograph started last
    bool stopping = false;
    // Memory for the photographs held at once, handed out in turn.
    uint64_t budget = 0, held = 0, turnsTaken = 0, turnsServed = 0;
    unsigned reported = 0;  // photographs whose outcome is known, in order
    size_t lookahead = 1;   // photographs started beyond those

    // The main thread's own.
    unsigned sent = 0, failed = 0, dropped = 0;
    uint32_t startedAt = 0;
    std::string shownStatus;
    bool stopNoticed = false;

    bool failure(const std::string& text) {
        console.line(("vistrel-send: " + text).c_str(), true);
        return false;
    }
    bool chooseDevice();
    void listPhotos();
    Photo::Stage waitFor(size_t index);
    std::string progress(size_t index) const;
    void report(Photo& photo, Photo::Stage stage);
    void summarise();
};

namespace {

// Decodes and exports photographs on a thread of its own. Its pixel memory is kept from one
// photograph to the next (fresh pages cost the system a fifth of the decode), and given
// back whenever it waits, so that it never keeps from another what that one waits for.
struct Worker : DecodeJob {
    explicit Worker(SendBatch::State& batch) : batch(batch) {
        view.deviceWidth = batch.device.deviceWidth;
        view.deviceHeight = batch.device.deviceHeight;
    }
    bool reserve(uint64_t pixels, uint64_t besides, char* reason, size_t size) override;
    void refused(const char* reason) override { refusal = reason; }
    Photo::Stage prepare(Photo& photo);
    // Under the batch's lock.
    void giveBack() {
        view.photoPixels.release();
        batch.held -= counted;
        counted = 0;
        batch.changed.notifyAll();
    }

    SendBatch::State& batch;
    PhotoView view;
    Thread thread;
    uint64_t counted = 0;  // of the batch's held memory
    bool stopped = false;
    std::string refusal;
};

bool Worker::reserve(uint64_t pixels, uint64_t besides, char* reason, size_t size) {
    std::lock_guard<Mutex> hold(batch.mutex);
    if (pixels + besides > batch.budget) {
        snprintf(reason, size, "decoding it takes %llu MB, more than the %llu MB set aside for photographs",
                 static_cast<unsigned long long>(megabytes(pixels + besides)),
                 static_cast<unsigned long long>(batch.budget >> 20));
        return false;
    }
    // In turn, so that a large photograph is not passed over for ever by smaller ones. A
    // buffer kept at least as large as the pixels holds them.
    const uint64_t turn = batch.turnsTaken++;
    auto need = [&] { return std::max<uint64_t>(pixels, view.photoPixels.capacity()) + besides; };
    auto fits = [&] { return turn == batch.turnsServed && batch.held - counted + need() <= batch.budget; };
    if (!fits()) {
        giveBack();
        while (!batch.stopping && !fits()) batch.changed.wait(batch.mutex);
        if (batch.stopping) {
            stopped = true;
            snprintf(reason, size, "stopped");
            return false;
        }
    }
    batch.held += need() - counted;
    counted = need();
    ++batch.turnsServed;
    batch.changed.notifyAll();
    return true;
}

Photo::Stage Worker::prepare(Photo& photo) {
    char reason[160];
    if (!view.setPhotoPath(photo.path.c_str(), reason, sizeof reason)) {
        photo.reason = reason;
        return Photo::Refused;
    }
    stopped = false;
    view.photoLoaded = view.decodePhoto(this);
    if (!view.photoLoaded) {
        photo.reason = refusal;
        return stopped ? Photo::Dropped : Photo::Refused;
    }
    framePhoto(view, batch.options.framing);
    std::unique_ptr<PreparedPhoto> prepared(new (std::nothrow) PreparedPhoto);
    photo.exportStatus = prepared ? preparePhoto(view, batch.target, *prepared) : ExportStatus::Failed;
    view.photoLoaded = false;
    if (photo.exportStatus != ExportStatus::Written) return Photo::Refused;
    photo.prepared = std::move(prepared);
    return Photo::Prepared;
}

void work(void* context) {
    Worker& worker = *static_cast<Worker*>(context);
    SendBatch::State& batch = worker.batch;
    for (;;) {
        size_t index = 0;
        {
            std::lock_guard<Mutex> hold(batch.mutex);
            for (;;) {
                while (batch.nextToStart < batch.photos.size() && batch.photos[batch.nextToStart].stage != Photo::Waiting)
                    ++batch.nextToStart;
                if (batch.stopping || batch.nextToStart == batch.photos.size()) {
                    worker.giveBack();
                    return;
                }
                // Not too far ahead of the naming: few files wait unnamed, and a stop finds few in progress.
                if (batch.nextToStart < batch.reported + batch.lookahead) break;
                worker.giveBack();
                batch.changed.wait(batch.mutex);
            }
            index = batch.current = batch.nextToStart++;
            batch.photos[index].stage = Photo::Working;
            batch.changed.notifyAll();
        }
        Photo& photo = batch.photos[index];
        Photo::Stage stage = Photo::Refused;
        try {
            stage = worker.prepare(photo);
        } catch (...) {
            photo.reason = "not enough memory";
        }
        std::lock_guard<Mutex> hold(batch.mutex);
        // It keeps its pixel buffer, still counted; what the decode held besides is given back.
        if (worker.view.photoPixels.capacity() > worker.counted) worker.view.photoPixels.release();
        batch.held -= worker.counted - worker.view.photoPixels.capacity();
        worker.counted = worker.view.photoPixels.capacity();
        photo.stage = stage;
        batch.changed.notifyAll();
    }
}

}  // namespace

bool SendBatch::State::chooseDevice() {
    std::vector<std::string> users;
    if (const int16_t count = listDevices(library, users); count < 0)
        return failure(count == HotSyncMissing ? std::string(hotSyncReason(library, count))
                                               : std::string("the HotSync users can't be read: ") +
                                                     hotSyncReason(library, count) + " (error " +
                                                     std::to_string(count) + ")");
    std::string list;
    for (const std::string& user : users) list += (list.empty() ? "" : ", ") + user;
    std::string user = options.user;
    if (user.empty()) {
        if (users.empty()) return failure("there is no HotSync user: add one with the HotSync software first");
        if (users.size() > 1) return failure("there are several HotSync users (" + list + "): choose one with --user NAME");
        user = users[0];
    } else if (std::find(users.begin(), users.end(), user) == users.end()) {
        return failure("there is no HotSync user ''" + user + "''; the users are: " + list);
    }
    snprintf(device.deviceName, sizeof device.deviceName, "%s", user.c_str());
    if (!readUserSettings(library, device.deviceName, device))
        return failure("the settings of ''" + user + "'' can't be read");

    std::string cards;
    for (int k = 1; k <= device.storageCount; ++k) cards += std::string(k > 1 ? ", " : "") + device.storageNames[k];
    if (options.storage == SendOptions::Storage::Memory) {
        device.storageIndex = 0;
    } else if (options.storage == SendOptions::Storage::Card) {
        int found = 0;
        for (int k = 1; k <= device.storageCount && !found; ++k)
            if (options.card == device.storageNames[k]) found = k;
        if (!found)
            return failure("''" + user + "'' has no card ''" + options.card + "''" +
                           (cards.empty() ? std::string(": it has none") : "; its cards are: " + cards));
        device.storageIndex = static_cast<uint16_t>(found);
    } else if (device.storageIndex > device.storageCount) {
        return failure("the storage saved for ''" + user + "'' is not among its cards any more: choose one with "
                       "--card NAME or --memory");
    }
    target = sendTargetOf(device);

    std::string folder = device.outputFolder;
    if (!options.out.empty()) {
        outFolder = inFolder(options.out, "");
        target.folder = outFolder.c_str();
        target.queue = false;
        folder = options.out;
    }
    // As the window does when a device is chosen: only the last level is made.
    createFolder(target.folder);
    if (!fileExists(target.folder)) return failure("the folder " + folder + " can't be made");
    // Room for a numbered name and its extension in a path of the window's size.
    if (strlen(target.folder) + NumberedNameSize + 4 > PhotoView::OutputFolderSize)
        return failure("the folder " + folder + " has too long a name");
    return true;
}

void SendBatch::State::listPhotos() {
    for (const std::string& input : options.inputs) {
        std::vector<std::string> names;
        if (!listFolder(input, names)) {
            photos.emplace_back(input, isJpegName(input.c_str()) ? "" : "not a JPEG photograph: only .jpg and .jpeg files are sent");
            continue;
        }
        names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& name) { return !isJpegName(name.c_str()); }),
                    names.end());
        std::sort(names.begin(), names.end(), byName);
        if (names.empty()) photos.emplace_back(input, "no .jpg or .jpeg photographs in this folder");
        for (const std::string& name : names) photos.emplace_back(inFolder(input, name));
    }
}

std::string SendBatch::State::progress(size_t index) const {
    const uint32_t elapsed = monotonicMilliseconds() - startedAt;
    char rate[32] = "";
    if (reported > 0 && elapsed > 0) snprintf(rate, sizeof rate, "  %.1f photos/s", reported * 1000.0 / elapsed);
    std::string name = fileNameOf(photos[current < index ? index : current].path.c_str());
    if (name.size() > 40) name = "..." + name.substr(name.size() - 37);
    char text[128];
    snprintf(text, sizeof text, "%u/%u  %s%s", reported, static_cast<unsigned>(photos.size()), name.c_str(), rate);
    return text;
}

Photo::Stage SendBatch::State::waitFor(size_t index) {
    const bool showing = console.terminal() && !options.quiet;
    mutex.lock();
    for (;;) {
        Photo::Stage stage = photos[index].stage;
        if (stopping && !stopNoticed && !options.quiet) {
            stopNoticed = true;
            mutex.unlock();
            console.line("Stopping after the photographs in progress...", false);
            shownStatus.clear();
            mutex.lock();
            continue;
        }
        if (settled(stage) || (stage == Photo::Waiting && stopping)) {
            ++reported;
            changed.notifyAll();
            mutex.unlock();
            return stage == Photo::Waiting ? Photo::Dropped : stage;
        }
        const std::string text = showing ? progress(index) : std::string();
        if (text != shownStatus) {
            mutex.unlock();
            console.status(text.c_str());
            shownStatus = text;
            mutex.lock();
            continue;
        }
        changed.wait(mutex);
    }
}

void SendBatch::State::report(Photo& photo, Photo::Stage stage) {
    if (stage == Photo::Dropped) {
        ++dropped;
        return;
    }
    SendOutcome outcome;
    char base[BaseNameSize];
    photoBaseName(photo.path.c_str(), base);
    if (stage == Photo::Prepared) {
        outcome = finishSend(*photo.prepared, base, target, library);
        photo.prepared.reset();
    } else if (photo.exportStatus != ExportStatus::Written) {
        // The export's own messages, naming the file as the window would have.
        firstFreeName(target, base, outcome);
        outcome.result = photo.exportStatus == ExportStatus::CannotCreate ? SendResult::CannotCreate : SendResult::ExportFailed;
    } else {
        ++failed;
        shownStatus.clear();
        console.line((photo.path + ": " + photo.reason).c_str(), true);
        return;
    }
    const bool done = outcome.result == SendResult::Sent || outcome.result == SendResult::Written;
    if (done)
        ++sent;
    else
        ++failed;
    if (done && (options.quiet || console.terminal())) return;
    SendText texts[2];
    for (int i = 0, count = sendOutcomeTexts(outcome, target, library, texts); i < count; ++i) {
        shownStatus.clear();
        console.line((photo.path + ": " + texts[i].text).c_str(), !done);
    }
}

void SendBatch::State::summarise() {
    if (options.quiet) return;
    const double seconds = (monotonicMilliseconds() - startedAt) / 1000.0;
    std::string text = std::to_string(sent) + " of " + std::to_string(photos.size()) + " photographs ";
    text += target.queue ? "sent to ''" + std::string(target.deviceName) + "'' " + target.storageName
                         : "written to " + outFolder;
    if (failed) text += ", " + std::to_string(failed) + " refused";
    if (dropped) text += ", " + std::to_string(dropped) + " not sent (stopped)";
    char timing[64];
    snprintf(timing, sizeof timing, "; %.1f s, %.1f a second", seconds, seconds > 0 ? (sent + failed) / seconds : 0.0);
    console.line((text + timing).c_str(), false);
}

SendBatch::SendBatch(const SendOptions& options, HotSyncLibrary& library, BatchConsole& console)
    : state(new State(options, library, console)) {}

SendBatch::~SendBatch() = default;

void SendBatch::requestStop() {
    std::lock_guard<Mutex> hold(state->mutex);
    state->stopping = true;
    state->changed.notifyAll();
}

int SendBatch::run() {
    State& batch = *state;
    if (!batch.chooseDevice()) return SendUnusable;
    batch.listPhotos();
    batch.budget = batch.options.memoryLimit;
    batch.startedAt = monotonicMilliseconds();

    const unsigned jobs = batch.options.jobs ? batch.options.jobs : processorCount();
    batch.lookahead = 2 * jobs;
    std::vector<std::unique_ptr<Worker>> workers;
    for (unsigned i = 0; i < jobs && i < batch.photos.size(); ++i) {
        workers.emplace_back(new Worker(batch));
        if (!workers.back()->thread.start(work, workers.back().get())) {
            workers.pop_back();
            break;
        }
    }
    // Without a thread of its own the work is done here first, and named after.
    if (workers.empty() && !batch.photos.empty()) {
        Worker alone(batch);
        batch.lookahead = batch.photos.size();
        work(&alone);
    }
    for (size_t i = 0; i < batch.photos.size(); ++i) batch.report(batch.photos[i], batch.waitFor(i));
    for (std::unique_ptr<Worker>& worker : workers) worker->thread.join();
    batch.summarise();
    return batch.failed || batch.dropped ? SendRefused : SendDone;
}

#include "standin/Delivery.h"
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include "standin/StoreFiles.h"

namespace {

const size_t MaxDeliveredFile = 64u << 20;
const JDIMENSION MaxJpegSide = 16384;
const size_t HeaderSize = 88;

struct CheckErrors {
    jpeg_error_mgr base;
    jmp_buf back;
    char message[JMSG_LENGTH_MAX];
    int warnings;
};

void onJpegError(j_common_ptr cinfo) {
    CheckErrors* errors = reinterpret_cast<CheckErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    longjmp(errors->back, 1);
}

// Corrupt data is often only a warning to libjpeg (it pads the image); for a file
// about to be installed a warning is a refusal. Keep the first one's text.
void onJpegMessage(j_common_ptr cinfo, int level) {
    CheckErrors* errors = reinterpret_cast<CheckErrors*>(cinfo->err);
    if (level >= 0) return;
    if (errors->warnings++ == 0) (*cinfo->err->format_message)(cinfo, errors->message);
}

enum DecodeResult { Decoded, Failed, TooLarge };

// Decodes the whole image, row by row. The setjmp lives here with no object that has
// a destructor: a non-volatile local changed after setjmp returns is undefined, and a
// longjmp must not skip a destructor.
DecodeResult decodeAll(jpeg_decompress_struct* cinfo, CheckErrors* errors, const uint8_t* data,
                       size_t size) {
    cinfo->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = onJpegError;
    errors->base.emit_message = onJpegMessage;
    errors->message[0] = '\0';
    errors->warnings = 0;
    if (setjmp(errors->back)) {
        jpeg_destroy_decompress(cinfo);
        return Failed;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width > MaxJpegSide || cinfo->image_height > MaxJpegSide) {
        jpeg_destroy_decompress(cinfo);
        return TooLarge;
    }
    jpeg_start_decompress(cinfo);
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                  cinfo->output_width * cinfo->output_components, 1);
    while (cinfo->output_scanline < cinfo->output_height) jpeg_read_scanlines(cinfo, row, 1);
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return Decoded;
}

uint16_t bigEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t bigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

std::string fileNameOf(const std::string& path) {
    const size_t separator = lastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string checkJpeg(const uint8_t* data, size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return "does not start with a JPEG SOI marker (FF D8)";
    if (data[size - 2] != 0xFF || data[size - 1] != 0xD9) return "does not end with a JPEG EOI marker (FF D9)";
    if (size > 0xFFFFFFFFu) return "is too large";
    jpeg_decompress_struct cinfo;
    CheckErrors errors;
    switch (decodeAll(&cinfo, &errors, data, size)) {
    case Decoded:
        if (errors.warnings == 0) return std::string();
        return std::string("is a damaged JPEG (") + errors.message + ")";
    case TooLarge:
        return "is a JPEG too large for a handheld (more than 16384 pixels a side)";
    case Failed:
        break;
    }
    return std::string("does not decode as a JPEG (") + errors.message + ")";
}

std::string checkDatabase(const uint8_t* data, size_t size, std::string* name) {
    if (size < HeaderSize) return "is shorter than a database header (88 bytes)";
    const void* zero = std::memchr(data, 0, 32);
    if (!zero) return "has a database name without its terminating zero";
    size_t nameLength = static_cast<size_t>(static_cast<const uint8_t*>(zero) - data);
    if (nameLength == 0) return "has an empty database name";
    for (size_t i = 0; i < nameLength; ++i)
        if (data[i] < 0x20 || data[i] == 0x7F) return "has control characters in its database name";
    if (bigEndian16(data + 34) != 1) return "is not a version 1 database";
    if (std::memcmp(data + 60, "jpeg", 4) != 0) return "is not a database of type \"jpeg\"";
    for (size_t i = 64; i < 68; ++i)
        if (data[i] < 0x20 || data[i] > 0x7E) return "has a creator that is not four characters";
    if (bigEndian16(data + 76) != 1) return "is not a one-record database";
    if (bigEndian32(data + 78) != HeaderSize) return "has a record that does not start at offset 88";
    std::string record = checkJpeg(data + HeaderSize, size - HeaderSize);
    if (!record.empty()) return "has a record that " + record;
    if (name) name->assign(reinterpret_cast<const char*>(data), nameLength);
    return std::string();
}

namespace {

// Copies bytes into folder under name, or under "stem(2).ext" and so on when another
// file has that name: a sync never overwrites what the handheld holds. The same bytes
// there already (a sync killed before it could update the queue) count as delivered.
// The temporary copy lives in the user's folder, never in the handheld.
bool deliverInto(const std::string& folder, const std::string& name, const std::string& bytes,
                 const std::string& temporary, std::string& destination) {
    if (!writeDurably(temporary, bytes)) return false;
    size_t dot = name.find_last_of('.');
    std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    std::string extension = name.substr(stem.size());
    for (int n = 1; n <= 999; ++n) {
        destination = joinPath(folder, n == 1 ? name : stem + "(" + std::to_string(n) + ")" + extension);
        PlaceOutcome placed = placeNewFile(temporary, destination);
        if (placed == PlaceOutcome::Placed) return true;
        if (placed == PlaceOutcome::Failed) break;
        std::string there;
        if (readWholeFile(destination, there, MaxDeliveredFile) == ReadOutcome::Read && there == bytes) {
            removeFileQuietly(temporary);
            return true;
        }
    }
    removeFileQuietly(temporary);
    destination.clear();
    return false;
}

// What may pass stays queued for the next sync.
void keep(DeliveryReport& report, const char* why) {
    report.outcome = Delivery::Kept;
    report.reason = why;
}

}  // namespace

int32_t syncUser(Store& store, const StoreUser& user, std::vector<DeliveryReport>& reports) {
    reports.clear();
    // One sync at a time: two would deliver the same queue twice.
    FileLock syncLock;
    int32_t result = store.lockForSync(syncLock);
    if (result != StoreOk) return result;
    const std::string temporary = joinPath(store.userFolderPath(user), "delivery.new");
    removeFileQuietly(temporary);  // left by a killed sync
    std::vector<InstallRequest> queue;
    result = store.loadQueue(user, queue);
    if (result != StoreOk) return result;
    std::vector<StoreSlot> slots;
    result = store.loadSlots(user, slots);
    if (result != StoreOk) return result;

    std::vector<InstallRequest> done;
    for (const InstallRequest& request : queue) {
        DeliveryReport report;
        report.request = request;
        std::string bytes;
        std::string name = fileNameOf(request.path);
        bool slotKnown = !request.toCard;
        for (const StoreSlot& slot : slots) slotKnown = slotKnown || slot.id == request.slotId;
        int32_t where = StoreOk;
        ReadOutcome read = ReadOutcome::Failed;
        if (!slotKnown) {
            report.reason = "the card slot " + std::to_string(request.slotId) + " is not the user's";
        } else if (name.empty()) {
            report.reason = "the path names no file";
        } else if ((where = store.checkInstallPath(user, request.path)) == StoreNotInUserFolder) {
            report.reason = "the file is not inside the user's folder";
        } else if (where == StoreFileUnavailable) {
            keep(report, "its folder cannot be resolved now (is its share out of reach?)");
        } else if (where != StoreOk ||
                   (read = readWholeFile(request.path, bytes, MaxDeliveredFile)) == ReadOutcome::Missing) {
            report.reason = "the file does not exist";
        } else if (read == ReadOutcome::TooLarge) {
            report.reason = "the file is larger than 64 MB";
        } else if (read == ReadOutcome::NotAFile) {
            report.reason = "the path names no file";
        } else if (read == ReadOutcome::Held) {
            keep(report, "another program has the file open (a virus scanner or a sync client, say)");
        } else if (read != ReadOutcome::Read) {
            keep(report, "the file cannot be read now (no permission, or a disk or network error)");
        } else {
            const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
            std::string problem = request.toCard ? checkJpeg(data, bytes.size())
                                                 : checkDatabase(data, bytes.size(), &report.databaseName);
            if (!problem.empty()) report.reason = "the file " + problem;
        }
        if (report.reason.empty()) {
            std::string folder = request.toCard ? store.cardFolderPath(user, request.slotId)
                                                : store.memoryFolderPath(user);
            std::string handheld = joinPath(store.userFolderPath(user), "Handheld");
            if (makeFolder(handheld) && makeFolder(folder) &&
                deliverInto(folder, name, bytes, temporary, report.destination)) {
                report.outcome = Delivery::Installed;
            } else {
                keep(report, "it could not be written into the handheld");
                report.destination.clear();
            }
        }
        if (report.outcome != Delivery::Kept) done.push_back(request);
        reports.push_back(report);
    }
    if (done.empty()) return StoreOk;
    return store.removeFromQueue(user, done);
}

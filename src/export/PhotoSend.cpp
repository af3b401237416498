#include "export/PhotoSend.h"
#include <cstdio>
#include "export/DatabaseHeader.h"
#include "export/DeviceSettings.h"

namespace {

// folder + name + extension, or false when it does not fit the path field.
bool formPath(const char* folder, const char* name, const char* extension,
              char (&path)[PhotoView::OutputFolderSize]) {
    int length = snprintf(path, sizeof path, "%s%s%s", folder, name, extension);
    return length > 0 && static_cast<size_t>(length) < sizeof path;
}

// The name into the header, the bytes onto the disk, then the file under path.
NewFileResult nameFile(const PreparedPhoto& prepared, const char* name, const char* path, bool withHeader) {
    FILE* stream = openForUpdate(prepared.file);
    if (!stream) return NewFileResult::Failed;
    bool ok = (!withHeader || writeDatabaseHeader(name, stream)) && syncFileToDisk(stream);
    if (fclose(stream) != 0) ok = false;
    return ok ? moveToNewName(prepared.file, path) : NewFileResult::Failed;
}

}  // namespace

SendTarget sendTargetOf(const PhotoView& view) {
    SendTarget target;
    target.folder = view.outputFolder;
    target.deviceName = view.deviceName;
    target.storageName = view.storageNames[view.storageIndex];
    target.toMemory = view.storageIndex == 0;
    target.slotId = target.toMemory ? 0 : view.storageIds[view.storageIndex - 1];
    return target;
}

const char* extensionOf(const SendTarget& target) { return target.toMemory ? ".pdb" : ".jpg"; }

PreparedPhoto::~PreparedPhoto() {
    if (file[0] != '\0') removeFile(file);
}

ExportStatus preparePhoto(const PhotoView& view, const SendTarget& target, PreparedPhoto& prepared) {
    if (!canExport(view)) return ExportStatus::Failed;
    FILE* stream = nullptr;
    if (createTemporaryFile(target.folder, &stream, prepared.file) != NewFileResult::Created) {
        prepared.file[0] = '\0';
        return ExportStatus::CannotCreate;
    }
    if (writeNewFile(view, stream, prepared.file, "", target.toMemory)) return ExportStatus::Written;
    prepared.file[0] = '\0';
    return ExportStatus::Failed;
}

bool firstFreeName(const SendTarget& target, const char* base, SendOutcome& outcome) {
    for (int number = 1; number <= LastNameNumber; ++number) {
        numberedName(base, number, outcome.name);
        if (!formPath(target.folder, outcome.name, extensionOf(target), outcome.path)) return false;
        if (!fileExists(outcome.path)) return true;
    }
    return false;
}

SendOutcome finishSend(PreparedPhoto& prepared, const char* base, const SendTarget& target, HotSyncLibrary& library) {
    SendOutcome outcome;
    // The first free name wins, so a gap left by a deleted file is filled first; a name
    // taken between the test and the naming counts as taken.
    NewFileResult named = NewFileResult::Exists;
    while (named == NewFileResult::Exists) {
        if (!firstFreeName(target, base, outcome)) {
            outcome.result = SendResult::NoFreeName;
            return outcome;
        }
        named = nameFile(prepared, outcome.name, outcome.path, target.toMemory);
    }
    if (named == NewFileResult::Failed) {
        outcome.result = SendResult::CannotCreate;
        return outcome;
    }
    prepared.file[0] = '\0';
    if (!target.queue) {
        outcome.result = SendResult::Written;
        return outcome;
    }
    outcome.installResult = queueInstall(library, target.deviceName, outcome.path, !target.toMemory, target.slotId);
    outcome.result = outcome.installResult == 0 ? SendResult::Sent : SendResult::InstallRefused;
    return outcome;
}

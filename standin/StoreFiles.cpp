#include "standin/StoreFiles.h"
#include <cstdio>

std::string hostPath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string mapped = path;
    if (mapped.size() >= 2 && (mapped[0] == 'Z' || mapped[0] == 'z') && mapped[1] == ':')
        mapped.erase(0, 2);
    for (char& c : mapped)
        if (c == '\\') c = '/';
    return mapped;
#endif
}

std::string joinPath(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    if (folder.empty()) return name;
    if (lastSeparator(folder) == folder.size() - 1) return folder + name;
    return folder + separator + name;
}

size_t lastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t at = 0; at < path.size(); at = nextCharacter(path, at))
        if (path[at] == '/' || path[at] == '\\') last = at;
    return last;
}

bool writeAll(FILE* stream, const std::string& bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size())
        return false;
    return std::fflush(stream) == 0 && !std::ferror(stream);
}

std::string temporaryPathFor(const std::string& path) { return hostPath(path) + ".new"; }

bool writeDurably(const std::string& path, const std::string& bytes) {
    std::string host = hostPath(path);
    FILE* stream = std::fopen(host.c_str(), "wb");
    if (!stream) return false;
    bool written = writeAll(stream, bytes) && flushToDisk(stream);
    // fclose reports the last buffered write (a full disk shows up here too).
    if (std::fclose(stream) != 0) written = false;
    if (!written) removeFileQuietly(host);
    return written;
}

bool replaceFileContents(const std::string& path, const std::string& bytes) {
    std::string target = hostPath(path);
    std::string temporary = temporaryPathFor(target);
    if (!writeDurably(temporary, bytes)) return false;
    if (!replaceFile(temporary, target)) {
        removeFileQuietly(temporary);
        return false;
    }
    // The rename itself is durable only once the folder's entries are.
    const size_t separator = lastSeparator(target);
    flushFolder(separator == std::string::npos ? std::string() : target.substr(0, separator == 0 ? 1 : separator));
    return true;
}

// Parents first; one that cannot be made (a drive, a share) is left to the last check.
bool makeFolders(const std::string& path) {
    std::string folder = hostPath(path);
    while (folder.size() > 1 && lastSeparator(folder) == folder.size() - 1) folder.pop_back();
    if (folder.empty() || folderExists(folder)) return !folder.empty();
    const size_t parent = lastSeparator(folder);
    if (parent != std::string::npos && parent > 0) makeFolders(folder.substr(0, parent));
    return makeFolder(folder);
}

bool folderExists(const std::string& path) { return pathKind(path) == PathKind::Folder; }

bool fileExists(const std::string& path) { return pathKind(path) != PathKind::Missing; }
